// What identifies one state of a file on disk: its modification time to the nanosecond, its size
// and its inode. A save within the same second changes the nanoseconds or the size; a save by
// rename (write a new file, move it over the old) changes the inode.
#pragma once

#include <cstdint>
#include <string>

namespace vorla {

struct FrameLink;

namespace external {

struct FileSignature {
    bool exists = false;
    std::int64_t seconds = 0;      // modification time, seconds since the epoch
    std::int64_t nanoseconds = 0;  // 0..999999999 past `seconds`
    std::int64_t size = -1;        // bytes
    std::uint64_t inode = 0;

    friend bool operator==(const FileSignature&, const FileSignature&) = default;
};

// One stat() of path; exists is false when it cannot be stat'ed or is not a regular file.
FileSignature ReadFileSignature(const std::string& path);

// The signature a link remembers, and storing one into it (linkedTime keeps the seconds).
FileSignature LinkedSignature(const FrameLink& link);
void StoreSignature(FrameLink& link, const FileSignature& signature);

}  // namespace external
}  // namespace vorla
