// The built program run as "vorla --video" with no display: the GIF it writes holds the planned
// frames over the clip's length, and a clip it cannot use, or a choice past the frame limit,
// writes nothing and says why.
#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

#include "support/TestClips.h"
#include "support/TestGifs.h"

namespace vorla {
namespace {

TEST(VideoCommand, WritesTheClipsFramesOrSaysWhyNot) {
    test::TempDir dir;
    const std::string clip =
        test::MakeClip(dir, "a.mp4", test::TestSource("25", 7) + " -c:v libx264 -pix_fmt yuv420p");
    const std::string sound = test::MakeClip(dir, "sound.m4a", "-f lavfi -i sine -t 1");
    ASSERT_FALSE(clip.empty() || sound.empty()) << "ffmpeg could not make the clips";
    const std::string out = dir.File("out.gif");
    const std::string said = dir.File("said.txt");
    struct Case {
        std::vector<std::string> arguments;
        int status;
        int frames;         // in the written file; 0: nothing written
        std::string words;  // in what it said on standard error
    };
    const Case cases[] = {
        {{"--video", clip, "-o", out, "--end", "2"}, 0, 20, "0%"},
        {{"--video", clip, "-o", out, "--end", "2", "--lossy", "40"}, 0, 20, "0%"},
        {{"--video", clip, "-o", out, "--fps", "50"}, 1, 0, "350개"},
        {{"--video", sound, "-o", out}, 1, 0, "영상이 없습니다"},
    };
    for (const Case& c : cases) {
        std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= " VORLA_PROGRAM;
        for (const std::string& argument : c.arguments) command += " '" + argument + "'";
        SCOPED_TRACE(command);
        std::filesystem::remove(out);
        ASSERT_EQ(test::RunCommand(command + " >/dev/null 2>'" + said + "'"), c.status);
        EXPECT_NE(test::ReadText(said).find(c.words), std::string::npos) << test::ReadText(said);
        if (c.frames == 0) {
            EXPECT_FALSE(std::filesystem::exists(out));
            continue;
        }
        const test::DecodedGif written(test::ReadBytes(out));
        ASSERT_EQ(static_cast<int>(written.source.frames.size()), c.frames);
        EXPECT_EQ(written.source.screenWidth, 160);
        int total = 0;
        for (const GifSourceFrame& frame : written.source.frames) total += frame.delay;
        EXPECT_NEAR(total, 200, 1);
    }
    // Nothing is left beside the clips and what was said (the last case wrote nothing).
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3);
}

}  // namespace
}  // namespace vorla
