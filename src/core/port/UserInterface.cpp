#include "core/port/UserInterface.h"

namespace vorla {

std::unique_ptr<WorkProgress> UserInterface::CreateProgress() {
    return std::make_unique<HeadlessProgress>();
}

std::string ProgramErrorText(const std::string& code, bool continuable) {
    std::string text = "프로그램 오류 (" + code + ")";
    if (continuable) text += "\n\n계속 진행 가능";
    return text;
}

int ReportProgramError(UserInterface& ui, const std::string& code, bool continuable) {
    ui.ShowMessage(ProgramErrorText(code, continuable));
    return 0;
}

bool AskQuestion(UserInterface& ui, const std::string& message, const std::string& title,
                 const std::string& checkBoxText, bool yesNoButtons) {
    ChoiceRequest request;
    request.title = title;
    request.hideMask = yesNoButtons ? "XXXXy" : "XXXX";
    request.disableMask = "----";
    request.preselected = 0;
    if (checkBoxText != "*nothing") {
        request.message = message + "%option";
        request.checkBoxText = checkBoxText;
    } else {
        request.message = message;
    }
    return ui.Choose(request, !yesNoButtons).accepted;
}

void ShowInfoBox(UserInterface& ui, const std::string& message, const std::string& title) {
    ChoiceRequest request;
    request.title = title;
    request.message = message;
    request.preselected = -2;
    ui.Choose(request, false);
}

}  // namespace vorla
