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
#include "core/model/FrameTable.h"
#include "core/port/Imaging.h"

namespace vorla {

class GifPageCache {
public:
    // Images kept from one file: as many as a document holds. Later images are only counted,
    // so a long file costs no more memory than the frames that can be loaded from it.
    static constexpr int kMaxPages = FrameTable::kMaxFrames;
    static constexpr std::uint64_t kMaxCachedBytes = std::uint64_t{1} << 30;

    // Page 'page' (0-based) as an 8-bit bitmap. Handing out the last page releases the cache:
    // a load runs through the pages in order and then no longer needs them.
    ImagingResult Page(const std::string& path, int page, CDib& out, GifPageInfo& info);
    // Images the file holds; for a damaged file, the images before the damage and the damaged
    // one. 0 when it cannot be read. Images past kMaxPages are counted but not kept: their
    // pages fail.
    int PageCount(const std::string& path);
    // Forgets the decoded pages. A load that stops before the last page (a file longer than a
    // document, a cancelled or failed load) calls it, so the pages do not stay in memory until
    // the next GIF file is read.
    void Release();
    // Pages held now (for tests and diagnostics).
    std::size_t HeldPages() const { return pages_.size(); }

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

    bool valid_ = false;
    FileKey key_;
    std::vector<CachedPage> pages_;
    int pageCount_ = 0;
};

}  // namespace vorla
