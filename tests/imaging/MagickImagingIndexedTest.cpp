// The palette operations of the Imaging port that keep a transparent index: exact palettes,
// resampling with the key pixels as alpha 0, and rotation on indices at the frame's size.
#include <gtest/gtest.h>

#include <set>

#include "core/model/CDib.h"
#include "imaging/MagickImaging.h"

namespace vorla {
namespace {

constexpr Colorref kRed = MakeRgb(255, 0, 0);
constexpr Colorref kBlue = MakeRgb(0, 0, 255);
constexpr Colorref kKey = MakeRgb(0, 255, 0);  // the key colour: green, which nothing else has

// size x size: a 2-pixel ring of index 2 (the key) around a red left half (0) and a blue right
// half (1).
CDib RingPicture(int size) {
    CDib dib;
    dib.Create(size, size, 8, 3);
    dib.SetPaletteColor(0, kRed);
    dib.SetPaletteColor(1, kBlue);
    dib.SetPaletteColor(2, kKey);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const bool ring = x < 2 || y < 2 || x >= size - 2 || y >= size - 2;
            dib.SetIndex(x, y, static_cast<std::uint8_t>(ring ? 2 : (x < size / 2 ? 0 : 1)));
        }
    }
    return dib;
}

int CountIndex(const CDib& dib, int index) {
    int count = 0;
    for (int y = 0; y < dib.Height(); ++y)
        for (int x = 0; x < dib.Width(); ++x) count += dib.Index(x, y) == index;
    return count;
}

TEST(MagickImagingIndexed, ExactPaletteListsColoursInOrderAndRefusesMore) {
    MagickImaging imaging;
    CDib rgb;
    rgb.Create(3, 2, 24);
    rgb.SetPixelColor(0, 0, kBlue);
    rgb.SetPixelColor(1, 0, kRed);
    rgb.SetPixelColor(2, 0, kBlue);
    rgb.SetPixelColor(0, 1, kKey);
    rgb.SetPixelColor(1, 1, kKey);
    rgb.SetPixelColor(2, 1, kRed);
    CDib out;
    ASSERT_TRUE(imaging.ExactPalette(rgb, out));
    ASSERT_EQ(out.BitCount(), 8);
    ASSERT_EQ(out.ColorCount(), 3);
    EXPECT_EQ(out.PaletteColor(0), kBlue);
    EXPECT_EQ(out.PaletteColor(1), kRed);
    EXPECT_EQ(out.PaletteColor(2), kKey);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(out.PixelColor(x, y), rgb.PixelColor(x, y));

    CDib many;
    many.Create(257, 1, 24);
    for (int x = 0; x < 257; ++x) many.SetPixelColor(x, 0, MakeRgb(x % 256, x / 256, 0));
    CDib untouched = out;
    EXPECT_FALSE(imaging.ExactPalette(many, untouched));
    EXPECT_EQ(untouched, out);
}

TEST(MagickImagingIndexed, RotationKeepsTheSizeThePaletteAndTheIndices) {
    MagickImaging imaging;
    CDib source;
    source.Create(5, 5, 8, 4);
    for (int i = 0; i < 4; ++i) source.SetPaletteColor(i, MakeRgb(60 * i, 0, 0));
    source.SetIndex(0, 0, 1);  // top-left marker

    CDib quarter;
    ASSERT_TRUE(imaging.RotateIndexed(source, 90.0, 3, quarter));
    EXPECT_EQ(quarter.Width(), 5);
    EXPECT_EQ(quarter.Height(), 5);
    EXPECT_EQ(quarter.ColorTable(), source.ColorTable());
    EXPECT_EQ(quarter.Index(4, 0), 1) << "clockwise: the top-left corner goes to the top right";
    EXPECT_EQ(CountIndex(quarter, 3), 0) << "a quarter turn of a square uncovers nothing";

    CDib wide;
    wide.Create(40, 20, 8, 4);
    CDib turned;
    ASSERT_TRUE(imaging.RotateIndexed(wide, 45.0, 3, turned));
    EXPECT_EQ(turned.Width(), 40);
    EXPECT_EQ(turned.Height(), 20);
    EXPECT_EQ(turned.Index(0, 0), 3) << "uncovered corners take the fill index";
    EXPECT_EQ(turned.Index(39, 19), 3);
    EXPECT_EQ(turned.Index(20, 10), 0);
    EXPECT_EQ(CountIndex(turned, 0) + CountIndex(turned, 3), 40 * 20) << "no new indices";

    CDib same;
    ASSERT_TRUE(imaging.RotateIndexed(RingPicture(9), 360.0, 2, same));
    EXPECT_EQ(same, RingPicture(9));
    CDib rgb;
    rgb.Create(4, 4, 24);
    EXPECT_FALSE(imaging.RotateIndexed(rgb, 10.0, 0, same)) << "palette images only";
}

TEST(MagickImagingIndexed, ResamplingKeepsTheKeyPixelsApartFromTheColours) {
    MagickImaging imaging;
    for (int size : {31, 12}) {
        CDib out;
        int key = -7;
        ASSERT_TRUE(imaging.ResampleIndexed(RingPicture(20), 2, size, size, out, key)) << size;
        ASSERT_EQ(out.BitCount(), 8);
        ASSERT_EQ(out.Width(), size);
        ASSERT_EQ(out.Height(), size);
        ASSERT_GE(key, 0);
        ASSERT_LT(key, out.ColorCount());
        EXPECT_EQ(out.PaletteColor(key), kKey);
        for (auto [x, y] : {std::pair{0, 0}, {size - 1, 0}, {0, size - 1}, {size - 1, size - 1}})
            EXPECT_EQ(out.Index(x, y), key) << "corner " << x << "," << y << " of " << size;
        EXPECT_EQ(out.Index(size / 4, size / 2), out.Index(size / 4, size / 2 + 1));
        EXPECT_NE(out.Index(size / 2, size / 2), key);
        // The key's green never bleeds into the colours next to the ring.
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                if (out.Index(x, y) == key) continue;
                EXPECT_LT(GreenOf(out.PixelColor(x, y)), 8) << "pixel " << x << "," << y;
            }
        }
    }
}

TEST(MagickImagingIndexed, ResamplingManyColoursStillGivesOneKeyEntry) {
    MagickImaging imaging;
    // 256 distinct colours in a 16 x 16 block; index 255 (the key) on the left column.
    CDib source;
    source.Create(16, 16, 8, 256);
    for (int i = 0; i < 256; ++i) source.SetPaletteColor(i, MakeRgb(i, (i * 7) % 256, 255 - i));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            source.SetIndex(x, y, static_cast<std::uint8_t>(x == 0 ? 255 : y * 16 + x - 1));
    CDib out;
    int key = -1;
    ASSERT_TRUE(imaging.ResampleIndexed(source, 255, 40, 40, out, key));
    ASSERT_GE(key, 0);
    ASSERT_LE(out.ColorCount(), 256);
    EXPECT_EQ(out.PaletteColor(key), source.PaletteColor(255));
    EXPECT_EQ(out.Index(0, 20), key);
    EXPECT_NE(out.Index(39, 20), key);

    // Without a key nothing is transparent.
    ASSERT_TRUE(imaging.ResampleIndexed(source, -1, 8, 8, out, key));
    EXPECT_EQ(key, -1);
    EXPECT_EQ(out.Width(), 8);
}

}  // namespace
}  // namespace vorla
