#include <cstdio>
#include <string>
#include <vector>

#include "cli/OptimiseCommand.h"
#include "cli/VideoCommand.h"
#include "core/model/CommandLine.h"
#include "gui/app/VorlaApplication.h"
#include "imaging/ThreadPolicy.h"

int main(int argc, char** argv) {
    // Read before any display is opened: --help, --version and the jobs work without one.
    const vorla::CommandLine line =
        vorla::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (line.action) {
        case vorla::CommandLine::Action::Help:
            std::fputs(vorla::UsageText().c_str(), stdout);
            return 0;
        case vorla::CommandLine::Action::Version: std::puts(vorla::VersionLine().c_str()); return 0;
        case vorla::CommandLine::Action::Error:
            std::fprintf(stderr, "%s\n", line.error.c_str());
            return vorla::kUsageErrorStatus;
        case vorla::CommandLine::Action::Optimise:
            vorla::UsePassiveThreadWait(argv);
            return vorla::RunOptimiseCommand(line, argv[0]);
        case vorla::CommandLine::Action::Video:
            vorla::UsePassiveThreadWait(argv);
            return vorla::RunVideoCommand(line);
        case vorla::CommandLine::Action::Run: break;
    }
    vorla::UsePassiveThreadWait(argv);
    vorla::VorlaApplication app(argc, argv);
    if (!app.InitInstance()) return 0;
    return app.exec();
}
