#include "core/edit/Snapshot.h"

#include <algorithm>
#include <array>
#include <string>

#include "core/edit/UndoStore.h"
#include "core/model/ByteStream.h"
#include "core/model/FrameTable.h"
#include "core/port/UserInterface.h"

namespace vorla::edit {
namespace {

constexpr int kLengthSlots = FrameTable::kMaxFrames;  // BMP lengths in every block
constexpr std::size_t kLengthsOffset = 4 * 3 + 1 + 4;

// The notices at either end of the history: a short notice without buttons (450 ms, style 1).
void ShowHistoryNotice(UserInterface& ui, const std::string& text) {
    ui.ShowNotice(text, 450, 1);
}

void PutInt32(std::uint8_t* out, std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

// Reads the fields of a block front to back; every take is checked against what is left.
class BlockReader {
public:
    explicit BlockReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool Take(std::size_t size, std::span<const std::uint8_t>& out) {
        if (size > bytes_.size() - position_) return false;
        out = bytes_.subspan(position_, size);
        position_ += size;
        return true;
    }
    bool Int32(std::int32_t& value) {
        std::span<const std::uint8_t> p;
        if (!Take(4, p)) return false;
        value = static_cast<std::int32_t>(
            static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
            (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24));
        return true;
    }
    bool Byte(std::uint8_t& value) {
        std::span<const std::uint8_t> p;
        if (!Take(1, p)) return false;
        value = p[0];
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

void ClearLinks(FrameTable& table) {
    for (int i = 0; i < table.frameCount; ++i) {
        table.entries[static_cast<std::size_t>(i)].link.linkedPath.clear();
    }
}

bool Blocked(const UndoGuards& guards) {
    return guards.framePropertiesOpen || guards.playbackPaused;
}

// Collects a block as pieces. What is written through it is copied into its own buffer, except
// the one buffer it was lent (the pixels of the frame being written), which is referred to where
// it lies: the table does not change until the block has been pushed.
class BlockWriter final : public ByteStream {
public:
    explicit BlockWriter(std::size_t ownBytes) { own_.reserve(ownBytes); }

    void Lend(std::span<const std::uint8_t> bytes) { lent_ = bytes; }

    std::size_t Read(void*, std::size_t) override { return 0; }
    bool Write(const void* buffer, std::size_t size) override {
        if (size == 0) return true;
        const auto* bytes = static_cast<const std::uint8_t*>(buffer);
        if (bytes == lent_.data() && size == lent_.size()) {
            parts_.push_back({bytes, 0, size});
        } else if (!parts_.empty() && !parts_.back().lent &&
                   parts_.back().offset + parts_.back().size == own_.size()) {
            parts_.back().size += size;
            own_.insert(own_.end(), bytes, bytes + size);
        } else {
            parts_.push_back({nullptr, own_.size(), size});
            own_.insert(own_.end(), bytes, bytes + size);
        }
        length_ += static_cast<std::int64_t>(size);
        return true;
    }
    // Appends only: the position is always the end.
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override {
        std::int64_t target = origin == SeekOrigin::Begin ? offset : length_ + offset;
        return target == length_ ? length_ : -1;
    }
    std::int64_t Position() const override { return length_; }
    std::int64_t Length() const override { return length_; }
    bool SetLength(std::int64_t) override { return false; }
    std::string Name() const override { return "undo block"; }

    // The copied bytes, in writing order (the block header comes first).
    std::uint8_t* OwnBytes() { return own_.data(); }
    std::vector<UndoStore::Piece> Pieces() const {
        std::vector<UndoStore::Piece> pieces;
        pieces.reserve(parts_.size());
        for (const Part& part : parts_) {
            pieces.emplace_back(part.lent ? part.lent : own_.data() + part.offset, part.size);
        }
        return pieces;
    }

private:
    struct Part {
        const std::uint8_t* lent;  // null: own_ from offset
        std::size_t offset;
        std::size_t size;
    };
    std::vector<std::uint8_t> own_;
    std::vector<Part> parts_;
    std::span<const std::uint8_t> lent_;
    std::int64_t length_ = 0;
};

void CollectBlock(const FrameTable& table, int horizontalScroll, BlockWriter& block) {
    const int count = table.frameCount;
    std::array<std::uint8_t, kSnapshotHeaderBytes> header{};
    PutInt32(header.data(), count);
    PutInt32(header.data() + 4, table.settings.screenWidth);
    PutInt32(header.data() + 8, table.settings.screenHeight);
    header[12] = table.settings.loopForever ? 1 : 0;
    PutInt32(header.data() + 13, horizontalScroll);
    block.Write(header.data(), header.size());  // the lengths are filled in below

    for (int slot = 0; slot < kLengthSlots; ++slot) {
        std::int32_t length = -1;
        if (slot < count) {
            const auto i = static_cast<std::size_t>(slot);
            const CDib& image = table.frameImages[i];
            const std::int64_t start = block.Position();
            block.Lend(image.Bits());
            image.Write(block);
            length = static_cast<std::int32_t>(block.Position() - start);
            const auto entry = table.entries[i].Serialize();
            block.Write(entry.data(), entry.size());
        }
        PutInt32(block.OwnBytes() + kLengthsOffset + 4 * static_cast<std::size_t>(slot), length);
    }
}

// Bytes copied into a block besides the pixels: the header, and per frame the BMP header with its
// colour table (12 more for bit-field masks) and the entry record.
std::size_t OwnBytesOf(const FrameTable& table) {
    std::size_t bytes = kSnapshotHeaderBytes;
    for (int i = 0; i < table.frameCount; ++i) {
        const CDib& image = table.frameImages[static_cast<std::size_t>(i)];
        bytes += 54 + 12 + 4 * static_cast<std::size_t>(image.ColorCount()) +
                 FrameEntry::kSerializedSize;
    }
    return bytes;
}

}  // namespace

std::vector<std::uint8_t> BuildSnapshotBlock(const FrameTable& table, int horizontalScroll) {
    BlockWriter block(OwnBytesOf(table));
    CollectBlock(table, horizontalScroll, block);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(block.Length()));
    for (UndoStore::Piece piece : block.Pieces())
        bytes.insert(bytes.end(), piece.begin(), piece.end());
    return bytes;
}

// The block goes to the file straight from the table: only headers and entries are copied, the
// pixels are written from the frames themselves.
bool RecordSnapshot(FrameTable& table, UndoStore& store, int horizontalScroll) {
    BlockWriter block(OwnBytesOf(table));
    CollectBlock(table, horizontalScroll, block);
    const std::vector<UndoStore::Piece> pieces = block.Pieces();
    return store.Push(std::span<const UndoStore::Piece>(pieces));
}

bool ApplySnapshotBlock(FrameTable& table, std::span<const std::uint8_t> block) {
    auto damaged = [&table] {
        ReportProgramError(table.Ui(), "23523", false);
        return false;
    };
    BlockReader reader(block);
    std::int32_t count = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t scroll = 0;
    std::uint8_t loop = 0;
    if (!reader.Int32(count) || !reader.Int32(width) || !reader.Int32(height) ||
        !reader.Byte(loop) || !reader.Int32(scroll)) {
        return damaged();
    }
    // Beyond negative numbers, a count the table cannot hold and a screen no bitmap can have
    // mark a damaged block too.
    if (count < 0 || width < 0 || height < 0 || count > FrameTable::kMaxFrames ||
        width > CDib::kMaxDimension || height > CDib::kMaxDimension) {
        return damaged();
    }
    std::array<std::int32_t, kLengthSlots> lengths{};
    for (std::int32_t& length : lengths) {
        if (!reader.Int32(length)) return damaged();
    }

    // Everything is read into the side first: the table changes only when the whole block is sound.
    std::vector<CDib> images(static_cast<std::size_t>(count));
    std::vector<FrameEntry> entries(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < images.size(); ++i) {
        std::span<const std::uint8_t> bmp;
        std::span<const std::uint8_t> record;
        if (lengths[i] < 0 || !reader.Take(static_cast<std::size_t>(lengths[i]), bmp) ||
            !reader.Take(FrameEntry::kSerializedSize, record)) {
            return damaged();
        }
        MemoryStream stream{bmp};
        // Frames are uncompressed 8-bit palette images; nothing else may enter the table.
        if (!images[i].Read(stream) || images[i].BitCount() != 8 || images[i].Compression() != 0) {
            return damaged();
        }
        entries[i] = FrameEntry::Deserialize(record.first<FrameEntry::kSerializedSize>());
    }

    const int oldCount = table.frameCount;
    for (std::size_t i = 0; i < images.size(); ++i) {
        table.frameImages[i] = std::move(images[i]);
        table.entries[i] = std::move(entries[i]);  // its link comes back without a path
    }
    for (int i = count; i < oldCount; ++i) {
        auto slot = static_cast<std::size_t>(i);
        table.frameImages[slot].Free();
        table.displayImages[slot].Free();
        table.entries[slot] = FrameEntry{};
    }
    table.frameCount = count;
    // The current frame and gap must name frames that still exist.
    table.menuFrame = std::clamp(table.menuFrame, 0, std::max(count - 1, 0));
    table.targetGap = std::clamp(table.targetGap, -1, count - 1);
    table.settings.loopForever = loop != 0;
    table.ClearSelection(true, -1);
    table.SetZoom(width, height, false);
    // Forced: the display images must match the restored frames even while a multi-step
    // operation holds rebuilding back (a cancelled effect restores in the middle of one).
    table.RebuildDisplayImages(-1, false, true, true);
    table.Host().Invalidate();
    return true;
}

bool RestoreSnapshot(FrameTable& table, UndoStore& store) {
    MemoryStream block;
    if (!store.Read(store.Cursor(), block)) {
        ReportProgramError(table.Ui(), "99731", false);
        return false;
    }
    return ApplySnapshotBlock(table, block.Bytes());
}

UndoResult Undo(FrameTable& table, UndoStore& store, const UndoGuards& guards) {
    if (Blocked(guards)) return UndoResult::Ignored;
    ClearLinks(table);
    if (store.Cursor() <= 0) {
        ShowHistoryNotice(table.Ui(), "더 이상 실행취소를 할 수 없습니다.");
        return UndoResult::AtLimit;
    }
    store.MoveCursor(-1);
    if (!RestoreSnapshot(table, store)) {
        store.MoveCursor(+1);  // the cursor keeps naming the block the view shows
        return UndoResult::Failed;
    }
    ClearLinks(table);
    return UndoResult::Restored;
}

UndoResult Redo(FrameTable& table, UndoStore& store, const UndoGuards& guards) {
    if (Blocked(guards)) return UndoResult::Ignored;
    ClearLinks(table);
    if (store.Cursor() + 1 >= store.Count()) {
        ShowHistoryNotice(table.Ui(), "더 이상 재실행할 수 없습니다.");
        return UndoResult::AtLimit;
    }
    store.MoveCursor(+1);
    if (!RestoreSnapshot(table, store)) {
        store.MoveCursor(-1);
        return UndoResult::Failed;
    }
    ClearLinks(table);
    return UndoResult::Restored;
}

bool CanUndo(const UndoStore* store, const FrameTable& table, bool framePropertiesOpen) {
    return store && store->Usable() && store->Cursor() > 0 && table.frameCount > 0 &&
           !framePropertiesOpen;
}

bool CanRedo(const UndoStore* store, const FrameTable& table, bool framePropertiesOpen) {
    return store && store->Usable() && store->Cursor() + 1 < store->Count() &&
           table.frameCount >= 1 && !framePropertiesOpen;
}

}  // namespace vorla::edit
