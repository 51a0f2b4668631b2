// Commands that rearrange the frames of a table. Each ends with one commit (one undo step).
#pragma once

namespace vorla {

class FrameClipboard;
class FrameTable;

namespace edit {

// Removes every selected frame; with cutTo the frames are first copied there. The logical screen
// keeps its size. false: nothing was done (too many frames to cut, reported to the user).
bool DeleteSelectedFrames(FrameTable& table, FrameClipboard* cutTo);

}  // namespace edit
}  // namespace vorla
