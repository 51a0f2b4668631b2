// Palettes for video pictures (libimagequant in src/imaging): a palette chosen for some pictures,
// and every picture of the clip remapped to exactly that palette. Pictures are 3 bytes a pixel
// (R, G, B), rows top first.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/model/Color.h"

namespace vorla {

// A palette that never changes while pictures are remapped to it, so indices of different
// pictures mean the same colours.
class PaletteMap {
public:
    virtual ~PaletteMap() = default;
    // 2..256 entries.
    virtual const std::vector<RgbQuad>& Palette() const = 0;
    // One index per pixel into Palette(). diffusion: the library's error diffusion; otherwise
    // every pixel takes its nearest entry. false when the library fails.
    virtual bool Remap(const std::uint8_t* rgb, bool diffusion,
                       std::vector<std::uint8_t>& indices) = 0;
};

class VideoQuantizer {
public:
    virtual ~VideoQuantizer() = default;
    // A palette of at most colours (2..256) entries for samples, each width x height; the map
    // remaps pictures of that size. null when the library fails.
    virtual std::unique_ptr<PaletteMap> ChoosePalette(
        const std::vector<const std::uint8_t*>& samples, int width, int height, int colours) = 0;
};

}  // namespace vorla
