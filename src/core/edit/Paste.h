// Pasting the internal frame clipboard into a frame table: inserting at a gap and replacing one
// frame. Both are one undo step.
#pragma once

#include <functional>
#include <string>

#include "core/model/CDib.h"
#include "core/model/FrameEntry.h"

namespace vorla {

class FrameClipboard;
class FrameTable;
class Imaging;

namespace edit {

// One image coming in from a file or the system clipboard, at 8 bits.
struct IncomingImage {
    CDib image;
    bool transparent = false;  // a GIF file's first image had a transparent index
    int transparentIndex = 0;
};

enum class ImageLoad { Ok, DamagedGif, Unreadable };
// A GIF file through the program's decoder (its first image and transparency), any other format
// through the imaging layer at 8 bits.
ImageLoad LoadImageForPaste(const std::string& path, Imaging& imaging, IncomingImage& out);

// The entry of an image that becomes a frame: at (0, 0) with the image's size, delay 50, 256
// colours, opaque, disposal 1.
FrameEntry NewImageEntry(const CDib& image);

// Puts the image into the clipboard as its only frame and pastes it after table.targetGap; the
// gap after it becomes selected and targetGap names it. The new frame takes the image's
// transparency. false: the paste was refused (too many frames, screen not enlarged).
bool PasteImage(FrameTable& table, FrameClipboard& clipboard, const IncomingImage& incoming);

// Replaces frame table.menuFrame with the incoming image (one undo step); the new frame keeps
// the old frame's delay and disposal.
bool ReplaceFrameWithImage(FrameTable& table, FrameClipboard& clipboard,
                           const IncomingImage& incoming);

// Inserts every clipboard frame after frame table.targetGap (-1: before the first frame). A frame
// that does not fit the logical screen at its offsets moves to (0, 0) (the clipboard keeps the
// reset offsets); one larger than the screen asks to enlarge the screen first. false: refused
// (too many frames, empty clipboard) or declined; frames inserted before a declined one stay.
bool PasteFrames(FrameTable& table, FrameClipboard& clipboard);

// Replaces frame table.menuFrame with the clipboard's frames; the first of them keeps the
// replaced frame's delay and disposal. Used for the "as is" replace of the Edit command and for
// drops onto a frame.
// beforeCommit runs on the replaced frame's new first frame just before the commit.
bool ReplaceWithClipboard(FrameTable& table, FrameClipboard& clipboard,
                          const std::function<void(int frame)>& beforeCommit = {});

}  // namespace edit
}  // namespace vorla
