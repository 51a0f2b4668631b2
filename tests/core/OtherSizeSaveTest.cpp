#include <gtest/gtest.h>

#include <memory>

#include "core/edit/OtherSizeSave.h"
#include "core/edit/Snapshot.h"
#include "core/gif/GifDecoder.h"
#include "core/gif/GifEncoder.h"
#include "core/model/FrameTable.h"
#include "support/TableTest.h"

namespace vorla {
namespace {

struct WrittenImage {
    GifPageInfo info;
    CDib image;
};

std::vector<WrittenImage> ReadGif(const std::string& path) {
    const std::vector<std::uint8_t> bytes = test::ReadBytes(path);
    std::vector<WrittenImage> images;
    GifDecoder::DecodeAllImages(bytes, 300, [&](const GifPageInfo& info, CDib&& image) {
        images.push_back({info, std::move(image)});
        return true;
    });
    return images;
}

class OtherSizeSaveTest : public test::TableTest<> {
protected:
    OtherSizeSaveTest() {
        table = NewTable(0);
        table->settings.screenWidth = 100;
        table->settings.screenHeight = 80;
        table->settings.loopForever = true;
        Put(0, 0, 0, 100, 80, false);
        Put(1, 10, 20, 30, 16, true);
        table->frameCount = 2;
    }
    void Put(int k, int left, int top, int w, int h, bool transparent) {
        CDib image;
        image.Create(w, h, 8, 4);
        for (int i = 0; i < 4; ++i) image.SetPaletteColor(i, MakeRgb(60 * i, 0, 255 - 60 * i));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.SetIndex(x, y, static_cast<std::uint8_t>((x / 2 + y) % 4));
        table->frameImages[static_cast<std::size_t>(k)] = image;
        FrameEntry& entry = table->entries[static_cast<std::size_t>(k)];
        entry = FrameEntry{};
        entry.left = static_cast<std::int16_t>(left);
        entry.top = static_cast<std::int16_t>(top);
        entry.width = static_cast<std::int16_t>(w);
        entry.height = static_cast<std::int16_t>(h);
        entry.delay = 20;
        entry.colorCount = 4;
        entry.transparentIndex = 3;
        entry.controlFlags = 4;
        if (transparent) {
            entry.transparent = 1;
            entry.transparentIndex = 2;
            table->SetKeyColor(k);
        }
    }
    std::unique_ptr<FrameTable> table;
    GifEncoder encoder;
};

TEST_F(OtherSizeSaveTest, DoublingWritesTwiceTheOffsetsAndLeavesTheTableByteForByte) {
    EXPECT_EQ(edit::ProposedOtherSizeName("anim.gif", 200, 160), "anim_200x160.gif");
    EXPECT_EQ(edit::ProposedOtherSizeName("a.b.gif", 2, 3), "a_2x3.gif");
    const auto blockBefore = edit::BuildSnapshotBlock(*table);
    table->entries[1].link.linkedPath = "/somewhere/linked.bmp";
    const FrameEntry entryBefore = table->entries[1];
    const std::string path = dir.File("anim_200x160.gif");
    ASSERT_EQ(edit::SaveAtOtherSize(*table, encoder, path, 200, 160),
              edit::OtherSizeResult::Written);
    EXPECT_EQ(edit::BuildSnapshotBlock(*table), blockBefore);
    EXPECT_EQ(table->entries[1], entryBefore) << "links and every field stay";
    EXPECT_EQ(host.modified, 0);
    EXPECT_EQ(host.snapshots, 0);

    const auto written = ReadGif(path);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0].info.screenWidth, 200);
    EXPECT_EQ(written[0].info.screenHeight, 160);
    EXPECT_EQ(written[0].info.width, 200) << "as wide as the screen stays as wide";
    EXPECT_EQ(written[1].info.left, 20);
    EXPECT_EQ(written[1].info.top, 40);
    EXPECT_EQ(written[1].info.width, 60);
    EXPECT_EQ(written[1].info.height, 32);
    EXPECT_TRUE(written[1].info.transparent) << "transparency kept as the frame resize keeps it";
    EXPECT_TRUE(written[0].info.loopBlock);
}

TEST_F(OtherSizeSaveTest, SizesOutsideOneTo16000AreRefusedBeforeAnyWork) {
    const std::string path = dir.File("x.gif");
    EXPECT_EQ(edit::SaveAtOtherSize(*table, encoder, path, 0, 50), edit::OtherSizeResult::Refused);
    EXPECT_EQ(edit::SaveAtOtherSize(*table, encoder, path, 16001, 50),
              edit::OtherSizeResult::Refused);
    EXPECT_EQ(imaging.resamples, 0);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(edit::OtherSizeRefusal(16000, 16000) == std::nullopt);
}

TEST_F(OtherSizeSaveTest, AOnePixelFrameHalvedStaysOnePixelWithItsTransparency) {
    Put(1, 99, 79, 1, 1, true);
    table->frameImages[1].SetIndex(0, 0, 2);  // its one pixel is transparent
    const std::string path = dir.File("half.gif");
    ASSERT_EQ(edit::SaveAtOtherSize(*table, encoder, path, 50, 40), edit::OtherSizeResult::Written);
    const auto written = ReadGif(path);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[1].info.width, 1);
    EXPECT_EQ(written[1].info.height, 1);
    EXPECT_LE(written[1].info.left + 1, 50) << "inside the new screen";
    EXPECT_TRUE(written[1].info.transparent);
    EXPECT_EQ(written[1].image.Index(0, 0), written[1].info.transparentIndex);
    const auto placed = edit::ScalePlacement(99, 79, 1, 1, 100, 80, 50, 40);
    EXPECT_EQ(placed.left, 49);
    EXPECT_EQ(placed.top, 39);
}

TEST_F(OtherSizeSaveTest, AFailedResizeWritesNothingAndSaysSo) {
    imaging.failResample = true;
    const auto blockBefore = edit::BuildSnapshotBlock(*table);
    const std::string path = dir.File("fail.gif");
    EXPECT_EQ(edit::SaveAtOtherSize(*table, encoder, path, 120, 90),
              edit::OtherSizeResult::ResizeFailed);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(ui.LastMessage(), "1번 프레임의 크기를 바꿀 수 없어서 파일을 저장하지 않았습니다.");
    EXPECT_EQ(edit::BuildSnapshotBlock(*table), blockBefore);
}

TEST_F(OtherSizeSaveTest, QuittingDuringTheRunCancelsIt) {
    ui.quitting = true;
    const std::string path = dir.File("quit.gif");
    EXPECT_EQ(edit::SaveAtOtherSize(*table, encoder, path, 120, 90),
              edit::OtherSizeResult::Cancelled);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(OtherSizeRules, KeepRatioTruncates) {
    edit::OtherSizeRules rules{0.5};
    EXPECT_EQ(rules.HeightForWidth(50), 25);
    EXPECT_EQ(rules.WidthForHeight(25), 50);
    EXPECT_EQ(rules.HeightForWidth(3), 1);
}

}  // namespace
}  // namespace vorla
