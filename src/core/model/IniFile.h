// A private profile file ("[section]" headers, "key=value" lines) with the semantics the settings
// files were designed around: section and key names compare without regard to ASCII case, values
// come back as text, a write changes or adds one line and keeps every other line as it was.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorla {

class IniFile {
public:
    // A value read back holds at most this many bytes: the readers' buffers are 1000 characters
    // including the terminating zero.
    static constexpr std::size_t kMaxValueLength = 999;
    // Files above this size are not settings files; reading them would only cost memory.
    static constexpr std::size_t kMaxFileSize = 4u << 20;

    IniFile() = default;

    // Splits any bytes into lines; never fails. Line ends may be "\n", "\r\n" or a lone "\r".
    static IniFile Parse(std::string_view text);
    // nullopt: the file exists but cannot be read or is larger than kMaxFileSize. An absent file
    // reads as an empty profile.
    static std::optional<IniFile> Load(const std::string& path);

    // The first value of key in the first section named section, truncated to kMaxValueLength
    // bytes (at a UTF-8 character boundary); nullopt when absent.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // Replaces the first value of key in section, or adds the key at the end of that section, or
    // adds the section at the end of the file. false (nothing changed): a name or value with a
    // line break, a key with '=' or a leading '[' or ';', or an empty key; such a line could not
    // be read back as the same entry.
    bool Set(std::string_view section, std::string_view key, std::string_view value);

    std::string Text() const;
    // Writes a temporary file beside path and renames it over path, so a failed write never
    // leaves a half-written profile behind. false: nothing was changed on disk.
    bool Save(const std::string& path) const;

    std::size_t LineCount() const { return lines_.size(); }

private:
    // Lines without their line end, exactly as read, so rewriting keeps them byte for byte.
    std::vector<std::string> lines_;
};

// GetPrivateProfileString: the value, or defaultValue when the key (or the file) is absent.
std::string ReadPrivateProfileString(std::string_view section, std::string_view key,
                                     const std::string& defaultValue, const std::string& path);
// WritePrivateProfileString: false when the file could not be read back or written.
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path);

}  // namespace vorla
