#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "core/edit/FrameClipboard.h"
#include "core/edit/FrameEditing.h"
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

const char kGapMessage[] = "선택하신 메뉴는 프레임과 프레임 사이를 선택하신 후 사용하십시오.";
const char kOneFrameMessage[] = "선택하신 메뉴는 하나의 프레임을 선택하신 후 사용하십시오.";

class FrameCommandsTest : public test::TableTest<test::StoringHost> {
protected:
    FrameCommandsTest() {
        table = NewTable(1);
        store = std::make_unique<UndoStore>(table->snapshotFilePath, ui);
        host.table = table.get();
        host.store = store.get();
    }

    // `frames` opaque 6 x 4 frames; frame i is told apart by its delay 10 + i (its mark).
    void Load(int frames) {
        for (int i = 0; i < frames; ++i) {
            CDib image;
            image.Create(6, 4, 8, 4);
            image.SetPaletteColor(0, MakeRgb(i, 0, 0));
            auto slot = static_cast<std::size_t>(i);
            table->frameImages[slot] = image;
            table->entries[slot] = FrameEntry{};
            table->entries[slot].width = 6;
            table->entries[slot].height = 4;
            table->entries[slot].colorCount = 4;
            table->entries[slot].transparentIndex = 3;
            table->entries[slot].delay = static_cast<std::int16_t>(10 + i);
        }
        table->frameCount = frames;
        table->SetZoom(6, 4, false);
        table->RebuildDisplayImages(-1, true, true, false);
        ASSERT_TRUE(edit::RecordSnapshot(*table, *store));
    }

    std::vector<int> Marks() const {
        std::vector<int> marks;
        for (int i = 0; i < table->frameCount; ++i) {
            marks.push_back(table->entries[static_cast<std::size_t>(i)].delay - 10);
        }
        return marks;
    }
    void Select(std::initializer_list<int> frames) {
        for (int i : frames) table->entries[static_cast<std::size_t>(i)].selected = 1;
    }
    // The gap after frame `gap` (-1: before the first frame).
    void SelectGap(int gap) {
        if (gap + 1 < table->frameCount) {
            table->entries[static_cast<std::size_t>(gap + 1)].gapSelected = 1;
        } else {
            table->gapAfterLastSelected = true;
        }
    }

    std::unique_ptr<FrameTable> table;
    std::unique_ptr<UndoStore> store;
    FrameClipboard clipboard;
};

TEST_F(FrameCommandsTest, DeletingThreeOfTenAsksWithTheCountAndIsOneUndoStep) {
    Load(10);
    Select({1, 4, 7});
    ui.Answer(false);
    EXPECT_FALSE(edit::DeleteWithQuestion(*table));
    EXPECT_EQ(table->frameCount, 10);
    ui.Answer(true);
    EXPECT_TRUE(edit::DeleteWithQuestion(*table));
    ASSERT_EQ(ui.Log().size(), 2u);
    EXPECT_EQ(ui.Log()[1].message, "3개 프레임을 삭제하시겠습니까?");
    EXPECT_EQ(ui.Log()[1].title, "프레임 삭제");
    EXPECT_EQ(Marks(), (std::vector<int>{0, 2, 3, 5, 6, 8, 9}));
    EXPECT_EQ(store->Count(), 2) << "have " << store->Count() << " blocks, want the load and one";

    EXPECT_EQ(edit::Undo(*table, *store, {}), edit::UndoResult::Restored);
    EXPECT_EQ(table->frameCount, 10);
}

TEST_F(FrameCommandsTest, DeletingEveryFrameOnlyShowsTheNotice) {
    Load(3);
    Select({0, 1, 2});
    EXPECT_FALSE(edit::DeleteWithQuestion(*table));
    ASSERT_EQ(ui.notices.size(), 1u);
    EXPECT_EQ(ui.notices[0].text, "프레임을 삭제할 수 없습니다.");
    EXPECT_EQ(ui.notices[0].milliseconds, 330);
    EXPECT_EQ(ui.notices[0].style, 1);
    EXPECT_EQ(table->frameCount, 3);
    EXPECT_FALSE(edit::CutFrames(*table, clipboard)) << "cutting every frame is refused too";
    EXPECT_EQ(store->Count(), 1);
}

TEST_F(FrameCommandsTest, DeletingBeforeTheGapBetweenFourAndFiveRemovesFramesOneToFour) {
    Load(8);
    SelectGap(3);
    ui.Answer(true);
    EXPECT_TRUE(edit::DeleteAllBeforeGap(*table, true));
    ASSERT_EQ(ui.Log().size(), 1u);
    EXPECT_EQ(ui.Log()[0].message, "5번 프레임 이전의 모든 프레임을 삭제하시겠습니까?");
    EXPECT_EQ(ui.Log()[0].title, "프레임 제거");
    EXPECT_EQ(Marks(), (std::vector<int>{4, 5, 6, 7}));
    EXPECT_EQ(store->Count(), 2);
}

TEST_F(FrameCommandsTest, DeletingAfterTheGapBetweenFourAndFiveRemovesFramesFiveOnward) {
    Load(8);
    SelectGap(3);
    ui.Answer(true);
    EXPECT_TRUE(edit::DeleteAllAfterGap(*table, true));
    EXPECT_EQ(ui.LastMessage(), "4번 프레임 이후의 모든 프레임을 삭제하시겠습니까?");
    EXPECT_EQ(Marks(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(store->Count(), 2);

    // The gap menu takes the gap the click chose.
    table->targetGap = 1;
    ui.Answer(true);
    EXPECT_TRUE(edit::DeleteAllAfterGap(*table, false));
    EXPECT_EQ(ui.LastMessage(), "2번 프레임 이후의 모든 프레임을 삭제하시겠습니까?");
    EXPECT_EQ(Marks(), (std::vector<int>{0, 1}));
}

TEST_F(FrameCommandsTest, EndGapsAndMissingGapsOnlyShowTheGapMessage) {
    Load(5);
    for (int gap : {-1, 4}) {
        table->ClearSelection(true, -1);
        SelectGap(gap);
        EXPECT_FALSE(edit::DeleteAllBeforeGap(*table, true)) << "gap " << gap;
        EXPECT_FALSE(edit::DeleteAllAfterGap(*table, true)) << "gap " << gap;
        table->targetGap = gap;
        EXPECT_FALSE(edit::DeleteAllBeforeGap(*table, false)) << "gap " << gap;
        EXPECT_FALSE(edit::DeleteAllAfterGap(*table, false)) << "gap " << gap;
    }
    table->ClearSelection(true, -1);
    Select({2});
    EXPECT_FALSE(edit::DeleteAllBeforeGap(*table, true));
    ASSERT_EQ(ui.Log().size(), 9u);
    for (const auto& shown : ui.Log()) EXPECT_EQ(shown.message, kGapMessage);
    EXPECT_EQ(table->frameCount, 5);
    EXPECT_EQ(store->Count(), 1);
}

TEST_F(FrameCommandsTest, DeletingAllButOneKeepsTheSelectedFrame) {
    Load(5);
    Select({1, 3});
    EXPECT_FALSE(edit::DeleteAllButOne(*table, true));
    EXPECT_EQ(ui.LastMessage(), kOneFrameMessage);
    table->ClearSelection(true, -1);
    Select({2});
    ui.Answer(true);
    EXPECT_TRUE(edit::DeleteAllButOne(*table, true));
    EXPECT_EQ(ui.LastMessage(), "3번의 앞뒤 모든 프레임을 삭제하시겠습니까?");
    EXPECT_EQ(Marks(), (std::vector<int>{2}));
    EXPECT_EQ(table->menuFrame, 0);
    EXPECT_EQ(store->Count(), 2);
}

// Frame 0: opaque A/B checkerboard over the 6 x 4 screen with two transparent pixels, (0, 0) and
// (3, 1). Frame 1: 3 x 2 at (2, 1) holding C, a transparent pixel, D / K, C, a transparent pixel,
// where K is frame 0's key colour once its margins are filled.
class MergeTest : public FrameCommandsTest {
protected:
    static constexpr Colorref A = MakeRgb(200, 0, 0);
    static constexpr Colorref B = MakeRgb(0, 200, 0);
    static constexpr Colorref C = MakeRgb(0, 0, 200);
    static constexpr Colorref D = MakeRgb(250, 250, 250);
    static constexpr Colorref K = MakeRgb(0, 0, 32);

    void SetUp() override {
        Load(3);
        CDib under;
        under.Create(6, 4, 8, 4);
        under.SetPaletteColor(0, A);
        under.SetPaletteColor(1, B);
        under.SetPaletteColor(2, MakeRgb(9, 9, 9));
        under.SetPaletteColor(3, MakeRgb(100, 100, 100));
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 6; ++x) {
                under.SetIndex(x, y, static_cast<std::uint8_t>((x + y) % 2));
            }
        }
        under.SetIndex(0, 0, 2);
        under.SetIndex(3, 1, 2);
        table->frameImages[0] = under;
        table->entries[0].transparent = 1;
        table->entries[0].transparentIndex = 2;
        table->SetKeyColor(0);

        CDib over;
        over.Create(3, 2, 8, 4);
        over.SetPaletteColor(0, C);
        over.SetPaletteColor(1, D);
        over.SetPaletteColor(3, K);
        const std::uint8_t pixels[2][3] = {{0, 2, 1}, {3, 0, 2}};
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) over.SetIndex(x, y, pixels[y][x]);
        }
        table->frameImages[1] = over;
        FrameEntry& entry = table->entries[1];
        entry.left = 2;
        entry.top = 1;
        entry.width = 3;
        entry.height = 2;
        entry.delay = 77;
        entry.controlFlags = 8;
        entry.restoreBackground = 1;
        entry.transparent = 1;
        entry.transparentIndex = 2;
        table->SetKeyColor(1);
    }
};

TEST_F(MergeTest, SecondFrameCoversTheFirstAndTheFirstShowsThroughItsTransparentPixels) {
    table->menuFrame = 1;
    ASSERT_TRUE(edit::MergeWithPrevious(*table, false)) << ui.LastMessage();
    ASSERT_EQ(table->frameCount, 2);
    const FrameEntry& merged = table->entries[0];
    const CDib& image = table->frameImages[0];
    EXPECT_EQ(merged.delay, 77) << "the merged frame keeps the second frame's entry";
    EXPECT_EQ(merged.restoreBackground, 1);
    EXPECT_EQ(merged.left, 0);
    EXPECT_EQ(merged.top, 0);
    EXPECT_EQ(merged.width, 6);
    EXPECT_EQ(merged.height, 4);
    EXPECT_EQ(merged.colorCount, 256);
    ASSERT_EQ(image.Width(), 6);
    ASSERT_EQ(image.Height(), 4);
    ASSERT_TRUE(merged.transparent);
    EXPECT_EQ(image.PaletteColor(merged.transparentIndex), merged.keyColor);
    EXPECT_EQ(merged.transparentColor, K) << "the transparent entry held the first frame's key";
    EXPECT_EQ(table->entries[1].delay, 12) << "the third frame moved up unchanged";

    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            const bool transparent = (x == 0 && y == 0) || (x == 3 && y == 1);
            Colorref want = (x + y) % 2 ? B : A;
            if (x == 2 && y == 1) want = C;
            if (x == 4 && y == 1) want = D;
            if (x == 2 && y == 2) want = MakeRgb(16, 0, 32);  // K moved away from the key
            if (x == 3 && y == 2) want = C;
            if (transparent) {
                EXPECT_EQ(image.Index(x, y), merged.transparentIndex) << "pixel " << x << "," << y;
            } else {
                EXPECT_NE(image.Index(x, y), merged.transparentIndex) << "pixel " << x << "," << y;
                EXPECT_EQ(image.PixelColor(x, y), want) << "pixel " << x << "," << y;
            }
        }
    }
    EXPECT_EQ(table->menuFrame, 0);
    EXPECT_EQ(store->Count(), 2) << "merging is one undo step";
}

TEST_F(MergeTest, FirstFrameAndFailedReductionChangeNothing) {
    Select({0});
    EXPECT_FALSE(edit::MergeWithPrevious(*table, true));
    EXPECT_EQ(ui.LastMessage(), std::string(kOneFrameMessage) + "\n단, 첫번째 프레임은 제외.");
    table->menuFrame = 0;
    EXPECT_FALSE(edit::MergeWithPrevious(*table, false));
    EXPECT_EQ(ui.LastMessage(), ProgramErrorText("45432", false));

    // 255 colours of frame 0 stay visible and frame 1 adds two: the exact quantiser refuses.
    table->settings.screenWidth = 20;
    table->settings.screenHeight = 20;
    CDib many;
    many.Create(20, 20, 8, 256);
    for (int i = 0; i < 256; ++i) many.SetPaletteColor(i, MakeRgb(i, 255 - i, (i * 7) % 256));
    for (int p = 0; p < 400; ++p) many.SetIndex(p % 20, p / 20, static_cast<std::uint8_t>(p % 256));
    table->frameImages[0] = many;
    table->entries[0] = FrameEntry{};
    table->entries[0].width = table->entries[0].height = 20;
    table->entries[0].colorCount = 256;
    table->entries[0].transparentIndex = 255;
    CDib two;
    two.Create(2, 1, 8, 2);
    two.SetPaletteColor(0, MakeRgb(1, 2, 3));
    two.SetPaletteColor(1, MakeRgb(5, 5, 5));
    two.SetIndex(1, 0, 1);
    table->frameImages[1] = two;
    table->entries[1].left = table->entries[1].top = 0;
    table->entries[1].width = 2;
    table->entries[1].height = 1;
    table->entries[1].colorCount = 2;
    table->entries[1].transparent = 0;
    table->entries[1].transparentIndex = 1;
    const CDib image0 = table->frameImages[0];
    const CDib image1 = table->frameImages[1];
    const FrameEntry entry0 = table->entries[0];
    const FrameEntry entry1 = table->entries[1];
    table->ClearSelection(true, -1);
    table->menuFrame = 1;
    EXPECT_FALSE(edit::MergeWithPrevious(*table, false));
    EXPECT_EQ(ui.LastMessage(), ProgramErrorText("45433", false));
    EXPECT_EQ(table->frameCount, 3);
    EXPECT_TRUE(table->frameImages[0] == image0 && table->frameImages[1] == image1);
    EXPECT_TRUE(table->entries[0] == entry0 && table->entries[1] == entry1);
    EXPECT_EQ(store->Count(), 1);
}

TEST_F(FrameCommandsTest, DuplicatingTwoFramesThreeTimesAddsSixAfterTheCurrentFrame) {
    Load(5);
    Select({1, 2});
    table->menuFrame = 2;
    ui.AnswerNumbers("3");
    EXPECT_TRUE(edit::DuplicateFrames(*table, clipboard, *store, true));
    EXPECT_EQ(Marks(), (std::vector<int>{0, 1, 2, 1, 2, 1, 2, 1, 2, 3, 4}));
    EXPECT_EQ(store->Count(), 2);
    EXPECT_EQ(clipboard.Count(), 2);

    ASSERT_EQ(ui.numberQuestions.size(), 1u);
    const NumberRequest& asked = ui.numberQuestions[0];
    EXPECT_EQ(asked.title, "같은 프레임 여러 장 만들기");
    EXPECT_EQ(asked.fields[0].label, "새로 추가될 프레임 수");
    EXPECT_EQ(asked.fields[0].minimum, 1);
    EXPECT_EQ(asked.fields[0].maximum, 295);
    EXPECT_EQ(asked.fields[0].value, "1");
    EXPECT_TRUE(asked.fields[0].clampWhileTyping);
    EXPECT_TRUE(asked.fields[1].Disabled());
    EXPECT_EQ(asked.comboLabel, "*disable");
    ASSERT_EQ(ui.progress.size(), 1u);
    EXPECT_EQ(ui.progress[0].title, "같은 프레임 여러 장 만들기");
    EXPECT_EQ(ui.progress[0].status, "프레임 추가 중입니다. 기다려 주십시오..");
    EXPECT_EQ(ui.progress[0].maximum, 3);
    EXPECT_FALSE(ui.progress[0].shown) << "three repetitions need no progress dialog";
    EXPECT_FALSE(table->busy);
}

TEST_F(FrameCommandsTest, CancelDuringDuplicationRestoresTheAnimation) {
    Load(5);
    Select({0});
    table->menuFrame = 0;
    ui.cancelAtPosition = 2;
    ui.AnswerNumbers("6");
    EXPECT_FALSE(edit::DuplicateFrames(*table, clipboard, *store, true));
    EXPECT_TRUE(ui.progress.at(0).shown);
    EXPECT_EQ(Marks(), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(store->Count(), 1) << "a cancelled run records no block";
    EXPECT_EQ(table->rebuildSuspend, 0);
    EXPECT_FALSE(table->busy);
    EXPECT_FALSE(table->loadingScreen);
}

TEST_F(FrameCommandsTest, DuplicationOutlivesClipboardChangesAndStopsWhenTheProgramQuits) {
    Load(5);
    Select({1});
    table->menuFrame = 1;
    // Another window copies frame 4 while the run pumps: the run keeps inserting frame 1.
    ui.onPump = [this] {
        FrameEntry entry = table->entries[4];
        clipboard.CopyOne(table->frameImages[4], entry);
    };
    ui.AnswerNumbers("3");
    EXPECT_TRUE(edit::DuplicateFrames(*table, clipboard, *store, true));
    EXPECT_EQ(Marks(), (std::vector<int>{0, 1, 1, 1, 1, 2, 3, 4}));

    // A pump that returns because the program quits counts as Cancel.
    ui.onPump = nullptr;
    ui.quitting = true;
    table->ClearSelection(true, -1);
    Select({0});
    table->menuFrame = 0;
    ui.AnswerNumbers("2");
    EXPECT_FALSE(edit::DuplicateFrames(*table, clipboard, *store, true));
    EXPECT_EQ(Marks(), (std::vector<int>{0, 1, 1, 1, 1, 2, 3, 4}));
    EXPECT_FALSE(table->busy);
}

TEST_F(FrameCommandsTest, CountFieldRaisesZeroToOneAndCapsAtTheRoomLeft) {
    Load(5);
    Select({4});
    table->menuFrame = 4;
    ui.AnswerNumbers("0");
    EXPECT_TRUE(edit::DuplicateFrames(*table, clipboard, *store, true));
    EXPECT_EQ(table->frameCount, 6);

    Select({0});
    table->menuFrame = 0;
    ui.AnswerNumbers("999");
    EXPECT_TRUE(edit::DuplicateFrames(*table, clipboard, *store, true));
    EXPECT_EQ(table->frameCount, 300) << "have the count capped at 300 - 6 = 294 copies";
    EXPECT_EQ(ui.numberQuestions.at(1).fields[0].maximum, 294);

    table->ClearSelection(true, -1);
    ui.Clear();
    EXPECT_FALSE(edit::DuplicateFrames(*table, clipboard, *store, true));
    EXPECT_EQ(ui.LastMessage(), "선택하신 메뉴는 프레임을 선택하신 후 사용하십시오.");
}

TEST_F(FrameCommandsTest, DuplicatingMoreThanFitsIsRolledBack) {
    Load(5);
    Select({1, 3});
    table->menuFrame = 3;
    ui.AnswerNumbers("200");  // 400 frames more
    EXPECT_FALSE(edit::DuplicateFrames(*table, clipboard, *store, true));
    EXPECT_TRUE(ui.Saw("더 이상의 프레임을 붙여넣을 수 없습니다."));
    EXPECT_EQ(Marks(), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(store->Count(), 1);
}

TEST_F(FrameCommandsTest, CopyingRefusesMoreThanThreeHundredFramesAndKeepsTheClipboard) {
    Load(4);
    Select({1, 2});
    EXPECT_TRUE(edit::CopyFrames(*table, clipboard));
    EXPECT_EQ(clipboard.Count(), 2);
    EXPECT_EQ(clipboard.Entry(1).delay, 12);
    EXPECT_EQ(store->Count(), 1) << "copying changes nothing";

    // A selection beyond the table's limit can only be staged, through the spare slot.
    table->frameCount = 301;
    for (int i = 0; i < 301; ++i) table->entries[static_cast<std::size_t>(i)].selected = 1;
    EXPECT_FALSE(edit::CopyFrames(*table, clipboard));
    EXPECT_EQ(ui.LastMessage(), "복사해둘 이미지 갯수가 너무 많습니다");
    EXPECT_EQ(clipboard.Count(), 2);
    table->frameCount = 4;

    table->ClearSelection(true, -1);
    EXPECT_FALSE(edit::CopyFrames(*table, clipboard)) << "nothing selected";
    EXPECT_EQ(clipboard.Count(), 2);
    Select({3});
    EXPECT_TRUE(edit::CutFrames(*table, clipboard));
    EXPECT_EQ(clipboard.Count(), 1);
    EXPECT_EQ(Marks(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(store->Count(), 2);
}

}  // namespace
}  // namespace vorla
