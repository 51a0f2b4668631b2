// Seekable byte streams: the exchange medium between the frame model, the GIF codec, the imaging
// layer, the clipboard and the undo store. A memory stream and a file stream share one interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace vorla {

enum class SeekOrigin { Begin, Current, End };

class ByteStream {
public:
    virtual ~ByteStream() = default;
    // Reads up to size bytes; returns how many arrived (short at the end of the stream).
    virtual std::size_t Read(void* buffer, std::size_t size) = 0;
    // Writes size bytes; false when they could not all be written.
    virtual bool Write(const void* buffer, std::size_t size) = 0;
    // New position, or -1 when the target lies before the start (the position is then unchanged).
    virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;
    virtual std::int64_t Position() const = 0;
    virtual std::int64_t Length() const = 0;
    virtual bool SetLength(std::int64_t length) = 0;
    // Shown in messages about this stream (a file name, or a fixed text for memory).
    virtual std::string Name() const = 0;

    bool ReadExact(void* buffer, std::size_t size) { return Read(buffer, size) == size; }
    void SeekToBegin() { Seek(0, SeekOrigin::Begin); }
};

class MemoryStream final : public ByteStream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<std::uint8_t> bytes) : data_(std::move(bytes)) {}
    explicit MemoryStream(std::span<const std::uint8_t> bytes)
        : data_(bytes.begin(), bytes.end()) {}

    std::size_t Read(void* buffer, std::size_t size) override;
    bool Write(const void* buffer, std::size_t size) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t Position() const override { return static_cast<std::int64_t>(position_); }
    std::int64_t Length() const override { return static_cast<std::int64_t>(data_.size()); }
    bool SetLength(std::int64_t length) override;
    std::string Name() const override { return "memory"; }

    const std::vector<std::uint8_t>& Bytes() const { return data_; }
    std::vector<std::uint8_t> TakeBytes() {
        position_ = 0;
        return std::move(data_);
    }
    void Reserve(std::size_t size) { data_.reserve(size); }

private:
    std::vector<std::uint8_t> data_;
    std::size_t position_ = 0;  // may lie beyond the end after a seek; a write there zero-fills
};

class FileStream final : public ByteStream {
public:
    enum class Mode { Read, ReadWrite, Create };  // Create truncates or makes the file
    FileStream() = default;
    ~FileStream() override { Close(); }
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    bool Open(const std::string& path, Mode mode);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }
    bool Flush();

    std::size_t Read(void* buffer, std::size_t size) override;
    bool Write(const void* buffer, std::size_t size) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t Position() const override;
    std::int64_t Length() const override;
    bool SetLength(std::int64_t length) override;
    std::string Name() const override { return path_; }

private:
    std::FILE* file_ = nullptr;
    std::string path_;
};

// Whole-file helpers. ReadWholeFile refuses files above maxBytes.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out,
                   std::uint64_t maxBytes = std::uint64_t{1} << 31);
// Writes to a temporary file beside path and renames it over path only when everything was
// written and flushed: a failure leaves an existing file untouched.
bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace vorla
