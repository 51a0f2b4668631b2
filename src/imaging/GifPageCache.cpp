#include "imaging/GifPageCache.h"

#include <algorithm>
#include <climits>
#include <system_error>

#include "core/gif/GifDecoder.h"
#include "core/model/ByteStream.h"

namespace vorla {

ImagingResult GifPageCache::Load(const std::string& path) {
    std::error_code error;
    if (path.empty() || !std::filesystem::exists(path, error)) {
        Release();
        return ImagingResult::NotFound;
    }
    FileKey key{path, std::filesystem::file_size(path, error), {}};
    if (error) {
        Release();
        return ImagingResult::Failed;
    }
    key.modified = std::filesystem::last_write_time(path, error);
    if (error) {
        Release();
        return ImagingResult::Failed;
    }
    if (valid_ && key == key_) return ImagingResult::Ok;

    Release();
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, GifDecoder::kMaxInputBytes)) return ImagingResult::Failed;
    std::uint64_t cachedBytes = 0;
    GifScanResult scan = GifDecoder::DecodeAllImages(
        bytes, kMaxPages, [this, &cachedBytes](const GifPageInfo& info, CDib&& image) {
            cachedBytes += image.ImageSize();
            if (cachedBytes > kMaxCachedBytes) return false;
            pages_.push_back(CachedPage{info, std::move(image)});
            return true;
        });
    // A damaged image counts as a page, so that loading reaches it and reports the file as
    // damaged instead of quietly showing only the images before the damage. Damage past the
    // kept pages still counts every image met before it.
    std::size_t count = pages_.size();
    if (scan.complete && !scan.stoppedBySink) count = scan.imageCount;
    if (!scan.complete && !scan.stoppedBySink) count = std::max(scan.imageCount, pages_.size() + 1);
    // Whether the animation loops is a property of the file: a looping block behind the first
    // image still counts for every page.
    for (CachedPage& page : pages_) page.info.loopBlock = scan.loopBlock;
    pageCount_ = static_cast<int>(std::min<std::size_t>(count, INT_MAX));
    key_ = std::move(key);
    valid_ = true;
    return ImagingResult::Ok;
}

void GifPageCache::Release() {
    valid_ = false;
    key_ = FileKey{};
    pages_.clear();
    pages_.shrink_to_fit();
    pageCount_ = 0;
}

ImagingResult GifPageCache::Page(const std::string& path, int page, CDib& out, GifPageInfo& info) {
    ImagingResult loaded = Load(path);
    if (loaded != ImagingResult::Ok) return loaded;
    if (page < 0 || static_cast<std::size_t>(page) >= pages_.size()) return ImagingResult::Failed;
    CachedPage& cached = pages_[static_cast<std::size_t>(page)];
    info = cached.info;
    if (static_cast<std::size_t>(page) + 1 == pages_.size()) {
        out = std::move(cached.image);
        Release();
    } else {
        out = cached.image;
    }
    return ImagingResult::Ok;
}

int GifPageCache::PageCount(const std::string& path) {
    return Load(path) == ImagingResult::Ok ? pageCount_ : 0;
}

}  // namespace vorla
