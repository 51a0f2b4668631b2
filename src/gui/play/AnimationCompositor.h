// The animation as it looks at one frame: frames 0..c drawn in order, frames before c with
// restore-to-background replaced by the background. Advancing by one frame only draws that frame
// (the canvas carries the state), so playback costs one frame a step, not c.
#pragma once

#include <QColor>
#include <QImage>

#include "gui/view/FrameImageCache.h"

namespace vorla {

class AnimationCompositor {
public:
    // scale: 1 for full size, else the strip zoom; dibs: display images when scaled, frame images
    // at full size. Returns the canvas of size (screen x scale).
    const QImage& Compose(const FrameTable& table, const std::array<CDib, FrameTable::kSlots>& dibs,
                          FrameImageCache& cache, int current, double scale, QSize canvasSize,
                          const QColor& background);
    void Invalidate() { composed_ = -1; }

private:
    void DrawFrame(const FrameTable& table, const std::array<CDib, FrameTable::kSlots>& dibs,
                   FrameImageCache& cache, int k, double scale);

    QImage canvas_;
    int composed_ = -1;  // frame the canvas shows; -1: nothing valid
    double scale_ = 0;
    QColor background_;
};

}  // namespace vorla
