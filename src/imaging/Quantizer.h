// Palette reduction through libimagequant: true colour in, 8-bit palette bitmap out.
#pragma once

#include <cstdint>
#include <vector>

#include "core/model/CDib.h"
#include "core/port/Imaging.h"

namespace vorla {

class Quantizer {
public:
    // rgba: width * height pixels, 4 bytes each (r, g, b, a), rows top first. The result is an
    // 8-bit bitmap whose colour table has exactly 256 entries (unused entries black), dithered
    // at level 1.0 for Diffusion, not at all for None; options.speed is the library's (1..10).
    // False when the library refuses the image.
    static bool Quantize(const std::vector<std::uint8_t>& rgba, std::int32_t width,
                         std::int32_t height, CDib& out,
                         const QuantizeOptions& options = QuantizeOptions{});

    // rgba as above, each alpha either 0 (transparent) or 255. The result is an 8-bit bitmap
    // whose transparent pixels, and only they, carry keyIndex, an entry holding keyColour; the
    // opaque pixels keep their colours exactly when there are at most 255 of them (entries in
    // order of first appearance, the key entry among them or after them), else libimagequant
    // chooses at most 255 and the key entry comes after them. The table may be shorter than 256.
    // Imaging::QuantizeShared: one histogram over all frames, one palette, every frame remapped
    // to it (dithered at level 1.0).
    static bool QuantizeShared(const std::vector<std::vector<std::uint8_t>>& rgbaFrames,
                               std::int32_t width, std::int32_t height, int maxColors,
                               std::vector<RgbQuad>& palette,
                               std::vector<std::vector<std::uint8_t>>& indices);

    static bool QuantizeKeyed(const std::vector<std::uint8_t>& rgba, std::int32_t width,
                              std::int32_t height, Colorref keyColour, CDib& out, int& keyIndex);
};

}  // namespace vorla
