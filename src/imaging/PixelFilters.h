// Filters computed directly on BgrImage pixels, where the result must be exact and stable
// (mosaic blocks aligned to the top-left corner, seeded noise) or where Magick is slow (its
// median statistic sorts every window; this one slides a histogram).
#pragma once

#include <cstdint>

#include "imaging/BgrImage.h"

namespace vorla {

class PixelFilters {
public:
    // Every block x block square (from the top-left corner; the last ones may be cut short)
    // takes its mean colour.
    static void Mosaic(BgrImage& image, int block);
    // Each channel moves by a uniform amount in -amplitude..amplitude (0..255), from a fixed
    // seed: the same picture always gets the same noise.
    static void AddNoise(BgrImage& image, int amplitude);
    // The same noise drawn from `seed` (AddNoise uses a fixed one).
    static void AddNoise(BgrImage& image, int amplitude, std::uint32_t seed);
    // Per-channel median of the (2 radius + 1)^2 window; pixels past the edges repeat the edge.
    static void Median(BgrImage& image, int radius);
};

}  // namespace vorla
