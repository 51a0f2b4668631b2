// The floating pane "애니메이션 창": the focused document's animation at full size.
#pragma once

#include <QDockWidget>

namespace vorla {

class ViewServices;

class CAnimationBar : public QDockWidget {
    Q_OBJECT

public:
    // parent: the main window, above which the pane floats.
    CAnimationBar(ViewServices& services, QWidget* parent);
    // Repaints the animation (playback calls it for every step of the focused view).
    void RefreshContent();
    // Sizes the pane so that an animation of this logical-screen size shows whole, with the
    // canvas margins around it; never below the pane's first size, never beyond the screen.
    void FitAnimation(const QSize& screenSize);

    static constexpr int kMargin = 10;        // pixels around the animation on every side
    static constexpr int kInitialSize = 219;  // width and height of the pane when it first floats

private:
    class Canvas;
    Canvas* canvas_;
};

}  // namespace vorla
