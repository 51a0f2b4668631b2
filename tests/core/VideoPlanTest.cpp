// The ways the dialog and the command line offer into the frame limit land inside it at the
// mildest change, and the names the editor takes for clips.
#include "core/video/VideoPlan.h"

#include <gtest/gtest.h>

namespace vorla {
namespace {

TEST(VideoPlan, TheOfferedWaysFitTheLimitAtTheMildestChange) {
    VideoInfo clip;
    clip.duration = 31;
    clip.rateNumerator = 30000;  // 29.97 fps
    clip.rateDenominator = 1001;
    clip.width = 640;
    clip.height = 360;
    struct Case {
        double start;
        int fps;   // 0: the source's
        int rate;  // RateThatFits; 0: none does
    };
    const Case cases[] = {{0, 10, 9}, {0, 0, 9}, {5, 25, 11}, {0, 50, 9}};
    for (const Case& c : cases) {
        VideoChoice choice;
        choice.start = c.start;
        choice.fps = c.fps;
        SCOPED_TRACE("from " + std::to_string(c.start) + " at " + std::to_string(c.fps));
        ASSERT_GT(ChoiceFrameCount(clip, choice), 300);
        EXPECT_EQ(RateThatFits(clip, choice, 300), c.rate);
        // A shorter segment at the same rate holds exactly the limit.
        choice.end = EndThatFits(clip, choice, 300);
        EXPECT_EQ(ChoiceFrameCount(clip, choice), 300) << "end " << choice.end;
    }
    clip.duration = 100;  // even 5 fps makes 500 frames
    EXPECT_EQ(RateThatFits(clip, VideoChoice{}, 300), 0);
}

TEST(VideoPlan, ClipNamesAreTheVideoContainersButAvi) {
    for (const char* name : {"a.mp4", "b.M4V", "c.webm", "d.MKV", "/x/e.mov"}) {
        EXPECT_TRUE(IsVideoClipName(name)) << name;
    }
    for (const char* name : {"a.avi", "b.gif", "mp4", "c.mp4.png"}) {
        EXPECT_FALSE(IsVideoClipName(name)) << name;
    }
}

}  // namespace
}  // namespace vorla
