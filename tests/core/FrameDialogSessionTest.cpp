#include "core/edit/FrameDialogSession.h"

#include <gtest/gtest.h>

#include "core/edit/FrameEditRules.h"
#include "core/edit/FrameImageEdits.h"
#include "core/edit/Saving.h"
#include "core/gif/GifEncoder.h"
#include "core/model/FrameTable.h"
#include "support/TableTest.h"

namespace vorla {
namespace {

class FrameDialogSessionTest : public test::TableTest<> {
protected:
    FrameDialogSessionTest() {
        table = NewTable(0);
        table->settings.screenWidth = 40;
        table->settings.screenHeight = 30;
        for (int k = 0; k < 3; ++k) {
            CDib image;
            image.Create(10, 8, 8, 4);
            for (int i = 0; i < 4; ++i) image.SetPaletteColor(i, MakeRgb(60 * i, 0, 0));
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 10; ++x)
                    image.SetIndex(x, y, static_cast<std::uint8_t>((x + y + k) % 3));
            table->frameImages[static_cast<std::size_t>(k)] = image;
            FrameEntry& entry = table->entries[static_cast<std::size_t>(k)];
            entry.left = static_cast<std::int16_t>(2 * k);
            entry.top = 1;
            entry.width = 10;
            entry.height = 8;
            entry.delay = static_cast<std::int16_t>(10 + k);
            entry.colorCount = 4;
            entry.transparentIndex = 3;
            entry.controlFlags = 1 << 2;
        }
        table->frameCount = 3;
    }
    std::unique_ptr<FrameTable> table;
    edit::FrameDialogSession session;
};

TEST_F(FrameDialogSessionTest, CancelPutsBackEveryDelayTheOffsetsAndTheImage) {
    session.Begin(*table, 1, false);
    const CDib before = table->frameImages[1];
    const auto bytesBefore = before.ToBytes();
    EXPECT_EQ(edit::ApplyDelayText(*table, 1, "77", true), 77);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(table->entries[static_cast<std::size_t>(k)].delay, 77);
    ASSERT_TRUE(edit::MoveFrameTo(*table, 1, 5, 6));
    ASSERT_TRUE(edit::CropFrame(*table, 1, {1, 1, 6, 5}));
    table->entries[0].selected = 1;  // a click in the strip meanwhile
    EXPECT_TRUE(session.Changed(*table));

    EXPECT_FALSE(session.Cancel(*table)) << "the modified flag goes back to what it was";
    EXPECT_FALSE(session.Active());
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(table->entries[static_cast<std::size_t>(k)].delay, 10 + k) << "frame " << k;
    EXPECT_EQ(table->entries[1].left, 2);
    EXPECT_EQ(table->entries[1].top, 1);
    EXPECT_EQ(table->entries[1].width, 10);
    EXPECT_EQ(table->frameImages[1].ToBytes(), bytesBefore) << "the image comes back byte for byte";
    EXPECT_EQ(table->entries[0].selected, 1) << "the selection is not the session's";
}

TEST_F(FrameDialogSessionTest, ApplyAsksForAnUndoStepOnlyWhenSomethingChanged) {
    session.Begin(*table, 0, true);
    table->entries[2].selected = 1;
    EXPECT_FALSE(session.Apply(*table)) << "a selection click is no change";

    session.Begin(*table, 0, false);
    edit::SetDisposalChoice(table->entries[0], edit::kDisposalRestoreBackground);
    EXPECT_TRUE(session.Apply(*table));
    EXPECT_EQ(table->entries[0].restoreBackground, 1) << "적용 keeps the change";
}

TEST_F(FrameDialogSessionTest, SizeComparisonMeasuresBothStatesAndLeavesTheTableAsItIs) {
    GifEncoder encoder;
    const std::int64_t original = saving::MeasureSave(*table, encoder);
    session.Begin(*table, 1, false);
    ASSERT_TRUE(edit::CropFrame(*table, 1, {0, 0, 4, 3}));
    edit::ApplyDelayText(*table, 1, "300", true);
    const auto imageNow = table->frameImages[1].ToBytes();
    const FrameEntry entryNow = table->entries[1];

    const edit::SavedSizes sizes = edit::MeasureSessionSizes(*table, session, encoder);
    EXPECT_EQ(sizes.before, original);
    EXPECT_LT(sizes.now, sizes.before) << "a 4 x 3 frame writes fewer bytes than a 10 x 8 one";
    EXPECT_EQ(table->frameImages[1].ToBytes(), imageNow);
    EXPECT_TRUE(table->entries[1] == entryNow);
    EXPECT_EQ(table->entries[0].delay, 300);
    EXPECT_EQ(sizes.now, saving::MeasureSave(*table, encoder));

    const std::string text = edit::SessionSizeText({1536, 950});
    EXPECT_EQ(text, "편집 전 파일 크기: 1.5K(1536) bytes\n\n저장시 파일 크기: 950 bytes");
}

TEST_F(FrameDialogSessionTest, DelayTextIsClampedBeforeItSpreads) {
    EXPECT_EQ(edit::ApplyDelayText(*table, 0, "99999", true), 65535);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(edit::DelayOf(table->entries[static_cast<std::size_t>(k)]), 65535);
    EXPECT_EQ(edit::ApplyDelayText(*table, 2, "-5", false), 0);
    EXPECT_EQ(edit::DelayOf(table->entries[2]), 0);
    EXPECT_EQ(edit::DelayOf(table->entries[1]), 65535) << "without 모두 only the frame";
}

TEST_F(FrameDialogSessionTest, DisposalChoiceWritesTheFlagAndTheBitsTogether) {
    FrameEntry& entry = table->entries[0];
    edit::SetDisposalChoice(entry, edit::kDisposalRestoreBackground);
    EXPECT_EQ(entry.Disposal(), 2);
    EXPECT_EQ(entry.restoreBackground, 1);
    EXPECT_EQ(edit::DisposalChoiceOf(entry), edit::kDisposalRestoreBackground);
    edit::SetDisposalChoice(entry, edit::kDisposalKeep);
    EXPECT_EQ(entry.Disposal(), 1);
    EXPECT_EQ(entry.restoreBackground, 0);
    entry.controlFlags = 3 << 2;  // restore previous, as read from a file: "보존" keeps it
    edit::SetDisposalChoice(entry, edit::kDisposalKeep);
    EXPECT_EQ(entry.Disposal(), 3);
}

TEST_F(FrameDialogSessionTest, OffsetsThatLeaveTheScreenAreRefused) {
    EXPECT_FALSE(edit::MoveFrameTo(*table, 0, -1, 0));
    EXPECT_FALSE(edit::MoveFrameTo(*table, 0, 31, 0)) << "right edge at 41 of 40";
    EXPECT_FALSE(edit::MoveFrameTo(*table, 0, 0, 23));
    EXPECT_EQ(table->entries[0].left, 0);
    EXPECT_TRUE(edit::MoveFrameTo(*table, 0, 30, 22));
    EXPECT_EQ(table->entries[0].left, 30);

    // A drag is pushed back inside, never refused.
    const auto dragged = edit::DraggedOffsets(*table, 0, 100, -100);
    EXPECT_EQ(dragged.left, 30);
    EXPECT_EQ(dragged.top, 0);
}

TEST_F(FrameDialogSessionTest, CountsTheColoursTheImageUses) {
    EXPECT_EQ(edit::UsedColourCount(*table, 0), 3);
    EXPECT_FALSE(edit::TransparentIndexUsed(*table, 0)) << "index 3 carries no pixel";
    EXPECT_FALSE(edit::CoversScreen(*table, 0));
}

}  // namespace
}  // namespace vorla
