// A UserInterface for core tests: records every title and message it is shown and answers
// questions from a script. A question with no scripted answer fails the running test.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/port/NoticeThrottle.h"
#include "core/port/UserInterface.h"

namespace vorla::test {

class ScriptedUserInterface : public UserInterface {
public:
    struct Shown {
        // Notice: message is its text. TwoChoice: title and message. Color: message is the
        // caption. Numbers: title, message is the first field's label.
        enum class Kind { Choice, Message, Notice, TwoChoice, Color, Numbers } kind;
        std::string title;
        std::string message;
        ChoiceRequest request;  // for choices
    };

    // Queues the answer of the next question (accepted, chosen option).
    void Answer(bool accepted, int chosen = 0) { answers_.push_back({accepted, chosen}); }

    // Answers of the other questions, each kind in its own queue.
    void AnswerTwoChoice(int result) { twoChoiceAnswers_.push_back(result); }
    void AnswerColor(Colorref colour) { colorAnswers_.push_back(colour); }
    void CancelColor() { colorAnswers_.push_back(std::nullopt); }
    // What the user types and picks in the number dialog; nullopt leaves what the dialog showed
    // (the initial text, the first combo entry). Typed texts go through the field's clamping.
    struct NumbersAnswer {
        std::array<std::optional<std::string>, 2> values;
        std::optional<std::string> comboText;
    };
    void AnswerNumbers(const NumbersAnswer& answer) { numberAnswers_.push_back(answer); }
    void AnswerNumbers(const std::string& firstValue) {
        numberAnswers_.push_back(NumbersAnswer{{firstValue, std::nullopt}, std::nullopt});
    }
    void CancelNumbers() { numberAnswers_.push_back(std::nullopt); }
    // The way a long GIF is loaded; with none queued the question is not offered (nullopt).
    void AnswerLongGif(const LongGifWay& way) { longGifAnswers_.push_back(way); }
    std::optional<LongGifWay> AskLongGifWay(const LongGifQuestion& question) override {
        if (longGifAnswers_.empty()) return std::nullopt;
        log_.push_back({Shown::Kind::Choice, LongGifQuestion::kTitle, question.Text(), {}});
        const LongGifWay way = longGifAnswers_.front();
        longGifAnswers_.pop_front();
        return way;
    }

    ChoiceAnswer Choose(const ChoiceRequest& request, bool bringMainToTop) override;
    void ShowMessage(const std::string& text) override;
    void ShowNotice(const std::string& text, int milliseconds, int style) override;
    int AskTwoChoice(const std::string& message, const std::string& title,
                     const std::string& firstLabel, const std::string& secondLabel,
                     const std::string& disableMask) override;
    bool ChooseColor(Colorref& colour, const std::string& caption) override;
    bool AskNumbers(NumberRequest& request) override;

    // Every notice asked for; `shown` is false for one the 800 ms rule held back. Only shown
    // notices enter Log(). The clock is simulated: a shown notice advances it by its duration,
    // and ElapseMilliseconds stands for time passing between commands.
    struct NoticeRecord {
        std::string text;
        int milliseconds = 0;
        int style = 0;
        bool shown = false;
    };
    std::vector<NoticeRecord> notices;
    void ElapseMilliseconds(int milliseconds) { clock_ += NoticeThrottle::Tick(milliseconds); }

    struct TwoChoiceRecord {
        std::string message, title, firstLabel, secondLabel, disableMask;
    };
    std::vector<TwoChoiceRecord> twoChoices;
    struct ColorRecord {
        std::string caption;
        Colorref opened = 0;  // the result colour the chooser opened with
    };
    std::vector<ColorRecord> colorQuestions;
    std::vector<NumberRequest> numberQuestions;  // as they were shown
    bool PumpMessages() override {
        ++pumps;
        if (onPump) onPump();
        return !quitting;
    }
    // Runs inside every pump: what other windows may do meanwhile.
    std::function<void()> onPump;
    bool quitting = false;  // pumps report that the program is quitting

    // Progress dialogs: every one created is recorded; cancelAtPosition >= 0 makes a dialog
    // report Cancel once its position reaches that value.
    std::unique_ptr<WorkProgress> CreateProgress() override;
    struct ProgressRecord {
        std::string title;
        std::string status;
        int maximum = 0;
        int lastPosition = 0;
        bool shown = false;
    };
    std::vector<ProgressRecord> progress;
    int cancelAtPosition = -1;

    const std::vector<Shown>& Log() const { return log_; }
    // Every message text in order (choices and message boxes alike).
    std::vector<std::string> Messages() const;
    std::string LastMessage() const;
    bool Saw(const std::string& text) const;
    void Clear() { log_.clear(); }
    std::size_t UnusedAnswers() const {
        return answers_.size() + twoChoiceAnswers_.size() + colorAnswers_.size() +
               numberAnswers_.size() + longGifAnswers_.size();
    }

    int pumps = 0;

private:
    std::deque<ChoiceAnswer> answers_;
    std::deque<int> twoChoiceAnswers_;
    std::deque<std::optional<Colorref>> colorAnswers_;
    std::deque<std::optional<NumbersAnswer>> numberAnswers_;
    std::deque<LongGifWay> longGifAnswers_;
    NoticeThrottle throttle_;
    NoticeThrottle::Tick clock_{0};
    std::vector<Shown> log_;
};

}  // namespace vorla::test
