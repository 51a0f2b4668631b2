// The GIF writer's stages as WriteAnimation runs them, without a frame table: shared by the
// encoder benchmark (which times them) and the optimiser benchmark (whose input is the file the
// ordinary Save writes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/gif/GifDecoder.h"
#include "core/gif/GifOptimizer.h"
#include "core/model/ByteStream.h"
#include "core/model/CDib.h"
#include "core/model/FrameEntry.h"

namespace vorla::bench {

// Writes count frames (frame(i): its entry and image) on a screen of width x height into output.
// False when the writer fails.
bool WriteLikeSave(std::size_t count,
                   const std::function<std::pair<FrameEntry, const CDib*>(std::size_t)>& frame,
                   int width, int height, MemoryStream& output);

// Every image of gif decoded into images, and source the animation over them as the optimiser
// reads a document (disposals 2 and 3 as read, every other 1) on a screen of width x height.
void DecodeToSource(const std::vector<std::uint8_t>& gif, int width, int height,
                    std::vector<CDib>& images, GifSourceAnimation& source);

}  // namespace vorla::bench
