// Inputs shared by the benchmarks of vorla_bench.
#pragma once

#include <cstdint>
#include <vector>

namespace vorla::bench {

using Bytes = std::vector<std::uint8_t>;

// A video-like animation: frames of a moving, ordered-dithered colour field over a 6x7x6 colour
// cube (252 of 256 entries), written with giflib's encoder as one GIF89a stream.
Bytes MakeDefaultAnimation(int frames = 300, int width = 480, int height = 270);

// The GIF named by $VORLA_BENCH_GIF, or MakeDefaultAnimation() when it is unset. Made once per
// process; exits with a message when the named file cannot be read.
const Bytes& BenchGif();

// Reads gif completely with giflib (DGifOpen over memory, DGifSlurp, DGifCloseFile). pixels:
// sum of width x height over its images. false when giflib reports an error.
bool GiflibSlurp(const Bytes& gif, std::uint64_t& pixels);

}  // namespace vorla::bench
