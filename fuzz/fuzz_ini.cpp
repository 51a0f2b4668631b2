// Settings files are outside bytes: anyone can edit them. Parsing, looking up, changing and
// re-serialising any input must neither crash nor lose the round trip of an entry just written.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/model/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vorla::IniFile file = vorla::IniFile::Parse(text);
    const auto zoom = file.Value("general", "lookratio");
    if (zoom && zoom->size() > vorla::IniFile::kMaxValueLength) std::abort();
    file.Value("GENERAL", "urgentfileToopen");

    // Use the input's own first line as a key so that odd names are exercised too.
    std::string_view key = text.substr(0, std::min<std::size_t>(text.find('\n'), 40));
    while (!key.empty() && (key.front() == ' ' || key.front() == '\t')) key.remove_prefix(1);
    while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.remove_suffix(1);
    if (file.Set("general", key, "7")) {
        const vorla::IniFile again = vorla::IniFile::Parse(file.Text());
        const auto value = again.Value("general", key);
        if (!value || *value != "7") std::abort();
    }
    if (!file.Set("general", "lookratio", "42")) std::abort();
    const auto value = vorla::IniFile::Parse(file.Text()).Value("general", "lookratio");
    if (!value || *value != "42") std::abort();
    return 0;
}
