#include "core/model/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace vorla {

namespace {

std::string_view Trim(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

// What one line of a profile means.
struct Line {
    enum class Kind { Other, Section, Entry } kind = Kind::Other;
    std::string_view name;   // section name or key
    std::string_view value;  // entry value, blanks and enclosing quotes removed
};

Line Classify(std::string_view raw) {
    const std::string_view text = Trim(raw);
    Line line;
    if (text.empty() || text.front() == ';') return line;
    if (text.front() == '[') {
        std::string_view name = text.substr(1);
        name = name.substr(0, name.find(']'));
        line.kind = Line::Kind::Section;
        line.name = Trim(name);
        return line;
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) return line;
    line.kind = Line::Kind::Entry;
    line.name = Trim(text.substr(0, equals));
    std::string_view value = Trim(text.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    line.value = value;
    return line;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != text.npos;
}

std::string TruncateValue(std::string_view value) {
    if (value.size() <= IniFile::kMaxValueLength) return std::string(value);
    std::size_t cut = IniFile::kMaxValueLength;
    // Never split a multi-byte character: back up to the first byte of the one that straddles.
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
    return std::string(value.substr(0, cut));
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

IniFile IniFile::Parse(std::string_view text) {
    IniFile file;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            file.lines_.emplace_back(text.substr(start));
            break;
        }
        file.lines_.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    return file;
}

std::optional<IniFile> IniFile::Load(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) return IniFile();
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode) || static_cast<std::uintmax_t>(info.st_size) > kMaxFileSize) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text;
    text.resize(kMaxFileSize + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    const std::size_t got = static_cast<std::size_t>(in.gcount());
    // The file may have grown since stat().
    if (got > kMaxFileSize) return std::nullopt;
    text.resize(got);
    return Parse(text);
}

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const {
    bool inSection = false;
    for (const std::string& raw : lines_) {
        const Line line = Classify(raw);
        if (line.kind == Line::Kind::Section) {
            inSection = EqualsNoCase(line.name, section);
        } else if (inSection && line.kind == Line::Kind::Entry && EqualsNoCase(line.name, key)) {
            return TruncateValue(line.value);
        }
    }
    return std::nullopt;
}

bool IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return false;
    if (section.find(']') != section.npos) return false;
    const std::string_view trimmedKey = Trim(key);
    if (trimmedKey.empty() || trimmedKey.find('=') != trimmedKey.npos ||
        trimmedKey.front() == '[' || trimmedKey.front() == ';') {
        return false;
    }
    std::string entry;
    entry.reserve(trimmedKey.size() + 1 + value.size());
    entry.append(trimmedKey).append(1, '=').append(value);

    bool inSection = false;
    bool inFirstSection = false;  // new keys go into the first section of that name
    bool sectionSeen = false;
    std::size_t insertAt = 0;  // after the last non-blank line of the first matching section
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line line = Classify(lines_[i]);
        if (line.kind == Line::Kind::Section) {
            inSection = EqualsNoCase(line.name, section);
            inFirstSection = inSection && !sectionSeen;
            if (inFirstSection) {
                sectionSeen = true;
                insertAt = i + 1;
            }
            continue;
        }
        if (!inSection) continue;
        if (line.kind == Line::Kind::Entry && EqualsNoCase(line.name, trimmedKey)) {
            lines_[i] = std::move(entry);
            return true;
        }
        if (inFirstSection && !Trim(lines_[i]).empty()) insertAt = i + 1;
    }
    if (sectionSeen) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
        return true;
    }
    if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.emplace_back();
    std::string header;
    header.reserve(section.size() + 2);
    header.append(1, '[').append(section).append(1, ']');
    lines_.push_back(std::move(header));
    lines_.push_back(std::move(entry));
    return true;
}

std::string IniFile::Text() const {
    std::string text;
    for (const std::string& line : lines_) {
        text += line;
        text += '\n';
    }
    return text;
}

bool IniFile::Save(const std::string& path) const {
    static std::atomic<unsigned> counter{0};
    const std::string temporary =
        path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
    // 0666 before the umask, like any newly created file; an existing file keeps its mode.
    mode_t mode = 0666;
    struct stat info {};
    const bool existed = ::stat(path.c_str(), &info) == 0;
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return false;
    if (existed) ::fchmod(fd, info.st_mode & 07777);
    const bool written = WriteAll(fd, Text()) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

std::string ReadPrivateProfileString(std::string_view section, std::string_view key,
                                     const std::string& defaultValue, const std::string& path) {
    const std::optional<IniFile> file = IniFile::Load(path);
    if (!file) return defaultValue;
    return file->Value(section, key).value_or(defaultValue);
}

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path) {
    std::optional<IniFile> file = IniFile::Load(path);
    if (!file || !file->Set(section, key, value)) return false;
    return file->Save(path);
}

}  // namespace vorla
