// The core's only way to talk to the user. The GUI implements it with real dialogs; core tests
// implement it with a script that records every text and answers in turn.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/model/Color.h"
#include "core/port/LongGifQuestion.h"
#include "core/port/WorkProgress.h"

namespace vorla {

// What the shared question dialog is filled with before it is shown.
struct ChoiceRequest {
    std::string title;
    std::string message;  // may carry "%option" (shows the check box); shown up to the first '%'
    std::array<std::string, 4> options;
    std::string hideMask =
        "XXXX";  // char i == 'X' hides option i; a fifth char 'y' gives 예/아니오
    std::string disableMask = "----";  // char i == 'X' disables option i
    std::string checkBoxText;
    int preselected = 0;  // 0..3 checks that option; -1 Cancel button only; -2 OK button only
};

struct ChoiceAnswer {
    bool accepted = false;  // OK pressed; Cancel and the close box both give false
    int chosen = 0;         // index of the checked option after OK
};

// One number row of the number dialog.
struct NumberField {
    std::string label = "*disable";  // "*disable" hides and disables the row
    int minimum = 0;                 // minimum 0 and maximum 0: no range (no range text)
    int maximum = 0;
    std::string value;  // the field's text: shown first, replaced by the entered text after OK
    // Applies the range on every edit (ClampTypedNumber), so that the field never holds a number
    // outside it. Has no effect without a range.
    bool clampWhileTyping = false;

    bool HasRange() const { return minimum != 0 || maximum != 0; }
    bool Disabled() const { return label == "*disable"; }
};

// What the number dialog is filled with; after OK it also carries the answers.
struct NumberRequest {
    std::string title;
    std::array<NumberField, 2> fields;
    std::string comboLabel = "*disable";  // "*disable" hides and disables the combo row
    std::string comboItems;  // the entries one after another, each exactly itemWidth characters
    int itemWidth = 0;       // in characters (code points); <= 0: the combo stays empty
    std::string comboText;   // the chosen entry after OK
};

// The answers of AskTwoChoice.
constexpr int kTwoChoiceCancel = 0;
constexpr int kTwoChoiceFirst = 1;
constexpr int kTwoChoiceSecond = 2;

class UserInterface {
public:
    virtual ~UserInterface() = default;

    // Shows the question dialog modally. bringMainToTop: raise the main window first.
    virtual ChoiceAnswer Choose(const ChoiceRequest& request, bool bringMainToTop) = 0;

    // A plain message box with an OK button (the platform's standard box).
    virtual void ShowMessage(const std::string& text) = 0;

    // Lets the user interface breathe during a long operation. false: the program is quitting.
    virtual bool PumpMessages() = 0;

    // A notice without buttons, displayed for `milliseconds` on the calling thread: the call
    // returns when the notice has closed, so whatever follows happens after it, as the caller wrote
    // it. The same text again within 800 ms of the last notice is not shown (NoticeThrottle).
    // style: kept with the notice; changes nothing that is shown.
    virtual void ShowNotice(const std::string& text, int milliseconds, int style) = 0;

    // A question with two named answers and Cancel: kTwoChoiceFirst, kTwoChoiceSecond or
    // kTwoChoiceCancel (also for the close box). disableMask: 'X' as first character disables the
    // first answer, as second character the second ("OX" leaves the first answer and Cancel).
    virtual int AskTwoChoice(const std::string& message, const std::string& title,
                             const std::string& firstLabel, const std::string& secondLabel,
                             const std::string& disableMask) = 0;

    // The colour chooser titled `caption`. `colour` is the chooser's result colour, which the
    // owner keeps between uses (black before the first choice, as a new chooser): the chooser
    // opens with it, OK replaces it, Cancel leaves it. true after OK.
    virtual bool ChooseColor(Colorref& colour, const std::string& caption) = 0;

    // The number dialog, modal. true after OK, with the entered texts of the enabled rows in
    // the request (values, comboText); Cancel leaves the request as it was.
    virtual bool AskNumbers(NumberRequest& request) = 0;

    // A progress dialog for one long operation, hidden until Show(). A user interface without
    // screens keeps the state and is never cancelled.
    virtual std::unique_ptr<WorkProgress> CreateProgress();

    // Which images of a GIF longer than a document to load (a modal dialog). nullopt: this user
    // interface offers no such choice; the loader then keeps the first images and says so after
    // loading, as it does for a job without a window.
    virtual std::optional<LongGifWay> AskLongGifWay(const LongGifQuestion& question) {
        (void)question;
        return std::nullopt;
    }
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

// What a number field does with the text just typed into it: nullopt keeps it, otherwise the
// text that replaces it. The text is read with the string-to-integer rule (non-numbers read as 0)
// and compared unsigned, so a negative number counts as above any maximum.
std::optional<std::string> ClampTypedNumber(const NumberField& field, const std::string& typed);

// The combo entries of a number request: comboItems cut into pieces of itemWidth characters
// (UTF-8 code points, so a Korean syllable is one character); a shorter last piece is kept.
std::vector<std::string> SplitComboItems(const std::string& items, int itemWidth);

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
