#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/port/NoticeThrottle.h"
#include "core/port/UserInterface.h"
#include "support/ScriptedUserInterface.h"

namespace vorla {
namespace {

using test::ScriptedUserInterface;
using Tick = NoticeThrottle::Tick;

TEST(NoticeThrottle, SameTextWaitsEightHundredMillisecondsAfterTheLastShowing) {
    NoticeThrottle throttle;
    EXPECT_TRUE(throttle.Allows("", Tick(0))) << "the first notice must show, even an empty one";
    throttle.Shown("복사", Tick(1000));
    EXPECT_FALSE(throttle.Allows("복사", Tick(1000)));
    EXPECT_FALSE(throttle.Allows("복사", Tick(1799)));
    EXPECT_TRUE(throttle.Allows("복사", Tick(1800)));
    EXPECT_TRUE(throttle.Allows("붙여넣기", Tick(1001))) << "a different text shows at once";
}

TEST(NoticeThrottle, OnlyTheLastShownNoticeCounts) {
    NoticeThrottle throttle;
    throttle.Shown("가", Tick(0));
    throttle.Shown("나", Tick(100));
    EXPECT_TRUE(throttle.Allows("가", Tick(200))) << "another notice in between frees the text";
    // A notice held back does not restart the interval: nothing was recorded for it.
    EXPECT_FALSE(throttle.Allows("나", Tick(500)));
    EXPECT_TRUE(throttle.Allows("나", Tick(900)));
}

NumberField DuplicateCount(int frameCount) {
    NumberField field;
    field.label = "새로 추가될 프레임 수";
    field.minimum = 1;
    field.maximum = 300 - frameCount;
    field.value = "1";
    field.clampWhileTyping = true;
    return field;
}

TEST(ClampTypedNumber, RaisesToTheMinimumAndLowersToTheMaximum) {
    const NumberField field = DuplicateCount(10);
    struct Case {
        const char* typed;
        const char* want;  // nullptr: the text stays as typed
    };
    for (const Case& c : std::vector<Case>{{"0", "1"},
                                           {"", "1"},
                                           {"abc", "1"},
                                           {"291", "290"},
                                           {"99999999999999", "290"},
                                           {"-5", "290"},  // negative reads as a huge count
                                           {"1", nullptr},
                                           {"290", nullptr},
                                           {"12x", nullptr}}) {
        const std::optional<std::string> have = ClampTypedNumber(field, c.typed);
        if (c.want) {
            EXPECT_EQ(have.value_or("(kept)"), c.want) << "typed \"" << c.typed << "\"";
        } else {
            EXPECT_FALSE(have) << "typed \"" << c.typed << "\": have " << *have << ", want kept";
        }
    }
}

TEST(ClampTypedNumber, LeavesFieldsWithoutRangeOrClampingAlone) {
    NumberField noRange = DuplicateCount(10);
    noRange.minimum = noRange.maximum = 0;
    EXPECT_FALSE(ClampTypedNumber(noRange, "0"));
    NumberField noClamp = DuplicateCount(10);
    noClamp.clampWhileTyping = false;
    EXPECT_FALSE(ClampTypedNumber(noClamp, "500"));
}

TEST(SplitComboItems, CutsIntoPiecesOfCharactersNotBytes) {
    EXPECT_EQ(SplitComboItems("가나다라마", 2), (std::vector<std::string>{"가나", "다라", "마"}));
    EXPECT_EQ(SplitComboItems("bmp gif png ", 4),
              (std::vector<std::string>{"bmp ", "gif ", "png "}));
    EXPECT_TRUE(SplitComboItems("abc", 0).empty()) << "width 0 must not loop or cut";
    EXPECT_TRUE(SplitComboItems("", 3).empty());
}

TEST(ScriptedUserInterface, RecordsNoticesAndHoldsBackRepeatsWithItsOwnClock) {
    ScriptedUserInterface ui;
    ui.ShowNotice("프레임을 삭제할 수 없습니다.", 330, 1);
    ui.ShowNotice("프레임을 삭제할 수 없습니다.", 330, 1);
    ui.ElapseMilliseconds(800);
    ui.ShowNotice("프레임을 삭제할 수 없습니다.", 330, 1);
    ASSERT_EQ(ui.notices.size(), 3u);
    EXPECT_TRUE(ui.notices[0].shown);
    EXPECT_FALSE(ui.notices[1].shown) << "a repeat within 800 ms must be held back";
    EXPECT_TRUE(ui.notices[2].shown);
    EXPECT_EQ(ui.notices[0].milliseconds, 330);
    EXPECT_EQ(ui.Log().size(), 2u) << "only shown notices enter the log";
    EXPECT_TRUE(ui.Saw("프레임을 삭제할 수 없습니다."));
}

TEST(ScriptedUserInterface, AnswersTwoChoiceAndRejectsADisabledAnswer) {
    ScriptedUserInterface ui;
    ui.AnswerTwoChoice(kTwoChoiceSecond);
    EXPECT_EQ(
        ui.AskTwoChoice("3개의 프레임을 첨가하겠습니까?", "드래그 & 드롭", "이동", "복사", "OO"),
        kTwoChoiceSecond);
    ui.AnswerTwoChoice(kTwoChoiceSecond);
    int answer = -1;
    EXPECT_NONFATAL_FAILURE(answer = ui.AskTwoChoice("2개의 프레임으로 교체하겠습니까?",
                                                     "드래그 & 드롭", "이동", "복사", "OX"),
                            "disabled by mask");
    EXPECT_EQ(answer, kTwoChoiceCancel);
    EXPECT_NONFATAL_FAILURE(ui.AskTwoChoice("?", "t", "a", "b", "OO"), "unexpected");
    ASSERT_EQ(ui.twoChoices.size(), 3u);
    EXPECT_EQ(ui.twoChoices[1].disableMask, "OX");
}

TEST(ScriptedUserInterface, ColourChooserKeepsTheColourOnCancel) {
    ScriptedUserInterface ui;
    Colorref colour = 0;
    ui.AnswerColor(MakeRgb(255, 0, 0));
    ui.CancelColor();
    EXPECT_TRUE(ui.ChooseColor(colour, "테두리 색상을 선택하세요"));
    EXPECT_FALSE(ui.ChooseColor(colour, "테두리 색상을 선택하세요"));
    EXPECT_EQ(colour, MakeRgb(255, 0, 0));
    ASSERT_EQ(ui.colorQuestions.size(), 2u);
    EXPECT_EQ(ui.colorQuestions[1].opened, MakeRgb(255, 0, 0));
    EXPECT_NONFATAL_FAILURE(ui.ChooseColor(colour, "여백을 채울 색상을 선택하세요"), "unexpected");
}

TEST(ScriptedUserInterface, NumberAnswersAreClampedAsTypedAndCancelChangesNothing) {
    ScriptedUserInterface ui;
    NumberRequest request;
    request.title = "같은 프레임 여러 장 만들기";
    request.fields[0] = DuplicateCount(295);
    ui.AnswerNumbers("40");
    ASSERT_TRUE(ui.AskNumbers(request));
    EXPECT_EQ(request.fields[0].value, "5");
    ui.CancelNumbers();
    request.fields[0].value = "1";
    EXPECT_FALSE(ui.AskNumbers(request));
    EXPECT_EQ(request.fields[0].value, "1");

    request.comboLabel = "형식";
    request.comboItems = "bmpgifpng";
    request.itemWidth = 3;
    ui.AnswerNumbers({{"2", std::nullopt}, std::nullopt});
    ASSERT_TRUE(ui.AskNumbers(request));
    EXPECT_EQ(request.comboText, "bmp") << "the first entry is preselected";
    ui.AnswerNumbers({{std::nullopt, "7"}, std::nullopt});
    EXPECT_NONFATAL_FAILURE(ui.AskNumbers(request), "disabled");
    EXPECT_EQ(ui.numberQuestions.size(), 4u);
    EXPECT_EQ(ui.UnusedAnswers(), 0u);
}

}  // namespace
}  // namespace vorla
