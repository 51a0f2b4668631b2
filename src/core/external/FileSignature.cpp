#include "core/external/FileSignature.h"

#include <sys/stat.h>

#include "core/model/FrameEntry.h"

namespace vorla::external {

FileSignature ReadFileSignature(const std::string& path) {
    FileSignature signature;
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return signature;
    signature.exists = true;
    signature.seconds = static_cast<std::int64_t>(info.st_mtim.tv_sec);
    signature.nanoseconds = static_cast<std::int64_t>(info.st_mtim.tv_nsec);
    signature.size = static_cast<std::int64_t>(info.st_size);
    signature.inode = static_cast<std::uint64_t>(info.st_ino);
    return signature;
}

FileSignature LinkedSignature(const FrameLink& link) {
    FileSignature signature;
    signature.exists = link.linkedSize >= 0;
    signature.seconds = link.linkedTime;
    signature.nanoseconds = link.linkedTimeNs;
    signature.size = link.linkedSize;
    signature.inode = link.linkedInode;
    return signature;
}

void StoreSignature(FrameLink& link, const FileSignature& signature) {
    link.linkedTime = signature.seconds;
    link.linkedTimeNs = signature.nanoseconds;
    link.linkedSize = signature.exists ? signature.size : -1;
    link.linkedInode = signature.inode;
}

}  // namespace vorla::external
