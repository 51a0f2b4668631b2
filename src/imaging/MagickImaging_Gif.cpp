// GIF pages of MagickImaging: read by the program's own decoder, never by Magick, so pages
// carry exactly the values the GIF writer and the frame model use.
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

}  // namespace vorla
