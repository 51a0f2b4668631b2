// The frame dialog's buttons that open other dialogs of the view on the same frame: the border
// (on this frame only, as part of this dialog's session) and the global properties.
#include <QPushButton>

#include "gui/dialogs/CFramePropertiesDialog.h"
#include "gui/view/CAnvoView.h"

namespace vorla {

void CFramePropertiesDialog::ConnectSheetButtons() {
    for (QPushButton* button : findChildren<QPushButton*>()) {
        if (button->text() == tr("테두리 넣기")) {
            button->setEnabled(true);
            connect(button, &QPushButton::clicked, this, [this] {
                if (session_.Active()) view_.OnInsertBorder(session_.Frame());
            });
        } else if (button->text() == tr("전체속성..")) {
            button->setEnabled(true);
            connect(button, &QPushButton::clicked, this, [this] {
                if (session_.Active()) view_.OnGlobalProperties(true);
            });
        }
    }
}

void CFramePropertiesDialog::FrameChangedOutside() {
    if (!session_.Active()) return;
    AfterFrameChange(true);
}

}  // namespace vorla
