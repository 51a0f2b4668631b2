#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "core/model/BmpPixels.h"

namespace vorla {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint32_t kRgb[5] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0};  // 0xRRGGBB
const std::string kPicture = "012301122330012";  // 5 x 3 indices into kRgb, top row first

// A 5-pixel-wide BMP file: `colours` entries of kRgb, masks after a 40-byte header or inside a
// larger one, then the pixel bytes.
Bytes Bmp(std::uint32_t bits, std::uint32_t compression, const Bytes& pixels, std::uint32_t colours,
          std::vector<std::uint32_t> masks = {}, std::uint32_t header = 40, int height = 3) {
    const auto size = static_cast<std::uint32_t>(pixels.size());
    std::vector<std::uint32_t> words = {
        header,  5, static_cast<std::uint32_t>(height), 1 | bits << 16, compression, size, 0, 0,
        colours, 0};
    words.insert(words.end(), masks.begin(), masks.end());
    words.resize(std::max<std::size_t>(words.size(), header / 4));
    words.insert(words.end(), kRgb, kRgb + colours);
    const auto offset = static_cast<std::uint32_t>(14 + 4 * words.size());
    words.insert(words.begin(), {offset + size, 0, offset});
    Bytes b = {'B', 'M'};
    for (std::uint32_t w : words)
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// kPicture at n bytes a pixel, colour k stored as code[k], rows padded to 4 bytes.
Bytes Rows(int n, std::array<std::uint32_t, 4> code, bool topDown = false) {
    Bytes rows;
    for (int i = 0; i < 15; ++i) {
        const std::uint32_t pixel = code[kPicture[topDown ? i : (2 - i / 5) * 5 + i % 5] - '0'];
        for (int j = 0; j < n; ++j) rows.push_back(static_cast<std::uint8_t>(pixel >> (8 * j)));
        if (i % 5 == 4) rows.resize((rows.size() + 3) / 4 * 4);
    }
    return rows;
}

TEST(BmpPixels, EveryLayoutExpandsToThePlainPicture) {
    struct Case {
        const char* odd;
        Bytes file;
        std::string picture = kPicture;  // indices into kRgb, 4: black
    };
    const Case cases[] = {
        {"1 bit", Bmp(1, 0, {0x90, 0, 0, 0, 0xC8, 0, 0, 0, 0x50, 0, 0, 0}, 2), "010101100110010"},
        {"4 bits, 4 colours", Bmp(4, 0, {0x30, 1, 0x20, 0, 0x11, 0x22, 0x30, 0, 1, 0x23, 0, 0}, 4)},
        {"RLE4: padded absolute run, alternating runs, delta over index 0",
         Bmp(4, 2, {0,    5, 0x30, 1, 0x20, 0, 0, 0, 2, 0x11, 2,    0x22, 1,
                    0x30, 0, 0,    0, 2,    1, 0, 0, 4, 0x12, 0x30, 0,    1},
             4)},
        {"RLE8: runs, a padded absolute run",
         Bmp(8, 1, {1, 3, 2, 0, 1, 1, 1, 2, 0, 0, 0, 5, 1, 1, 2, 2,
                    3, 0, 0, 0, 0, 3, 0, 1, 2, 0, 1, 3, 1, 0, 0, 1},
             4)},
        {"top-down, 3 colours", Bmp(8, 0, Rows(1, {0, 1, 2, 3}, true), 3, {}, 40, -3),
         "012401122440012"},
        {"16 bits 5-6-5",
         Bmp(16, 3, Rows(2, {0xF800, 0x7E0, 0x1F, 0xFFFF}), 0, {0xF800, 0x7E0, 0x1F})},
        {"32 bits, 10-bit masks", Bmp(32, 3, Rows(4, {0x3FF00000, 0xFFC00, 0x3FF, 0x3FFFFFFF}), 0,
                                      {0x3FF00000, 0xFFC00, 0x3FF})},
        {"24 bits, rows padded", Bmp(24, 0, Rows(3, {0xFF0000, 0xFF00, 0xFF, 0xFFFFFF}), 0)},
        {"32 bits, X set",
         Bmp(32, 0, Rows(4, {0xAAFF0000, 0xAA00FF00, 0xAA0000FF, 0xAAFFFFFF}), 0)},
        {"32 bits, V5 header, red in the low byte",
         Bmp(32, 3, Rows(4, {0xFF, 0xFF00, 0xFF0000, 0xFFFFFF}), 0, {0xFF, 0xFF00, 0xFF0000}, 124)},
        {"hostile RLE8: a run past the row, a delta past the edge, a run cut off, a table of 2",
         Bmp(8, 1, {7, 1, 0, 2, 250, 0, 3, 2, 0, 0, 0, 2, 2, 0, 0, 6, 3, 3}, 2), "000000044011111"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.odd);
        CDib in, out;
        ASSERT_TRUE(in.FromBytes(c.file));
        const bool indexed = in.BitCount() <= 8;
        EXPECT_FALSE(indexed ? ExpandToTrueColour(in, out) : ExpandToIndexed8(in, out));
        ASSERT_TRUE(indexed ? ExpandToIndexed8(in, out) : ExpandToTrueColour(in, out));
        ASSERT_TRUE(out.Width() == 5 && out.Height() == 3 && out.BitCount() == (indexed ? 8 : 24) &&
                    out.Compression() == 0 && !out.TopDown());
        EXPECT_GE(out.ColorCount(), indexed ? in.ColorCount() : 0);
        for (int i = 0; i < 15; ++i) {
            const std::uint32_t rgb = kRgb[c.picture[static_cast<std::size_t>(i)] - '0'];
            EXPECT_EQ(out.PixelColor(i % 5, i / 5), MakeRgb(rgb >> 16, (rgb >> 8) & 255, rgb & 255))
                << i;
            EXPECT_TRUE(!indexed || out.Index(i % 5, i / 5) < out.ColorCount()) << i;
        }
    }
}

}  // namespace
}  // namespace vorla
