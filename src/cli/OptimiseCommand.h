// "vorla --optimise IN -o OUT [--lossy N] [--max-kb N]": the optimising save without a window,
// through the same core path as the editor's "최적화하여 저장": the input is opened as the editor
// opens a document, optimised, verified against its own frames and written beside OUT, then
// renamed over it. Above the size limit the fit planner's ways are tried in their order (lossy
// first) and the first that fits is written. Messages go to standard error in Korean, the
// written size to standard output.
#pragma once

namespace vorla {

struct CommandLine;

// The input could not be read whole, the result could not be made, verified or written, or no
// way fits the limit: nothing was written, OUT is as it was.
inline constexpr int kJobFailedStatus = 1;

// line.action is Optimise. argv0: the program's path, for the imaging library's start. Returns
// the exit status: 0 written, kJobFailedStatus otherwise.
int RunOptimiseCommand(const CommandLine& line, const char* argv0);

}  // namespace vorla
