// The floating pane "애니메이션 창": the focused document's animation at full size.
#pragma once

#include <QDockWidget>

namespace vorla {

class CMainFrame;

class CAnimationBar : public QDockWidget {
    Q_OBJECT

public:
    explicit CAnimationBar(CMainFrame& mainFrame);
    // Repaints the animation (playback calls it for every step of the focused view).
    void RefreshContent();

private:
    class Canvas;
    Canvas* canvas_;
};

}  // namespace vorla
