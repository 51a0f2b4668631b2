#include "imaging/LiqVideoQuantizer.h"

#include "imaging/LiqHandles.h"

namespace vorla {
namespace {

using liq::AttrPtr;
using liq::HistogramPtr;
using liq::ImagePtr;
using liq::ResultPtr;

// The histogram's share of a sample: grain and codec noise make nearly every colour of a filmed
// picture unique, and the library's time grows with the colours it counts, while their spread
// is told as well by a quarter of them. Pictures of at least kThinnedPixels take every other
// pixel of every other row, alternate rows shifted by one so that every column counts; smaller
// ones are taken whole.
constexpr std::size_t kThinnedPixels = 64 * 64;

// RGB to the library's RGBA, opaque, thinned as above; width and height become the picture's.
std::vector<std::uint8_t> ToRgba(const std::uint8_t* rgb, int& width, int& height) {
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const int step = pixels >= kThinnedPixels ? 2 : 1;
    const int outWidth = width / step;
    const int outHeight = height / step;
    std::vector<std::uint8_t> rgba(4 * static_cast<std::size_t>(outWidth) * outHeight);
    std::size_t at = 0;
    for (int y = 0; y < outHeight; ++y) {
        const int row = y * step;
        const int shift = step > 1 ? y & 1 : 0;
        for (int x = 0; x < outWidth; ++x, at += 4) {
            const std::uint8_t* p =
                rgb + 3 * (static_cast<std::size_t>(row) * width + x * step + shift);
            rgba[at] = p[0];
            rgba[at + 1] = p[1];
            rgba[at + 2] = p[2];
            rgba[at + 3] = 255;
        }
    }
    width = outWidth;
    height = outHeight;
    return rgba;
}

std::vector<RgbQuad> ToQuads(const liq_palette& palette) {
    std::vector<RgbQuad> quads;
    for (unsigned i = 0; i < palette.count; ++i) {
        const liq_color& c = palette.entries[i];
        quads.push_back(RgbQuad{c.b, c.g, c.r, 0});
    }
    return quads;
}

}  // namespace

std::vector<RgbQuad> LiqVideoQuantizer::ChoosePalette(
    const std::vector<const std::uint8_t*>& samples, int width, int height, int colours) {
    if (samples.empty() || width <= 0 || height <= 0 || colours < 2 || colours > 256) return {};
    AttrPtr attr(liq_attr_create());
    // The lowest bit of each channel is not counted either (the entries are then even levels):
    // with the thinning, the camera clip's palette at 480 wide takes 67 ms of CPU instead of
    // 207, and its frames lose 0.07 dB against the exact pictures.
    if (!attr || liq_set_max_colors(attr.get(), colours) != LIQ_OK ||
        liq_set_min_posterization(attr.get(), 1) != LIQ_OK) {
        return {};
    }
    HistogramPtr histogram(liq_histogram_create(attr.get()));
    if (!histogram) return {};
    for (const std::uint8_t* sample : samples) {
        int sampleWidth = width;
        int sampleHeight = height;
        std::vector<std::uint8_t> rgba = ToRgba(sample, sampleWidth, sampleHeight);
        ImagePtr image(
            liq_image_create_rgba(attr.get(), rgba.data(), sampleWidth, sampleHeight, 0));
        // The histogram copies what it needs, so the picture may go after this.
        if (!image || liq_histogram_add_image(histogram.get(), attr.get(), image.get()) != LIQ_OK) {
            return {};
        }
    }
    liq_result* raw = nullptr;
    if (liq_histogram_quantize(histogram.get(), attr.get(), &raw) != LIQ_OK || raw == nullptr) {
        return {};
    }
    const ResultPtr chosen(raw);
    const liq_palette* palette = liq_get_palette(chosen.get());
    if (palette == nullptr || palette->count == 0) return {};
    return ToQuads(*palette);
}

}  // namespace vorla
