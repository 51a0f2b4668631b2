#include "core/gif/GifByteEstimate.h"

#include <algorithm>
#include <bit>

#include "core/gif/GifCanvas.h"
#include "core/gif/GifLzwEncoder.h"
#include "core/model/CDib.h"

namespace vorla {

namespace {

// Bytes a frame costs in any case: graphic control block (8), image descriptor (10), minimum
// code size (1) and the sub-block terminator (1).
constexpr std::int64_t kFrameBlocks = 8 + 10 + 1 + 1;

}  // namespace

bool GifByteEstimator::Estimate(const GifSourceAnimation& source, const std::vector<bool>& estimate,
                                std::vector<std::int64_t>& figures, int& compressed,
                                const std::function<bool()>& keepGoing) {
    compressed = 0;
    const std::size_t count = source.frames.size();
    figures.resize(count, -1);
    const int width = source.screenWidth;
    const int height = source.screenHeight;
    if (width < 1 || height < 1) return false;
    GifCanvas canvas;
    canvas.Reset(width, height);
    std::vector<std::uint32_t> before;
    std::vector<std::uint8_t> indices;
    GifLzwEncoder encoder;
    for (std::size_t k = 0; k < count; ++k) {
        if (keepGoing && !keepGoing()) return false;
        const GifSourceFrame& frame = source.frames[k];
        if (frame.image == nullptr || frame.image->BitCount() != 8) return false;
        const bool wanted = k >= estimate.size() || estimate[k] || figures[k] < 0;
        if (wanted) before = canvas.Pixels();
        canvas.Draw(*frame.image, frame.left, frame.top,
                    GifCanvas::ColourValues(*frame.image, frame.transparentIndex));
        if (wanted) {
            ++compressed;
            // The rectangle where the screen changes.
            const std::vector<std::uint32_t>& after = canvas.Pixels();
            int x0 = width, y0 = height, x1 = -1, y1 = -1;
            for (int y = 0; y < height; ++y) {
                const std::size_t row =
                    static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
                if (std::equal(after.begin() + static_cast<std::ptrdiff_t>(row),
                               after.begin() + static_cast<std::ptrdiff_t>(row + width),
                               before.begin() + static_cast<std::ptrdiff_t>(row)))
                    continue;
                y0 = std::min(y0, y);
                y1 = y;
                for (int x = 0; x < width; ++x) {
                    if (after[row + static_cast<std::size_t>(x)] !=
                        before[row + static_cast<std::size_t>(x)]) {
                        x0 = std::min(x0, x);
                        x1 = std::max(x1, x);
                    }
                }
            }
            const int colours = std::max(2, static_cast<int>(frame.image->ColorTable().size()));
            // One more index for the unchanged pixels when the frame has no transparent one.
            const int needed = std::min(256, colours + (frame.transparentIndex < 0 ? 1 : 0));
            const int bits =
                std::max(2, static_cast<int>(std::bit_width(static_cast<unsigned>(needed - 1))));
            const std::uint8_t clear = static_cast<std::uint8_t>(
                frame.transparentIndex >= 0 ? frame.transparentIndex : needed - 1);
            // A frame with the first frame's colours shares one global table (counted with the
            // first frame); any other carries its own.
            const bool ownTable =
                k == 0 || frame.image->ColorTable() != source.frames[0].image->ColorTable();
            std::int64_t bytes = kFrameBlocks + (ownTable ? 3 * (std::int64_t{1} << bits) : 0);
            if (x1 >= 0) {
                indices.clear();
                for (int y = y0; y <= y1; ++y) {
                    const std::size_t row =
                        static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
                    for (int x = x0; x <= x1; ++x) {
                        const std::size_t at = row + static_cast<std::size_t>(x);
                        const int ix = x - frame.left, iy = y - frame.top;
                        const bool inside = ix >= 0 && iy >= 0 && ix < frame.image->Width() &&
                                            iy < frame.image->Height();
                        const int top = (1 << bits) - 1;  // the encoder takes no index above
                        indices.push_back(after[at] == before[at] || !inside
                                              ? clear
                                              : static_cast<std::uint8_t>(std::min<int>(
                                                    frame.image->Index(ix, iy), top)));
                    }
                }
                const GifLzwEncoder::Codes codes =
                    encoder.Compress(indices.data(), indices.size(), bits);
                bytes += static_cast<std::int64_t>(codes.size + (codes.size + 254) / 255);
            } else {
                bytes += 3;  // a one-pixel image that changes nothing
            }
            figures[k] = bytes;
        }
        canvas.Dispose(frame.disposal);
    }
    return true;
}

}  // namespace vorla
