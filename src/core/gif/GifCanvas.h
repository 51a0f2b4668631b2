// A GIF logical screen as viewers composite it: the screen starts transparent, every image is
// drawn over it at its position (clipped to the screen), and after an image's delay its disposal
// runs: 2 clears the image's area to transparent, 3 puts back what the area showed before the
// image; every other value leaves the image in place.
//
// Pixels are 32-bit values the caller chooses per palette index; 0 is transparent, so a value
// table that maps an index to 0 leaves the screen under that index untouched (the transparent
// index). The optimiser draws colour ids, the verification 0xFF000000 | RGB.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace vorla {

class CDib;

struct GifArea {
    int x0 = 0;  // left column, inclusive
    int y0 = 0;
    int x1 = 0;  // right column, exclusive
    int y1 = 0;

    bool Empty() const { return x1 <= x0 || y1 <= y0; }
    int Width() const { return Empty() ? 0 : x1 - x0; }
    int Height() const { return Empty() ? 0 : y1 - y0; }
    // The smallest area holding both; an empty area adds nothing.
    void Unite(const GifArea& other);
    friend bool operator==(const GifArea&, const GifArea&) = default;
};

class GifCanvas {
public:
    using Values = std::array<std::uint32_t, 256>;

    // The values of an 8-bit image's indices as screen colours: 0xFF000000 | Colorref of its
    // colour table (black past the table), 0 for the transparent index (-1: none).
    static Values ColourValues(const CDib& image, int transparentIndex);

    void Reset(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }
    std::vector<std::uint32_t>& Pixels() { return pixels_; }
    const std::vector<std::uint32_t>& Pixels() const { return pixels_; }

    // Draws an 8-bit image with its top-left corner at (left, top). Index values above 255 do
    // not occur in 8-bit images. Remembers the clipped area for Dispose.
    void Draw(const CDib& image, int left, int top, const Values& values);
    // Ends the last drawn image's display with its disposal (see the top of this file).
    void Dispose(int disposal);
    // The clipped area of the last Draw.
    const GifArea& LastArea() const { return area_; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;
    GifArea area_;
    std::vector<std::uint32_t> saved_;  // the last area as it was before Draw, rows packed
};

}  // namespace vorla
