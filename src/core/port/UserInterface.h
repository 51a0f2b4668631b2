// The core's only way to talk to the user. The GUI implements it with real dialogs; core tests
// implement it with a script that records every text and answers in turn.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "core/port/WorkProgress.h"

namespace vorla {

// What the shared question dialog is filled with before it is shown.
struct ChoiceRequest {
    std::string title;
    std::string message;  // may carry "%option" (shows the check box); shown up to the first '%'
    std::array<std::string, 4> options;
    std::string hideMask = "XXXX";     // char i == 'X' hides option i; a fifth char 'y' gives 예/아니오
    std::string disableMask = "----";  // char i == 'X' disables option i
    std::string checkBoxText;
    int preselected = 0;  // 0..3 checks that option; -1 Cancel button only; -2 OK button only
};

struct ChoiceAnswer {
    bool accepted = false;  // OK pressed; Cancel and the close box both give false
    int chosen = 0;         // index of the checked option after OK
};

class UserInterface {
public:
    virtual ~UserInterface() = default;

    // Shows the question dialog modally. bringMainToTop: raise the main window first.
    virtual ChoiceAnswer Choose(const ChoiceRequest& request, bool bringMainToTop) = 0;

    // A plain message box with an OK button (the platform's standard box).
    virtual void ShowMessage(const std::string& text) = 0;

    // Lets the user interface breathe during a long operation. false: the program is quitting.
    virtual bool PumpMessages() = 0;

    // A progress dialog for one long operation, hidden until Show(). A user interface without
    // screens keeps the state and is never cancelled.
    virtual std::unique_ptr<WorkProgress> CreateProgress();
};

// The progress of a user interface without screens: it remembers what it was told.
class HeadlessProgress : public WorkProgress {
public:
    void SetTitle(const std::string& text) override { title = text; }
    void SetStatusText(const std::string& text) override { status = text; }
    void SetRange(int low, int high) override {
        minimum = low;
        maximum = high;
    }
    void SetPosition(int value) override { position = value; }
    void Show() override { shown = true; }
    bool IsShown() const override { return shown; }
    bool Cancelled() const override { return false; }

    std::string title;
    std::string status;
    int minimum = 0;
    int maximum = 0;
    int position = 0;
    bool shown = false;
};

// The numbered internal-error box. code: five digits fixed per call site. Always returns 0 so
// call sites can write `return ReportProgramError(...)`.
int ReportProgramError(UserInterface& ui, const std::string& code, bool continuable);
std::string ProgramErrorText(const std::string& code, bool continuable);

// A yes/no question. checkBoxText "*nothing": no check box. yesNoButtons: the second form, whose
// buttons read 예/아니오 and which does not raise the main window.
bool AskQuestion(UserInterface& ui, const std::string& message, const std::string& title,
                 const std::string& checkBoxText = "*nothing", bool yesNoButtons = false);

// A message in the question dialog with a single OK button.
void ShowInfoBox(UserInterface& ui, const std::string& message, const std::string& title);

}  // namespace vorla
