// Pasting the internal frame clipboard into a frame table: inserting at a gap and replacing one
// frame. Both are one undo step.
#pragma once

namespace vorla {

class FrameClipboard;
class FrameTable;

namespace edit {

// Inserts every clipboard frame after frame table.targetGap (-1: before the first frame). A frame
// that does not fit the logical screen at its offsets moves to (0, 0) (the clipboard keeps the
// reset offsets); one larger than the screen asks to enlarge the screen first. false: refused
// (too many frames, empty clipboard) or declined; frames inserted before a declined one stay.
bool PasteFrames(FrameTable& table, FrameClipboard& clipboard);

// Replaces frame table.menuFrame with the clipboard's frames; the first of them keeps the
// replaced frame's delay and disposal. Used for the "as is" replace of the Edit command and for
// drops onto a frame.
bool ReplaceWithClipboard(FrameTable& table, FrameClipboard& clipboard);

// Inserts one table's frame copies: after a paste the gap behind the new frames is selected.
void SelectGapAfter(FrameTable& table, int gap);

}  // namespace edit
}  // namespace vorla
