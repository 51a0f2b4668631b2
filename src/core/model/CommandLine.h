// The command line, read before any window or display exists: "--help" and "--version" answer
// on standard output and end the program; every other argument is a path to open. Options begin
// with "-", and "--" ends them, so that a file named "-x.gif" can be opened. The toolkit's own
// options ("-platform xcb", "-style Fusion", ...) pass through to it with their values.
#pragma once

#include <string>
#include <vector>

namespace vorla {

struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    std::vector<std::string> paths;  // in the order given; empty arguments are dropped
    std::string error;               // one line for standard error when action is Error
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
