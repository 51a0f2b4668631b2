// A view's generated animations: the transition effects (brightness, scatter, overlap) from the
// Animation menu, which checks the selection, and from the context menus, which name the gap or
// frame that was clicked; and the advanced animation effects with their modeless dialog. The
// generators live in the core; this gives them the view's table, undo store and document, the
// shared settings and the settings sheet, and keeps the colours their choosers last chose.
#pragma once

#include "core/model/Color.h"
#include "gui/commands/Commands.h"

namespace vorla {

class CAnvoView;
class ViewServices;

class ViewEffects {
public:
    ViewEffects(CAnvoView& view, ViewServices& services) : view_(view), services_(services) {}

    // One of the transition commands; other ids are ignored.
    void Run(CommandId id);
    // "고급 애니메이션 효과..."; animationMenu: the Animation menu's form, which needs exactly one
    // selected frame; the context menu's uses the menu's frame.
    void RunAdvanced(bool animationMenu);

private:
    CAnvoView& view_;
    ViewServices& services_;
    Colorref marginColour_ = 0;  // the overlap's margin colour chooser keeps its colour
    Colorref fillColour_ = 0;    // the advanced effects' colour chooser, kept between uses
};

}  // namespace vorla
