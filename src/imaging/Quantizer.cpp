#include "imaging/Quantizer.h"

#include <libimagequant.h>

#include "imaging/LiqHandles.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>

namespace vorla {
namespace {

constexpr int kPaletteSize = 256;

// One run of the library over RGBA pixels: the palette it chose (owned by `result`) and every
// pixel's index into it, dithered.
struct LiqRun {
    liq::AttrPtr attr;
    liq::ImagePtr image;
    liq::ResultPtr result;
    std::vector<std::uint8_t> indices;
    const liq_palette* palette = nullptr;
};

bool RunQuantizer(const std::vector<std::uint8_t>& rgba, std::int32_t width, std::int32_t height,
                  int maxColors, LiqRun& run, const QuantizeOptions& options = QuantizeOptions{}) {
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    run.attr.reset(liq_attr_create());
    if (!run.attr || liq_set_max_colors(run.attr.get(), maxColors) != LIQ_OK) return false;
    // The library starts at its own default speed; setting it anyway would be the same, but the
    // default path stays untouched so that its output stays byte for byte what it was.
    const QuantizeOptions defaults;
    if (options.speed != defaults.speed &&
        liq_set_speed(run.attr.get(), std::clamp(options.speed, 1, 10)) != LIQ_OK)
        return false;
    // gamma 0: the library's default (sRGB input).
    run.image.reset(liq_image_create_rgba(run.attr.get(), rgba.data(), width, height, 0));
    if (!run.image) return false;
    liq_result* rawResult = nullptr;
    if (liq_image_quantize(run.image.get(), run.attr.get(), &rawResult) != LIQ_OK ||
        rawResult == nullptr)
        return false;
    run.result.reset(rawResult);
    const float dithering = options.dither == QuantizeOptions::Dither::None ? 0.0f : 1.0f;
    if (liq_set_dithering_level(run.result.get(), dithering) != LIQ_OK) return false;
    run.indices.resize(pixels);
    if (liq_write_remapped_image(run.result.get(), run.image.get(), run.indices.data(),
                                 run.indices.size()) != LIQ_OK)
        return false;
    run.palette = liq_get_palette(run.result.get());
    return run.palette != nullptr && static_cast<int>(run.palette->count) <= maxColors;
}

}  // namespace

bool Quantizer::QuantizeShared(const std::vector<std::vector<std::uint8_t>>& rgbaFrames,
                               std::int32_t width, std::int32_t height, int maxColors,
                               std::vector<RgbQuad>& palette,
                               std::vector<std::vector<std::uint8_t>>& indices) {
    if (width <= 0 || height <= 0 || rgbaFrames.empty() || maxColors < 2 || maxColors > 255) {
        return false;
    }
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    bool anyTransparent = false;
    for (const std::vector<std::uint8_t>& rgba : rgbaFrames) {
        if (rgba.size() < pixels * 4) return false;
        for (std::size_t p = 0; !anyTransparent && p < pixels; ++p) {
            anyTransparent = rgba[4 * p + 3] == 0;
        }
    }
    liq::AttrPtr attr(liq_attr_create());
    // With transparent pixels one entry goes to them, and the library has one more to choose.
    if (!attr || liq_set_max_colors(attr.get(), maxColors + (anyTransparent ? 1 : 0)) != LIQ_OK) {
        return false;
    }
    liq::HistogramPtr histogram(liq_histogram_create(attr.get()));
    if (!histogram) return false;
    std::vector<liq::ImagePtr> images;
    for (const std::vector<std::uint8_t>& rgba : rgbaFrames) {
        images.emplace_back(liq_image_create_rgba(attr.get(), rgba.data(), width, height, 0));
        if (!images.back() ||
            liq_histogram_add_image(histogram.get(), attr.get(), images.back().get()) != LIQ_OK) {
            return false;
        }
    }
    liq_result* rawResult = nullptr;
    if (liq_histogram_quantize(histogram.get(), attr.get(), &rawResult) != LIQ_OK ||
        rawResult == nullptr) {
        return false;
    }
    liq::ResultPtr result(rawResult);
    if (liq_set_dithering_level(result.get(), 1.0f) != LIQ_OK) return false;
    std::vector<std::vector<std::uint8_t>> remapped(rgbaFrames.size());
    for (std::size_t k = 0; k < rgbaFrames.size(); ++k) {
        remapped[k].resize(pixels);
        if (liq_write_remapped_image(result.get(), images[k].get(), remapped[k].data(), pixels) !=
            LIQ_OK) {
            return false;
        }
    }
    const liq_palette* chosen = liq_get_palette(result.get());
    if (chosen == nullptr || chosen->count == 0) return false;
    // Entries with alpha below half are the transparent one(s): they all map past the colours.
    std::vector<int> map(chosen->count, -1);
    palette.clear();
    for (unsigned int i = 0; i < chosen->count; ++i) {
        const liq_color& c = chosen->entries[i];
        if (c.a < 128) continue;
        map[i] = static_cast<int>(palette.size());
        palette.push_back(RgbQuad{c.b, c.g, c.r, 0});
    }
    if (palette.empty() || static_cast<int>(palette.size()) > maxColors) return false;
    const auto transparent = static_cast<std::uint8_t>(palette.size());
    indices.assign(rgbaFrames.size(), {});
    for (std::size_t k = 0; k < rgbaFrames.size(); ++k) {
        std::vector<std::uint8_t>& out = indices[k];
        out.resize(pixels);
        const std::uint8_t* rgba = rgbaFrames[k].data();
        for (std::size_t p = 0; p < pixels; ++p) {
            const int m = map[remapped[k][p]];
            out[p] = rgba[4 * p + 3] == 0 || m < 0 ? transparent : static_cast<std::uint8_t>(m);
        }
    }
    return true;
}

bool Quantizer::Quantize(const std::vector<std::uint8_t>& rgba, std::int32_t width,
                         std::int32_t height, CDib& out, const QuantizeOptions& options) {
    if (width <= 0 || height <= 0) return false;
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (rgba.size() < pixels * 4) return false;

    LiqRun run;
    if (!RunQuantizer(rgba, width, height, kPaletteSize, run, options)) return false;
    const liq_palette* palette = run.palette;
    const std::vector<std::uint8_t>& indices = run.indices;

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

namespace vorla {
namespace {

constexpr std::uint32_t kTransparentKey = 0x01000000;  // above every 24-bit colour

// Exact form of QuantizeKeyed; false when the opaque pixels hold more than 255 colours.
bool ExactKeyed(const std::vector<std::uint8_t>& rgba, std::int32_t width, std::int32_t height,
                Colorref keyColour, CDib& out, int& keyIndex) {
    std::unordered_map<std::uint32_t, std::uint8_t> indexOf;
    std::vector<RgbQuad> table;
    int key = -1;
    int opaque = 0;
    CDib dib;
    dib.Create(width, height, 8, 0);
    const std::uint8_t* pixel = rgba.data();
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* row = dib.Row(y);
        for (std::int32_t x = 0; x < width; ++x, pixel += 4) {
            const bool clear = pixel[3] == 0;
            const std::uint32_t colour =
                clear ? kTransparentKey
                      : (std::uint32_t{pixel[0]} | (std::uint32_t{pixel[1]} << 8) |
                         (std::uint32_t{pixel[2]} << 16));
            auto found = indexOf.find(colour);
            if (found == indexOf.end()) {
                if (!clear && ++opaque > kPaletteSize - 1) return false;
                found = indexOf.emplace(colour, static_cast<std::uint8_t>(table.size())).first;
                if (clear) {
                    key = static_cast<int>(table.size());
                    table.push_back(RgbQuad::FromColorref(keyColour));
                } else {
                    table.push_back(RgbQuad{pixel[2], pixel[1], pixel[0], 0});
                }
            }
            row[x] = found->second;
        }
    }
    if (key < 0) {
        key = static_cast<int>(table.size());
        table.push_back(RgbQuad::FromColorref(keyColour));
    }
    dib.ColorTable() = std::move(table);
    out = std::move(dib);
    keyIndex = key;
    return true;
}

}  // namespace

bool Quantizer::QuantizeKeyed(const std::vector<std::uint8_t>& rgba, std::int32_t width,
                              std::int32_t height, Colorref keyColour, CDib& out, int& keyIndex) {
    if (width <= 0 || height <= 0) return false;
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (rgba.size() < pixels * 4) return false;
    if (ExactKeyed(rgba, width, height, keyColour, out, keyIndex)) return true;

    // One entry stays free for the key, whether or not the library spends one on transparency.
    LiqRun run;
    if (!RunQuantizer(rgba, width, height, kPaletteSize - 1, run) || run.palette->count == 0)
        return false;
    const liq_palette* palette = run.palette;
    const std::vector<std::uint8_t>& indices = run.indices;

    // The library's own transparent entry, if it made one, would hold an arbitrary colour and
    // could be chosen for opaque pixels by the dithering: every pixel is placed again below.
    const int count = static_cast<int>(palette->count);
    const int key = count;
    CDib dib;
    dib.Create(width, height, 8, count + 1);
    std::vector<bool> opaqueEntry(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const liq_color& c = palette->entries[i];
        dib.ColorTable()[static_cast<std::size_t>(i)] = RgbQuad{c.b, c.g, c.r, 0};
        opaqueEntry[static_cast<std::size_t>(i)] = c.a >= 128;
    }
    dib.ColorTable()[static_cast<std::size_t>(key)] = RgbQuad::FromColorref(keyColour);
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* row = dib.Row(y);
        const std::size_t first = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (std::int32_t x = 0; x < width; ++x) {
            const std::size_t at = first + static_cast<std::size_t>(x);
            const std::uint8_t* pixel = rgba.data() + 4 * at;
            int index = indices[at];
            if (pixel[3] == 0) {
                index = key;
            } else if (!opaqueEntry[static_cast<std::size_t>(index)]) {
                // The nearest opaque entry instead (sum of channel differences).
                int best = -1;
                int bestDistance = 0;
                for (int i = 0; i < count; ++i) {
                    if (!opaqueEntry[static_cast<std::size_t>(i)]) continue;
                    const liq_color& c = palette->entries[i];
                    const int distance = std::abs(c.r - pixel[0]) + std::abs(c.g - pixel[1]) +
                                         std::abs(c.b - pixel[2]);
                    if (best < 0 || distance < bestDistance) {
                        best = i;
                        bestDistance = distance;
                    }
                }
                if (best < 0) return false;
                index = best;
            }
            row[x] = static_cast<std::uint8_t>(index);
        }
    }
    out = std::move(dib);
    keyIndex = key;
    return true;
}

}  // namespace vorla
