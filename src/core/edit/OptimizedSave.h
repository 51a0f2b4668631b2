// "최적화하여 저장": the document written by the optimising writer (GifOptimizer.h), checked
// before it replaces anything, and the ways to bring it under a size limit.
//
// The work runs on the user-interface thread with a progress dialog from the port: the port is
// pumped once per frame, and Cancel, or a pump that says the program is quitting, ends the work
// with nothing written. What was written is decoded again by the program's decoder, composited
// and compared with the document's own composited frames; a difference is the writer's fault,
// reported, and nothing is written. The file is written beside the target and renamed over it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/gif/GifOptimizer.h"
#include "core/model/CDib.h"

namespace vorla {

class FrameTable;
class Imaging;
class UserInterface;

namespace optimized {

// The largest size limit that can be asked for, in KB (1 GiB).
inline constexpr int kMaxLimitKb = 1024 * 1024;

// The document's frames as the optimiser reads them (pointing into the table).
GifSourceAnimation SourceOf(const FrameTable& table);

// An animation that owns its frames.
struct OwnedAnimation {
    std::vector<std::unique_ptr<CDib>> images;
    GifSourceAnimation source;
};

// The most bytes of images ReadWholeGif holds at once (2 GiB).
inline constexpr std::uint64_t kMaxWholeGifBytes = std::uint64_t{2} << 30;

// Every image of a GIF file as a frame, without a document's frame limit, each as the editor
// makes an opened file's image (FrameEntry::FromGifPage); the screen covers every image and the
// animation loops when a looping block comes before the first image, as an opened file does.
// False, with nothing in out and problem set (a Korean sentence), when the file does not decode
// to its end, holds no image, or its images or screen are too large to hold (maxBytes of images;
// a screen above GifDecoder::kMaxPixels).
bool ReadWholeGif(std::span<const std::uint8_t> bytes, OwnedAnimation& out, std::string& problem,
                  std::uint64_t maxBytes = kMaxWholeGifBytes);

// TooLarge: the optimised size is above the limit given to Run; nothing was written.
enum class Outcome { Written, Cancelled, Failed, Mismatch, NotWritable, TooLarge };

struct Report {
    Outcome outcome = Outcome::Failed;
    std::int64_t bytes = -1;              // the optimised size (also when TooLarge)
    std::vector<std::size_t> frameBytes;  // each frame's part of it
    std::string problem;                  // for Mismatch: what differed
};

// Optimises source with a progress dialog titled title (Cancel ends it). With path empty only
// the size and the frame costs are computed; else the result is verified against source and
// written to path. options go to the writer and to the verification (a lossy level widens what
// counts as the same colour). limit >= 0: a result above limit bytes is neither verified nor
// written (TooLarge, no message). Messages: a mismatch and an unwritable file are told through ui.
Report Run(const GifSourceAnimation& source, UserInterface& ui, const std::string& path,
           const GifOptimizeOptions& options = {}, std::int64_t limit = -1);

// The same work without a dialog, for callers that show their own progress.
Report Measure(const GifSourceAnimation& source, const GifProgress& progress = {},
               const GifOptimizeOptions& options = {});

// The ways to a smaller file, in order of least visible loss.
enum class FitWay { Lossy, FewerColors, DropFrames, ScaleDown };

struct FitOption {
    FitWay way = FitWay::FewerColors;
    // the lossy level; colours kept; every amount-th frame dropped; percent of the size kept
    int amount = 0;
    std::int64_t bytes = -1;  // the optimised size with this way; -1 when it could not be made
    bool fits = false;
    GifOptimizeOptions options;  // what the writer is given for this way
    // What would be written; null for the lossy way, which writes the animation as it is.
    std::shared_ptr<OwnedAnimation> animation;
};

// "손실 압축 (40)", "색 수 줄이기 (64색)", "프레임 솎아내기 (3장마다 1장)", "크기 줄이기 (75%)".
std::string FitLabel(const FitOption& option);

// What option writes: its own frames, or planned (the animation PlanFit was given) itself.
const GifSourceAnimation& WrittenSource(const FitOption& option, const GifSourceAnimation& planned);

// For each way, the mildest amount whose optimised file is at most limit bytes, or its
// strongest amount (fits false) when none is. The lossy way raises the lossy level above
// options.lossy on the animation as it is (left out when options.lossy leaves no higher
// level); the others keep options.lossy. The colours come from the imaging port's shared
// quantiser over all frames; dropping adds a dropped frame's delay to the frame before it;
// scaling averages the pixels it merges and then takes the shared quantiser's colours. Empty
// when cancelled through progress (done counts tries, not frames).
std::vector<FitOption> PlanFit(const GifSourceAnimation& source, Imaging& imaging,
                               std::int64_t limit, const GifProgress& progress = {},
                               const GifOptimizeOptions& options = {});

// The screens of an animation as viewers show them: 4 bytes a pixel (R, G, B, A; A 0 or 255).
std::vector<std::vector<std::uint8_t>> CompositeScreens(const GifSourceAnimation& source);

}  // namespace optimized
}  // namespace vorla
