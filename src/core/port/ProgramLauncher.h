// Starting another program on a file. The GUI starts a process with an argument list (no shell
// reads the file name); tests record the requests.
#pragma once

#include <string>
#include <vector>

namespace vorla {

class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;
    // false: the program could not be started.
    virtual bool Start(const std::string& program, const std::vector<std::string>& arguments) = 0;
};

}  // namespace vorla
