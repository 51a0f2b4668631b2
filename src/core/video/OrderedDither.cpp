#include "core/video/OrderedDither.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vorla {
namespace {

// The classic recursive Bayer matrix: each value 0..63 appears once.
constexpr std::uint8_t kBayer[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};

constexpr int kCellBits = 6;
constexpr int kCellShift = 8 - kCellBits;

int Distance(const RgbQuad& c, int r, int g, int b) {
    const int dr = c.red - r, dg = c.green - g, db = c.blue - b;
    return dr * dr + dg * dg + db * db;
}

}  // namespace

int PaletteSpread(const std::vector<RgbQuad>& palette) {
    std::vector<double> nearest;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        int best = 3 * 255 * 255 + 1;
        for (std::size_t j = 0; j < palette.size(); ++j) {
            if (i == j) continue;
            const RgbQuad& c = palette[j];
            const int d = Distance(palette[i], c.red, c.green, c.blue);
            if (d > 0) best = std::min(best, d);
        }
        nearest.push_back(std::sqrt(static_cast<double>(best)));
    }
    if (nearest.empty()) return 0;
    std::nth_element(nearest.begin(),
                     nearest.begin() + static_cast<std::ptrdiff_t>(nearest.size() / 2),
                     nearest.end());
    return std::clamp(static_cast<int>(nearest[nearest.size() / 2]), 4, 64);
}

OrderedDither::OrderedDither(const std::vector<RgbQuad>& palette)
    : palette_(palette),
      spread_(PaletteSpread(palette)),
      cells_(std::size_t{1} << (3 * kCellBits), -1) {}

std::uint8_t OrderedDither::Nearest(int r, int g, int b) {
    const std::size_t cell = (static_cast<std::size_t>(r >> kCellShift) << (2 * kCellBits)) |
                             (static_cast<std::size_t>(g >> kCellShift) << kCellBits) |
                             static_cast<std::size_t>(b >> kCellShift);
    std::int16_t& found = cells_[cell];
    if (found < 0) {
        // The cell's centre decides, so the answer does not depend on which pixel came first.
        const int half = 1 << (kCellShift - 1);
        const int cr = (r & ~((1 << kCellShift) - 1)) + half;
        const int cg = (g & ~((1 << kCellShift) - 1)) + half;
        const int cb = (b & ~((1 << kCellShift) - 1)) + half;
        int best = 0;
        int bestDistance = Distance(palette_[0], cr, cg, cb);
        for (std::size_t i = 1; i < palette_.size(); ++i) {
            const int d = Distance(palette_[i], cr, cg, cb);
            if (d < bestDistance) {
                best = static_cast<int>(i);
                bestDistance = d;
            }
        }
        found = static_cast<std::int16_t>(best);
    }
    return static_cast<std::uint8_t>(found);
}

void OrderedDither::Apply(const std::uint8_t* rgb, int width, int height,
                          std::vector<std::uint8_t>& indices) {
    indices.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    std::size_t at = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x, ++at) {
            // Offsets from -spread/2 to +spread/2, centred on zero so no colour drifts.
            const int offset = ((2 * kBayer[y & 7][x & 7] + 1 - 64) * spread_) / 128;
            const std::uint8_t* p = rgb + 3 * at;
            indices[at] =
                Nearest(std::clamp(p[0] + offset, 0, 255), std::clamp(p[1] + offset, 0, 255),
                        std::clamp(p[2] + offset, 0, 255));
        }
    }
}

void MarkStillPixels(const std::uint8_t* rgb, std::size_t pixels, int tolerance,
                     const std::vector<std::uint8_t>& reference, std::vector<std::uint8_t>& still) {
    still.assign(pixels, 0);
    if (reference.size() != 3 * pixels) return;
    for (std::size_t p = 0; p < pixels; ++p) {
        const std::uint8_t* now = rgb + 3 * p;
        const std::uint8_t* then = reference.data() + 3 * p;
        still[p] = std::abs(now[0] - then[0]) <= tolerance &&
                   std::abs(now[1] - then[1]) <= tolerance &&
                   std::abs(now[2] - then[2]) <= tolerance;
    }
}

void MarkCloseEntries(const std::uint8_t* rgb, std::size_t pixels,
                      const std::vector<RgbQuad>& palette,
                      const std::vector<std::uint8_t>& previous, int tolerance,
                      std::vector<std::uint8_t>& still) {
    if (previous.size() != pixels) return;
    for (std::size_t p = 0; p < pixels; ++p) {
        const std::uint8_t* now = rgb + 3 * p;
        const RgbQuad& shown = palette[previous[p]];
        still[p] |= std::abs(now[0] - shown.red) <= tolerance &&
                    std::abs(now[1] - shown.green) <= tolerance &&
                    std::abs(now[2] - shown.blue) <= tolerance;
    }
}

void UpdateStillPixels(const std::uint8_t* rgb, std::size_t pixels,
                       const std::vector<std::uint8_t>& still, std::vector<std::uint8_t>& reference,
                       std::vector<std::uint8_t>& previous, std::vector<std::uint8_t>& indices) {
    if (reference.size() != 3 * pixels || previous.size() != pixels) {
        reference.assign(rgb, rgb + 3 * pixels);
        previous = indices;
        return;
    }
    for (std::size_t p = 0; p < pixels; ++p) {
        if (still[p] != 0) {
            indices[p] = previous[p];
        } else {
            std::memcpy(reference.data() + 3 * p, rgb + 3 * p, 3);
            previous[p] = indices[p];
        }
    }
}

}  // namespace vorla
