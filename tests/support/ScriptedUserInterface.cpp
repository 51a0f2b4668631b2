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
    ScriptedProgress(ScriptedUserInterface& owner, std::size_t index) : owner_(owner), index_(index) {}
    void SetTitle(const std::string& text) override { Record().title = text; }
    void SetStatusText(const std::string& text) override { Record().status = text; }
    void SetRange(int, int high) override { Record().maximum = high; }
    void SetPosition(int value) override { Record().lastPosition = value; }
    void Show() override { Record().shown = true; }
    bool IsShown() const override { return owner_.progress[index_].shown; }
    bool Cancelled() const override {
        return owner_.cancelAtPosition >= 0 && owner_.progress[index_].lastPosition >= owner_.cancelAtPosition;
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
