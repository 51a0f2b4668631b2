// The advanced animation command: its modeless dialog, waited for in a local event loop while
// the view is busy, then the core's run (effects::RunAdvancedAnimation) under the same busy mark.
#include <QApplication>
#include <QEventLoop>
#include <QPointer>

#include "core/effects/AdvancedEffects.h"
#include "core/model/FrameTable.h"
#include "core/port/UserInterface.h"
#include "gui/app/CMainFrame.h"
#include "gui/dialogs/AdvancedAnimationDialog.h"
#include "gui/view/CAnvoView.h"

namespace vorla {

void CAnvoView::OnAdvancedAnimation(bool animationMenu) {
    if (table_.frameCount == 0) return;
    int current = table_.menuFrame;
    if (animationMenu) {
        if (table_.CountSelection() != 1) {
            table_.Ui().ShowMessage("선택하신 메뉴는 하나의 프레임을 선택하신 후 사용하십시오.");
            return;
        }
        current = table_.lastSelectedFrame;
    }
    if (current < 0 || current >= table_.frameCount) return;

    effects::AdvancedCommand command;
    {
        BusyScope busy(*this);
        QPointer<AdvancedAnimationDialog> dialog = new AdvancedAnimationDialog(
            this, table_.Ui(), table_.App().GeneralIni(), current, table_.frameCount);
        dialog->setAttribute(Qt::WA_DeleteOnClose, false);
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
        // The dialog is modeless: other windows stay usable while this one waits, busy.
        QEventLoop wait;
        connect(dialog, &QDialog::finished, &wait, &QEventLoop::quit);
        connect(dialog, &QObject::destroyed, &wait, &QEventLoop::quit);
        connect(qApp, &QCoreApplication::aboutToQuit, &wait, &QEventLoop::quit);
        if (dialog->Result() == 0) wait.exec();
        const bool accepted = dialog && dialog->Result() == 1;
        if (accepted) command = dialog->Form().Command();
        delete dialog.data();
        if (!accepted || IsClosing()) return;
        effects::RunAdvancedAnimation(table_, store_.get(), current, command, fillColour_);
    }
    AfterFramesChanged();
}

}  // namespace vorla
