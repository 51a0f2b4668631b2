#include "gui/view/ViewEffects.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>

#include "core/effects/AdvancedEffects.h"
#include "core/effects/Brightness.h"
#include "core/effects/Overlap.h"
#include "core/effects/Scatter.h"
#include "core/model/FrameTable.h"
#include "core/port/UserInterface.h"
#include "gui/dialogs/AdvancedAnimationDialog.h"
#include "gui/dialogs/EffectSettingsSheet.h"
#include "gui/view/CAnvoView.h"
#include "gui/view/ViewServices.h"

namespace vorla {

// The effects run inside the command's BusyScope, so nothing else changes the frames while they
// pump.
void ViewEffects::Run(CommandId id) {
    FrameTable& table = view_.Table();
    if (!view_.Store() || table.frameCount == 0) return;
    using effects::CommandForm;
    effects::EffectContext context{table,
                                   *view_.Store(),
                                   view_.Document(),
                                   services_.Effects(),
                                   services_.EffectRandomNumbers(),
                                   marginColour_,
                                   [this](int startPage) {
                                       return EditEffectSettings(services_.Effects(),
                                                                 services_.Ui(), startPage,
                                                                 view_.window());
                                   }};
    const CommandForm menu = CommandForm::MainMenu;
    const CommandForm popup = CommandForm::ContextMenu;
    switch (id) {
        case CommandId::AnimationFadeIn: effects::FadeIn(context, menu); break;
        case CommandId::GapMenuFadeIn: effects::FadeIn(context, popup); break;
        case CommandId::AnimationFadeOut: effects::FadeOut(context, menu); break;
        case CommandId::GapMenuFadeOut: effects::FadeOut(context, popup); break;
        case CommandId::AnimationFadeInOut: effects::FadeInOut(context, menu); break;
        case CommandId::ContextFadeInOut: effects::FadeInOut(context, popup); break;
        case CommandId::AnimationScatterAppear: effects::ScatterAppear(context, menu); break;
        case CommandId::GapMenuScatterAppear: effects::ScatterAppear(context, popup); break;
        case CommandId::AnimationScatterDisappear: effects::ScatterDisappear(context, menu); break;
        case CommandId::GapMenuScatterDisappear: effects::ScatterDisappear(context, popup); break;
        case CommandId::AnimationScatterAppearDisappear:
            effects::ScatterAppearDisappear(context, menu);
            break;
        case CommandId::ContextScatterAppearDisappear:
            effects::ScatterAppearDisappear(context, popup);
            break;
        case CommandId::AnimationOverlap: effects::Overlap(context, menu); break;
        case CommandId::GapMenuOverlap: effects::Overlap(context, popup); break;
        default: return;
    }
    view_.AfterFramesChanged();
}

// The dialog is waited for in a local event loop while the view is busy, then the core's run
// (effects::RunAdvancedAnimation) goes under the same busy mark.
void ViewEffects::RunAdvanced(bool animationMenu) {
    FrameTable& table = view_.Table();
    if (table.frameCount == 0) return;
    int current = table.menuFrame;
    if (animationMenu) {
        if (table.CountSelection() != 1) {
            table.Ui().ShowMessage("선택하신 메뉴는 하나의 프레임을 선택하신 후 사용하십시오.");
            return;
        }
        current = table.lastSelectedFrame;
    }
    if (current < 0 || current >= table.frameCount) return;

    effects::AdvancedCommand command;
    {
        CAnvoView::BusyScope busy(view_);
        QPointer<AdvancedAnimationDialog> dialog = new AdvancedAnimationDialog(
            &view_, table.Ui(), table.App().GeneralIni(), current, table.frameCount);
        dialog->setAttribute(Qt::WA_DeleteOnClose, false);
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
        // The dialog is modeless: other windows stay usable while this one waits, busy.
        QEventLoop wait;
        QObject::connect(dialog, &QDialog::finished, &wait, &QEventLoop::quit);
        QObject::connect(dialog, &QObject::destroyed, &wait, &QEventLoop::quit);
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, &wait, &QEventLoop::quit);
        if (dialog->Result() == 0) wait.exec();
        const bool accepted = dialog && dialog->Result() == 1;
        if (accepted) command = dialog->Form().Command();
        delete dialog.data();
        if (!accepted || view_.IsClosing()) return;
        effects::RunAdvancedAnimation(table, view_.Store(), current, command, fillColour_);
    }
    view_.AfterFramesChanged();
}

}  // namespace vorla
