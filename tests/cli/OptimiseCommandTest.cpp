// The built program run as "vorla --optimise" with no display at all (a window could not start):
// what it writes shows the input's frames, a limit is met or nothing is written, and a failure
// leaves the output as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/edit/OptimizedSave.h"
#include "support/TestFiles.h"
#include "support/TestGifs.h"

namespace vorla {
namespace {

TEST(OptimiseCommand, WritesWhatTheInputShowsOrNothing) {
    test::TempDir dir;
    const std::string in = dir.File("noise.gif");
    const std::string out = dir.File("out.gif");
    test::WriteBytes(in, test::NoisyGif(4));
    const test::DecodedGif shown(test::ReadBytes(in));
    const int underKb = static_cast<int>(optimized::Measure(shown.source).bytes * 2 / 3 / 1024);
    const test::Bytes old{'o', 'l', 'd'};

    enum class Want { Shows, Under, Old, None };
    struct Case {
        std::vector<std::string> arguments;
        int status;
        Want want;
        int amount;  // Shows: the lossy level the frames agree within; Under: KB
    };
    const Case cases[] = {
        {{"--optimise", in, "-o", out}, 0, Want::Shows, 0},
        {{"--optimize", in, "-o", out, "--lossy", "40"}, 0, Want::Shows, 40},
        {{"--optimise", in, "-o", out, "--max-kb", std::to_string(underKb)},
         0,
         Want::Under,
         underKb},
        {{"--optimise", in, "-o", out, "--max-kb", "1"}, 1, Want::Old, 0},  // no way fits
        {{"--optimise", dir.File("missing.gif"), "-o", out}, 1, Want::None, 0},
        {{"--optimise", in}, 2, Want::None, 0},
    };
    for (const Case& c : cases) {
        std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= " VORLA_PROGRAM;
        for (const std::string& argument : c.arguments) command += " '" + argument + "'";
        SCOPED_TRACE(command);
        std::filesystem::remove(out);
        if (c.want == Want::Old) test::WriteBytes(out, old);
        ASSERT_EQ(test::RunCommand(command + " >/dev/null 2>&1"), c.status);
        const test::Bytes written =
            std::filesystem::exists(out) ? test::ReadBytes(out) : test::Bytes{};
        switch (c.want) {
            case Want::Shows:
                EXPECT_EQ(VerifyOptimizedGif(shown.source, written, {}, {c.amount}), "");
                break;
            case Want::Under:
                EXPECT_GT(written.size(), 0u);
                EXPECT_LE(written.size(), static_cast<std::size_t>(c.amount) * 1024);
                break;
            case Want::Old: EXPECT_EQ(written, old); break;
            case Want::None: EXPECT_TRUE(written.empty()) << "have " << written.size(); break;
        }
    }
    // Nothing is left beside the output either.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

}  // namespace
}  // namespace vorla
