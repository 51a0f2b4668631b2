#include "imaging/Quantizer.h"

#include <libimagequant.h>

#include <cstring>
#include <memory>

namespace vorla {
namespace {

struct AttrFreer {
    void operator()(liq_attr* attr) const { liq_attr_destroy(attr); }
};
struct ImageFreer {
    void operator()(liq_image* image) const { liq_image_destroy(image); }
};
struct ResultFreer {
    void operator()(liq_result* result) const { liq_result_destroy(result); }
};

constexpr int kPaletteSize = 256;

}  // namespace

bool Quantizer::Quantize(const std::vector<std::uint8_t>& rgba, std::int32_t width,
                         std::int32_t height, CDib& out) {
    if (width <= 0 || height <= 0) return false;
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (rgba.size() < pixels * 4) return false;

    std::unique_ptr<liq_attr, AttrFreer> attr(liq_attr_create());
    if (!attr || liq_set_max_colors(attr.get(), kPaletteSize) != LIQ_OK) return false;
    // gamma 0: the library's default (sRGB input).
    std::unique_ptr<liq_image, ImageFreer> image(
        liq_image_create_rgba(attr.get(), rgba.data(), width, height, 0));
    if (!image) return false;
    liq_result* rawResult = nullptr;
    if (liq_image_quantize(image.get(), attr.get(), &rawResult) != LIQ_OK || rawResult == nullptr)
        return false;
    std::unique_ptr<liq_result, ResultFreer> result(rawResult);
    if (liq_set_dithering_level(result.get(), 1.0f) != LIQ_OK) return false;

    std::vector<std::uint8_t> indices(pixels);
    if (liq_write_remapped_image(result.get(), image.get(), indices.data(), indices.size()) !=
        LIQ_OK)
        return false;
    const liq_palette* palette = liq_get_palette(result.get());
    if (palette == nullptr || palette->count > kPaletteSize) return false;

    CDib dib;
    dib.Create(width, height, 8, kPaletteSize);
    for (unsigned int i = 0; i < palette->count; ++i) {
        const liq_color& c = palette->entries[i];
        dib.ColorTable()[i] = RgbQuad{c.b, c.g, c.r, 0};
    }
    for (std::int32_t y = 0; y < height; ++y)
        std::memcpy(dib.Row(y), indices.data() + static_cast<std::size_t>(y) * width,
                    static_cast<std::size_t>(width));
    out = std::move(dib);
    return true;
}

}  // namespace vorla
