#include <gtest/gtest.h>

#include <memory>

#include "core/edit/FrameEditRules.h"
#include "core/edit/FrameImageEdits.h"
#include "core/edit/FrameTransparency.h"
#include "core/effects/PaletteOps.h"
#include "core/model/FrameTable.h"
#include "support/TableTest.h"

namespace vorla {
namespace {

using edit::CutAxis;
using edit::FrameSize;

// ---- Rules the dialog enforces ----

TEST(FrameEditRules, CutAtTheFirstColumnOffersOnlyTheLeftSide) {
    const auto first = edit::CutQuestion(CutAxis::Columns, 0, 10);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->title, "이미지 손실 방향");
    EXPECT_EQ(first->message, "이미지의 어느 쪽을 버리겠습니까?  (선택줄 포함)");
    EXPECT_EQ(first->options[0], "왼쪽");
    EXPECT_EQ(first->options[2], "오른쪽");
    EXPECT_EQ(first->hideMask, "OXOX");
    EXPECT_EQ(first->disableMask, "OXXX");
    EXPECT_EQ(first->preselected, edit::kCutFirstSide);

    const auto last = edit::CutQuestion(CutAxis::Columns, 9, 10);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->disableMask, "XXOX");
    EXPECT_EQ(last->preselected, edit::kCutSecondSide);

    const auto middle = edit::CutQuestion(CutAxis::Rows, 4, 10);
    ASSERT_TRUE(middle);
    EXPECT_EQ(middle->options[0], "위쪽");
    EXPECT_EQ(middle->options[2], "아래쪽");
    EXPECT_EQ(middle->disableMask, "OXOX");
    EXPECT_EQ(middle->preselected, edit::kCutFirstSide);
}

TEST(FrameEditRules, NoCutIsOfferedThatWouldLeaveNothing) {
    EXPECT_FALSE(edit::CutQuestion(CutAxis::Columns, 0, 1)) << "a 1-pixel side gets no question";
    EXPECT_FALSE(edit::CutQuestion(CutAxis::Rows, 0, 1));
    EXPECT_FALSE(edit::CutQuestion(CutAxis::Columns, 10, 10)) << "off the image";
    EXPECT_FALSE(edit::CutQuestion(CutAxis::Columns, -1, 10));
    // A side with nothing on it keeps nothing: refused instead of a 0-pixel frame.
    EXPECT_FALSE(edit::CutKeeps(0, 2, edit::kCutSecondSide));
    EXPECT_FALSE(edit::CutKeeps(1, 2, edit::kCutFirstSide));
    const auto right = edit::CutKeeps(3, 10, edit::kCutFirstSide);
    ASSERT_TRUE(right);
    EXPECT_EQ(right->first, 4);
    EXPECT_EQ(right->count, 6);
    const auto left = edit::CutKeeps(3, 10, edit::kCutSecondSide);
    ASSERT_TRUE(left);
    EXPECT_EQ(left->first, 0);
    EXPECT_EQ(left->count, 3);
}

TEST(FrameEditRules, AngleTextsReadAsWholeDegreesBelow360) {
    EXPECT_EQ(edit::ReadAngleText("abc"), 0);
    EXPECT_EQ(edit::ReadAngleText("400"), 359);
    EXPECT_EQ(edit::ReadAngleText("-5"), 359);
    EXPECT_EQ(edit::ReadAngleText("45"), 45);
    EXPECT_EQ(edit::CorrectedAngleText("abc"), "0");
    EXPECT_EQ(edit::CorrectedAngleText("400"), "359");
    EXPECT_EQ(edit::CorrectedAngleText("-5"), "359");
    EXPECT_FALSE(edit::CorrectedAngleText("0"));
    EXPECT_FALSE(edit::CorrectedAngleText("359"));
    EXPECT_EQ(edit::AngleAfterQuarterTurn(300), 30);
    EXPECT_EQ(edit::AngleAfterQuarterTurn(270), 0);
    EXPECT_EQ(edit::AngleAfterQuarterTurn(0), 90);
}

TEST(FrameEditRules, DelayTextsClampToTheSixteenBitField) {
    EXPECT_EQ(edit::ReadDelayText("99999"), 65535);
    EXPECT_EQ(edit::ReadDelayText("-5"), 0);
    EXPECT_EQ(edit::ReadDelayText("abc"), 0);
    EXPECT_EQ(edit::ReadDelayText("250"), 250);
    FrameEntry entry;
    edit::SetDelay(entry, edit::ReadDelayText("99999"));
    EXPECT_EQ(edit::DelayOf(entry), 65535) << "stored bit for bit, read back unsigned";
    EXPECT_EQ(FrameEntry::Deserialize(entry.Serialize()).delay, entry.delay);
    edit::SetDelay(entry, 40000);
    EXPECT_EQ(edit::DelayOf(entry), 40000);
}

TEST(FrameEditRules, IndexInputsOutsideThePaletteKeepTheCurrentIndex) {
    EXPECT_EQ(edit::ReadTransparentIndexText("12", 256), 12);
    EXPECT_FALSE(edit::ReadTransparentIndexText("999", 256));
    EXPECT_FALSE(edit::ReadTransparentIndexText("16", 16));
    EXPECT_FALSE(edit::ReadTransparentIndexText("-1", 256));
    EXPECT_FALSE(edit::ReadTransparentIndexText("abc", 256)) << "no digits: no index";

    EXPECT_EQ(edit::PaletteCellAt(3 * 8 + 2, 2 * 8 + 7, 256), 35);
    EXPECT_EQ(edit::PaletteCellAt(15 * 8 + 7, 0, 256), 15);
    EXPECT_EQ(edit::PaletteCellAt(16 * 8 + 1, 0, 256), -1) << "past column 15 is not row 1";
    EXPECT_EQ(edit::PaletteCellAt(0, -1, 256), -1);
    EXPECT_EQ(edit::PaletteCellAt(-1, 0, 256), -1);
    EXPECT_EQ(edit::PaletteCellAt(0, 8, 16), -1) << "row 1 of a 16-colour palette";
}

TEST(FrameEditRules, ResizeFieldsStayBetweenOneAndTheRoomOnTheScreen) {
    edit::ResizeRules rules{300, 200, 100, 50, 0.5, false};
    EXPECT_EQ(rules.FromWidth(0, 40), (FrameSize{1, 40})) << "width 0 shows 1";
    EXPECT_EQ(rules.FromWidth(500, 40), (FrameSize{200, 40})) << "the room to the right";
    EXPECT_EQ(rules.FromHeight(-3, 40), (FrameSize{40, 1}));
    EXPECT_EQ(rules.FromHeight(999, 40), (FrameSize{40, 150}));

    rules.keepAspect = true;
    EXPECT_EQ(rules.Maximum(), (FrameSize{200, 100}));
    EXPECT_EQ(rules.FromWidth(80, 7), (FrameSize{80, 40}));
    EXPECT_EQ(rules.FromWidth(1, 7), (FrameSize{1, 1})) << "half a pixel is still one";
    EXPECT_EQ(rules.FromHeight(500, 7), (FrameSize{200, 100}));

    // A very flat snapshot on a narrow strip of room: the derived side never reaches 0.
    edit::ResizeRules flat{300, 300, 299, 0, 0.001, true};
    EXPECT_EQ(flat.Maximum(), (FrameSize{1, 1}));
    EXPECT_EQ(flat.FromWidth(1, 1), (FrameSize{1, 1}));
}

TEST(FrameEditRules, MaximumEnlargementKeepsTheRatioInsideTheScreen) {
    edit::ResizeRules rules{300, 300, 40, 40, 50.0 / 100.0, true};
    EXPECT_EQ(rules.MaximumEnlargement(), (FrameSize{300, 150}));
    rules.ratio = 3.0;  // tall: the height decides
    EXPECT_EQ(rules.MaximumEnlargement(), (FrameSize{100, 300}));
    rules.ratio = 1000.0;
    EXPECT_EQ(rules.MaximumEnlargement(), (FrameSize{1, 300}));
    rules.keepAspect = false;
    EXPECT_EQ(rules.MaximumEnlargement(), (FrameSize{300, 300}));
}

TEST(FrameEditRules, ADragMovesTheBottomRightCornerWithinTheScreen) {
    const edit::ResizeRules rules{300, 200, 100, 50, 1.0, false};
    EXPECT_EQ(rules.FromDrag(150, 90), (FrameSize{50, 40}));
    EXPECT_EQ(rules.FromDrag(100, 50), (FrameSize{1, 1})) << "the corner itself gives 1 x 1";
    EXPECT_EQ(rules.FromDrag(320, 230), (FrameSize{200, 150})) << "limited to the screen";
    EXPECT_FALSE(rules.FromDrag(99, 90)) << "left of the frame";
    EXPECT_FALSE(rules.FromDrag(150, 49)) << "above the frame";
    EXPECT_FALSE(rules.FromDrag(331, 90)) << "more than 30 pixels past the screen";
}

TEST(FrameEditRules, CentringHalvesEachSizeOnItsOwn) {
    EXPECT_EQ(edit::CentredOffsets(301, 200, 101, 51), (edit::FrameOffset{100, 75}));
}

// ---- Edits on a table's frame ----

class FrameImageEditsTest : public test::TableTest<> {
protected:
    FrameImageEditsTest() {
        table = NewTable(0);
        table->settings.screenWidth = 300;
        table->settings.screenHeight = 300;
    }

    // Frame 0: width x height at (left, top), `colours` entries of distinct greys, pixels from
    // index(x, y).
    template <typename IndexOf>
    void PutFrame(int width, int height, int colours, IndexOf index, int left = 0, int top = 0) {
        CDib image;
        image.Create(width, height, 8, colours);
        for (int i = 0; i < colours; ++i) image.SetPaletteColor(i, MakeRgb(i, i, 255 - i));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.SetIndex(x, y, static_cast<std::uint8_t>(index(x, y)));
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
    // Makes frame 0 transparent at `index` with a key colour, as the transparency check does.
    void MakeTransparentAt(int index) {
        Entry().transparent = 1;
        Entry().transparentIndex = static_cast<std::uint8_t>(index);
        table->SetKeyColor(0);
    }

    CDib& Image() { return table->frameImages[0]; }
    FrameEntry& Entry() { return table->entries[0]; }
    int Uses(int index) {
        return effects::IndexHistogram(Image())[static_cast<std::size_t>(index)];
    }
    // The key colour stands at the transparent index and is no other entry's colour.
    void ExpectKeyAtTransparentIndex() {
        ASSERT_TRUE(Entry().transparent);
        const int key = Entry().transparentIndex;
        ASSERT_LT(key, effects::PaletteSize(Image(), Entry()));
        EXPECT_EQ(Image().PaletteColor(key), Entry().keyColor);
        for (int i = 0; i < effects::PaletteSize(Image(), Entry()); ++i) {
            if (i != key) {
                EXPECT_NE(Image().PaletteColor(i), Entry().keyColor) << "entry " << i;
            }
        }
    }
    void ExpectCornersTransparent() {
        const int w = Image().Width() - 1;
        const int h = Image().Height() - 1;
        for (auto [x, y] : {std::pair{0, 0}, {w, 0}, {0, h}, {w, h}})
            EXPECT_EQ(Image().Index(x, y), Entry().transparentIndex) << "corner " << x << "," << y;
    }

    std::unique_ptr<FrameTable> table;
};

TEST_F(FrameImageEditsTest, CuttingTheLeftSideMovesTheFrameAndKeepsItsIndices) {
    PutFrame(
        5, 2, 16, [](int x, int y) { return x + 5 * y; }, 10, 20);
    ui.Answer(true, edit::kCutFirstSide);
    ASSERT_TRUE(edit::CutFrame(*table, 0, CutAxis::Columns, 1));
    ASSERT_EQ(ui.Log().size(), 1u);
    EXPECT_EQ(ui.Log()[0].request.disableMask, "OXOX");
    EXPECT_EQ(Entry().left, 12) << "two columns went, the marked one included";
    EXPECT_EQ(Entry().top, 20);
    EXPECT_EQ(Entry().width, 3);
    EXPECT_EQ(Image().Width(), 3);
    EXPECT_EQ(Entry().colorCount, 256);
    EXPECT_EQ(Entry().transparentIndex, 255)
        << "still the last entry of a frame without transparency";
    EXPECT_EQ(Image().Index(0, 0), 2);
    EXPECT_EQ(Image().Index(2, 1), 9);
    EXPECT_EQ(Image().PaletteColor(9), MakeRgb(9, 9, 246));
}

TEST_F(FrameImageEditsTest, CuttingTheBottomRowsKeepsTheTopAndTheTransparency) {
    PutFrame(2, 4, 8, [](int x, int y) { return y == 0 && x == 0 ? 7 : y; });
    MakeTransparentAt(7);
    ui.Answer(true, edit::kCutSecondSide);
    ASSERT_TRUE(edit::CutFrame(*table, 0, CutAxis::Rows, 2));
    EXPECT_EQ(Entry().height, 2);
    EXPECT_EQ(Image().Height(), 2);
    EXPECT_EQ(Entry().top, 0);
    EXPECT_EQ(Entry().transparentIndex, 7);
    EXPECT_EQ(Image().Index(0, 0), 7);
    ExpectKeyAtTransparentIndex();
}

TEST_F(FrameImageEditsTest, AOnePixelFrameIsNeverCutToNothing) {
    PutFrame(1, 1, 2, [](int, int) { return 1; });
    const CDib before = Image();
    EXPECT_FALSE(edit::CutFrame(*table, 0, CutAxis::Columns, 0));
    EXPECT_FALSE(edit::CutFrame(*table, 0, CutAxis::Rows, 0));
    EXPECT_TRUE(ui.Log().empty()) << "no question for a 1-pixel side";
    EXPECT_EQ(Image(), before);
    EXPECT_EQ(Entry().width, 1);

    PutFrame(2, 1, 2, [](int x, int) { return x; });
    ui.Answer(true, edit::kCutSecondSide);
    ASSERT_TRUE(edit::CutFrame(*table, 0, CutAxis::Columns, 1));
    EXPECT_EQ(Entry().width, 1);
    EXPECT_EQ(Image().Index(0, 0), 0);
}

TEST_F(FrameImageEditsTest, CancellingACutChangesNothing) {
    PutFrame(4, 4, 4, [](int x, int) { return x; });
    const CDib before = Image();
    ui.Answer(false);
    EXPECT_FALSE(edit::CutFrame(*table, 0, CutAxis::Columns, 2));
    EXPECT_EQ(Image(), before);
    EXPECT_EQ(Entry().colorCount, 4);
}

TEST_F(FrameImageEditsTest, CroppingOutsideTheImageIsAProgramError) {
    PutFrame(4, 3, 4, [](int x, int) { return x; });
    const CDib before = Image();
    EXPECT_FALSE(edit::CropFrame(*table, 0, {1, 0, 4, 2}));
    EXPECT_FALSE(edit::CropFrame(*table, 0, {-1, 0, 2, 2}));
    EXPECT_FALSE(edit::CropFrame(*table, 0, {2, 0, 1, 2})) << "corners the wrong way round";
    EXPECT_EQ(ui.Messages().size(), 3u);
    EXPECT_EQ(ui.LastMessage(), ProgramErrorText("74527", false));
    EXPECT_EQ(Image(), before);
    EXPECT_EQ(Entry().width, 4);
}

TEST_F(FrameImageEditsTest, MaximumEnlargementWithTheRatioFillsTheScreenWidth) {
    PutFrame(
        100, 50, 4, [](int x, int) { return x % 4; }, 40, 40);
    const edit::ToolSnapshot snapshot = edit::TakeToolSnapshot(*table, 0);
    ASSERT_TRUE(edit::EnlargeToMaximum(*table, 0, snapshot, true));
    EXPECT_EQ(Entry().left, 0);
    EXPECT_EQ(Entry().top, 0);
    EXPECT_EQ(Entry().width, 300);
    EXPECT_EQ(Entry().height, 150);
    EXPECT_EQ(Image().Width(), 300);
    EXPECT_EQ(Image().Height(), 150);
    EXPECT_EQ(Entry().colorCount, 256);
    EXPECT_EQ(Image().ColorCount(), 256);
}

TEST_F(FrameImageEditsTest, AResizePastTheScreenEdgeIsRefused) {
    PutFrame(
        10, 10, 4, [](int, int) { return 1; }, 250, 0);
    const edit::ToolSnapshot snapshot = edit::TakeToolSnapshot(*table, 0);
    const CDib before = Image();
    EXPECT_FALSE(edit::ResizeFrame(*table, 0, snapshot, {51, 10}));
    EXPECT_FALSE(edit::ResizeFrame(*table, 0, snapshot, {0, 10}));
    EXPECT_EQ(Image(), before);
    EXPECT_EQ(imaging.resamples, 0);
    EXPECT_TRUE(edit::ResizeFrame(*table, 0, snapshot, {50, 10}));
}

TEST_F(FrameImageEditsTest, ATransparentFrameKeepsItsKeyThroughResizeAndRotate) {
    // A ring of transparent pixels around a two-colour square; index 5 is the key. The fake
    // resampler renumbers the palette by first appearance, so the key's index moves.
    PutFrame(
        8, 6, 16,
        [](int x, int y) {
            if (x == 0 || y == 0 || x == 7 || y == 5) return 5;
            return x < 4 ? 2 : 3;
        },
        10, 10);
    MakeTransparentAt(5);
    const Colorref original = Entry().transparentColor;
    edit::ToolSnapshot snapshot = edit::TakeToolSnapshot(*table, 0);
    ASSERT_EQ(snapshot.transparentIndex, 5);

    ASSERT_TRUE(edit::ResizeFrame(*table, 0, snapshot, {16, 12}));
    EXPECT_EQ(Entry().transparentIndex, 0) << "the fake put the key first";
    ExpectKeyAtTransparentIndex();
    ExpectCornersTransparent();
    EXPECT_EQ(Entry().transparentColor, original);
    EXPECT_EQ(Uses(Entry().transparentIndex), 16 * 12 - 12 * 8) << "exactly the ring";
    EXPECT_EQ(Image().PaletteColor(Image().Index(2, 2)), MakeRgb(2, 2, 253)) << "exact colours";

    const auto rotation = edit::StartRotation(*table, 0);
    ASSERT_TRUE(rotation);
    EXPECT_EQ(rotation->transparentIndex, Entry().transparentIndex);
    ASSERT_TRUE(edit::RotateFrame(*table, 0, *rotation, 90));
    EXPECT_EQ(imaging.lastRotation, 90.0);
    EXPECT_EQ(Entry().width, 16) << "a rotated frame keeps its size";
    EXPECT_EQ(Entry().height, 12);
    EXPECT_EQ(Image().Width(), 16);
    EXPECT_EQ(Image().Height(), 12);
    EXPECT_EQ(Entry().Disposal(), 2);
    EXPECT_EQ(Entry().restoreBackground, 1);
    ExpectKeyAtTransparentIndex();
    ExpectCornersTransparent();
}

TEST_F(FrameImageEditsTest, RotatingAlwaysStartsFromTheSnapshot) {
    PutFrame(4, 4, 4, [](int x, int y) { return x == 0 && y == 0 ? 1 : 2; });
    const auto rotation = edit::StartRotation(*table, 0);
    ASSERT_TRUE(rotation);
    ASSERT_TRUE(edit::RotateFrame(*table, 0, *rotation, 90));
    ASSERT_TRUE(edit::RotateFrame(*table, 0, *rotation, 180));
    EXPECT_EQ(Image().Index(3, 3), 1) << "180 degrees from the start, not 270 in total";
}

TEST_F(FrameImageEditsTest, ASliderOutsideTheRotateToolIsAProgramError) {
    PutFrame(4, 4, 4, [](int, int) { return 1; });
    const auto rotation = edit::StartRotation(*table, 0);
    ASSERT_TRUE(rotation);
    const CDib before = Image();
    EXPECT_FALSE(edit::RotateFromSlider(*table, 0, 5, *rotation, 90));
    EXPECT_EQ(ui.LastMessage(), ProgramErrorText("93012", false));
    EXPECT_EQ(Image(), before);
    EXPECT_EQ(imaging.rotations, 0);
    EXPECT_TRUE(edit::RotateFromSlider(*table, 0, edit::kRotateTool, *rotation, 90));
}

TEST_F(FrameImageEditsTest, AFullPaletteMadeTransparentRemapsOneColour) {
    // 256 colours, index 17 used least (once).
    PutFrame(32, 16, 256, [](int x, int y) {
        const int i = x + 32 * y;
        return i == 17 + 256 ? 0 : i % 256;
    });
    ASSERT_EQ(Uses(17), 1);
    const CDib before = Image();
    const auto rotation = edit::StartRotation(*table, 0);
    ASSERT_TRUE(rotation);
    EXPECT_EQ(Entry().transparentIndex, 17);
    EXPECT_EQ(Uses(17), 0);
    int changed = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x) changed += Image().Index(x, y) != before.Index(x, y);
    EXPECT_EQ(changed, 1) << "only the pixels of one colour move";
    ExpectKeyAtTransparentIndex();
}

TEST_F(FrameImageEditsTest, FillingWithANewColourFreesAnEntryOnlyWhenThePaletteIsFull) {
    table->settings.screenWidth = 4;
    table->settings.screenHeight = 3;
    PutFrame(
        2, 2, 4, [](int x, int y) { return x + 2 * y; }, 1, 1);
    Colorref chosen = 0;
    ui.AnswerColor(MakeRgb(1, 2, 3));
    ASSERT_TRUE(edit::FillMarginsWithNewColour(*table, 0, chosen));
    EXPECT_EQ(ui.colorQuestions.at(0).caption, "여백을 채울 색상을 선택하세요");
    EXPECT_EQ(chosen, MakeRgb(1, 2, 3));
    EXPECT_EQ(Entry().left, 0);
    EXPECT_EQ(Entry().width, 4);
    EXPECT_EQ(Entry().height, 3);
    EXPECT_EQ(Entry().colorCount, 256);
    const int fill = Image().Index(0, 0);
    EXPECT_GE(fill, 4) << "an entry of the widened palette, no colour lost";
    EXPECT_EQ(Image().PaletteColor(fill), MakeRgb(1, 2, 3));
    EXPECT_EQ(Image().Index(2, 2), 3);
    EXPECT_EQ(Image().PaletteColor(3), MakeRgb(3, 3, 252));

    // 256 used colours: the least-used one goes to its nearest neighbour for the new colour.
    table->settings.screenWidth = 40;
    table->settings.screenHeight = 20;
    PutFrame(32, 16, 256, [](int x, int y) {
        const int i = x + 32 * y;
        return i == 17 + 256 ? 0 : i % 256;
    });
    ASSERT_TRUE(
        edit::FillMargins(*table, 0, {edit::MarginFill::Kind::Colour, 0, MakeRgb(9, 8, 7)}));
    EXPECT_EQ(Image().Index(39, 19), 17);
    EXPECT_EQ(Image().PaletteColor(17), MakeRgb(9, 8, 7));
    EXPECT_EQ(Image().Index(17, 0), 16) << "the freed colour's pixel took its nearest colour";
}

TEST_F(FrameImageEditsTest, AColourFillKeepsTheTransparentEntryAndMovesTheKeyIfNeeded) {
    table->settings.screenWidth = 3;
    table->settings.screenHeight = 1;
    PutFrame(2, 1, 4, [](int x, int) { return x == 0 ? 3 : 1; });
    MakeTransparentAt(3);
    // The new colour is the key colour itself: it must not become transparent.
    const Colorref key = Entry().keyColor;
    ASSERT_TRUE(edit::FillMargins(*table, 0, {edit::MarginFill::Kind::Colour, 0, key}));
    EXPECT_EQ(Entry().transparentIndex, 3);
    EXPECT_NE(Image().Index(0, 0), 3) << "the transparent pixel took the fill colour";
    EXPECT_EQ(Image().Index(0, 0), Image().Index(2, 0));
    EXPECT_EQ(Image().PaletteColor(Image().Index(2, 0)), key);
    ExpectKeyAtTransparentIndex();
}

TEST_F(FrameImageEditsTest, PickingTheTransparentIndexAsksBeforeFillingWithTransparency) {
    table->settings.screenWidth = 3;
    table->settings.screenHeight = 2;
    PutFrame(
        1, 1, 4, [](int, int) { return 2; }, 1, 1);
    MakeTransparentAt(3);
    const CDib before = Image();
    ui.Answer(false);
    EXPECT_FALSE(edit::FillMarginsWithPickedIndex(*table, 0, 3));
    EXPECT_EQ(ui.Log().back().message, "투명색으로 모든 여백을 채우겠습니까?");
    EXPECT_EQ(ui.Log().back().title, "여백 채우기");
    EXPECT_EQ(Image(), before);

    ui.Answer(true);
    ASSERT_TRUE(edit::FillMarginsWithPickedIndex(*table, 0, 3));
    EXPECT_EQ(Image().Index(0, 0), Entry().transparentIndex);
    EXPECT_EQ(Image().Index(1, 1), 2);

    // Another index fills with its colour without a question.
    PutFrame(
        1, 1, 4, [](int, int) { return 2; }, 1, 1);
    ui.Clear();
    ASSERT_TRUE(edit::FillMarginsWithPickedIndex(*table, 0, 1));
    EXPECT_TRUE(ui.Log().empty());
    EXPECT_EQ(Image().Index(0, 0), 1);
    EXPECT_FALSE(edit::FillMarginsWithPickedIndex(*table, 0, 300)) << "no such entry";
}

TEST_F(FrameImageEditsTest, TheMarginQuestionOffersThreeWays) {
    ui.Answer(true, 2);
    EXPECT_EQ(edit::AskMarginMethod(ui), edit::MarginMethod::Transparent);
    const ChoiceRequest& asked = ui.Log().back().request;
    EXPECT_EQ(asked.title, "여백 색상 지정 방법");
    EXPECT_EQ(asked.message, "모든 여백을 채우려고 합니다. \n\n여백 색상을 어떻게 정할까요?");
    EXPECT_EQ(asked.options[1], "새로 만듦");
    EXPECT_EQ(asked.hideMask, "OOOX");
    ui.Answer(false);
    EXPECT_EQ(edit::AskMarginMethod(ui), edit::MarginMethod::Cancelled);
}

TEST_F(FrameImageEditsTest, PickingATransparentIndexNeedsTransparencyOn) {
    PutFrame(2, 2, 4, [](int x, int y) { return x + 2 * y; });
    const CDib before = Image();
    const FrameEntry entryBefore = Entry();
    EXPECT_FALSE(edit::PickTransparentIndex(*table, 0, 1));
    EXPECT_EQ(ui.LastMessage(), "먼저 투명 기능을 활성화하세요.");
    EXPECT_EQ(Image(), before);
    EXPECT_EQ(Entry(), entryBefore);

    ASSERT_TRUE(edit::SetFrameTransparency(*table, 0, true));
    ExpectKeyAtTransparentIndex();
    const int first = Entry().transparentIndex;
    ASSERT_TRUE(edit::PickTransparentIndex(*table, 0, 1));
    EXPECT_EQ(Entry().transparentIndex, 1);
    EXPECT_EQ(Image().PaletteColor(first), before.PaletteColor(first)) << "colour given back";
    EXPECT_EQ(Entry().transparentColor, before.PaletteColor(1));
    ExpectKeyAtTransparentIndex();
    ASSERT_EQ(Entry().colorCount, 8) << "four used colours: the palette grew for the key";
    EXPECT_FALSE(edit::PickTransparentIndex(*table, 0, 8)) << "past the palette";
    EXPECT_EQ(Entry().transparentIndex, 1);

    ASSERT_TRUE(edit::SetFrameTransparency(*table, 0, false));
    EXPECT_FALSE(Entry().transparent);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Image().PaletteColor(i), before.PaletteColor(i)) << "colour " << i << " back";
}

}  // namespace
}  // namespace vorla
