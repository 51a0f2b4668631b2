#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "core/edit/Border.h"
#include "core/effects/PaletteOps.h"
#include "core/model/FrameTable.h"
#include "support/TableTest.h"

namespace vorla {
namespace {

constexpr Colorref kRed = MakeRgb(255, 0, 0);

class BorderTest : public test::TableTest<> {
protected:
    BorderTest() {
        table = NewTable(0);
        table->settings.screenWidth = 8;
        table->settings.screenHeight = 6;
    }
    // Frame k: w x h, `colours` entries, pixel (x, y) carries (y * w + x) % colours.
    void PutFrame(int k, int colours, int w = 8, int h = 6) {
        CDib image;
        image.Create(w, h, 8, colours);
        for (int i = 0; i < colours; ++i) image.SetPaletteColor(i, MakeRgb(i, 100, 100));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.SetIndex(x, y, static_cast<std::uint8_t>((y * w + x) % colours));
        table->frameImages[static_cast<std::size_t>(k)] = image;
        FrameEntry& entry = table->entries[static_cast<std::size_t>(k)];
        entry = FrameEntry{};
        entry.width = static_cast<std::int16_t>(w);
        entry.height = static_cast<std::int16_t>(h);
        entry.colorCount = static_cast<std::int16_t>(colours);
        entry.transparentIndex = static_cast<std::uint8_t>(colours - 1);
        table->frameCount = std::max(table->frameCount, k + 1);
    }
    CDib& Image(int k) { return table->frameImages[static_cast<std::size_t>(k)]; }
    FrameEntry& Entry(int k) { return table->entries[static_cast<std::size_t>(k)]; }
    std::unique_ptr<FrameTable> table;
};

TEST_F(BorderTest, OnlyTheTopWithThicknessThreeChangesExactlyRowsZeroToTwo) {
    PutFrame(0, 4);
    const CDib before = Image(0);
    edit::BorderRequest request{-1, kRed, 3, false, true, false, false};
    ASSERT_TRUE(edit::InsertBorder(*table, request, true));
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            if (y < 3) {
                EXPECT_EQ(Image(0).PixelColor(x, y), kRed) << x << "," << y;
            } else {
                EXPECT_EQ(Image(0).Index(x, y), before.Index(x, y)) << x << "," << y;
                EXPECT_EQ(Image(0).PixelColor(x, y), before.PixelColor(x, y));
            }
        }
    }
    EXPECT_EQ(Entry(0).colorCount, 5) << "a palette below 256 grows by one entry";
    EXPECT_EQ(host.snapshots, 1);
    EXPECT_EQ(host.modified, 1);
}

TEST_F(BorderTest, AFullPaletteFreesOneEntryAndKeepsTheTransparentIndex) {
    table->settings.screenWidth = 16;
    table->settings.screenHeight = 16;
    PutFrame(0, 256, 16, 16);  // every entry used by exactly one pixel
    Entry(0).transparent = 1;
    Entry(0).transparentIndex = 7;
    table->SetKeyColor(0);
    const Colorref key = Entry(0).keyColor;
    const auto transparentPixels = effects::IndexHistogram(Image(0))[7];
    edit::BorderRequest request{0, kRed, 1, true, false, false, false};
    ASSERT_TRUE(edit::InsertBorder(*table, request, false));
    EXPECT_EQ(host.snapshots, 0) << "the frame dialog's session owns the change";
    for (int y = 0; y < 16; ++y) EXPECT_EQ(Image(0).PixelColor(0, y), kRed);
    EXPECT_EQ(Image(0).PixelColor(1, 0), MakeRgb(1, 100, 100)) << "column 1 untouched";
    EXPECT_EQ(Entry(0).transparentIndex, 7);
    EXPECT_EQ(Image(0).PaletteColor(7), Entry(0).keyColor);
    EXPECT_EQ(Entry(0).keyColor, key);
    EXPECT_EQ(effects::IndexHistogram(Image(0))[7], transparentPixels)
        << "the transparent pixel (7, 0) is not in column 0 and stays";
    EXPECT_EQ(Entry(0).colorCount, 256);
}

TEST_F(BorderTest, AKeyColourClashRefusesBeforeAnyFrameChanges) {
    PutFrame(0, 4);
    PutFrame(1, 4);
    Entry(1).transparent = 1;
    Entry(1).transparentIndex = 0;
    table->SetKeyColor(1);
    const CDib first = Image(0);
    const CDib second = Image(1);
    edit::BorderRequest request{-1, Entry(1).keyColor, 2};
    EXPECT_FALSE(edit::InsertBorder(*table, request, true));
    EXPECT_EQ(ui.LastMessage(),
              "2번 프레임에서 투명색으로 쓰이는 색상과 테두리색이 겹칩니다. \n\n테두리넣기 명령을 "
              "실행할 수 없습니다.");
    EXPECT_EQ(Image(0), first) << "not even the earlier frame";
    EXPECT_EQ(Image(1), second);
    EXPECT_EQ(host.snapshots, 0);
}

TEST_F(BorderTest, AHugeThicknessFillsThePictureAtOnce) {
    PutFrame(0, 4);
    edit::BorderRequest request{0, kRed, INT_MAX};
    ASSERT_TRUE(edit::InsertBorder(*table, request, true));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(Image(0).PixelColor(x, y), kRed);
    PutFrame(0, 4);
    const CDib before = Image(0);
    EXPECT_TRUE(edit::InsertBorder(*table, {0, kRed, edit::ReadThicknessText("abc")}, true));
    EXPECT_EQ(Image(0), before) << "a thickness that is no number draws nothing";
}

TEST(BorderTexts, CaptionAndColourText) {
    EXPECT_EQ(edit::BorderCaption(-1), "모든 프레임에 테두리 넣기");
    EXPECT_EQ(edit::BorderCaption(4), "5번 프레임에 테두리 넣기");
    EXPECT_EQ(edit::BorderColourText(MakeRgb(255, 10, 0)), "FF 0A 00");
}

}  // namespace
}  // namespace vorla
