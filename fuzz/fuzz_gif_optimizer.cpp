// Reads arbitrary bytes as a whole GIF (optimized::ReadWholeGif, the command line's reader) and
// drives the optimising writer with the animations read: whatever the images, positions,
// disposals and transparent indices, what it writes must decode to the same
// composited frames (VerifyOptimizedGif), or the target stops. Screens and frame counts are kept
// small so that each input runs quickly. The input's last byte also picks a lossy level, whose
// file must show every frame within that level's tolerance, and the byte before it whether
// repeated frames are merged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "core/edit/OptimizedSave.h"
#include "core/gif/GifOptimizer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Read as the command line reads a GIF (every image a frame, the screen grown to cover
    // them); only small animations go on to the writer.
    vorla::optimized::OwnedAnimation whole;
    std::string problem;
    if (!vorla::optimized::ReadWholeGif(std::span<const std::uint8_t>(data, size), whole,
                                        problem)) {
        if (problem.empty() || !whole.source.frames.empty()) std::abort();
        return 0;
    }
    const vorla::GifSourceAnimation& source = whole.source;
    if (source.frames.size() > 12 ||
        std::int64_t{source.screenWidth} * source.screenHeight > 128 * 128) {
        return 0;
    }
    const bool merge = size < 2 || (data[size - 2] & 1) == 0;
    const vorla::GifOptimizeOptions exact{0, merge};
    const vorla::GifOptimizeResult result = vorla::OptimizeGif(source, {}, exact);
    if (result.status != vorla::GifOptimizeResult::Status::Written) std::abort();
    if (!vorla::VerifyOptimizedGif(source, result.bytes, {}, exact).empty()) std::abort();
    if (result.mergedFrames >= static_cast<int>(source.frames.size())) std::abort();
    const vorla::GifOptimizeOptions lossy{data[size - 1] % (vorla::kMaxLossy + 1), merge};
    if (lossy.lossy == 0) return 0;
    const vorla::GifOptimizeResult loose = vorla::OptimizeGif(source, {}, lossy);
    if (loose.status != vorla::GifOptimizeResult::Status::Written) std::abort();
    if (!vorla::VerifyOptimizedGif(source, loose.bytes, {}, lossy).empty()) std::abort();
    return 0;
}
