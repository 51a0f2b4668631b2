// Inputs shared by the benchmarks of vorla_bench.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorla::bench {

using Bytes = std::vector<std::uint8_t>;

// A video-like animation: frames of a moving, ordered-dithered colour field over a 6x7x6 colour
// cube (252 of 256 entries), written with giflib's encoder as one GIF89a stream.
Bytes MakeDefaultAnimation(int frames = 300, int width = 480, int height = 270);

// A terminal recording: a 640x400 screen of 80x25 cells of 8x16 pixels in 16 colours; the first
// frame is the whole screen, every later one only the rectangle that changed since the frame
// before (a typed character and the cursor, now and then a line of output or a scrolled screen),
// as terminal recorders write them.
Bytes MakeTerminalAnimation(int frames = 783);

// The GIF named by $VORLA_BENCH_GIF, or MakeDefaultAnimation() when it is unset. Made once per
// process; exits with a message when the named file cannot be read.
const Bytes& BenchGif();

// Reads gif completely with giflib (DGifOpen over memory, DGifSlurp, DGifCloseFile). pixels:
// sum of width x height over its images. false when giflib reports an error.
bool GiflibSlurp(const Bytes& gif, std::uint64_t& pixels);

// The varied set the encoder and decoder are measured on, by name: "synthetic"
// (MakeDefaultAnimation), "terminal" (MakeTerminalAnimation) and the outside-made files of
// make_bench_gifs.sh ("testsrc", "mandelbrot", "plasma", "alpha", "previous").
const std::vector<std::string>& BenchFileNames();

// The bytes of one file of the set, made on first use. The outside-made ones are made by
// make_bench_gifs.sh in $VORLA_BENCH_DIR, or a folder under the system temporary folder, and kept
// there for later runs. Empty when the file cannot be made (a tool is missing; the script says
// which).
const Bytes& BenchFile(const std::string& name);

}  // namespace vorla::bench
