// The two port calls of the effect generators: seeded filters and the 8-bit conversion that keeps
// a transparency mask.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "core/model/CDib.h"
#include "imaging/MagickImaging.h"

namespace vorla {
namespace {

// 24-bit w x h: a horizontal ramp of `colours` greys.
CDib Ramp(int w, int h, int colours) {
    CDib dib;
    dib.Create(w, h, 24);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int v = (x % colours) * 255 / (colours - 1);
            dib.SetPixelColor(x, y, MakeRgb(v, v, 255 - v));
        }
    }
    return dib;
}

TEST(MagickImagingEffects, NoiseSeedsGiveTheirOwnReproduciblePictures) {
    MagickImaging imaging;
    const CDib source = Ramp(32, 16, 8);
    CDib a1, a2, b;
    ASSERT_TRUE(imaging.ApplyFilterSeeded(source, FilterKind::AddNoise, 300, 1, a1));
    ASSERT_TRUE(imaging.ApplyFilterSeeded(source, FilterKind::AddNoise, 300, 1, a2));
    ASSERT_TRUE(imaging.ApplyFilterSeeded(source, FilterKind::AddNoise, 300, 2, b));
    EXPECT_EQ(a1, a2) << "the same seed, the same noise";
    EXPECT_NE(a1, b) << "another seed, other noise";
    CDib plain, seeded;
    ASSERT_TRUE(imaging.ApplyFilter(source, FilterKind::Hue, 90, plain));
    ASSERT_TRUE(imaging.ApplyFilterSeeded(source, FilterKind::Hue, 90, 7, seeded));
    EXPECT_EQ(plain, seeded) << "kinds without randomness ignore the seed";
}

TEST(MagickImagingEffects, MaskedPixelsAndOnlyThemTakeTheKeyIndex) {
    MagickImaging imaging;
    const CDib source = Ramp(40, 10, 20);
    std::vector<std::uint8_t> clear(400);
    for (std::size_t i = 0; i < clear.size(); i += 7) clear[i] = 1;
    const Colorref key = MakeRgb(0, 255, 0);
    CDib out;
    int keyIndex = -1;
    ASSERT_TRUE(imaging.ToIndexedKeepingMask(source, clear, key, out, keyIndex));
    ASSERT_EQ(out.BitCount(), 8);
    ASSERT_GE(keyIndex, 0);
    EXPECT_EQ(out.PaletteColor(keyIndex), key);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool masked = clear[static_cast<std::size_t>(y * 40 + x)] != 0;
            EXPECT_EQ(out.Index(x, y) == keyIndex, masked) << x << "," << y;
            if (!masked) {
                EXPECT_EQ(out.PixelColor(x, y), source.PixelColor(x, y)) << "exact";
            }
        }
    }
}

TEST(MagickImagingEffects, ManyColoursAreQuantisedAroundTheKeyAndNoMaskMeansNoKey) {
    MagickImaging imaging;
    CDib rich;
    rich.Create(64, 64, 24);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) rich.SetPixelColor(x, y, MakeRgb(x * 4, y * 4, (x + y) * 2));
    std::vector<std::uint8_t> clear(64 * 64);
    clear[0] = clear[100] = 1;
    CDib out;
    int keyIndex = -1;
    ASSERT_TRUE(imaging.ToIndexedKeepingMask(rich, clear, MakeRgb(1, 2, 3), out, keyIndex));
    EXPECT_LE(out.ColorCount(), 256);
    std::set<int> keyed;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if (out.Index(x, y) == keyIndex) keyed.insert(y * 64 + x);
    EXPECT_EQ(keyed, (std::set<int>{0, 100}));

    CDib opaque;
    ASSERT_TRUE(imaging.ToIndexedKeepingMask(Ramp(16, 4, 16), {}, 0, opaque, keyIndex));
    EXPECT_EQ(keyIndex, -1);
    EXPECT_EQ(opaque.BitCount(), 8);
    std::vector<std::uint8_t> wrongSize(3, 1);
    EXPECT_FALSE(imaging.ToIndexedKeepingMask(Ramp(16, 4, 16), wrongSize, 0, opaque, keyIndex));
}

}  // namespace
}  // namespace vorla
