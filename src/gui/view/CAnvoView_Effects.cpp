// The transition effects as commands of the strip: brightness, scatter and overlap from the
// Animation menu (which checks the selection) and from the context menus (which name the gap or
// frame that was clicked). The generators live in the core; the view gives them its table, undo
// store and document, the shared settings and the settings sheet. They run inside the command's
// BusyScope, so nothing else changes the frames while they pump.
#include "core/effects/Brightness.h"
#include "core/effects/Overlap.h"
#include "core/effects/Scatter.h"
#include "gui/app/CMainFrame.h"
#include "gui/dialogs/EffectSettingsSheet.h"
#include "gui/view/CAnvoView.h"

namespace vorla {

void CAnvoView::OnEffectCommand(CommandId id) {
    if (!store_ || table_.frameCount == 0) return;
    using effects::CommandForm;
    effects::EffectContext context{table_,
                                   *store_,
                                   document_,
                                   main_.Effects(),
                                   main_.EffectRandomNumbers(),
                                   effectMarginColour_,
                                   [this](int startPage) {
                                       return EditEffectSettings(main_.Effects(), main_.Ui(),
                                                                 startPage, &main_);
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
    AfterFramesChanged();
}

}  // namespace vorla
