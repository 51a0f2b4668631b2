// GIF pages of MagickImaging: read by the program's own decoder, never by Magick, so pages
// carry exactly the values the GIF writer and the frame model use.
#include <filesystem>
#include <limits>
#include <system_error>

#include "core/gif/GifDecoder.h"
#include "core/model/ByteStream.h"
#include "imaging/GifPageCache.h"
#include "imaging/MagickImaging.h"
#include "imaging/NoThrow.h"

namespace vorla {

ImagingResult MagickImaging::LoadGifPage(const std::string& path, int page, CDib& out,
                                         GifPageInfo& info) {
    return NoThrow(ImagingResult::Failed,
                   [&]() -> ImagingResult { return gifPages_->Page(path, page, out, info); });
}

int MagickImaging::GifPageCount(const std::string& path) {
    return NoThrow(0, [&]() -> int { return gifPages_->PageCount(path); });
}

void MagickImaging::ReleaseGifPages() {
    gifPages_->Release();
}

ImagingResult MagickImaging::ScanGifImages(const std::string& path, const GifImageSink& sink) {
    return NoThrow(ImagingResult::Failed, [&]() -> ImagingResult {
        std::error_code error;
        if (!std::filesystem::exists(path, error)) return ImagingResult::NotFound;
        std::vector<std::uint8_t> bytes;
        if (!ReadWholeFile(path, bytes, GifDecoder::kMaxInputBytes)) return ImagingResult::Failed;
        const GifScanResult scan =
            GifDecoder::DecodeAllImages(bytes, std::numeric_limits<std::size_t>::max(), sink);
        return scan.complete || scan.stoppedBySink ? ImagingResult::Ok : ImagingResult::Failed;
    });
}

}  // namespace vorla
