// Bytes as a video clip: LibavVideoSource reads them from memory through the code a file takes
// (demuxing, inspection, seeking, decoding, scaling, rotation), at times and a size the core's
// plan chooses, as the import does. Besides memory errors it stops on results that contradict
// each other: a clip accepted with a size or duration out of range, pictures delivered out of
// order, a complete decode that delivered fewer pictures than asked, a fault no decode gives.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" {
#include <libavutil/log.h>
}

#include "core/video/VideoPlan.h"
#include "imaging/LibavVideoSource.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// Stored pictures above this many pixels are refused before decoding: a few header bytes may
// claim a picture of 16000 x 16000, which takes seconds a run and reaches no other code.
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 20;
// Pictures asked for per run: enough to cross key frames and the end of a short clip.
constexpr int kMaxFrames = 24;

volatile std::uint8_t seen = 0;  // keeps the reads of each picture

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    av_log_set_level(AV_LOG_QUIET);
    vorla::LibavVideoSource source(kMaxPixels);
    vorla::VideoInfo info;
    if (source.OpenBytes(data, size, info) != vorla::VideoFault::None) return 0;
    Check(info.width >= 1 && info.width <= vorla::kMaxVideoSide);
    Check(info.height >= 1 && info.height <= vorla::kMaxVideoSide);
    Check(info.duration > 0);
    Check(info.rotation % 90 == 0 && info.rotation >= 0 && info.rotation < 360);

    // Half the inputs start in the middle, so the seek is taken too.
    vorla::VideoChoice choice;
    choice.start = size % 2 == 1 ? info.duration / 2 : 0;
    choice.width = std::min(info.width, 48);
    choice.fps = 0;
    vorla::VideoPlan plan;
    if (!vorla::MakeVideoPlan(info, choice, kMaxFrames, plan).empty()) {
        choice.fps = vorla::kMinFps;
        choice.end = choice.start + static_cast<double>(kMaxFrames) / vorla::kMinFps;
        if (!vorla::MakeVideoPlan(info, choice, kMaxFrames, plan).empty()) return 0;
    }
    int delivered = 0;
    const std::size_t bytes = 3 * static_cast<std::size_t>(plan.width) * plan.height;
    const vorla::VideoFault fault = source.Decode(
        plan.Times(), plan.width, plan.height, [&](int index, const std::uint8_t* rgb) {
            Check(index == delivered++);
            // Every byte of the picture is there to read (the sanitiser checks each).
            std::uint8_t sum = 0;
            for (std::size_t i = 0; i < bytes; ++i) sum = static_cast<std::uint8_t>(sum + rgb[i]);
            seen = sum;
            return true;
        });
    switch (fault) {
        case vorla::VideoFault::None: Check(delivered == plan.frameCount); break;
        case vorla::VideoFault::EndedEarly:
            Check(delivered > 0 && delivered < plan.frameCount);
            break;
        case vorla::VideoFault::Damaged: Check(delivered == 0); break;
        // The decoder may refuse what the inspection accepted.
        case vorla::VideoFault::Unsupported:
        case vorla::VideoFault::NotVideo: Check(delivered == 0); break;
        default: Check(false);
    }
    return 0;
}
