// The animation as it looks at one frame: frames 0..c drawn in order, each frame before c
// disposed of as its GIF disposal says (restore to background: the background; restore to
// previous: what the area showed before the frame). Advancing by one frame only draws that frame
// (the canvas carries the state), so playback costs one frame a step, not c.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

#include "core/model/FrameTable.h"

namespace vorla {

class AnimationCompositor {
public:
    // fullSize: the frames at scale 1 (the pane); otherwise their display images at the strip's
    // zoom (the preview row). Returns the canvas of canvasSize. Frames are converted to ARGB as
    // they are drawn and not kept: one canvas per compositor is all the memory it holds.
    const QImage& Compose(const FrameTable& table, bool fullSize, int current, QSize canvasSize,
                          const QColor& background);
    void Invalidate() { composed_ = -1; }

    // Where a frame lands on a canvas at scale. Both edges of the frame's full-size rectangle
    // are scaled and rounded down, as the screen's own edge is: frames that meet or cover each
    // other at full size still do when scaled, and a frame's disposal clears exactly the pixels
    // it drew. (Scaling the position and the size separately leaves one-pixel seams that keep
    // whatever an earlier frame drew there.)
    static QRect ScaledArea(const FrameEntry& entry, double scale);

private:
    void DrawFrame(const FrameTable& table, bool fullSize, int k, double scale);

    QImage canvas_;
    int composed_ = -1;  // frame the canvas shows; -1: nothing valid
    double scale_ = 0;
    QColor background_;
    // What the area of a restore-to-previous frame showed before that frame was drawn.
    QImage saved_;
    QRect savedArea_;
    int savedFor_ = -1;  // the frame saved_ belongs to; -1: none
};

}  // namespace vorla
