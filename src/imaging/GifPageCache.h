// The decoded images of the last GIF file asked for, so that reading its pages one by one costs
// one decoding pass in total. The file is identified by path, size and modification time; a
// change of any of them decodes it afresh.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/gif/GifPageInfo.h"
#include "core/model/CDib.h"
#include "core/port/Imaging.h"

namespace vorla {

class GifPageCache {
public:
    // Images kept from one file. The frame table holds 300 frames, so this only bounds what a
    // hostile file can make the cache hold.
    static constexpr int kMaxPages = 1024;
    static constexpr std::uint64_t kMaxCachedBytes = std::uint64_t{1} << 30;

    // Page 'page' (0-based) as an 8-bit bitmap. Handing out the last page releases the cache:
    // a load runs through the pages in order and then no longer needs them.
    ImagingResult Page(const std::string& path, int page, CDib& out, GifPageInfo& info);
    // Images the file holds; for a damaged file, the images before the damage. 0 when it
    // cannot be read. Images past kMaxPages are counted but not kept: their pages fail.
    int PageCount(const std::string& path);

private:
    struct FileKey {
        std::string path;
        std::uintmax_t size = 0;
        std::filesystem::file_time_type modified;
        friend bool operator==(const FileKey&, const FileKey&) = default;
    };
    struct CachedPage {
        GifPageInfo info;
        CDib image;
    };

    // Makes the cache hold path's images; NotFound / Failed when the file cannot be read.
    ImagingResult Load(const std::string& path);
    void Release();

    bool valid_ = false;
    FileKey key_;
    std::vector<CachedPage> pages_;
    int pageCount_ = 0;
};

}  // namespace vorla
