#include "core/port/UserInterface.h"

#include "core/model/Settings.h"

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

std::optional<std::string> ClampTypedNumber(const NumberField& field, const std::string& typed) {
    if (!field.clampWhileTyping || !field.HasRange()) return std::nullopt;
    const auto number = static_cast<unsigned>(TextToInt(typed));
    if (number < static_cast<unsigned>(field.minimum)) return std::to_string(field.minimum);
    if (number > static_cast<unsigned>(field.maximum)) return std::to_string(field.maximum);
    return std::nullopt;
}

std::vector<std::string> SplitComboItems(const std::string& items, int itemWidth) {
    std::vector<std::string> pieces;
    if (itemWidth <= 0) return pieces;
    std::string piece;
    int characters = 0;
    for (std::size_t i = 0; i < items.size();) {
        // A UTF-8 character is its lead byte and the continuation bytes (10xxxxxx) after it.
        std::size_t end = i + 1;
        while (end < items.size() && (static_cast<unsigned char>(items[end]) & 0xC0) == 0x80) ++end;
        piece.append(items, i, end - i);
        i = end;
        if (++characters == itemWidth) {
            pieces.push_back(std::move(piece));
            piece.clear();
            characters = 0;
        }
    }
    if (!piece.empty()) pieces.push_back(std::move(piece));
    return pieces;
}

}  // namespace vorla
