#include "core/gif/GifOptimizer.h"

#include <algorithm>
#include <string>

#include "core/gif/GifDecoder.h"
#include "core/gif/GifOptimizerParts.h"

namespace vorla {

using optimizer::Disposal;
using optimizer::Usable;
using optimizer::Within;

std::string VerifyOptimizedGif(const GifSourceAnimation& source,
                               std::span<const std::uint8_t> bytes, const GifProgress& progress,
                               const GifOptimizeOptions& options) {
    const int tolerance = LossyTolerance(options.lossy);
    // Opaque pixels within tolerance in every channel agree; transparency must match exactly.
    auto alike = [tolerance](std::uint32_t a, std::uint32_t b) {
        return a == b || (a != 0 && b != 0 && Within(a, b, tolerance));
    };
    const int width = source.screenWidth;
    const int height = source.screenHeight;
    GifCanvas want;
    GifCanvas have;
    want.Reset(width, height);
    have.Reset(width, height);
    // Where the two screens may differ: what either has drawn or disposed since they were last
    // compared. They agree everywhere else, as both started empty and every compare passed.
    GifArea touched;
    auto touch = [&touched](const GifCanvas& canvas) { touched.Unite(canvas.LastArea()); };
    std::string problem;
    const std::size_t count = source.frames.size();
    std::size_t k = 0;
    const GifScanResult scan =
        GifDecoder::DecodeAllImages(bytes, count + 1, [&](const GifPageInfo& page, CDib&& image) {
            if (k >= count) {
                problem = "more images than frames";
                return false;
            }
            if (progress && !progress(static_cast<int>(k), static_cast<int>(count))) {
                problem = "cancelled";
                return false;
            }
            if (page.screenWidth != width || page.screenHeight != height) {
                problem = "the screen is " + std::to_string(page.screenWidth) + "x" +
                          std::to_string(page.screenHeight);
                return false;
            }
            // An image stands for frame k and, merged, for the frames after it that show the
            // same screen while its delay is not yet used up.
            have.Draw(
                image, page.left, page.top,
                GifCanvas::ColourValues(image, page.transparent ? page.transparentIndex : -1));
            touch(have);
            int delay = 0;
            for (bool first = true;; first = false) {
                const GifSourceFrame& frame = source.frames[k];
                if (!first) {
                    want.Dispose(Disposal(source.frames[k - 1]));
                    touch(want);
                }
                if (Usable(frame)) {
                    want.Draw(*frame.image, frame.left, frame.top,
                              GifCanvas::ColourValues(*frame.image, frame.transparentIndex));
                } else {
                    want.Draw(CDib{}, 0, 0, GifCanvas::Values{});  // clears the area Dispose uses
                }
                touch(want);
                // Row by row in raster order: the first difference found is the screen's first.
                for (int y = touched.y0; y < touched.y1; ++y) {
                    const std::size_t row = static_cast<std::size_t>(y) * width;
                    const std::uint32_t* const a = want.Pixels().data() + row;
                    const std::uint32_t* const b = have.Pixels().data() + row;
                    const auto mismatch =
                        std::mismatch(a + touched.x0, a + touched.x1, b + touched.x0, alike);
                    if (mismatch.first != a + touched.x1) {
                        problem = "frame " + std::to_string(k) + " differs at " +
                                  std::to_string(mismatch.first - a) + "," + std::to_string(y);
                        return false;
                    }
                }
                touched = {};
                delay += frame.delay & 0xFFFF;
                if (!options.mergeRepeats || delay >= page.delay || k + 1 >= count) break;
                ++k;
            }
            // A single image is written without a control block when it waits 0 or what such
            // an image opens with; any other image must carry its delay.
            const bool omitted = page.delay < 0 && source.frames.size() == 1 &&
                                 (delay == 0 || delay == kDelayWithoutControl);
            if (!omitted && page.delay != delay) {
                problem = "frame " + std::to_string(k) + " has delay " +
                          std::to_string(page.delay) + ", want " + std::to_string(delay);
                return false;
            }
            want.Dispose(Disposal(source.frames[k]));
            have.Dispose((page.controlByte >> 2) & 7);
            touch(want);
            touch(have);
            ++k;
            return true;
        });
    if (!problem.empty()) return problem;
    if (!scan.complete) return "the written file does not decode: " + scan.error;
    if (k != count) {
        return "have " + std::to_string(k) + " images, want " + std::to_string(count);
    }
    if (scan.loopBlock != source.loop) return "the looping differs";
    return {};
}

}  // namespace vorla
