// Colours as the program stores them: COLORREF layout 0x00BBGGRR. Palette entries in BMP order.
#pragma once

#include <cstdint>

namespace vorla {

using Colorref = std::uint32_t;

constexpr Colorref MakeRgb(int r, int g, int b) {
    return static_cast<Colorref>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(Colorref c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int GreenOf(Colorref c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int BlueOf(Colorref c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

// One colour-table entry of a BMP stream: blue, green, red, reserved.
struct RgbQuad {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    std::uint8_t reserved = 0;

    Colorref ToColorref() const { return MakeRgb(red, green, blue); }
    static RgbQuad FromColorref(Colorref c) {
        return RgbQuad{static_cast<std::uint8_t>(BlueOf(c)), static_cast<std::uint8_t>(GreenOf(c)),
                       static_cast<std::uint8_t>(RedOf(c)), 0};
    }
    friend bool operator==(const RgbQuad&, const RgbQuad&) = default;
};

}  // namespace vorla
