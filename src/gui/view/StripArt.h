// The small pictures of the frame strip, drawn once in code: the backdrop pattern behind frames,
// the badges (delay, transparency, restore to background), the gap mark, the info-line icons and
// the placeholder of one-frame animations.
#pragma once

#include <QPixmap>

namespace vorla {

class StripArt {
public:
    StripArt();

    QPixmap backdrop;   // 32 x 32 tile, copied unscaled behind every frame
    QPixmap delayIcon;  // 10 x 10 clock
    QPixmap transparencyIcon;
    QPixmap restoreIcon;
    QPixmap gapIcon;
    QPixmap screenIcon;
    QPixmap zoomIcon;
    QPixmap zoomArrowIcon;
    QPixmap loopIcon;
    QPixmap onceIcon;
    QPixmap placeholder;  // shown in the preview row of a one-frame animation
};

}  // namespace vorla
