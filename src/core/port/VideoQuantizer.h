// Palettes for video pictures (libimagequant in src/imaging): a palette chosen for some pictures.
// Pictures are 3 bytes a pixel (R, G, B), rows top first. The core remaps them (PaletteRemap), so
// an index means the same colour in every frame that shares the palette.
#pragma once

#include <cstdint>
#include <vector>

#include "core/model/Color.h"

namespace vorla {

class VideoQuantizer {
public:
    virtual ~VideoQuantizer() = default;
    // A palette of 1..colours (2..256) entries for samples, each width x height; empty when the
    // library fails.
    virtual std::vector<RgbQuad> ChoosePalette(const std::vector<const std::uint8_t*>& samples,
                                               int width, int height, int colours) = 0;
};

}  // namespace vorla
