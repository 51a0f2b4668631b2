#include "core/model/Settings.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <thread>

#include "core/model/IniFile.h"
#include "core/port/UserInterface.h"

namespace vorla {

namespace {

// Creates the settings file empty when it is absent. false: it is absent and cannot be created.
bool EnsureFileExists(UserInterface& ui, const std::string& path) {
    if (::access(path.c_str(), F_OK) == 0) return true;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    ReportProgramError(ui, "23164", false);
    return false;
}

}  // namespace

std::string ReadSetting(UserInterface& ui, const std::string& path, const std::string& key,
                        const std::string& section) {
    if (!EnsureFileExists(ui, path)) return "*fail";
    std::string value = ReadPrivateProfileString(section, key, "*not found", path);
    if (value == "*not found") {
        value = "0";
        WritePrivateProfileString(section, key, value, path);
    }
    return value;
}

bool WriteSetting(UserInterface& ui, const std::string& path, const std::string& key,
                  const std::string& value, const std::string& section) {
    if (!EnsureFileExists(ui, path)) return false;
    return WritePrivateProfileString(section, key, value, path);
}

bool WriteIntSetting(UserInterface& ui, const std::string& path, const std::string& key, int value,
                     const std::string& section) {
    return WriteSetting(ui, path, key, std::to_string(value), section);
}

int ReadIntSetting(UserInterface& ui, const std::string& path, const std::string& key,
                   const std::string& section) {
    return TextToInt(ReadSetting(ui, path, key, section));
}

int TextToInt(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;  // saturated either way
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

bool WaitForFileAccess(const std::string& path, int retries, std::chrono::milliseconds pause) {
    for (int attempt = 0;; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd >= 0) {
            const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
            ::close(fd);  // closing drops the lock
            if (free) return true;
        }
        if (attempt >= retries) return false;
        std::this_thread::sleep_for(pause);
    }
}

}  // namespace vorla
