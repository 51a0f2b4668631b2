#include <gtest/gtest.h>

#include "core/effects/EffectRandom.h"
#include "core/effects/EffectSettings.h"

namespace vorla::effects {
namespace {

const char kBrightnessMessage[] = "밝기 변화 효과의 설정 값이 잘못되었습니다.";
const char kOverlapMessage[] = "오버랩 효과의 설정 값이 잘못되었습니다.";

TEST(EffectSettings, SheetOpensWithTheDefaults) {
    const EffectSheetTexts texts = EffectSheetTexts::From(EffectSettings{});
    EXPECT_EQ(texts.fadeFrames, "15");
    EXPECT_EQ(texts.fadeDelay, "5");
    EXPECT_EQ(texts.darkestPercent, "60");
    EXPECT_EQ(texts.scatterFrames, "15");
    EXPECT_EQ(texts.scatterDelay, "5");
    EXPECT_EQ(texts.preservation, "10");
    EXPECT_EQ(texts.overlapFrames, "10");
    EXPECT_EQ(texts.overlapDelay, "5");
}

TEST(EffectSettings, PercentReopensTruncatedFromTheStoredFraction) {
    for (int percent = 0; percent <= kMaxDarkestPercent; ++percent) {
        EffectSettings settings;
        EffectSheetTexts texts = EffectSheetTexts::From(settings);
        texts.darkestPercent = std::to_string(percent);
        ASSERT_TRUE(StoreSheetTexts(texts, settings).Passed());
        const int shown = std::stoi(EffectSheetTexts::From(settings).darkestPercent);
        const bool truncatedBelow = percent == 29 || percent == 58 || percent == 116;
        EXPECT_EQ(shown, truncatedBelow ? percent - 1 : percent) << "entered " << percent;
    }
}

TEST(EffectSettings, ValuesOutsideTheLabelsAreRefusedPageByPage) {
    struct Case {
        const char* what;
        std::string EffectSheetTexts::*field;
        const char* text;
        int page;
        const char* message;
    };
    const Case cases[] = {
        {"51 fade frames", &EffectSheetTexts::fadeFrames, "51", kBrightnessPage,
         kBrightnessMessage},
        {"fade delay -2", &EffectSheetTexts::fadeDelay, "-2", kBrightnessPage, kBrightnessMessage},
        {"201 %", &EffectSheetTexts::darkestPercent, "201", kBrightnessPage, kBrightnessMessage},
        {"-1 %", &EffectSheetTexts::darkestPercent, "-1", kBrightnessPage, kBrightnessMessage},
        {"preservation 0", &EffectSheetTexts::preservation, "0", kScatterPage, kOverlapMessage},
        {"preservation 1", &EffectSheetTexts::preservation, "1", kScatterPage, kOverlapMessage},
        {"preservation 101", &EffectSheetTexts::preservation, "101", kScatterPage, kOverlapMessage},
        {"scatter delay 5001", &EffectSheetTexts::scatterDelay, "5001", kScatterPage,
         kOverlapMessage},
        {"overlap frames -1", &EffectSheetTexts::overlapFrames, "-1", kOverlapPage,
         kOverlapMessage},
        {"overlap delay text", &EffectSheetTexts::overlapDelay, "-9x", kOverlapPage,
         kOverlapMessage},
    };
    for (const Case& c : cases) {
        EffectSettings settings;
        EffectSheetTexts texts = EffectSheetTexts::From(settings);
        texts.*c.field = std::string(c.text);
        const SheetCheck check = StoreSheetTexts(texts, settings);
        EXPECT_EQ(check.failedPage, c.page) << c.what;
        EXPECT_EQ(check.message, c.message) << c.what;
    }
}

TEST(EffectSettings, BoundsAndTheIntegerRuleAreAccepted) {
    EffectSettings settings;
    // Overlap frames "7frames": the leading digits make the value; an empty delay reads as 0.
    const EffectSheetTexts texts{" 50", "-1", "200", "0", "5000", "2", "7frames", ""};
    ASSERT_TRUE(StoreSheetTexts(texts, settings).Passed());
    EXPECT_EQ(settings.fadeFrameCount, 50);
    EXPECT_EQ(settings.fadeDelay, -1);
    EXPECT_DOUBLE_EQ(settings.darkestBrightness, 2.0);
    EXPECT_EQ(settings.scatterFrameCount, 0);
    EXPECT_EQ(settings.scatterDelay, 5000);
    EXPECT_EQ(settings.scatterPreservation, 2);
    EXPECT_EQ(settings.overlapFrameCount, 7);
    EXPECT_EQ(settings.overlapDelay, 0);
}

TEST(EffectSettings, InvalidOverlapAfterValidBrightnessKeepsTheBrightnessValues) {
    EffectSettings settings;
    const EffectSheetTexts texts{"20", "5", "30", "9", "5", "10", "99", "5"};
    const SheetCheck check = StoreSheetTexts(texts, settings);
    EXPECT_EQ(check.failedPage, kOverlapPage);
    // The user now cancels the sheet: what the pages before stored stays.
    EXPECT_EQ(settings.fadeFrameCount, 20);
    EXPECT_DOUBLE_EQ(settings.darkestBrightness, 0.3);
    EXPECT_EQ(settings.scatterFrameCount, 9);
    EXPECT_EQ(settings.overlapFrameCount, 10) << "the refused page stores nothing";
}

TEST(EffectRandom, SeedOneGivesTheClassicSequence) {
    EffectRandom random(1);
    EXPECT_EQ(random.Next(), 41);
    EXPECT_EQ(random.Next(), 18467);
    EXPECT_EQ(random.Next(), 6334);
    random.Seed(1);
    EXPECT_EQ(random.Next(), 41) << "reseeding starts the sequence again";
}

TEST(EffectRandom, BelowStaysInsideItsRange) {
    EffectRandom random(12345);
    for (int n : {1, 2, 3, 7, 100, 32767, 32768, 40000, 65535}) {
        for (int i = 0; i < 20000; ++i) {
            const int r = random.Below(n);
            ASSERT_GE(r, 0);
            ASSERT_LT(r, n) << "n " << n;
        }
    }
}

}  // namespace
}  // namespace vorla::effects
