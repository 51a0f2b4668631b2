// Reads arbitrary bytes as the command line reads a whole GIF (optimized::ReadWholeGif), then
// drives the optimising writer with the animations they hold: whatever the images,
// positions, disposals and transparent indices, what it writes must decode to the same
// composited frames (VerifyOptimizedGif), or the target stops. Screens and frame counts are kept
// small so that each input runs quickly. The input's last byte also picks a lossy level, whose
// file must show every frame within that level's tolerance, and the byte before it whether
// repeated frames are merged and whether the lossless file is written again on one thread, which
// must give the same bytes as two.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "core/edit/OptimizedSave.h"
#include "core/gif/GifDecoder.h"
#include "core/gif/GifOptimizer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The command line's reader: all or nothing, and a reason for nothing.
    {
        vorla::optimized::OwnedAnimation whole;
        std::string problem;
        // 1 MiB of images at most: the limit is checked, and the run stays quick.
        const bool read = vorla::optimized::ReadWholeGif(std::span<const std::uint8_t>(data, size),
                                                         whole, problem, std::uint64_t{1} << 20);
        if (read == whole.source.frames.empty() || read != problem.empty()) std::abort();
    }
    // The writer gets whatever images decode (also from a damaged file), kept small.
    std::vector<vorla::GifPageInfo> pages;
    std::vector<vorla::CDib> images;
    vorla::GifDecoder::DecodeAllImages(std::span<const std::uint8_t>(data, size), 12,
                                       [&](const vorla::GifPageInfo& page, vorla::CDib&& image) {
                                           pages.push_back(page);
                                           images.push_back(std::move(image));
                                           return true;
                                       });
    if (pages.empty()) return 0;
    vorla::GifSourceAnimation source;
    source.screenWidth = pages[0].screenWidth;
    source.screenHeight = pages[0].screenHeight;
    if (source.screenWidth <= 0 || source.screenHeight <= 0 ||
        std::int64_t{source.screenWidth} * source.screenHeight > 128 * 128) {
        return 0;
    }
    source.loop = pages[0].loopBlock;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const int disposal = (pages[i].controlByte >> 2) & 7;
        source.frames.push_back({&images[i], pages[i].left, pages[i].top,
                                 pages[i].delay < 0 ? 0 : pages[i].delay, disposal,
                                 pages[i].transparent ? pages[i].transparentIndex : -1});
    }
    const bool merge = size < 2 || (data[size - 2] & 1) == 0;
    const vorla::GifOptimizeOptions exact{0, merge};
    const vorla::GifOptimizeResult result = vorla::OptimizeGif(source, {}, exact);
    if (result.status != vorla::GifOptimizeResult::Status::Written) std::abort();
    if (!vorla::VerifyOptimizedGif(source, result.bytes, {}, exact).empty()) std::abort();
    if (result.mergedFrames >= static_cast<int>(source.frames.size())) std::abort();
    if (size >= 2 && (data[size - 2] & 2) != 0) {
        vorla::GifOptimizeOptions oneThread = exact;
        oneThread.twoThreads = false;
        if (vorla::OptimizeGif(source, {}, oneThread).bytes != result.bytes) std::abort();
    }
    const vorla::GifOptimizeOptions lossy{data[size - 1] % (vorla::kMaxLossy + 1), merge};
    if (lossy.lossy == 0) return 0;
    const vorla::GifOptimizeResult loose = vorla::OptimizeGif(source, {}, lossy);
    if (loose.status != vorla::GifOptimizeResult::Status::Written) std::abort();
    if (!vorla::VerifyOptimizedGif(source, loose.bytes, {}, lossy).empty()) std::abort();
    return 0;
}
