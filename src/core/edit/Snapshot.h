// Whole-document undo: after every frame-changing step the view records the complete frame table
// as one block of its UndoStore; Undo and Redo load a neighbouring block back.
//
// Snapshot block, little-endian:
//   int32 frame count n, int32 screen width, int32 screen height, uint8 loop flag,
//   int32 horizontal scroll position of the strip (recorded, ignored on restore),
//   300 x int32: byte length of frame i's BMP stream for i < n, else -1,
//   then for each frame in order: its BMP bytes followed by its 59-byte FrameEntry record.
// Links are not part of a block: after a restore no frame is linked to an external file.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vorla {

class FrameTable;
class UndoStore;

namespace edit {

// Bytes of a block before the first frame: four int32, the loop byte and 300 lengths.
inline constexpr std::size_t kSnapshotHeaderBytes = 4 * 4 + 1 + 300 * 4;

// The block describing the table as it is now.
std::vector<std::uint8_t> BuildSnapshotBlock(const FrameTable& table, int horizontalScroll = 0);

// Builds a block and pushes it (one undo step). This is what FrameTableHost::RecordSnapshot()
// of the view calls. false: nothing was recorded.
bool RecordSnapshot(FrameTable& table, UndoStore& store, int horizontalScroll = 0);

// Loads the block under the store's cursor into the table and rebuilds the display images
// without recording a snapshot (the document counts as modified). A block that cannot be read
// reports "99731", one that does not describe a valid table "23523"; in both cases the table is
// left exactly as it was and false comes back.
bool RestoreSnapshot(FrameTable& table, UndoStore& store);

// The second half of RestoreSnapshot: checks every field of block and, only when all of it is
// sound, replaces the table's frames with it.
bool ApplySnapshotBlock(FrameTable& table, std::span<const std::uint8_t> block);

// What keeps Undo and Redo from running.
struct UndoGuards {
    bool framePropertiesOpen = false;  // the frame properties dialog previews on the strip
    bool playbackPaused = false;       // frames are being rearranged
};

enum class UndoResult {
    Ignored,   // a guard held: nothing happened
    AtLimit,   // no older (newer) block: the notice was shown
    Restored,  // the cursor moved and the table shows that block
    Failed,    // the block could not be restored (reported); cursor and table are unchanged
};

// The commands Undo (Ctrl+Z) and Redo (Ctrl+Y). Both clear every frame's link first.
UndoResult Undo(FrameTable& table, UndoStore& store, const UndoGuards& guards);
UndoResult Redo(FrameTable& table, UndoStore& store, const UndoGuards& guards);

// Enabling of the two commands and of their tool-bar buttons (3: undo, 4: redo). store may be
// null while the document has none.
bool CanUndo(const UndoStore* store, const FrameTable& table, bool framePropertiesOpen);
bool CanRedo(const UndoStore* store, const FrameTable& table, bool framePropertiesOpen);

}  // namespace edit
}  // namespace vorla
