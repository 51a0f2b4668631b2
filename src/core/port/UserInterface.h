// The core's only way to talk to the user. The GUI implements it with real dialogs; core tests
// implement it with a script that records every text and answers in turn.
#pragma once

#include <array>
#include <string>

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
