#include "imaging/BgrImage.h"

#include <cstring>
#include <unordered_map>

#include "imaging/Quantizer.h"

namespace vorla {
namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::size_t kMaxPalette = 256;

std::uint32_t Key(const std::uint8_t* bgr) {
    return static_cast<std::uint32_t>(bgr[0]) | (static_cast<std::uint32_t>(bgr[1]) << 8) |
           (static_cast<std::uint32_t>(bgr[2]) << 16);
}

}  // namespace

BgrImage::BgrImage(std::int32_t width, std::int32_t height)
    : width_(width),
      height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0) {}

bool BgrImage::FromDib(const CDib& dib, BgrImage& out) {
    const std::int32_t width = dib.Width();
    const std::int32_t height = dib.Height();
    if (dib.IsEmpty() || width <= 0 || height <= 0) return false;
    if (dib.Compression() != kBiRgb && dib.Compression() != kBiBitfields) return false;
    const std::uint64_t needed =
        static_cast<std::uint64_t>(dib.Stride()) * static_cast<std::uint64_t>(height);
    if (dib.Bits().size() < needed) return false;
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 3 >
        CDib::kMaxImageBytes)
        return false;

    BgrImage image(width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* target = image.Row(y);
        const std::uint8_t* source = dib.Row(y);
        if (dib.BitCount() == 24) {
            std::memcpy(target, source, static_cast<std::size_t>(width) * 3);
        } else if (dib.BitCount() == 8) {
            const auto& table = dib.ColorTable();
            for (std::int32_t x = 0; x < width; ++x) {
                // An index past the table reads as black, as it does everywhere else.
                RgbQuad c = source[x] < table.size() ? table[source[x]] : RgbQuad{};
                target[3 * x] = c.blue;
                target[3 * x + 1] = c.green;
                target[3 * x + 2] = c.red;
            }
        } else {
            for (std::int32_t x = 0; x < width; ++x) {
                Colorref c = dib.PixelColor(x, y);
                target[3 * x] = static_cast<std::uint8_t>(BlueOf(c));
                target[3 * x + 1] = static_cast<std::uint8_t>(GreenOf(c));
                target[3 * x + 2] = static_cast<std::uint8_t>(RedOf(c));
            }
        }
    }
    out = std::move(image);
    return true;
}

CDib BgrImage::ToDib24() const {
    CDib dib;
    dib.Create(width_, height_, 24);
    for (std::int32_t y = 0; y < height_; ++y)
        std::memcpy(dib.Row(y), Row(y), static_cast<std::size_t>(width_) * 3);
    return dib;
}

bool BgrImage::ToExactPalette(CDib& out) const {
    std::unordered_map<std::uint32_t, std::uint8_t> indexOf;
    indexOf.reserve(kMaxPalette * 2);
    std::vector<RgbQuad> table;
    CDib dib;
    dib.Create(width_, height_, 8, 0);
    for (std::int32_t y = 0; y < height_; ++y) {
        const std::uint8_t* source = Row(y);
        std::uint8_t* target = dib.Row(y);
        std::uint32_t lastKey = 0xFFFFFFFF;
        std::uint8_t lastIndex = 0;
        for (std::int32_t x = 0; x < width_; ++x) {
            const std::uint8_t* pixel = source + 3 * x;
            std::uint32_t key = Key(pixel);
            if (key != lastKey) {
                auto found = indexOf.find(key);
                if (found == indexOf.end()) {
                    if (table.size() == kMaxPalette) return false;
                    found = indexOf.emplace(key, static_cast<std::uint8_t>(table.size())).first;
                    table.push_back(RgbQuad{pixel[0], pixel[1], pixel[2], 0});
                }
                lastKey = key;
                lastIndex = found->second;
            }
            target[x] = lastIndex;
        }
    }
    dib.ColorTable() = std::move(table);
    out = std::move(dib);
    return true;
}

bool BgrImage::ToDib8(CDib& out, const QuantizeOptions& options) const {
    if (ToExactPalette(out)) return true;
    return Quantizer::Quantize(ToRgba(), width_, height_, out, options);
}

std::vector<std::uint8_t> BgrImage::ToRgba() const {
    const std::size_t count = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    std::vector<std::uint8_t> rgba(count * 4);
    for (std::size_t i = 0; i < count; ++i) {
        rgba[4 * i] = pixels_[3 * i + 2];
        rgba[4 * i + 1] = pixels_[3 * i + 1];
        rgba[4 * i + 2] = pixels_[3 * i];
        rgba[4 * i + 3] = 255;
    }
    return rgba;
}

}  // namespace vorla
