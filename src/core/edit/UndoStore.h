// The undo store of one document: up to 20 whole-document snapshot blocks kept in one file, and a
// cursor naming the block that matches what the view shows.
//
// File layout, little-endian:
//   0   80 bytes  directory: 20 int32 block lengths; -1 marks a free slot
//   80  ...       the blocks back to back: block k starts at 80 + lengths[0] + ... + lengths[k-1]
// Only the first Count() directory entries are meaningful; the store writes -1 into the others.
//
// The file is opened and closed around every access. Everything read back from it is checked
// against the file's real size before use, so a damaged or truncated file gives a failure (an
// internal-error box) and never a read outside the file or an allocation larger than the file.
//
// How the view uses it (one store per view):
//   - when the document is opened: store = std::make_unique<UndoStore>(table.snapshotFilePath, ui);
//   - once the load has finished (its rebuilds pass noSnapshot), the first block:
//     edit::RecordSnapshot(table, *store). For a GIF that is when RunDeferredGifLoad returns
//     Complete or Cancelled (the frames loaded so far stay); for a new document or a still image,
//     right after LoadDocument succeeds. From then on the cursor names the block the view shows;
//   - FrameTableHost::RecordSnapshot(): edit::RecordSnapshot(table, *store, horizontalScroll);
//   - commands and enabling: edit::Undo / edit::Redo / edit::CanUndo / edit::CanRedo (Snapshot.h);
//     a cancelled effect or duplication calls edit::RestoreSnapshot(table, *store);
//   - when the view is destroyed: reset the store; its destructor deletes the file.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace vorla {

class FileStream;
class MemoryStream;
class UserInterface;

class UndoStore {
public:
    static constexpr int kMaxBlocks = 20;
    static constexpr std::int64_t kDirectoryBytes = 4 * kMaxBlocks;
    static constexpr std::size_t kMaxNameCharacters = 255;

    // Creates the file (replacing an old one) holding only a directory of -1 values. A name of
    // 256 characters or more reports "fatal 91723" and leaves the store unusable; a file that
    // cannot be created leaves it unusable too (Usable() tells).
    UndoStore(std::string fileName, UserInterface& reporter);
    // Deletes the file the store created.
    ~UndoStore();
    UndoStore(const UndoStore&) = delete;
    UndoStore& operator=(const UndoStore&) = delete;

    // Records a new block right after the cursor: blocks after the cursor (redo steps) are cut
    // off, and once the cursor names the 20th slot the oldest block is dropped. false: nothing
    // was recorded (an internal error was reported, or the file could not be written).
    bool Push(std::span<const std::uint8_t> block);
    // The same for a block given as consecutive pieces, written one after the other without
    // first being joined: a snapshot's pieces are mostly the frames' own pixel buffers.
    using Piece = std::span<const std::uint8_t>;
    bool Push(std::span<const Piece> pieces);

    // Replaces the stream's contents by block k and rewinds it. false: k is not a stored block
    // or the file does not hold it (reported).
    bool Read(int k, MemoryStream& stream);

    // Moves the cursor by delta; false (and no move) when the target is not a stored block.
    bool MoveCursor(int delta);

    bool Usable() const { return usable_; }
    int Count() const { return count_; }
    int Cursor() const { return cursor_; }  // -1 while empty
    const std::string& FileName() const { return fileName_; }

private:
    using Directory = std::array<std::int32_t, kMaxBlocks>;

    // The directory entry of block k; k not below count_ is an assertion failure ("82763").
    std::int32_t LengthAt(const Directory& directory, int k);
    bool DropOldest(FileStream& file, Directory& directory);
    // Empties the store and its file: what is left when the file no longer describes its blocks.
    void Reset(FileStream& file);
    bool Assert(bool condition, const char* code);

    std::string fileName_;
    UserInterface& reporter_;
    bool usable_ = false;
    int count_ = 0;    // valid blocks, 0..20
    int cursor_ = -1;  // block that matches the view; -1 while empty
};

}  // namespace vorla
