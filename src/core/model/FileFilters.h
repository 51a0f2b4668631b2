// File-dialog filters. The program keeps them in the "name|patterns|name|patterns||" form; the
// GUI toolkit wants one "name (pattern pattern ...)" entry per filter.
#pragma once

#include <string>
#include <vector>

namespace vorla {

// One entry per name/pattern pair, in order. Patterns are separated by ';' and, as one of the
// program's own filters does ("*.PCX,*.png"), by ','. Empty names and patterns are skipped;
// a pattern list that ends up empty drops its entry. Patterns are kept exactly, so
// "*.TGA*.gif" (two patterns run together) stays one pattern.
std::vector<std::string> FilterStringToQtFilters(const std::string& filter);

}  // namespace vorla
