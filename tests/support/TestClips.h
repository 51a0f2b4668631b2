// Short clips made at test time by ffmpeg (testsrc2 moves everywhere; every clip is 160 x 120
// unless its arguments say otherwise), shared by the imaging and command-line tests.
// Header-only.
#pragma once

#include <string>

#include "support/TestFiles.h"

namespace vorla::test {

// testsrc2 at rate for seconds; ffmpeg's input arguments.
inline std::string TestSource(const std::string& rate = "25", double seconds = 2) {
    return "-f lavfi -i testsrc2=size=160x120:rate=" + rate + " -t " + std::to_string(seconds);
}

// Runs "ffmpeg <arguments> <dir/name>"; the path, or "" when ffmpeg failed.
inline std::string MakeClip(const TempDir& dir, const std::string& name,
                            const std::string& arguments) {
    const std::string path = dir.File(name);
    const int status = RunCommand("ffmpeg -nostdin -v error -y " + arguments + " '" + path + "'");
    return status == 0 ? path : std::string();
}

// The first `bytes` bytes of a file, as a download cut short leaves it.
inline std::string CutClip(const TempDir& dir, const std::string& from, const std::string& name,
                           std::size_t bytes) {
    std::vector<std::uint8_t> data = ReadBytes(from);
    data.resize(std::min(bytes, data.size()));
    WriteBytes(dir.File(name), data);
    return dir.File(name);
}

}  // namespace vorla::test
