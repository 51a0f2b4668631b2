// Pure image functions over CDib used by the frame model.
#pragma once

#include <cstdint>

#include "core/model/CDib.h"

namespace vorla {

// Nearest-neighbour scaling of an 8-bit image to width x height; the palette is copied unchanged,
// so every index (and so the key colour) stays exact. A zero width or height gives an empty
// bitmap. The source must be an uncompressed 8-bit image.
CDib ScaleNearest8(const CDib& source, std::int32_t width, std::int32_t height);

}  // namespace vorla
