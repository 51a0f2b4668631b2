// The command line, read before any window or display exists: "--help" and "--version" answer
// on standard output and end the program; every other argument is a path to open. Options begin
// with "-", and "--" ends them, so that a file named "-x.gif" can be opened. The toolkit's own
// options ("-platform xcb", "-style Fusion", ...) pass through to it with their values.
//
// A job option ("--optimise", "--video") turns the run into work without a window: the one path
// given is its input, "-o" names its output, and the job's settings ("--lossy 40" or "--lossy=40")
// come in any order. Each setting names the jobs it belongs to, so another job adds its name and
// its settings to the tables in CommandLine.cpp and reuses "-o" and the checks.
#pragma once

#include <string>
#include <vector>

#include "core/video/VideoPlan.h"

namespace vorla {

struct CommandLine {
    enum class Action { Run, Help, Version, Optimise, Video, Error };
    Action action = Action::Run;
    std::vector<std::string> paths;  // in the order given; empty arguments are dropped
    std::string error;               // one line for standard error when action is Error

    // A job's input (its one path; paths is then empty) and output (-o).
    std::string input;
    std::string output;
    // Optimise: the lossy level (--lossy, 0..kMaxLossy, 0 lossless; for Video also in
    // video.lossy) and the size limit in KB (--max-kb, 1..optimized::kMaxLimitKb; 0: no limit).
    int lossy = 0;
    int maxKb = 0;
    // Optimise, Video: --keep-frames writes a frame that repeats the screen before it as an image
    // of its own instead of adding its delay to that one (GifOptimizeOptions::mergeRepeats).
    bool keepFrames = false;
    // Video: the segment (--start, --end), --fps, --width, --colors, --palette, --dither, --lossy.
    VideoChoice video;
};

// Exit status of a command line that cannot be read.
inline constexpr int kUsageErrorStatus = 2;

// arguments: the program's arguments after its own name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// "--help": one line per option, in Korean; the man page is made from it.
std::string UsageText();
// "--version": "Vorla 1.05 beta1".
std::string VersionLine();
// "1.05 beta1".
std::string ProgramVersion();

}  // namespace vorla
