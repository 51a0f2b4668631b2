// Ordered dithering of true-colour pictures against a given palette: an 8 x 8 Bayer matrix adds
// a fixed offset per pixel position before the nearest entry is taken. The pattern stays put from
// frame to frame, so a still area dithers the same way in every frame of a clip (error diffusion
// changes its pattern wherever anything changes).
#pragma once

#include <cstdint>
#include <vector>

#include "core/model/Color.h"

namespace vorla {

// The palette's typical distance between neighbouring entries, in levels: the median of each
// entry's distance to its nearest other one, clamped to 4..64 so that a palette of far-apart
// colours does not turn a picture to noise and a crowded one still dithers.
int PaletteSpread(const std::vector<RgbQuad>& palette);

class OrderedDither {
public:
    // palette: 1..256 entries.
    explicit OrderedDither(const std::vector<RgbQuad>& palette);

    // rgb: width * height pixels of 3 bytes (R, G, B), rows top first; one index per pixel.
    void Apply(const std::uint8_t* rgb, int width, int height, std::vector<std::uint8_t>& indices);

    // The offsets span this many levels of each channel: the palette's typical distance between
    // neighbouring entries, so a colour between two entries mixes them.
    int Spread() const { return spread_; }

private:
    std::uint8_t Nearest(int r, int g, int b);

    std::vector<RgbQuad> palette_;
    int spread_ = 0;
    // The nearest entry to the centre of each cell of 6 bits a channel, found on first use;
    // -1: not looked up yet.
    std::vector<std::int16_t> cells_;
};

// Keeps still areas still: where a pixel's colour is within tolerance (each channel) of the
// colour it had when its index was last chosen, it keeps that index. reference holds those colours
// and previous those indices (both as the last frame left them; empty before the first frame).
// Used only with one palette for all frames, where an index means the same colour in every frame.
// MarkStillPixels, before the picture is remapped: still[p] 1 where pixel p keeps its index
// (previous[p]), else 0; all 0 before the first frame. UpdateStillPixels, after the pixels not
// marked got their indices: sets the marked ones and remembers the colours and indices of the
// others.
void MarkStillPixels(const std::uint8_t* rgb, std::size_t pixels, int tolerance,
                     const std::vector<std::uint8_t>& reference, std::vector<std::uint8_t>& still);
// At a lossy level: also marks the pixels whose previous entry is within tolerance (each channel)
// of their colour now.
void MarkCloseEntries(const std::uint8_t* rgb, std::size_t pixels,
                      const std::vector<RgbQuad>& palette,
                      const std::vector<std::uint8_t>& previous, int tolerance,
                      std::vector<std::uint8_t>& still);
void UpdateStillPixels(const std::uint8_t* rgb, std::size_t pixels,
                       const std::vector<std::uint8_t>& still, std::vector<std::uint8_t>& reference,
                       std::vector<std::uint8_t>& previous, std::vector<std::uint8_t>& indices);

}  // namespace vorla
