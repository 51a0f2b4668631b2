// A UserInterface for core tests: records every title and message it is shown and answers
// questions from a script. A question with no scripted answer fails the running test.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "core/port/UserInterface.h"

namespace vorla::test {

class ScriptedUserInterface : public UserInterface {
public:
    struct Shown {
        enum class Kind { Choice, Message } kind;
        std::string title;
        std::string message;
        ChoiceRequest request;  // for choices
    };

    // Queues the answer of the next question (accepted, chosen option).
    void Answer(bool accepted, int chosen = 0) { answers_.push_back({accepted, chosen}); }

    ChoiceAnswer Choose(const ChoiceRequest& request, bool bringMainToTop) override;
    void ShowMessage(const std::string& text) override;
    bool PumpMessages() override {
        ++pumps;
        return true;
    }

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
    std::size_t UnusedAnswers() const { return answers_.size(); }

    int pumps = 0;

private:
    std::deque<ChoiceAnswer> answers_;
    std::vector<Shown> log_;
};

}  // namespace vorla::test
