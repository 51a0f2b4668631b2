// The optimising GIF writer: the same composited frames, delays and looping as the ordinary
// writer, in fewer bytes. It works from what the viewer shows, not from the frames as stored:
//
// - each written image covers only the area that differs from what the screen shows before it
//   (after the disposal of the image before);
// - inside that area, unchanged pixels may show the transparent index; each image is compressed
//   with unchanged pixels drawn, made transparent, or either one pixel by pixel (the LZW stage
//   takes the longest string the table holds through either index), and the shortest is kept;
// - each image's disposal (1 leave, 2 clear, 3 restore) is chosen by compressing the next image
//   (one way, as an estimate) over the screen each one leaves, so one frame of look-ahead decides;
// - the ways of compressing an image and the kinds of disposal are all weighed on the first
//   frames and every 16th after; in between only those that have won often enough (a tenth of
//   the time), which keeps long animations to about two compressions a frame;
// - the work between frames stays inside the area the stored frames can have changed;
// - at a lossy level, strings may run through pixels by close colours, and where the animation
//   drifts a pixel may keep its colour from the frame before (GifOptimizeOptions);
// - one global colour table when the whole animation has at most 256 colours, ordered so that
//   the frames' changes need low indices; each image's transparent index is one its changed
//   pixels leave free (the commonest unchanged colour's where that fits), so it adds nothing to
//   the code size; local tables of the colours each image draws otherwise;
// - the smallest LZW minimum code size that holds the image's indices.
//
// Written images follow rules that keep every common decoder in step with the compositing in
// GifCanvas.h: a disposal is never 0; an image with disposal 2 carries a transparent index (some
// readers clear to the background colour otherwise); so does the first image when the first
// frame has transparent pixels, or when its disposal is not 1. Images stay inside the screen.
//
// The look-ahead can choose a screen from which a later frame cannot be drawn within one colour
// table (local tables only, after restore-to-previous); the writer then starts again keeping the
// screen after every frame as the stored frames leave it, which always succeeds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace vorla {

class CDib;

struct GifSourceFrame {
    const CDib* image = nullptr;  // 8-bit; read only during the call
    int left = 0;                 // position on the screen, pixels; may lie partly outside
    int top = 0;
    int delay = 0;              // centiseconds, written as its low 16 bits
    int disposal = 1;           // 1 leave in place, 2 restore to background, 3 restore previous
    int transparentIndex = -1;  // -1: no transparent index
};

struct GifSourceAnimation {
    int screenWidth = 0;
    int screenHeight = 0;
    bool loop = false;  // a looping block ("forever") follows the header
    std::vector<GifSourceFrame> frames;
};

struct GifOptimizeResult {
    enum class Status { Written, Cancelled, Failed };
    Status status = Status::Failed;
    std::vector<std::uint8_t> bytes;      // the whole file when Written
    std::vector<std::size_t> frameBytes;  // per frame: control block, descriptor, table, data
                                          // (0 for a frame merged into the one before)
    int mergedFrames = 0;                 // frames written as part of the image before them
    bool globalTable = false;
    bool keptStoredScreens = false;  // the look-ahead's choice failed; the safe pass wrote it
    std::string error;               // why it Failed, in English, for reports
};

// Called with frames done and the frame count; false stops the work (Cancelled).
using GifProgress = std::function<bool(int done, int total)>;

struct GifOptimizeOptions {
    // 0 lossless; 1..100 ("손실 압축"): an LZW string may run through a pixel whose index shows a
    // colour within LossyTolerance(lossy) of the pixel's own. Transparency is never changed.
    int lossy = 0;
    // A frame that shows the same screen as the frame before it is not written: its delay goes
    // to the image before, which plays the same. Only between delays of at least
    // kMinMergedDelay (viewers show shorter ones longer than they say) and up to a sum of 65535.
    // The file then has fewer images than the animation has frames.
    bool mergeRepeats = true;
    // The ways of compressing one image may run on two threads at once. The bytes are the same
    // either way: the results are merged in a fixed order.
    bool twoThreads = true;
};

// The shortest delay, in centiseconds, that a repeated frame is merged from or into: browsers
// show 0 and 1 as 10.
inline constexpr int kMinMergedDelay = 2;

inline constexpr int kMaxLossy = 100;

// The largest colour distance a pixel may take at a lossy level: the largest difference of one
// channel (0..255), 0 at level 0.
int LossyTolerance(int lossy);

GifOptimizeResult OptimizeGif(const GifSourceAnimation& source, const GifProgress& progress = {},
                              const GifOptimizeOptions& options = {});

// Decodes bytes with the program's decoder, composites them and compares every frame, delay,
// the screen size and the looping with source composited the same way. Empty when they agree,
// else what differs first ("frame 3 differs at 10,4"). With options.lossy above 0, an opaque
// pixel agrees when no channel differs by more than LossyTolerance(options.lossy). With
// options.mergeRepeats an image whose delay is longer than its frame's stands for the frames
// after it that show the same screen, their delays summed.
std::string VerifyOptimizedGif(const GifSourceAnimation& source,
                               std::span<const std::uint8_t> bytes,
                               const GifProgress& progress = {},
                               const GifOptimizeOptions& options = {});

}  // namespace vorla
