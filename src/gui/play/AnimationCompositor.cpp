#include "gui/play/AnimationCompositor.h"

#include <QPainter>
#include <cmath>

#include "core/model/DibScale.h"
#include "gui/view/DibImage.h"

namespace vorla {

QRect AnimationCompositor::ScaledArea(const FrameEntry& entry, double scale) {
    auto edge = [scale](int position) { return static_cast<int>(std::floor(position * scale)); };
    const int left = edge(entry.left);
    const int top = edge(entry.top);
    return QRect(left, top, edge(entry.left + entry.width) - left,
                 edge(entry.top + entry.height) - top);
}

void AnimationCompositor::DrawFrame(const FrameTable& table, bool fullSize, int k, double scale) {
    QPainter painter(&canvas_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (k > 0) {
        const FrameEntry& previous = table.entries[static_cast<std::size_t>(k - 1)];
        if (previous.restoreBackground) {
            painter.fillRect(ScaledArea(previous, scale), background_);
        } else if (previous.RestoresPrevious() && savedFor_ == k - 1) {
            painter.drawImage(savedArea_.topLeft(), saved_);
        }
    }
    savedFor_ = -1;
    const FrameEntry& entry = table.entries[static_cast<std::size_t>(k)];
    const QRect area = ScaledArea(entry, scale);
    // (An empty area is skipped: copying a null rectangle would copy the whole canvas.)
    if (entry.RestoresPrevious() && !area.isEmpty()) {
        saved_ = canvas_.copy(area);
        savedArea_ = area;
        savedFor_ = k;
    }
    if (area.isEmpty()) return;
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const CDib& dib =
        fullSize ? table.frameImages[static_cast<std::size_t>(k)] : table.DisplayImage(k);
    const long long key = entry.transparent ? static_cast<long long>(entry.keyColor) : -1;
    if (dib.IsEmpty()) {
        // A frame narrower or lower than one scaled pixel has no display image, yet its area
        // can still hold a pixel: scale it from the frame itself (rare and tiny).
        const CDib& frame = table.frameImages[static_cast<std::size_t>(k)];
        if (frame.IsEmpty()) return;
        painter.drawImage(area.topLeft(),
                          DibToQImage(ScaleNearest8(frame, area.width(), area.height()), key));
        return;
    }
    const QImage image = DibToQImage(dib, key);
    // A scaled frame may be one pixel short of its area (its size was rounded on its own);
    // nearest-neighbour stretching closes the gap.
    if (image.size() == area.size()) {
        painter.drawImage(area.topLeft(), image);
    } else {
        painter.drawImage(area, image);
    }
}

const QImage& AnimationCompositor::Compose(const FrameTable& table, bool fullSize, int current,
                                           QSize size, const QColor& background) {
    if (current >= table.frameCount) current = table.frameCount - 1;
    const double scale = fullSize ? 1.0 : table.zoomFactor;
    bool sameSetup = canvas_.size() == size && scale_ == scale && background_ == background;
    if (!sameSetup) {
        canvas_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
        scale_ = scale;
        background_ = background;
        composed_ = -1;
    }
    if (current < 0 || size.isEmpty()) return canvas_;
    if (composed_ == current) return canvas_;
    if (composed_ >= 0 && current == composed_ + 1) {
        DrawFrame(table, fullSize, current, scale);
    } else {
        canvas_.fill(background);
        savedFor_ = -1;
        for (int k = 0; k <= current; ++k) DrawFrame(table, fullSize, k, scale);
    }
    composed_ = current;
    return canvas_;
}

}  // namespace vorla
