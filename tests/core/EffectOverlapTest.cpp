#include <gtest/gtest.h>

#include "EffectTestFixture.h"
#include "core/effects/Overlap.h"
#include "core/effects/PaletteOps.h"

namespace vorla::effects {
namespace {

using test::EffectTest;

TEST(BlendFrames, MixesEveryChannelExactly) {
    CDib a;
    CDib b;
    a.Create(2, 1, 8, 2);
    b.Create(2, 1, 8, 2);
    a.SetPaletteColor(0, MakeRgb(3, 0, 255));
    b.SetPaletteColor(0, MakeRgb(0, 255, 0));
    a.SetIndex(1, 0, 1);
    b.SetIndex(1, 0, 1);
    const CDib half = BlendFrames(a, b, 1, 2);
    ASSERT_EQ(half.BitCount(), 24);
    // 3 + floor(-3 / 2) = 1, floor(255 / 2) = 127, 255 + floor(-255 / 2) = 127.
    EXPECT_EQ(half.PixelColor(0, 0), MakeRgb(1, 127, 127));
    EXPECT_EQ(half.PixelColor(1, 0), MakeRgb(0, 0, 0));
    EXPECT_EQ(BlendFrames(a, b, 0, 5).PixelColor(0, 0), a.PaletteColor(0));
    EXPECT_EQ(BlendFrames(a, b, 5, 5).PixelColor(0, 0), b.PaletteColor(0));
    CDib other;
    other.Create(3, 1, 8, 2);
    EXPECT_TRUE(BlendFrames(a, other, 1, 2).IsEmpty()) << "sizes differ";
}

class Overlap : public EffectTest {};

TEST_F(Overlap, OneFrameGivesTheMessageAndNoSheet) {
    Load(1);
    SelectGap(0);
    EXPECT_EQ(effects::Overlap(Context(), CommandForm::MainMenu), EffectOutcome::Refused);
    EXPECT_EQ(ui.Messages(), (std::vector<std::string>{"최소한 두 프레임이 필요합니다."}));
    EXPECT_TRUE(sheetPages.empty());
    ui.Clear();
    SelectFrame(0);
    EXPECT_EQ(effects::Overlap(Context(), CommandForm::MainMenu), EffectOutcome::Refused);
    EXPECT_EQ(ui.Messages(),
              (std::vector<std::string>{
                  "선택하신 메뉴는 프레임과 프레임 사이를 선택하신 후 사용하십시오."}));
}

TEST_F(Overlap, OneFrameIsTheExactHalfWayMix) {
    Load(3);
    settings.overlapFrameCount = 1;
    settings.overlapDelay = 9;
    SelectGap(0);
    ASSERT_EQ(effects::Overlap(Context(), CommandForm::MainMenu), EffectOutcome::Done);
    EXPECT_EQ(sheetPages, (std::vector<int>{kOverlapPage}));
    ASSERT_EQ(table->frameCount, 4);
    EXPECT_EQ(Delays(), (std::vector<int>{50, 9, 50, 12}));
    const CDib expected = BlendFrames(Image(0), Image(2), 1, 2);
    for (std::int32_t y = 0; y < kHeight; ++y)
        for (std::int32_t x = 0; x < kWidth; ++x)
            ASSERT_EQ(Image(1).PixelColor(x, y), expected.PixelColor(x, y)) << x << "," << y;
    const FrameEntry& mixed = Entry(1);
    EXPECT_EQ(mixed.width, kWidth);
    EXPECT_EQ(mixed.colorCount, 256);
    EXPECT_EQ(mixed.transparent, 0);
    EXPECT_EQ(mixed.restoreBackground, 1);
    EXPECT_EQ(imaging.lastQuantize.dither, QuantizeOptions::Dither::None);
    EXPECT_EQ(Entry(2).selected, 1) << "B is selected";
    ASSERT_EQ(ui.progress.size(), 1u);
    EXPECT_EQ(ui.progress[0].title, "오버랩");
    EXPECT_EQ(ui.progress[0].status, "이미지 에니메이션 처리 중..");
    EXPECT_EQ(ui.progress[0].maximum, 100);
    EXPECT_EQ(store->Count(), 2);
}

TEST_F(Overlap, WeightsOfTheSecondFrameRiseTowardsIt) {
    Load(2);
    settings.overlapFrameCount = 4;
    SelectGap(0);
    ASSERT_EQ(effects::Overlap(Context(), CommandForm::MainMenu), EffectOutcome::Done);
    ASSERT_EQ(table->frameCount, 6);
    for (int h = 0; h < 4; ++h) {
        const CDib expected = BlendFrames(Image(0), Image(5), 2 * h + 1, 8);
        EXPECT_EQ(Image(1 + h).PixelColor(3, 2), expected.PixelColor(3, 2)) << "h " << h;
    }
}

TEST_F(Overlap, WrapAroundBeforeTheFirstMovesTheLastFrameToTheFront) {
    Load(3);
    settings.overlapFrameCount = 2;
    SelectGap(-1);
    ui.Answer(true);
    ASSERT_EQ(effects::Overlap(Context(), CommandForm::MainMenu), EffectOutcome::Done);
    EXPECT_EQ(ui.Log()[0].message, "마지막 장면을 처음으로 옮기고 작업하겠습니까?");
    EXPECT_EQ(ui.Log()[0].title, "오버랩");
    // Former last frame (delay 12), the mixes, the former first (10), then 11.
    EXPECT_EQ(Delays(), (std::vector<int>{50, 5, 5, 50, 11}));
    EXPECT_EQ(RedOf(Image(0).PaletteColor(0)), 198);
    EXPECT_EQ(store->Count(), 2) << "the move and the mixes are one undo step";
}

TEST_F(Overlap, WrapAroundAfterTheLastBlendsTowardsTheFirst) {
    Load(2);
    settings.overlapFrameCount = 2;
    SelectGap(1);
    ui.Answer(true);
    ASSERT_EQ(effects::Overlap(Context(), CommandForm::MainMenu), EffectOutcome::Done);
    EXPECT_EQ(ui.Log()[0].message, "첫장면으로 연결되도록 하겠습니까?");
    EXPECT_EQ(Delays(), (std::vector<int>{50, 50, 5, 5}));
    const CDib expected = BlendFrames(Image(1), Image(0), 3, 4);
    EXPECT_EQ(Image(3).PixelColor(1, 1), expected.PixelColor(1, 1));
    EXPECT_EQ(Entry(0).selected, 1);
}

TEST_F(Overlap, DecliningTheWrapChangesNothing) {
    Load(2);
    SelectGap(-1);
    const auto before = Block();
    ui.Answer(false);
    EXPECT_EQ(effects::Overlap(Context(), CommandForm::MainMenu), EffectOutcome::Refused);
    EXPECT_EQ(Block(), before);
}

TEST_F(Overlap, FramesNotCoveringTheScreenAskForAMarginColour) {
    Load(2);
    // Frame 1 is transparent and uses its transparent index.
    table->entries[1].transparent = 1;
    table->SetKeyColor(1);
    ASSERT_TRUE(edit::RecordSnapshot(*table, *store));
    SelectGap(0);
    const auto before = Block();
    ui.CancelColor();
    EXPECT_EQ(effects::Overlap(Context(), CommandForm::MainMenu), EffectOutcome::Refused);
    EXPECT_EQ(Block(), before);
    ASSERT_EQ(ui.colorQuestions.size(), 1u);
    EXPECT_EQ(ui.colorQuestions[0].caption, "여백을 채울 색상을 선택하세요");

    settings.overlapFrameCount = 1;
    ui.AnswerColor(MakeRgb(0, 0, 255));
    ASSERT_EQ(effects::Overlap(Context(), CommandForm::MainMenu), EffectOutcome::Done);
    EXPECT_EQ(marginColour, MakeRgb(0, 0, 255)) << "the chooser keeps its colour";
    // Pixel (2, 0) of frame 1 was transparent and now shows blue; the mix takes it half-way
    // from frame 0's (3, 77, 254).
    EXPECT_EQ(Image(2).PixelColor(2, 0), MakeRgb(0, 0, 255));
    EXPECT_EQ(Image(1).PixelColor(2, 0), MakeRgb(1, 38, 254));
}

TEST_F(Overlap, AReductionThatFailsRestoresTheTableAndReports) {
    Load(3);
    document.modified = false;
    const auto before = Block();
    settings.overlapFrameCount = 3;
    imaging.failQuantize = true;
    SelectGap(1);
    EXPECT_EQ(effects::Overlap(Context(), CommandForm::MainMenu), EffectOutcome::Failed);
    EXPECT_EQ(Block(), before);
    EXPECT_EQ(store->Count(), 1);
    EXPECT_FALSE(document.modified);
    EXPECT_TRUE(ui.Saw(ProgramErrorText("53311", false)));
}

TEST_F(Overlap, CancelAtAnyPositionPutsEverythingBack) {
    for (int cancelAt : {0, 25, 50, 100}) {
        Load(2);
        document.modified = cancelAt == 50;
        const auto before = Block();
        const int blocks = store->Count();
        settings.overlapFrameCount = 4;
        ui.cancelAtPosition = cancelAt;
        SelectGap(-1);
        ui.Answer(true);  // the wrap-around moves a frame first
        ASSERT_EQ(effects::Overlap(Context(), CommandForm::MainMenu), EffectOutcome::Cancelled);
        EXPECT_EQ(Block(), before) << "cancel at " << cancelAt;
        EXPECT_EQ(store->Count(), blocks) << "no undo step";
        EXPECT_EQ(document.modified, cancelAt == 50);
    }
}

TEST_F(Overlap, TooManyFramesAreRefusedBeforeTheSheetValuesAreUsed) {
    Load(295);
    SelectGap(4);
    const auto before = Block();
    settings.overlapFrameCount = 6;
    EXPECT_EQ(effects::Overlap(Context(), CommandForm::MainMenu), EffectOutcome::Refused);
    EXPECT_EQ(Block(), before);
}

}  // namespace
}  // namespace vorla::effects
