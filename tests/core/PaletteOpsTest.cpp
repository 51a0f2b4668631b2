#include <gtest/gtest.h>

#include <memory>

#include "core/effects/PaletteOps.h"
#include "core/model/ApplicationState.h"
#include "core/model/FrameTable.h"
#include "support/FakeHosts.h"
#include "support/ScriptedUserInterface.h"
#include "support/TableTest.h"
#include "support/TestFiles.h"

namespace vorla {
namespace {

using effects::ColourDistance;

class PaletteOpsTest : public test::TableTest<> {
protected:
    PaletteOpsTest() { table = NewTable(0); }

    // Frame 0: width x height at (left, top) with `colours` palette entries; pixels from index.
    template <typename IndexOf>
    void PutFrame(int width, int height, int colours, IndexOf index, int left = 0, int top = 0) {
        CDib image;
        image.Create(width, height, 8, colours);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                image.SetIndex(x, y, static_cast<std::uint8_t>(index(x, y)));
            }
        }
        table->frameImages[0] = image;
        FrameEntry& entry = table->entries[0];
        entry = FrameEntry{};
        entry.left = static_cast<std::int16_t>(left);
        entry.top = static_cast<std::int16_t>(top);
        entry.width = static_cast<std::int16_t>(width);
        entry.height = static_cast<std::int16_t>(height);
        entry.colorCount = static_cast<std::int16_t>(colours);
        entry.transparentIndex = static_cast<std::uint8_t>(colours - 1);
        table->frameCount = 1;
    }

    CDib& Image() { return table->frameImages[0]; }
    FrameEntry& Entry() { return table->entries[0]; }
    int Uses(int index) {
        return effects::IndexHistogram(Image())[static_cast<std::size_t>(index)];
    }

    std::unique_ptr<FrameTable> table;
};

TEST(ColourDistance, IsTheSumOfTheChannelDifferences) {
    EXPECT_EQ(ColourDistance(MakeRgb(10, 20, 30), MakeRgb(13, 17, 30)), 6);
    EXPECT_EQ(ColourDistance(MakeRgb(13, 17, 30), MakeRgb(10, 20, 30)), 6);
    EXPECT_EQ(ColourDistance(MakeRgb(0, 0, 0), MakeRgb(255, 255, 255)), 765);
    EXPECT_EQ(ColourDistance(MakeRgb(7, 8, 9), MakeRgb(7, 8, 9)), 0);
    EXPECT_EQ(ColourDistance(MakeRgb(0, 0, 1), MakeRgb(0, 0, 0)), 1);
}

TEST_F(PaletteOpsTest, TransparencyOnAFullPaletteFreesTheLeastUsedIndex) {
    // Every index twice, except 100 (once) and 101 (three times).
    PutFrame(16, 32, 256, [](int x, int y) {
        int p = (x + 16 * y) % 256;
        return x == 4 && y == 22 ? 101 : p;  // pixel 356 held index 100
    });
    for (int i = 0; i < 256; ++i) Image().SetPaletteColor(i, MakeRgb(i, i, i));
    Image().SetPaletteColor(100, MakeRgb(150, 150, 151));  // nearest: 150 at distance 1
    ASSERT_EQ(Uses(100), 1);

    EXPECT_EQ(effects::MakeTransparent(*table, 0), 100);
    EXPECT_TRUE(Entry().transparent);
    EXPECT_EQ(Entry().transparentIndex, 100);
    EXPECT_EQ(Uses(100), 0) << "the freed index must not be painted any more";
    EXPECT_EQ(Uses(150), 3) << "have the remapped pixel elsewhere, want it on the nearest colour";
    EXPECT_EQ(Uses(101), 3);
    EXPECT_EQ(Entry().transparentColor, MakeRgb(150, 150, 151));
    EXPECT_EQ(Image().PaletteColor(100), Entry().keyColor);
}

TEST_F(PaletteOpsTest, TransparencyPrefersAnUnusedIndexAndGrowsASmallFullPalette) {
    PutFrame(4, 1, 256, [](int x, int) { return x; });
    const CDib before = Image();
    EXPECT_EQ(effects::MakeTransparent(*table, 0), 255);
    EXPECT_EQ(Image().Bits(), before.Bits());

    // Four colours, all painted: the palette grows to eight rather than losing one.
    PutFrame(4, 1, 4, [](int x, int) { return x; });
    const std::vector<std::uint8_t> pixels = Image().Bits();
    EXPECT_EQ(effects::MakeTransparent(*table, 0), 7);
    EXPECT_EQ(Entry().colorCount, 8);
    EXPECT_EQ(Image().ColorCount(), 8);
    EXPECT_EQ(Image().Bits(), pixels);

    // Already transparent: nothing changes.
    const CDib now = Image();
    EXPECT_EQ(effects::MakeTransparent(*table, 0), 7);
    EXPECT_EQ(Image(), now);
    EXPECT_EQ(effects::MakeTransparent(*table, 1), -1) << "no such frame";
}

TEST_F(PaletteOpsTest, FreeingSparesTheTransparentIndex) {
    // Index 0 is the least used but transparent; index 1 goes instead, to its nearest colour 3.
    PutFrame(7, 1, 4, [](int x, int) { return x == 0 ? 0 : x < 2 ? 1 : x < 4 ? 2 : 3; });
    Image().SetPaletteColor(1, MakeRgb(50, 50, 50));
    Image().SetPaletteColor(2, MakeRgb(200, 200, 200));
    Image().SetPaletteColor(3, MakeRgb(60, 50, 50));
    Entry().transparent = 1;
    Entry().transparentIndex = 0;
    EXPECT_EQ(effects::FreeEntryIfFull(Image(), Entry()), 1);
    EXPECT_EQ(Uses(0), 1);
    EXPECT_EQ(Uses(1), 0);
    EXPECT_EQ(Uses(3), 4);
    EXPECT_EQ(effects::FreeEntryIfFull(Image(), Entry()), -1) << "an entry is free already";
}

TEST_F(PaletteOpsTest, FillingMarginsCoversTheScreenWithTheTransparentIndex) {
    table->settings.screenWidth = 5;
    table->settings.screenHeight = 4;
    PutFrame(
        2, 2, 4, [](int x, int y) { return x + 2 * y; }, 2, 1);
    for (int i = 0; i < 4; ++i) Image().SetPaletteColor(i, MakeRgb(40 * i + 100, 0, 0));

    ASSERT_TRUE(effects::FillMarginsWithTransparency(*table, 0));
    EXPECT_EQ(Entry().left, 0);
    EXPECT_EQ(Entry().top, 0);
    EXPECT_EQ(Entry().width, 5);
    EXPECT_EQ(Entry().height, 4);
    EXPECT_EQ(Image().Width(), 5);
    EXPECT_EQ(Image().Height(), 4);
    EXPECT_EQ(Entry().colorCount, 256);
    ASSERT_TRUE(Entry().transparent);
    const int key = Entry().transparentIndex;
    EXPECT_GE(key, 4) << "a fresh index, not one of the frame's colours";
    EXPECT_EQ(Image().PaletteColor(key), Entry().keyColor);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
            const bool inside = x >= 2 && x < 4 && y >= 1 && y < 3;
            const int want = inside ? (x - 2) + 2 * (y - 1) : key;
            EXPECT_EQ(Image().Index(x, y), want) << "pixel " << x << "," << y;
        }
    }
    EXPECT_EQ(Image().PaletteColor(3), MakeRgb(220, 0, 0)) << "colours are kept";
}

TEST_F(PaletteOpsTest, FillingMarginsKeepsTransparentPixelsAndClipsAtTheScreen) {
    table->settings.screenWidth = 5;
    table->settings.screenHeight = 2;
    // Sticks out on the right: only its first column is on the screen.
    PutFrame(
        2, 2, 4, [](int x, int y) { return y == 1 && x == 0 ? 2 : 1; }, 4, 0);
    Entry().transparent = 1;
    Entry().transparentIndex = 2;
    table->SetKeyColor(0);
    ASSERT_TRUE(effects::FillMarginsWithTransparency(*table, 0));
    EXPECT_EQ(Entry().transparentIndex, 2);
    EXPECT_EQ(Image().Index(4, 0), 1);
    EXPECT_EQ(Image().Index(4, 1), 2);
    EXPECT_EQ(Image().Index(0, 0), 2);
    EXPECT_EQ(Image().PaletteColor(2), Entry().keyColor);

    table->settings.screenWidth = 0;
    const CDib before = Image();
    EXPECT_FALSE(effects::FillMarginsWithTransparency(*table, 0));
    EXPECT_EQ(Image(), before);
}

}  // namespace
}  // namespace vorla
