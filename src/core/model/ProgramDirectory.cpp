#include "core/model/ProgramDirectory.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace vorla {

namespace {

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

bool IsWritableFolder(const std::string& folder) {
    std::error_code error;
    return std::filesystem::is_directory(folder, error) && ::access(folder.c_str(), W_OK) == 0;
}

void CreateFolder(const std::string& folder) {
    std::error_code ignored;  // a folder that cannot be made shows up as "23164" on first use
    std::filesystem::create_directories(folder, ignored);
}

}  // namespace

ProgramDirectory::Environment ProgramDirectory::FromProcessEnvironment() {
    return {Env("VORLA_HOME"), Env("XDG_DATA_HOME"), Env("HOME")};
}

std::string ProgramDirectory::Resolve(const std::string& executableDirectory,
                                      const Environment& env) {
    if (!env.vorlaHome.empty()) {
        CreateFolder(env.vorlaHome);
        return WithSlash(env.vorlaHome);
    }
    // A portable copy (a "vorla-portable" file beside the executable) keeps everything beside
    // it; an installed one never writes into its bin folder.
    std::error_code error;
    if (!executableDirectory.empty() &&
        std::filesystem::exists(WithSlash(executableDirectory) + kPortableMarker, error) &&
        IsWritableFolder(executableDirectory)) {
        return WithSlash(executableDirectory);
    }
    std::string dataHome = env.xdgDataHome;
    // XDG: a relative XDG_DATA_HOME is invalid and must be ignored.
    if (dataHome.empty() || dataHome.front() != '/') {
        if (env.home.empty()) return std::string();
        dataHome = WithSlash(env.home) + ".local/share";
    }
    const std::string folder = WithSlash(dataHome) + "vorla";
    CreateFolder(folder);
    return WithSlash(folder);
}

std::string ProgramDirectory::FindAsset(const std::string& executableDirectory,
                                        const std::string& name) {
    const std::string beside = WithSlash(executableDirectory) + name;
    const std::string installed = WithSlash(executableDirectory) + "../share/vorla/" + name;
    std::error_code error;
    if (std::filesystem::exists(beside, error)) return beside;
    if (std::filesystem::exists(installed, error)) {
        return std::filesystem::path(installed).lexically_normal().string();
    }
    return beside;
}

std::string ProgramDirectory::DirectoryPart(const std::string& programPath) {
    const std::size_t slash = programPath.rfind('/');
    return slash == std::string::npos ? std::string() : programPath.substr(0, slash + 1);
}

std::string ProgramDirectory::FileNamePart(const std::string& programPath) {
    const std::size_t slash = programPath.rfind('/');
    return slash == std::string::npos ? programPath : programPath.substr(slash + 1);
}

}  // namespace vorla
