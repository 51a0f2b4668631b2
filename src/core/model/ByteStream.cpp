#include "core/model/ByteStream.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>

namespace vorla {

std::size_t MemoryStream::Read(void* buffer, std::size_t size) {
    if (position_ >= data_.size()) return 0;
    std::size_t count = std::min(size, data_.size() - position_);
    std::memcpy(buffer, data_.data() + position_, count);
    position_ += count;
    return count;
}

bool MemoryStream::Write(const void* buffer, std::size_t size) {
    if (size == 0) return true;
    if (position_ + size > data_.size()) data_.resize(position_ + size);
    std::memcpy(data_.data() + position_, buffer, size);
    position_ += size;
    return true;
}

std::int64_t MemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
    std::int64_t base = 0;
    if (origin == SeekOrigin::Current) base = static_cast<std::int64_t>(position_);
    if (origin == SeekOrigin::End) base = static_cast<std::int64_t>(data_.size());
    std::int64_t target = base + offset;
    if (target < 0) return -1;
    position_ = static_cast<std::size_t>(target);
    return target;
}

bool MemoryStream::SetLength(std::int64_t length) {
    if (length < 0) return false;
    data_.resize(static_cast<std::size_t>(length));
    position_ = std::min(position_, data_.size());
    return true;
}

bool FileStream::Open(const std::string& path, Mode mode) {
    Close();
    const char* flags = mode == Mode::Read ? "rb" : mode == Mode::ReadWrite ? "r+b" : "w+b";
    file_ = std::fopen(path.c_str(), flags);
    path_ = path;
    return file_ != nullptr;
}

void FileStream::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

bool FileStream::Flush() {
    return file_ && std::fflush(file_) == 0 && fsync(fileno(file_)) == 0;
}

std::size_t FileStream::Read(void* buffer, std::size_t size) {
    return file_ ? std::fread(buffer, 1, size, file_) : 0;
}

bool FileStream::Write(const void* buffer, std::size_t size) {
    return file_ && std::fwrite(buffer, 1, size, file_) == size;
}

std::int64_t FileStream::Seek(std::int64_t offset, SeekOrigin origin) {
    if (!file_) return -1;
    int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                 : origin == SeekOrigin::Current ? SEEK_CUR
                                                 : SEEK_END;
    if (fseeko(file_, offset, whence) != 0) return -1;
    return Position();
}

std::int64_t FileStream::Position() const {
    return file_ ? ftello(file_) : -1;
}

std::int64_t FileStream::Length() const {
    if (!file_) return -1;
    std::fflush(file_);
    std::error_code error;
    auto size = std::filesystem::file_size(path_, error);
    return error ? -1 : static_cast<std::int64_t>(size);
}

bool FileStream::SetLength(std::int64_t length) {
    if (!file_ || length < 0) return false;
    std::fflush(file_);
    return ftruncate(fileno(file_), length) == 0;
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out,
                   std::uint64_t maxBytes) {
    out.clear();
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    auto size = std::filesystem::file_size(path, error);
    if (error || size > maxBytes) return false;
    FileStream file;
    if (!file.Open(path, FileStream::Mode::Read)) return false;
    out.resize(static_cast<std::size_t>(size));
    std::size_t got = file.Read(out.data(), out.size());
    out.resize(got);
    return true;
}

bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::filesystem::path target(path);
    std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    std::random_device random;
    std::string name(".");
    name += target.filename().string();
    name += '.';
    name += std::to_string(random() % 1000000);
    name += ".tmp";
    std::filesystem::path temp = folder / name;
    {
        FileStream file;
        if (!file.Open(temp.string(), FileStream::Mode::Create)) return false;
        bool ok = file.Write(bytes.data(), bytes.size()) && file.Flush();
        file.Close();
        if (!ok) {
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temp, target, error);
    if (error) {
        std::filesystem::remove(temp, error);
        return false;
    }
    return true;
}

}  // namespace vorla
