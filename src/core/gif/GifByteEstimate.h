// A quick estimate of what each frame costs in an optimised file, for the strip's per-frame
// figure, without the optimising writer's search: the rectangle in which the frame changes what
// the screen shows (against the screen its predecessor left), its unchanged pixels written as a
// transparent index, compressed once at the frame's table size, plus the blocks around it
// (graphic control, image descriptor, local colour table, sub-block lengths).
//
// Compositing every frame is linear and cheap; only the frames the caller marks as changed are
// compressed again, the others keep their earlier figures.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "core/gif/GifOptimizer.h"

namespace vorla {

class GifByteEstimator {
public:
    // figures: one per frame of source; entries of frames with estimate[k] false are kept (when
    // the vector is long enough), the others computed. keepGoing() false stops early: returns
    // false then and figures are unusable. Returns the frames compressed through `compressed`.
    bool Estimate(const GifSourceAnimation& source, const std::vector<bool>& estimate,
                  std::vector<std::int64_t>& figures, int& compressed,
                  const std::function<bool()>& keepGoing = {});
};

}  // namespace vorla
