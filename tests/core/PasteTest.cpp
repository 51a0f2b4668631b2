#include <gtest/gtest.h>

#include <memory>

#include "core/edit/FrameClipboard.h"
#include "core/edit/Paste.h"
#include "core/edit/Snapshot.h"
#include "core/edit/UndoStore.h"
#include "core/model/ApplicationState.h"
#include "core/model/FrameTable.h"
#include "support/FakeHosts.h"
#include "support/ScriptedUserInterface.h"
#include "support/TableTest.h"
#include "support/TestFiles.h"

namespace vorla {
namespace {

class PasteTest : public test::TableTest<test::StoringHost> {
protected:
    std::unique_ptr<FrameTable> MakeTable(int frames, int width, int height, int delay, int slot) {
        auto table = NewTable(slot);
        std::string name = std::to_string(slot);
        name += ".gif";
        GifPageInfo info;
        info.screenWidth = info.width = width;
        info.screenHeight = info.height = height;
        info.colorCount = 4;
        info.delay = delay;
        info.controlByte = 4;
        for (int i = 0; i < frames; ++i) {
            CDib image;
            image.Create(width, height, 8, 256);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    image.SetIndex(x, y, static_cast<std::uint8_t>(i % 4));
            imaging.gifs[name].push_back({image, info});
        }
        for (int i = 0; i < frames; ++i) table->AddFrameFromSource(2, name, i);
        return table;
    }

    FrameClipboard clipboard;
};

TEST_F(PasteTest, CopiedFramesArriveInOrderAtTheGapOfAnotherDocument) {
    auto source = MakeTable(4, 10, 8, 20, 0);
    source->entries[1].selected = source->entries[3].selected = 1;
    source->entries[3].delay = 70;
    source->entries[3].left = 2;
    source->entries[3].width = 8;
    source->entries[3].transparent = 1;
    ASSERT_EQ(clipboard.CopySelected(*source), 2);
    source.reset();  // the clipboard outlives its source window

    auto target = MakeTable(3, 10, 8, 5, 1);
    target->targetGap = 0;
    ASSERT_TRUE(edit::PasteFrames(*target, clipboard));
    ASSERT_EQ(target->frameCount, 5);
    EXPECT_EQ(target->entries[1].delay, 20);
    EXPECT_EQ(target->entries[2].delay, 70);
    EXPECT_EQ(target->entries[2].left, 2);
    EXPECT_EQ(target->entries[2].transparent, 1);
    EXPECT_EQ(target->frameImages[1].Index(0, 0), 1);
    EXPECT_EQ(target->frameImages[2].Index(0, 0), 3);
    EXPECT_EQ(target->entries[3].delay, 5);
}

TEST_F(PasteTest, ThreeHundredFramesAtMost) {
    auto source = MakeTable(3, 4, 4, 10, 0);
    for (int i = 0; i < 3; ++i) source->entries[static_cast<std::size_t>(i)].selected = 1;
    clipboard.CopySelected(*source);
    auto full = MakeTable(298, 4, 4, 10, 1);
    full->targetGap = full->frameCount - 1;
    EXPECT_FALSE(edit::PasteFrames(*full, clipboard));
    EXPECT_EQ(ui.LastMessage(), "더 이상의 프레임을 붙여넣을 수 없습니다.");
    EXPECT_EQ(full->frameCount, 298);
    source->entries[2].selected = 0;
    clipboard.CopySelected(*source);
    EXPECT_TRUE(edit::PasteFrames(*full, clipboard));
    EXPECT_EQ(full->frameCount, 300);

    FrameClipboard empty;
    EXPECT_FALSE(edit::PasteFrames(*source, empty));
    EXPECT_EQ(ui.Log().back().title, "프레임 바꾸기");
    EXPECT_EQ(ui.Log().back().message, "데이터가 없습니다.");
}

TEST_F(PasteTest, AFrameOutsideTheSmallerScreenMovesToTheCorner) {
    auto big = MakeTable(1, 100, 100, 10, 0);
    big->entries[0].left = 50;
    big->entries[0].top = 50;
    big->entries[0].width = 20;  // the image stays 100 wide; only the entry is looked at here
    big->entries[0].height = 20;
    big->entries[0].selected = 1;
    clipboard.CopySelected(*big);
    auto small = MakeTable(1, 40, 40, 10, 1);
    small->targetGap = 0;
    ASSERT_TRUE(edit::PasteFrames(*small, clipboard));
    EXPECT_EQ(small->entries[1].left, 0);
    EXPECT_EQ(small->entries[1].top, 0);
    EXPECT_EQ(clipboard.Entry(0).left, 0) << "the reset offsets stay in the clipboard";
    EXPECT_EQ(small->settings.screenWidth, 40) << "the frame fits: the screen keeps its size";
}

TEST_F(PasteTest, ALargerFrameAsksToEnlargeTheScreen) {
    auto big = MakeTable(1, 60, 30, 10, 0);
    big->entries[0].selected = 1;
    clipboard.CopySelected(*big);
    auto small = MakeTable(2, 40, 40, 10, 1);
    small->targetGap = 1;
    ui.Answer(false);
    EXPECT_FALSE(edit::PasteFrames(*small, clipboard));
    EXPECT_EQ(ui.Log().back().title, "프레임 붙여넣기");
    EXPECT_EQ(ui.Log().back().message,
              "전체 크기 규격을 60 x 40으로 확대해야 합니다. \n\n계속할까요?");
    EXPECT_EQ(small->frameCount, 2);
    EXPECT_EQ(small->settings.screenWidth, 40);
    ui.Answer(true);
    EXPECT_TRUE(edit::PasteFrames(*small, clipboard));
    EXPECT_EQ(small->frameCount, 3);
    EXPECT_EQ(small->settings.screenWidth, 60);
    EXPECT_EQ(small->settings.screenHeight, 40);
}

TEST_F(PasteTest, ReplacingKeepsDelayAndDisposalAndUndoesInOneStep) {
    auto source = MakeTable(4, 6, 6, 40, 0);
    source->entries[3].selected = 1;
    clipboard.CopySelected(*source);
    auto target = MakeTable(3, 6, 6, 15, 1);
    UndoStore store(target->snapshotFilePath, ui);
    host.table = target.get();
    host.store = &store;
    edit::RecordSnapshot(*target, store);
    target->entries[1].controlFlags = 0x08;  // restore to background
    target->entries[1].restoreBackground = 1;
    target->entries[1].delay = 33;
    edit::RecordSnapshot(*target, store);
    const int blocks = store.Count();

    target->menuFrame = 1;
    ASSERT_TRUE(edit::ReplaceWithClipboard(*target, clipboard));
    EXPECT_EQ(target->frameCount, 3);
    EXPECT_EQ(target->frameImages[1].Index(0, 0), 3) << "the clipboard's frame took the place";
    EXPECT_EQ(target->entries[1].delay, 33);
    EXPECT_EQ(target->entries[1].Disposal(), 2);
    EXPECT_EQ(target->entries[1].restoreBackground, 1);
    EXPECT_EQ(store.Count(), blocks + 1) << "one undo step";

    EXPECT_EQ(edit::Undo(*target, store, {}), edit::UndoResult::Restored);
    EXPECT_EQ(target->frameImages[1].Index(0, 0), 1) << "undo brings the old frame back";
    EXPECT_EQ(target->entries[1].delay, 33);
    host.table = nullptr;
}

}  // namespace
}  // namespace vorla
