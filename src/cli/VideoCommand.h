// "vorla --video IN -o OUT.gif [--start S] [--end S] [--fps N] [--width N] [--colors N]
// [--palette shared|frame] [--dither none|ordered|diffusion]": a segment of a video clip made
// into frames by the import the editor's 동영상 가져오기 runs, then written as the optimised GIF
// (verified, beside OUT, renamed over it). Messages on standard error in Korean, progress as
// the optimise job shows it, the written size on standard output.
#pragma once

namespace vorla {

struct CommandLine;

// line.action is Video. Returns the exit status: 0 written, kJobFailedStatus otherwise (OUT is
// then as it was).
int RunVideoCommand(const CommandLine& line);

}  // namespace vorla
