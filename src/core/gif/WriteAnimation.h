// The whole frame table as one GIF89a stream: every frame through the encoder's three stages,
// joined under one header, with the looping block when the animation loops and the comment
// "Vorla" before the trailer when it has two or more frames.
#pragma once

#include <cstdint>

#include "core/model/ByteStream.h"

namespace vorla {

class CAnvoDoc;
class FrameTable;
class GifEncoder;

// Returns the length in bytes of the complete stream, or -1 when it could not be made (no
// frames, or a frame that an internal error kept out) or could not be written to out.
//
// out: receives the whole stream in one write at its current position, unless measureOnly.
// preserveFrames: every change writing makes to the frames is undone afterwards. Without it the
//   changes stay: each transparent frame has a fresh key colour and every frame's colorCount is
//   the size of its written colour table.
// document: its modified flag is cleared once the stream has been written (not when measuring).
// Internal errors go to table.Ui() with their codes.
std::int64_t WriteAnimation(FrameTable& table, ByteStream& out, bool preserveFrames,
                            bool measureOnly, GifEncoder& encoder, CAnvoDoc* document = nullptr);

}  // namespace vorla
