#include "support/TestFiles.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

namespace vorla::test {

TempDir::TempDir() {
    std::random_device random;
    std::filesystem::path base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / ("vorla-test-" + std::to_string(getpid()) + "-" + std::to_string(random()));
        if (std::filesystem::create_directory(path_)) break;
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int RunCommand(const std::string& command) {
    int status = std::system(command.c_str());
    if (status == -1) return -1;
    return WEXITSTATUS(status);
}

bool HaveCommand(const std::string& probe) {
    return RunCommand(probe + " >/dev/null 2>&1") == 0;
}

}  // namespace vorla::test
