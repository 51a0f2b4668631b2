// The two port calls of the effect generators: seeded filters and the 8-bit conversion that keeps
// a transparency mask.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "core/effects/AdvancedEffects.h"
#include "core/model/ApplicationState.h"
#include "core/model/CDib.h"
#include "core/model/FrameTable.h"
#include "imaging/MagickImaging.h"
#include "support/FakeHosts.h"
#include "support/ScriptedUserInterface.h"
#include "support/TestFiles.h"

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

// The generator with the real filters: a transparent frame of 200 colours through a hue turn
// and a blur, whose results hold far more colours than a palette, keeps exactly its
// transparent pixels on the key index and no index past colorCount.
TEST(MagickImagingEffects, TransparentFramesKeepTheirMaskThroughRealFilters) {
    test::TempDir dir;
    test::ScriptedUserInterface ui;
    test::RecordingHost host;
    MagickImaging imaging;
    ApplicationState app(dir.Path().string() + "/", ui, 1200);
    FrameTable table(app, ui, imaging, host, {}, 0);
    CDib image;
    image.Create(48, 32, 8, 256);
    for (int i = 0; i < 256; ++i) image.SetPaletteColor(i, MakeRgb(i, (i * 3) % 256, 255 - i));
    std::vector<std::pair<int, int>> clear;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 48; ++x) {
            const bool hole = (x - 24) * (x - 24) + (y - 16) * (y - 16) < 40;
            image.SetIndex(x, y, static_cast<std::uint8_t>(hole ? 250 : (x * 4 + y) % 200));
            if (hole) clear.emplace_back(x, y);
        }
    }
    table.frameImages[0] = image;
    FrameEntry entry;
    entry.width = 48;
    entry.height = 32;
    entry.colorCount = 256;
    entry.transparent = 1;
    entry.transparentIndex = 250;
    entry.transparentColor = image.PaletteColor(250);
    table.entries[0] = entry;
    table.frameCount = 1;
    table.settings.screenWidth = 48;
    table.settings.screenHeight = 32;
    table.SetKeyColor(0);
    for (auto [kind, value] :
         {std::pair{effects::kEffectHue, 180}, std::pair{effects::kEffectBlur, 3}}) {
        effects::AdvancedRequest request;
        request.kind = kind;
        request.first = {value, 0, 0, 0};
        const effects::RunResult result =
            effects::RunAdvancedFrames(table, nullptr, request, effects::RunChoices{});
        EXPECT_EQ(result.failedFrames, 0) << "kind " << kind;
        const CDib& now = table.frameImages[0];
        const FrameEntry& e = table.entries[0];
        ASSERT_TRUE(e.transparent);
        std::vector<std::pair<int, int>> keyed;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 48; ++x) {
                ASSERT_LT(now.Index(x, y), e.colorCount);
                ASSERT_LT(now.Index(x, y), now.ColorCount());
                if (now.Index(x, y) == e.transparentIndex) keyed.emplace_back(x, y);
            }
        }
        EXPECT_EQ(keyed, clear) << "kind " << kind;
        EXPECT_EQ(now.PaletteColor(e.transparentIndex), e.keyColor);
    }
}

}  // namespace
}  // namespace vorla
