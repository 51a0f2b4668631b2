#include "core/model/DibScale.h"

#include <cstring>
#include <vector>

namespace vorla {

CDib ScaleNearest8(const CDib& source, std::int32_t width, std::int32_t height) {
    CDib out;
    if (width <= 0 || height <= 0 || source.IsEmpty() || source.BitCount() != 8) return out;
    out.Create(width, height, 8, source.ColorCount());
    out.ColorTable() = source.ColorTable();
    const std::int32_t sw = source.Width();
    const std::int32_t sh = source.Height();
    if (sw == width && sh == height) {
        for (std::int32_t y = 0; y < height; ++y)
            std::memcpy(out.Row(y), source.Row(y), static_cast<std::size_t>(width));
        return out;
    }
    // Source column of every target column, sampled at pixel centres.
    std::vector<std::int32_t> columns(static_cast<std::size_t>(width));
    for (std::int32_t x = 0; x < width; ++x) {
        columns[static_cast<std::size_t>(x)] =
            static_cast<std::int32_t>((static_cast<std::int64_t>(2 * x + 1) * sw) / (2 * width));
    }
    for (std::int32_t y = 0; y < height; ++y) {
        auto sy =
            static_cast<std::int32_t>((static_cast<std::int64_t>(2 * y + 1) * sh) / (2 * height));
        const std::uint8_t* from = source.Row(sy);
        std::uint8_t* to = out.Row(y);
        for (std::int32_t x = 0; x < width; ++x) to[x] = from[columns[static_cast<std::size_t>(x)]];
    }
    return out;
}

}  // namespace vorla
