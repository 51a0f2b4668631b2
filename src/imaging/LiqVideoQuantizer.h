// The VideoQuantizer port over libimagequant: its histogram of the samples and its palette.
#pragma once

#include "core/port/VideoQuantizer.h"

namespace vorla {

class LiqVideoQuantizer : public VideoQuantizer {
public:
    std::vector<RgbQuad> ChoosePalette(const std::vector<const std::uint8_t*>& samples, int width,
                                       int height, int colours) override;
};

}  // namespace vorla
