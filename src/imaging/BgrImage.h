// The imaging layer's working form of a picture: 3 bytes per pixel (blue, green, red), rows top
// first, no padding. Every CDib depth converts to it and back, so the Magick, libav and
// libimagequant sides meet in one place.
#pragma once

#include <cstdint>
#include <vector>

#include "core/model/CDib.h"
#include "core/port/Imaging.h"

namespace vorla {

class BgrImage {
public:
    BgrImage() = default;
    BgrImage(std::int32_t width, std::int32_t height);

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    bool IsEmpty() const { return width_ == 0 || height_ == 0; }
    std::uint8_t* Row(std::int32_t y) { return pixels_.data() + RowOffset(y); }
    const std::uint8_t* Row(std::int32_t y) const { return pixels_.data() + RowOffset(y); }
    std::vector<std::uint8_t>& Pixels() { return pixels_; }
    const std::vector<std::uint8_t>& Pixels() const { return pixels_; }

    // Any uncompressed CDib depth (1, 4, 8, 16, 24, 32 bits). False for run-length data or a
    // bitmap whose pixel buffer is shorter than its header promises.
    static bool FromDib(const CDib& dib, BgrImage& out);
    CDib ToDib24() const;
    // The colours exactly, as an 8-bit bitmap whose table lists them in order of first
    // appearance; false when there are more than 256.
    bool ToExactPalette(CDib& out) const;
    // 8-bit: exact when at most 256 colours, else reduced through the quantiser.
    bool ToDib8(CDib& out, const QuantizeOptions& options = QuantizeOptions{}) const;
    // Pixels as r, g, b, a (opaque) for the quantiser.
    std::vector<std::uint8_t> ToRgba() const;

private:
    std::size_t RowOffset(std::int32_t y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) * 3;
    }

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::vector<std::uint8_t> pixels_;
};

}  // namespace vorla
