// The GIF writer's stages as WriteAnimation runs them, without a frame table: shared by the
// encoder benchmark (which times them) and the optimiser benchmark (whose input is the file the
// ordinary Save writes).
#pragma once

#include <cstddef>
#include <functional>

#include "core/gif/GifDecoder.h"
#include "core/model/ByteStream.h"
#include "core/model/CDib.h"
#include "core/model/FrameEntry.h"

namespace vorla::bench {

// The entry a document holds for an image read from a file.
FrameEntry EntryOfPage(const GifPageInfo& page);

// Writes count frames (frame(i): its entry and image) on a screen of width x height into output.
// False when the writer fails.
bool WriteLikeSave(std::size_t count,
                   const std::function<std::pair<FrameEntry, const CDib*>(std::size_t)>& frame,
                   int width, int height, MemoryStream& output);

}  // namespace vorla::bench
