// A fresh temporary folder per test, removed afterwards, and small file helpers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vorla::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::string ReadText(const std::string& path);
// Runs a shell command; returns its exit status.
int RunCommand(const std::string& command);
// The command runs and succeeds (a probe such as "gifsicle --version"), output discarded.
bool HaveCommand(const std::string& probe);

}  // namespace vorla::test
