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

}  // namespace
}  // namespace vorla
