#include "imaging/LiqVideoQuantizer.h"

#include "imaging/LiqHandles.h"

#include <algorithm>

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

class LiqPaletteMap : public PaletteMap {
public:
    LiqPaletteMap(AttrPtr attr, ResultPtr result, std::vector<RgbQuad> palette, int width,
                  int height)
        : attr_(std::move(attr)),
          result_(std::move(result)),
          palette_(std::move(palette)),
          width_(width),
          height_(height) {}

    const std::vector<RgbQuad>& Palette() const override { return palette_; }

    bool Remap(const std::uint8_t* rgb, bool diffusion,
               std::vector<std::uint8_t>& indices) override {
        const std::size_t pixels = static_cast<std::size_t>(width_) * height_;
        std::vector<std::uint8_t> rgba = ToRgba(rgb, pixels);
        ImagePtr image(liq_image_create_rgba(attr_.get(), rgba.data(), width_, height_, 0));
        indices.resize(pixels);
        if (!image || liq_set_dithering_level(result_.get(), diffusion ? 1.0f : 0.0f) != LIQ_OK ||
            liq_write_remapped_image(result_.get(), image.get(), indices.data(), pixels) !=
                LIQ_OK) {
            return false;
        }
        // Fixed colours stay where they are; anything else would break the shared meaning.
        const liq_palette* after = liq_get_palette(result_.get());
        return after != nullptr && ToQuads(*after) == palette_;
    }

private:
    AttrPtr attr_;
    ResultPtr result_;
    std::vector<RgbQuad> palette_;
    int width_;
    int height_;
};

}  // namespace

std::unique_ptr<PaletteMap> LiqVideoQuantizer::ChoosePalette(
    const std::vector<const std::uint8_t*>& samples, int width, int height, int colours) {
    if (samples.empty() || width <= 0 || height <= 0 || colours < 2 || colours > 256) {
        return nullptr;
    }
    const std::size_t pixels = static_cast<std::size_t>(width) * height;
    AttrPtr attr(liq_attr_create());
    if (!attr || liq_set_max_colors(attr.get(), colours) != LIQ_OK) return nullptr;
    HistogramPtr histogram(liq_histogram_create(attr.get()));
    if (!histogram) return nullptr;
    for (const std::uint8_t* sample : samples) {
        std::vector<std::uint8_t> rgba = ToRgba(sample, pixels);
        ImagePtr image(liq_image_create_rgba(attr.get(), rgba.data(), width, height, 0));
        // The histogram copies what it needs, so the picture may go after this.
        if (!image || liq_histogram_add_image(histogram.get(), attr.get(), image.get()) != LIQ_OK) {
            return nullptr;
        }
    }
    liq_result* raw = nullptr;
    if (liq_histogram_quantize(histogram.get(), attr.get(), &raw) != LIQ_OK || raw == nullptr) {
        return nullptr;
    }
    const ResultPtr chosen(raw);
    const liq_palette* palette = liq_get_palette(chosen.get());
    if (palette == nullptr || palette->count == 0) return nullptr;

    // The same colours again, fixed: a result that remaps to exactly them.
    AttrPtr fixedAttr(liq_attr_create());
    if (!fixedAttr || liq_set_max_colors(fixedAttr.get(),
                                         std::max(2, static_cast<int>(palette->count))) != LIQ_OK) {
        return nullptr;
    }
    HistogramPtr fixed(liq_histogram_create(fixedAttr.get()));
    if (!fixed) return nullptr;
    std::vector<liq_histogram_entry> entries;
    for (unsigned i = 0; i < palette->count; ++i) {
        if (liq_histogram_add_fixed_color(fixed.get(), palette->entries[i], 0) != LIQ_OK) {
            return nullptr;
        }
        entries.push_back(liq_histogram_entry{palette->entries[i], 1});
    }
    // The library wants some colours counted besides the fixed ones.
    if (liq_histogram_add_colors(fixed.get(), fixedAttr.get(), entries.data(),
                                 static_cast<int>(entries.size()), 0) != LIQ_OK) {
        return nullptr;
    }
    raw = nullptr;
    if (liq_histogram_quantize(fixed.get(), fixedAttr.get(), &raw) != LIQ_OK || raw == nullptr) {
        return nullptr;
    }
    ResultPtr result(raw);
    const liq_palette* final = liq_get_palette(result.get());
    if (final == nullptr || final->count == 0 || static_cast<int>(final->count) > colours) {
        return nullptr;
    }
    return std::make_unique<LiqPaletteMap>(std::move(fixedAttr), std::move(result), ToQuads(*final),
                                           width, height);
}

}  // namespace vorla
