#include "imaging/LiqVideoQuantizer.h"

#include "imaging/LiqHandles.h"

namespace vorla {
namespace {

using liq::AttrPtr;
using liq::HistogramPtr;
using liq::ImagePtr;
using liq::ResultPtr;

// RGB to the library's RGBA, opaque.
std::vector<std::uint8_t> ToRgba(const std::uint8_t* rgb, std::size_t pixels) {
    std::vector<std::uint8_t> rgba(4 * pixels);
    for (std::size_t p = 0; p < pixels; ++p) {
        rgba[4 * p] = rgb[3 * p];
        rgba[4 * p + 1] = rgb[3 * p + 1];
        rgba[4 * p + 2] = rgb[3 * p + 2];
        rgba[4 * p + 3] = 255;
    }
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
    const std::size_t pixels = static_cast<std::size_t>(width) * height;
    AttrPtr attr(liq_attr_create());
    if (!attr || liq_set_max_colors(attr.get(), colours) != LIQ_OK) return {};
    HistogramPtr histogram(liq_histogram_create(attr.get()));
    if (!histogram) return {};
    for (const std::uint8_t* sample : samples) {
        std::vector<std::uint8_t> rgba = ToRgba(sample, pixels);
        ImagePtr image(liq_image_create_rgba(attr.get(), rgba.data(), width, height, 0));
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
