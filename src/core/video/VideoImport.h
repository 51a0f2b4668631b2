// The frames of a video segment as 8-bit pictures: decoded through the VideoSource port at the
// plan's times, given colours through the VideoQuantizer port, dithered, and kept still where
// the clip is still. What 동영상 가져오기 and "vorla --video" both run.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/edit/OptimizedSave.h"
#include "core/gif/GifOptimizer.h"
#include "core/model/CDib.h"
#include "core/port/VideoQuantizer.h"
#include "core/port/VideoSource.h"
#include "core/video/VideoPlan.h"

namespace vorla {

// A pixel whose colour moved by at most this much in every channel since its index was chosen
// keeps its index: a little above the noise a camera and a codec leave on a still area (filmed
// noise of 2 to 3 levels moves 3 % of the pixels past 8 in a frame, 9 % past 6).
inline constexpr int kStillTolerance = 8;
// The pictures one palette for all frames is chosen from, spread evenly over the segment.
inline constexpr int kPaletteSamples = 16;

struct VideoImportResult {
    // None, or EndedEarly with the frames read; any other fault leaves frames empty.
    VideoFault fault = VideoFault::None;
    std::vector<CDib> frames;  // 8-bit, plan.width x plan.height, rows bottom-up as every CDib
    std::vector<int> delays;   // centiseconds, one per frame
};

// progress(done, total) after each frame of each pass; false cancels (fault Cancelled, nothing
// kept). A palette the library cannot make counts as Damaged.
VideoImportResult ImportVideo(VideoSource& source, VideoQuantizer& quantizer, const VideoPlan& plan,
                              const VideoChoice& choice, const GifProgress& progress = {});

// The frames as the optimising writer takes them: full pictures at 0,0, left in place, no
// transparency, looping. The animation owns its pictures.
optimized::OwnedAnimation ToAnimation(VideoImportResult&& result);

}  // namespace vorla
