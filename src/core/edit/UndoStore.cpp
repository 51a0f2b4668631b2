#include "core/edit/UndoStore.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <vector>

#include "core/model/ByteStream.h"
#include "core/port/UserInterface.h"

namespace vorla {
namespace {

using Directory = std::array<std::int32_t, UndoStore::kMaxBlocks>;

// Dropping the oldest block slides the later blocks forward through a buffer of this size.
constexpr std::int64_t kMoveChunkBytes = std::int64_t{8} << 20;

// Characters of a UTF-8 name: every byte that does not continue a sequence starts one.
std::size_t CountCharacters(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

Directory FreeDirectory() {
    Directory directory;
    directory.fill(-1);
    return directory;
}

bool ReadDirectory(FileStream& file, Directory& directory) {
    std::uint8_t bytes[UndoStore::kDirectoryBytes];
    if (file.Seek(0, SeekOrigin::Begin) != 0 || !file.ReadExact(bytes, sizeof bytes)) return false;
    for (std::size_t k = 0; k < directory.size(); ++k) {
        const std::uint8_t* p = bytes + 4 * k;
        directory[k] = static_cast<std::int32_t>(
            static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
            (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24));
    }
    return true;
}

bool WriteDirectory(FileStream& file, const Directory& directory) {
    std::uint8_t bytes[UndoStore::kDirectoryBytes];
    for (std::size_t k = 0; k < directory.size(); ++k) {
        auto value = static_cast<std::uint32_t>(directory[k]);
        for (std::size_t i = 0; i < 4; ++i)
            bytes[4 * k + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return file.Seek(0, SeekOrigin::Begin) == 0 && file.Write(bytes, sizeof bytes);
}

// File offset where block `blocks` begins, i.e. the end of blocks 0..blocks-1; -1 when one of
// their lengths is negative or they do not all lie inside a file of fileSize bytes.
std::int64_t EndOfBlocks(const Directory& directory, int blocks, std::int64_t fileSize) {
    std::int64_t end = UndoStore::kDirectoryBytes;
    for (int k = 0; k < blocks; ++k) {
        std::int32_t length = directory[static_cast<std::size_t>(k)];
        if (length < 0) return -1;
        end += length;
    }
    return end <= fileSize ? end : -1;
}

}  // namespace

UndoStore::UndoStore(std::string fileName, UserInterface& reporter)
    : fileName_(std::move(fileName)), reporter_(reporter) {
    if (CountCharacters(fileName_) > kMaxNameCharacters) {
        ReportProgramError(reporter_, "fatal 91723", false);
        return;
    }
    FileStream file;
    usable_ =
        file.Open(fileName_, FileStream::Mode::Create) && WriteDirectory(file, FreeDirectory());
}

UndoStore::~UndoStore() {
    if (!usable_) return;
    std::error_code ignored;
    std::filesystem::remove(fileName_, ignored);
}

bool UndoStore::Assert(bool condition, const char* code) {
    if (!condition) ReportProgramError(reporter_, code, false);
    return condition;
}

std::int32_t UndoStore::LengthAt(const Directory& directory, int k) {
    if (!Assert(k >= 0 && k < count_, "82763")) return -1;
    return directory[static_cast<std::size_t>(k)];
}

void UndoStore::Reset(FileStream& file) {
    count_ = 0;
    cursor_ = -1;
    file.SetLength(0);
    WriteDirectory(file, FreeDirectory());
}

bool UndoStore::Push(std::span<const std::uint8_t> block) {
    const Piece whole[] = {block};
    return Push(std::span<const Piece>(whole));
}

bool UndoStore::Push(std::span<const Piece> pieces) {
    std::size_t size = 0;
    for (Piece piece : pieces) size += piece.size();
    // A length must fit its int32 directory entry.
    if (!usable_ || size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        return false;
    }
    FileStream file;
    Directory directory = FreeDirectory();
    if (!file.Open(fileName_, FileStream::Mode::ReadWrite)) {
        // The file vanished under the store: its blocks are gone, start a new history.
        if (!file.Open(fileName_, FileStream::Mode::Create)) return false;
        Reset(file);
    } else if (!ReadDirectory(file, directory)) {
        // Shorter than its directory: whatever it held is lost.
        directory = FreeDirectory();
        const bool hadBlocks = cursor_ >= 0;
        Reset(file);
        if (hadBlocks) return Assert(false, "66382");
    }

    // The blocks up to the cursor stay; the file must still hold them, and whatever follows them
    // (redo blocks) is cut off.
    std::int64_t keptEnd = EndOfBlocks(directory, cursor_ + 1, file.Length());
    if (keptEnd < 0) {
        Reset(file);
        return Assert(false, "66382");
    }
    if (count_ - cursor_ - 1 > 0 || file.Length() != keptEnd) {
        if (!file.SetLength(keptEnd)) return false;
        count_ = cursor_ + 1;
    }
    std::fill(directory.begin() + count_, directory.end(), -1);

    for (int rounds = 1; cursor_ >= kMaxBlocks - 1; ++rounds) {
        if (rounds > 30) return Assert(false, "06298");
        if (!DropOldest(file, directory)) return false;
    }

    // The block goes in before its directory entry: a write that fails half-way leaves the entry
    // -1 and the store as it was.
    const int slot = cursor_ + 1;
    const std::int64_t offset = EndOfBlocks(directory, slot, file.Length());
    bool written = offset >= 0 && file.Seek(offset, SeekOrigin::Begin) == offset;
    for (std::size_t i = 0; written && i < pieces.size(); ++i) {
        written = file.Write(pieces[i].data(), pieces[i].size());
    }
    if (!written) {
        file.SetLength(std::max<std::int64_t>(offset, kDirectoryBytes));
        return false;
    }
    directory[static_cast<std::size_t>(slot)] = static_cast<std::int32_t>(size);
    if (!WriteDirectory(file, directory)) return false;
    cursor_ = slot;
    count_ = slot + 1;
    return true;
}

bool UndoStore::DropOldest(FileStream& file, Directory& directory) {
    if (!Assert(count_ == cursor_ + 1, "93821")) return false;
    if (cursor_ == -1) return Assert(false, "fatal 92950");
    if (cursor_ == 0) return true;

    // Blocks 1..count-1 slide forward over block 0 (the target always lies before the source, so
    // a front-to-back copy never overwrites bytes it has still to read).
    const std::int64_t end = EndOfBlocks(directory, count_, file.Length());
    const std::int64_t from = kDirectoryBytes + directory[0];
    if (end < 0) return Assert(false, "66382");
    std::vector<std::uint8_t> buffer(
        static_cast<std::size_t>(std::min(kMoveChunkBytes, end - from)));
    for (std::int64_t done = 0; done < end - from;) {
        auto size =
            static_cast<std::size_t>(std::min<std::int64_t>(kMoveChunkBytes, end - from - done));
        if (file.Seek(from + done, SeekOrigin::Begin) < 0 || !file.ReadExact(buffer.data(), size) ||
            file.Seek(kDirectoryBytes + done, SeekOrigin::Begin) < 0 ||
            !file.Write(buffer.data(), size)) {
            // Half-moved blocks match no directory any more.
            Reset(file);
            return false;
        }
        done += static_cast<std::int64_t>(size);
    }
    const std::int64_t newEnd = end - directory[0];
    std::rotate(directory.begin(), directory.begin() + 1, directory.end());
    directory.back() = -1;
    if (!WriteDirectory(file, directory) || !file.SetLength(newEnd)) {
        Reset(file);
        return false;
    }
    --cursor_;
    count_ = cursor_ + 1;
    return true;
}

bool UndoStore::Read(int k, MemoryStream& stream) {
    if (!usable_ || k < 0 || k >= count_) return false;
    FileStream file;
    Directory directory;
    if (!file.Open(fileName_, FileStream::Mode::Read) || !ReadDirectory(file, directory)) {
        return Assert(false, "61923");
    }
    const std::int32_t length = LengthAt(directory, k);
    const std::int64_t fileSize = file.Length();
    const std::int64_t start = EndOfBlocks(directory, k, fileSize);
    // The length is only trusted as far as the file reaches, so the allocation below is bounded
    // by the file's real size.
    if (length < 0 || start < 0 || length > fileSize - start) return Assert(false, "61923");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    if (file.Seek(start, SeekOrigin::Begin) != start ||
        !file.ReadExact(bytes.data(), bytes.size())) {
        return Assert(false, "61923");
    }
    stream = MemoryStream(std::move(bytes));
    return true;
}

bool UndoStore::MoveCursor(int delta) {
    const long long target = static_cast<long long>(cursor_) + delta;
    if (target < 0 || target >= count_) return false;
    cursor_ = static_cast<int>(target);
    return true;
}

}  // namespace vorla
