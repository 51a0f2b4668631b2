#include "core/model/FileFilters.h"

#include <string_view>

namespace vorla {

namespace {

std::vector<std::string_view> Split(std::string_view text, std::string_view separators) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find_first_of(separators, start);
        parts.push_back(text.substr(start, end == text.npos ? text.npos : end - start));
        if (end == text.npos) return parts;
        start = end + 1;
    }
}

}  // namespace

std::vector<std::string> FilterStringToQtFilters(const std::string& filter) {
    std::vector<std::string> entries;
    const std::vector<std::string_view> fields = Split(filter, "|");
    // An unpaired last field (the empty one after "||") names no filter.
    for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
        if (fields[i].empty()) continue;
        std::string patterns;
        for (std::string_view pattern : Split(fields[i + 1], ";,")) {
            if (pattern.empty()) continue;
            if (!patterns.empty()) patterns += ' ';
            patterns += pattern;
        }
        if (patterns.empty()) continue;
        entries.push_back(std::string(fields[i]) + " (" + patterns + ")");
    }
    return entries;
}

}  // namespace vorla
