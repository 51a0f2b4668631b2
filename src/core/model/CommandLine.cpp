#include "core/model/CommandLine.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vorla {

namespace {

// The toolkit's options: the first take a value, the others stand alone.
constexpr std::array<std::string_view, 13> kToolkitOptionsWithValue = {
    "-platform",     "-platformpluginpath", "-platformtheme", "-plugin",     "-qwindowgeometry",
    "-qwindowtitle", "-qwindowicon",        "-style",         "-stylesheet", "-session",
    "-display",      "-geometry",           "-qmljsdebugger"};
constexpr std::array<std::string_view, 5> kToolkitFlags = {"-reverse", "-widgetcount", "-nograb",
                                                           "-dograb", "-sync"};

template <std::size_t N>
bool Among(const std::array<std::string_view, N>& list, std::string_view argument) {
    return std::find(list.begin(), list.end(), argument) != list.end();
}

}  // namespace

std::string ProgramVersion() {
    return "1.05 beta1";
}

std::string VersionLine() {
    return "Vorla " + ProgramVersion();
}

std::string UsageText() {
    return "사용법: vorla [옵션] [파일...]\n"
           "GIF 애니메이션을 편집합니다. 파일은 한 개씩 창에 열립니다(창은 5개까지).\n"
           "\n"
           "옵션:\n"
           "  -h, --help     이 도움말을 보여 주고 끝냅니다\n"
           "  --version      프로그램 버전을 보여 주고 끝냅니다\n"
           "  --             옵션의 끝: 뒤의 인수는 모두 파일입니다 (예: vorla -- -x.gif)\n"
           "\n"
           "설정과 임시 파일은 ~/.local/share/vorla 에 있습니다(VORLA_HOME 으로 바꿀 수 "
           "있습니다).\n";
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.empty()) continue;
        if (optionsEnded || argument[0] != '-' || argument == "-") {
            line.paths.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            // The first answering option decides; nothing after it is read.
            if (line.action == CommandLine::Action::Run) line.action = CommandLine::Action::Help;
        } else if (argument == "--version") {
            if (line.action == CommandLine::Action::Run) line.action = CommandLine::Action::Version;
        } else if (Among(kToolkitOptionsWithValue, argument)) {
            ++i;  // the value belongs to the toolkit too
        } else if (!Among(kToolkitFlags, argument)) {
            line.action = CommandLine::Action::Error;
            line.error = "vorla: 알 수 없는 옵션입니다: " + argument +
                         " (옵션 목록: vorla --help; 이 이름의 파일은 vorla -- " + argument + ")";
            return line;
        }
    }
    return line;
}

}  // namespace vorla
