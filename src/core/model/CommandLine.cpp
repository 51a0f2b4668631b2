#include "core/model/CommandLine.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <string_view>

#include "core/edit/OptimizedSave.h"
#include "core/gif/GifOptimizer.h"

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

using Action = CommandLine::Action;

constexpr unsigned Bit(Action action) {
    return 1u << static_cast<unsigned>(action);
}

// The options that start a job without a window; the first name of each job is the one used
// in messages.
struct Job {
    std::string_view name;
    Action action;
};
constexpr std::array<Job, 3> kJobs = {{{"--optimise", Action::Optimise},
                                       {"--optimize", Action::Optimise},
                                       {"--video", Action::Video}}};

// Reads a setting's value into the command line; the error without the "vorla: " lead, or "".
using ReadSetting = std::string (*)(std::string_view name, const std::string& value,
                                    CommandLine& line);

// A whole number within minimum..maximum.
std::string ReadNumber(std::string_view name, const std::string& value, int minimum, int maximum,
                       int& out) {
    int number = 0;
    const char* end = value.data() + value.size();
    const auto [stop, problem] = std::from_chars(value.data(), end, number);
    if (problem != std::errc{} || stop != end || number < minimum || number > maximum) {
        return std::string(name) + " 값은 " + std::to_string(minimum) + "에서 " +
               std::to_string(maximum) + " 사이의 정수여야 합니다: " + value;
    }
    out = number;
    return {};
}

std::string ReadOutput(std::string_view, const std::string& value, CommandLine& line) {
    line.output = value;
    return {};
}

std::string ReadLossy(std::string_view name, const std::string& value, CommandLine& line) {
    std::string problem = ReadNumber(name, value, 0, kMaxLossy, line.lossy);
    line.video.lossy = line.lossy;
    return problem;
}

std::string ReadMaxKb(std::string_view name, const std::string& value, CommandLine& line) {
    return ReadNumber(name, value, 1, optimized::kMaxLimitKb, line.maxKb);
}

std::string ReadKeepFrames(std::string_view, const std::string&, CommandLine& line) {
    line.keepFrames = true;
    return {};
}

// Seconds from 0, as a decimal number ("12", "1.5").
std::string ReadSeconds(std::string_view name, const std::string& value, double& out) {
    double number = 0;
    const char* end = value.data() + value.size();
    const auto [stop, problem] = std::from_chars(value.data(), end, number);
    if (problem != std::errc{} || stop != end || !(number >= 0) || number > 1e6) {
        return std::string(name) + " 값은 0 이상의 초여야 합니다 (예: 1.5): " + value;
    }
    out = number;
    return {};
}

std::string ReadStart(std::string_view name, const std::string& value, CommandLine& line) {
    return ReadSeconds(name, value, line.video.start);
}

std::string ReadEnd(std::string_view name, const std::string& value, CommandLine& line) {
    return ReadSeconds(name, value, line.video.end);
}

// A whole rate, or the source's own.
std::string ReadFps(std::string_view name, const std::string& value, CommandLine& line) {
    if (value == "source") {
        line.video.fps = 0;
        return {};
    }
    std::string problem = ReadNumber(name, value, kMinFps, kMaxFps, line.video.fps);
    return problem.empty() ? problem : problem + " (원본 그대로: source)";
}

std::string ReadWidth(std::string_view name, const std::string& value, CommandLine& line) {
    return ReadNumber(name, value, kMinVideoWidth, kMaxVideoSide, line.video.width);
}

std::string ReadColours(std::string_view name, const std::string& value, CommandLine& line) {
    return ReadNumber(name, value, kMinColours, kMaxColours, line.video.colours);
}

// One of a few words; out takes the position of the word among them.
template <typename Enum, std::size_t N>
std::string ReadWord(std::string_view name, const std::string& value,
                     const std::array<std::string_view, N>& words, Enum& out) {
    for (std::size_t i = 0; i < N; ++i) {
        if (value == words[i]) {
            out = static_cast<Enum>(i);
            return {};
        }
    }
    std::string list;
    for (const std::string_view word : words)
        list += (list.empty() ? "" : ", ") + std::string(word);
    return std::string(name) + " 값은 " + list + " 중 하나여야 합니다: " + value;
}

// In the order of VideoChoice::Palette and VideoChoice::Dither.
constexpr std::array<std::string_view, 2> kPaletteWords = {"shared", "frame"};
constexpr std::array<std::string_view, 3> kDitherWords = {"none", "ordered", "diffusion"};

std::string ReadPalette(std::string_view name, const std::string& value, CommandLine& line) {
    return ReadWord(name, value, kPaletteWords, line.video.palette);
}

std::string ReadDither(std::string_view name, const std::string& value, CommandLine& line) {
    return ReadWord(name, value, kDitherWords, line.video.dither);
}

// A setting of jobs: each takes a value, as the next argument or after '=' ("--lossy=40"), or
// is a switch without one (read is given "").
struct Setting {
    std::string_view name;
    std::string_view alias;  // "" for none
    unsigned jobs;           // Bit() of every job it belongs to
    ReadSetting read;
    bool takesValue = true;
};
constexpr std::array<Setting, 11> kSettings = {{
    {"-o", "--output", Bit(Action::Optimise) | Bit(Action::Video), ReadOutput},
    {"--lossy", "", Bit(Action::Optimise) | Bit(Action::Video), ReadLossy},
    {"--max-kb", "", Bit(Action::Optimise), ReadMaxKb},
    {"--keep-frames", "", Bit(Action::Optimise) | Bit(Action::Video), ReadKeepFrames, false},
    {"--start", "", Bit(Action::Video), ReadStart},
    {"--end", "", Bit(Action::Video), ReadEnd},
    {"--fps", "", Bit(Action::Video), ReadFps},
    {"--width", "", Bit(Action::Video), ReadWidth},
    {"--colors", "--colours", Bit(Action::Video), ReadColours},
    {"--palette", "", Bit(Action::Video), ReadPalette},
    {"--dither", "", Bit(Action::Video), ReadDither},
}};

// The setting an argument names, with its value when given after '='.
const Setting* FindSetting(const std::string& argument, std::optional<std::string>& value) {
    for (const Setting& setting : kSettings) {
        for (const std::string_view name : {setting.name, setting.alias}) {
            if (name.empty()) continue;
            if (argument == name) return &setting;
            if (name.starts_with("--") && argument.size() > name.size() &&
                argument.starts_with(name) && argument[name.size()] == '=') {
                value = argument.substr(name.size() + 1);
                return &setting;
            }
        }
    }
    return nullptr;
}

// "--optimise" or "--optimise, --video": the jobs of a setting, by their first names.
std::string JobNames(unsigned jobs) {
    std::string names;
    for (const Job& job : kJobs) {
        if ((jobs & Bit(job.action)) == 0) continue;
        if (!names.empty()) names += ", ";
        names += job.name;
        jobs &= ~Bit(job.action);
    }
    return names;
}

CommandLine Failed(CommandLine line, const std::string& text) {
    line.action = Action::Error;
    line.error = "vorla: " + text;
    return line;
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
           "        vorla --optimise 입력 -o 출력.gif [--lossy N] [--max-kb N] [--keep-frames]\n"
           "        vorla --video 동영상 -o 출력.gif [--start 초] [--end 초] [--fps N] [--width "
           "N]\n"
           "              [--colors N] [--palette shared|frame] [--dither none|ordered|diffusion]\n"
           "              [--lossy N] [--keep-frames]\n"
           "GIF 애니메이션을 편집합니다. 파일은 한 개씩 창에 열립니다(창은 5개까지).\n"
           "\n"
           "옵션:\n"
           "  -h, --help     이 도움말을 보여 주고 끝냅니다\n"
           "  --version      프로그램 버전을 보여 주고 끝냅니다\n"
           "  --             옵션의 끝: 뒤의 인수는 모두 파일입니다 (예: vorla -- -x.gif)\n"
           "\n"
           "창 없이 하는 작업 (화면이 없어도 됩니다):\n"
           "  --optimise 입력, --optimize 입력\n"
           "                 입력 파일을 '최적화하여 저장'과 같이 더 작은 GIF로 저장합니다.\n"
           "                 원래 프레임과 같게 보이는지 확인한 뒤에만 저장합니다\n"
           "  -o, --output 파일\n"
           "                 저장할 파일 (실패하면 있던 파일은 그대로 남습니다)\n"
           "  --lossy N      손실 압축 0-100 (0: 무손실, 기본값). --video에서는 앞 프레임이나\n"
           "                 옆 픽셀의 색에 가까운 픽셀이 그 색을 그대로 씁니다\n"
           "  --max-kb N     파일 크기 제한(KB). 넘으면 손실 압축, 색 수 줄이기, 프레임\n"
           "                 솎아내기, 크기 줄이기 순으로 제한에 드는 첫 방법으로 저장하고,\n"
           "                 어느 방법도 들지 않으면 저장하지 않습니다\n"
           "  --keep-frames  앞 프레임과 같은 화면인 프레임도 따로 저장합니다. 주지 않으면\n"
           "                 그런 프레임은 앞 프레임의 지연 시간에 더해 하나로 합칩니다\n"
           "  --video 동영상 동영상(MP4, WebM, MKV, MOV, AVI 등)의 한 구간을 GIF로 만들어\n"
           "                 최적화하여 저장합니다 (프레임은 300개까지)\n"
           "  --start 초, --end 초\n"
           "                 구간의 시작과 끝 (기본값: 처음부터 끝까지)\n"
           "  --fps N        초당 프레임 수 5-50, source: 원본 그대로 (기본값 10)\n"
           "  --width N      폭 16-16000 픽셀, 높이는 비율을 따릅니다 (기본값 480, 원본이\n"
           "                 더 작으면 원본 폭)\n"
           "  --colors N     색 수 2-256 (기본값 256)\n"
           "  --palette shared|frame\n"
           "                 모든 프레임에 한 팔레트(기본값) 또는 프레임마다 팔레트\n"
           "  --dither none|ordered|diffusion\n"
           "                 디더링: 없음, 규칙, 오차 확산(기본값)\n"
           "  끝 상태: 0 저장함, 1 읽기/저장 실패 또는 제한 초과, 2 명령줄 오류\n"
           "\n"
           "설정과 임시 파일은 ~/.local/share/vorla 에 있습니다(VORLA_HOME 으로 바꿀 수 "
           "있습니다).\n";
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    Action answer = Action::Run;  // the first answering option (--help, --version) decides
    const Job* job = nullptr;
    std::string jobName;  // as given
    std::vector<const Setting*> given;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.empty()) continue;
        if (optionsEnded || argument[0] != '-' || argument == "-") {
            line.paths.push_back(argument);
            continue;
        }
        std::optional<std::string> value;
        if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            if (answer == Action::Run) answer = Action::Help;
        } else if (argument == "--version") {
            if (answer == Action::Run) answer = Action::Version;
        } else if (const auto found = std::find_if(
                       kJobs.begin(), kJobs.end(),
                       [&](const Job& candidate) { return candidate.name == argument; });
                   found != kJobs.end()) {
            if (job != nullptr) {
                return Failed(line,
                              "작업 옵션은 하나만 줄 수 있습니다: " + jobName + ", " + argument);
            }
            job = &*found;
            jobName = argument;
        } else if (const Setting* setting = FindSetting(argument, value)) {
            if (!setting->takesValue) {
                if (value)
                    return Failed(line, std::string(setting->name) + " 옵션은 값을 받지 않습니다");
                value = std::string();
            } else if (!value) {
                if (i + 1 == arguments.size()) return Failed(line, argument + " 값이 없습니다");
                value = arguments[++i];
            }
            if (value->empty() && setting->takesValue)
                return Failed(line, std::string(setting->name) + " 값이 없습니다");
            const std::string problem = setting->read(setting->name, *value, line);
            if (!problem.empty()) return Failed(line, problem);
            given.push_back(setting);
        } else if (Among(kToolkitOptionsWithValue, argument)) {
            ++i;  // the value belongs to the toolkit too
        } else if (!Among(kToolkitFlags, argument)) {
            return Failed(line, "알 수 없는 옵션입니다: " + argument +
                                    " (옵션 목록: vorla --help; 이 이름의 파일은 vorla -- " +
                                    argument + ")");
        }
    }
    if (answer != Action::Run) {
        line.action = answer;
        return line;
    }
    for (const Setting* setting : given) {
        if (job == nullptr || (setting->jobs & Bit(job->action)) == 0) {
            return Failed(line, std::string(setting->name) + " 옵션은 " + JobNames(setting->jobs) +
                                    " 작업에만 쓸 수 있습니다");
        }
    }
    if (job == nullptr) return line;
    if (line.paths.empty()) return Failed(line, jobName + " 작업에는 입력 파일이 필요합니다");
    if (line.paths.size() > 1) {
        return Failed(line, jobName + " 작업은 입력 파일을 하나만 받습니다: " + line.paths[1]);
    }
    if (line.output.empty()) {
        return Failed(line, jobName + " 작업에는 출력 파일이 필요합니다 (-o 파일)");
    }
    line.input = std::move(line.paths.front());
    line.paths.clear();
    line.action = job->action;
    return line;
}

}  // namespace vorla
