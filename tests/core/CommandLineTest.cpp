#include "core/model/CommandLine.h"

#include <gtest/gtest.h>

namespace vorla {
namespace {

TEST(CommandLine, OptionsAnswerAndEverythingElseIsAPath) {
    using A = CommandLine::Action;
    struct Case {
        std::vector<std::string> arguments;
        A action;
        std::vector<std::string> paths;
    };
    const Case cases[] = {
        {{}, A::Run, {}},
        {{"a b.gif", "", "c.gif"}, A::Run, {"a b.gif", "c.gif"}},
        {{"--help"}, A::Help, {}},
        {{"-h", "x.gif"}, A::Help, {"x.gif"}},
        {{"--version", "--help"}, A::Version, {}},  // the first answering option decides
        {{"-x.gif"}, A::Error, {}},                 // an option nobody knows
        {{"--", "-x.gif", "--help"}, A::Run, {"-x.gif", "--help"}},
        {{"-", "a.gif"}, A::Run, {"-", "a.gif"}},
        // The toolkit's options keep their values out of the paths.
        {{"-platform", "offscreen", "-reverse", "a.gif"}, A::Run, {"a.gif"}},
    };
    for (const Case& c : cases) {
        const CommandLine line = ParseCommandLine(c.arguments);
        const std::string given = c.arguments.empty() ? "(none)" : c.arguments.front();
        EXPECT_EQ(line.action, c.action) << given;
        if (c.action != A::Error) {
            EXPECT_EQ(line.paths, c.paths) << given;
        }
    }
}

TEST(CommandLine, AJobTakesOneInputAnOutputAndCheckedSettings) {
    using A = CommandLine::Action;
    struct Case {
        std::vector<std::string> arguments;
        A action;
        std::string input;  // Error: a word the message must name
        std::string output = {};
        int lossy = 0;
        int maxKb = 0;
        VideoChoice video = {};
    };
    VideoChoice asked;  // every video setting away from its default
    asked.start = 1.5;
    asked.end = 4;
    asked.fps = 0;
    asked.width = 320;
    asked.colours = 16;
    asked.palette = VideoChoice::Palette::PerFrame;
    asked.dither = VideoChoice::Dither::Ordered;
    asked.lossy = 30;
    const Case cases[] = {
        {{"--optimise", "a", "-o", "b"}, A::Optimise, "a", "b"},
        // Any order, the other spelling, "=" values, the long name of -o.
        {{"--lossy=4", "--output=b", "--optimize", "a", "--max-kb=5"}, A::Optimise, "a", "b", 4, 5},
        {{"--optimise", "-o", "b", "--", "-a"}, A::Optimise, "-a", "b"},
        {{"--optimise", "a", "-o", "b", "--help"}, A::Help, ""},
        {{"--optimise", "a"}, A::Error, "-o"},
        {{"--optimise", "-o", "b"}, A::Error, "입력 파일"},
        {{"--optimise", "a", "c", "-o", "b"}, A::Error, ": c"},
        {{"--optimise", "a", "-o"}, A::Error, "-o"},
        {{"--optimise", "a", "-o", "b", "--lossy", "101"}, A::Error, "101"},
        {{"--optimise", "a", "-o", "b", "--lossy", "4x"}, A::Error, "4x"},
        {{"--optimise", "a", "-o", "b", "--max-kb=0"}, A::Error, "--max-kb"},
        {{"--optimise", "a", "-o", "b", "--keep-frames=1"}, A::Error, "--keep-frames"},
        {{"--lossy", "40", "a"}, A::Error, "--optimise"},  // no job to set
        {{"--optimise", "a", "--optimize", "c", "-o", "b"}, A::Error, "--optimize"},
        {{"--video", "a", "-o", "b"}, A::Video, "a", "b"},
        {{"--video", "a", "-o", "b", "--start", "1.5", "--end=4", "--fps", "source", "--width",
          "320", "--colours", "16", "--palette", "frame", "--dither", "ordered", "--lossy", "30"},
         A::Video,
         "a",
         "b",
         30,
         0,
         asked},
        {{"--video", "a", "-o", "b", "--fps", "4"}, A::Error, "--fps"},
        {{"--video", "a", "-o", "b", "--start", "-1"}, A::Error, "--start"},
        {{"--video", "a", "-o", "b", "--dither", "fancy"}, A::Error, "fancy"},
        {{"--video", "a", "-o", "b", "--max-kb", "4"}, A::Error, "--optimise"},
    };
    for (const Case& c : cases) {
        const CommandLine line = ParseCommandLine(c.arguments);
        std::string given;
        for (const std::string& argument : c.arguments) given += argument + " ";
        ASSERT_EQ(line.action, c.action) << given << line.error;
        if (c.action == A::Error) {
            EXPECT_NE(line.error.find(c.input), std::string::npos) << line.error;
            EXPECT_EQ(line.error.rfind("vorla: ", 0), 0u) << line.error;
        } else if (c.action == A::Optimise) {
            EXPECT_EQ(line.input, c.input) << given;
            EXPECT_TRUE(line.paths.empty()) << given;
            EXPECT_EQ(line.output, c.output) << given;
            EXPECT_EQ(line.lossy, c.lossy) << given;
            EXPECT_EQ(line.maxKb, c.maxKb) << given;
        } else if (c.action == A::Video) {
            EXPECT_EQ(line.input, c.input) << given;
            EXPECT_EQ(line.output, c.output) << given;
            const VideoChoice& v = line.video;
            EXPECT_TRUE(v.start == c.video.start && v.end == c.video.end && v.fps == c.video.fps &&
                        v.width == c.video.width && v.colours == c.video.colours &&
                        v.palette == c.video.palette && v.dither == c.video.dither &&
                        v.lossy == c.video.lossy)
                << given;
        }
    }
    // A switch without a value.
    EXPECT_TRUE(ParseCommandLine({"--video", "a", "--keep-frames", "-o", "b"}).keepFrames);
}

}  // namespace
}  // namespace vorla
