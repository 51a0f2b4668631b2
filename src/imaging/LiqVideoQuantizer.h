// The VideoQuantizer port over libimagequant. The chosen palette is handed to the library again
// as fixed colours, so that remapping never moves an entry (the library otherwise refines its
// palette towards each picture it remaps, and indices of two frames would mean different colours).
#pragma once

#include <memory>

#include "core/port/VideoQuantizer.h"

namespace vorla {

class LiqVideoQuantizer : public VideoQuantizer {
public:
    std::unique_ptr<PaletteMap> ChoosePalette(const std::vector<const std::uint8_t*>& samples,
                                              int width, int height, int colours) override;
};

}  // namespace vorla
