#include <gtest/gtest.h>

#include <memory>

#include "core/edit/Selection.h"
#include "core/model/ApplicationState.h"
#include "core/model/FrameTable.h"
#include "support/FakeHosts.h"
#include "support/ScriptedUserInterface.h"
#include "support/TableTest.h"
#include "support/TestFiles.h"

namespace vorla {
namespace {

class SelectionTest : public test::TableTest<> {
protected:
    SelectionTest() {
        table = NewTable(0);
        GifPageInfo info;
        info.screenWidth = info.width = 10;
        info.screenHeight = info.height = 10;
        info.colorCount = 2;
        CDib image;
        image.Create(10, 10, 8, 2);
        for (int i = 0; i < 6; ++i) imaging.gifs["s.gif"].push_back({image, info});
        for (int i = 0; i < 6; ++i) table->AddFrameFromSource(2, "s.gif", i);
        table->SetZoom(-1, -1, false);
    }

    std::string Selected() const {
        std::string marks;
        for (int i = 0; i < table->frameCount; ++i) {
            const FrameEntry& e = table->entries[static_cast<std::size_t>(i)];
            marks += e.gapSelected ? "|" : "";
            marks += e.selected ? "X" : ".";
        }
        if (table->gapAfterLastSelected) marks += "|";
        return marks;
    }

    HitResult Frame(int k) const { return HitResult{k, HitResult::kFrame, false, 40}; }
    StripMetrics Metrics() const {
        StripMetrics m;
        m.frameCount = table->frameCount;
        m.displayHeight = table->displayHeight;
        m.displayWidth = table->displayWidth;
        m.stripRowHeight = table->stripRowHeight;
        m.childWidth = 400;
        return m;
    }
    // Everything visible.
    int Move(selection::Arrow arrow) {
        return selection::MoveWithArrow(*table, Metrics(), arrow, 0, 100000);
    }

    std::unique_ptr<FrameTable> table;
};

TEST_F(SelectionTest, ClicksSelectToggleAndCollapse) {
    selection::Press(*table, Frame(1), false, false);
    selection::Press(*table, Frame(3), true, false);
    EXPECT_EQ(Selected(), ".X.X..");
    selection::Press(*table, Frame(3), true, false);
    EXPECT_EQ(Selected(), ".X....") << "Ctrl-click on a selected frame deselects it";
    selection::Press(*table, Frame(4), true, false);
    selection::Press(*table, Frame(4), false, false);
    selection::Release(*table, Frame(4), false, false);
    EXPECT_EQ(Selected(), "....X.") << "a plain click and release leaves only that frame";
    selection::Press(*table, HitResult{2, HitResult::kGapBefore, false, 25}, false, false);
    EXPECT_EQ(Selected(), "..|....");
}

TEST_F(SelectionTest, ShiftExtendsTowardsTheExistingSelection) {
    selection::Press(*table, Frame(1), false, false);
    selection::Press(*table, Frame(4), false, true);
    EXPECT_EQ(Selected(), ".XXXX.") << "forward from a selection before the click";
    table->ClearSelection(true, -1);
    selection::Press(*table, Frame(4), false, false);
    selection::Press(*table, Frame(1), false, true);
    EXPECT_EQ(Selected(), ".XXXX.") << "backward from a selection after the click";
    table->ClearSelection(true, -1);
    selection::Press(*table, Frame(2), false, true);
    EXPECT_EQ(Selected(), "..X...") << "nothing to extend from: just the clicked frame";
}

TEST_F(SelectionTest, ArrowsWalkFramesAndGaps) {
    selection::Press(*table, Frame(2), false, false);
    Move(selection::Arrow::Down);
    EXPECT_EQ(Selected(), "...X..");
    Move(selection::Arrow::Up);
    Move(selection::Arrow::Up);
    EXPECT_EQ(Selected(), ".X....");
    Move(selection::Arrow::Left);
    EXPECT_EQ(Selected(), ".|.....") << "left: the gap before the frame";
    Move(selection::Arrow::Left);
    EXPECT_EQ(Selected(), "|......");
    Move(selection::Arrow::Left);
    EXPECT_EQ(Selected(), "|......") << "the gap before the first frame stays";
    Move(selection::Arrow::Down);
    EXPECT_EQ(Selected(), "X.....") << "down from a gap selects the frame after it";
    table->ClearSelection(true, -1);
    table->entries[5].selected = 1;
    Move(selection::Arrow::Right);
    EXPECT_EQ(Selected(), "......|") << "right of the last frame: the end gap";
    Move(selection::Arrow::Right);
    EXPECT_EQ(Selected(), "......|");
    Move(selection::Arrow::Up);
    EXPECT_EQ(Selected(), ".....X");
    table->ClearSelection(true, -1);
    Move(selection::Arrow::Down);
    EXPECT_EQ(Selected(), "X.....") << "nothing selected: the first visible frame";
}

TEST_F(SelectionTest, ArrowsFallBackToTheFirstVisibleFrameAndScroll) {
    StripMetrics m = Metrics();
    table->entries[0].selected = 1;
    // Only frames 3 and later are on screen: the selected frame is out of view.
    const int top = m.ImageTop(3) - 5;
    int scroll = selection::MoveWithArrow(*table, m, selection::Arrow::Down, top, top + 200);
    EXPECT_EQ(Selected(), "...X..");
    EXPECT_EQ(scroll, -1) << "the new frame is already visible";
    table->ClearSelection(true, -1);
    table->entries[3].selected = 1;
    scroll = selection::MoveWithArrow(*table, m, selection::Arrow::Up, top, top + 200);
    EXPECT_EQ(Selected(), "..X...");
    EXPECT_GE(scroll, 0);
    EXPECT_LE(scroll, m.ImageTop(2));
}

TEST_F(SelectionTest, DeleteQuestionNamesTheCountAndRefusesToEmptyTheAnimation) {
    table->entries[0].selected = table->entries[2].selected = table->entries[4].selected = 1;
    ui.Answer(false);
    EXPECT_FALSE(selection::ConfirmDeleteSelection(*table, ui));
    ASSERT_EQ(ui.Log().size(), 1u);
    EXPECT_EQ(ui.Log()[0].message, "3개 프레임을 삭제하시겠습니까?");
    EXPECT_EQ(ui.Log()[0].title, "프레임 삭제");
    selection::SelectAll(*table);
    EXPECT_FALSE(selection::ConfirmDeleteSelection(*table, ui));
    EXPECT_EQ(ui.LastMessage(), "프레임을 삭제할 수 없습니다.");
}

}  // namespace
}  // namespace vorla
