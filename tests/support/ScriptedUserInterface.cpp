#include "support/ScriptedUserInterface.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vorla::test {

ChoiceAnswer ScriptedUserInterface::Choose(const ChoiceRequest& request, bool) {
    log_.push_back({Shown::Kind::Choice, request.title, request.message, request});
    // A box with only an OK button (or only Cancel) needs no scripted answer.
    if (request.preselected == -2) return {true, 0};
    if (request.preselected == -1) return {false, 0};
    if (answers_.empty()) {
        ADD_FAILURE() << "unexpected question: title \"" << request.title << "\", message \""
                      << request.message << "\"";
        return {false, 0};
    }
    ChoiceAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

namespace {

class ScriptedProgress : public WorkProgress {
public:
    ScriptedProgress(ScriptedUserInterface& owner, std::size_t index)
        : owner_(owner), index_(index) {}
    void SetTitle(const std::string& text) override { Record().title = text; }
    void SetStatusText(const std::string& text) override { Record().status = text; }
    void SetRange(int, int high) override { Record().maximum = high; }
    void SetPosition(int value) override { Record().lastPosition = value; }
    void Show() override { Record().shown = true; }
    bool IsShown() const override { return owner_.progress[index_].shown; }
    bool Cancelled() const override {
        return owner_.cancelAtPosition >= 0 &&
               owner_.progress[index_].lastPosition >= owner_.cancelAtPosition;
    }

private:
    ScriptedUserInterface::ProgressRecord& Record() { return owner_.progress[index_]; }
    ScriptedUserInterface& owner_;
    std::size_t index_;
};

}  // namespace

std::unique_ptr<WorkProgress> ScriptedUserInterface::CreateProgress() {
    progress.emplace_back();
    return std::make_unique<ScriptedProgress>(*this, progress.size() - 1);
}

void ScriptedUserInterface::ShowMessage(const std::string& text) {
    log_.push_back({Shown::Kind::Message, std::string(), text, {}});
}

void ScriptedUserInterface::ShowNotice(const std::string& text, int milliseconds, int style) {
    const bool shown = throttle_.Allows(text, clock_);
    notices.push_back({text, milliseconds, style, shown});
    if (!shown) return;
    log_.push_back({Shown::Kind::Notice, std::string(), text, {}});
    clock_ += NoticeThrottle::Tick(std::max(0, milliseconds));
    throttle_.Shown(text, clock_);
}

int ScriptedUserInterface::AskTwoChoice(const std::string& message, const std::string& title,
                                        const std::string& firstLabel,
                                        const std::string& secondLabel,
                                        const std::string& disableMask) {
    twoChoices.push_back({message, title, firstLabel, secondLabel, disableMask});
    log_.push_back({Shown::Kind::TwoChoice, title, message, {}});
    if (twoChoiceAnswers_.empty()) {
        ADD_FAILURE() << "unexpected two-choice question: title \"" << title << "\", message \""
                      << message << "\"";
        return kTwoChoiceCancel;
    }
    const int answer = twoChoiceAnswers_.front();
    twoChoiceAnswers_.pop_front();
    if (answer == kTwoChoiceFirst || answer == kTwoChoiceSecond) {
        const std::size_t index = static_cast<std::size_t>(answer - 1);
        if (index < disableMask.size() && disableMask[index] == 'X') {
            ADD_FAILURE() << "scripted answer " << answer << " is disabled by mask \""
                          << disableMask << "\"";
            return kTwoChoiceCancel;
        }
    } else if (answer != kTwoChoiceCancel) {
        ADD_FAILURE() << "scripted two-choice answer " << answer << ", want 0, 1 or 2";
        return kTwoChoiceCancel;
    }
    return answer;
}

bool ScriptedUserInterface::ChooseColor(Colorref& colour, const std::string& caption) {
    colorQuestions.push_back({caption, colour});
    log_.push_back({Shown::Kind::Color, std::string(), caption, {}});
    if (colorAnswers_.empty()) {
        ADD_FAILURE() << "unexpected colour chooser: caption \"" << caption << "\"";
        return false;
    }
    const std::optional<Colorref> answer = colorAnswers_.front();
    colorAnswers_.pop_front();
    if (!answer) return false;
    colour = *answer;
    return true;
}

bool ScriptedUserInterface::AskNumbers(NumberRequest& request) {
    numberQuestions.push_back(request);
    log_.push_back({Shown::Kind::Numbers, request.title, request.fields[0].label, {}});
    if (numberAnswers_.empty()) {
        ADD_FAILURE() << "unexpected number dialog: title \"" << request.title << "\"";
        return false;
    }
    const std::optional<NumbersAnswer> answer = numberAnswers_.front();
    numberAnswers_.pop_front();
    if (!answer) return false;
    for (std::size_t i = 0; i < request.fields.size(); ++i) {
        if (!answer->values[i]) continue;
        NumberField& field = request.fields[i];
        if (field.Disabled()) {
            ADD_FAILURE() << "scripted text for number field " << i + 1 << ", which is disabled";
            continue;
        }
        field.value = ClampTypedNumber(field, *answer->values[i]).value_or(*answer->values[i]);
    }
    if (request.comboLabel != "*disable") {
        const std::vector<std::string> items =
            SplitComboItems(request.comboItems, request.itemWidth);
        if (answer->comboText) {
            if (std::find(items.begin(), items.end(), *answer->comboText) == items.end()) {
                ADD_FAILURE() << "scripted combo entry \"" << *answer->comboText
                              << "\" is not offered";
            } else {
                request.comboText = *answer->comboText;
            }
        } else {
            request.comboText = items.empty() ? std::string() : items.front();
        }
    } else if (answer->comboText) {
        ADD_FAILURE() << "scripted combo entry for a disabled combo";
    }
    return true;
}

std::vector<std::string> ScriptedUserInterface::Messages() const {
    std::vector<std::string> texts;
    for (const Shown& shown : log_) texts.push_back(shown.message);
    return texts;
}

std::string ScriptedUserInterface::LastMessage() const {
    return log_.empty() ? std::string() : log_.back().message;
}

bool ScriptedUserInterface::Saw(const std::string& text) const {
    return std::any_of(log_.begin(), log_.end(),
                       [&](const Shown& shown) { return shown.message == text; });
}

}  // namespace vorla::test
