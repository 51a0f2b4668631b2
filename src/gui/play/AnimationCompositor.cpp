#include "gui/play/AnimationCompositor.h"

#include <QPainter>

namespace vorla {

void AnimationCompositor::DrawFrame(const FrameTable& table,
                                    const std::array<CDib, FrameTable::kSlots>& dibs,
                                    FrameImageCache& cache, int k, double scale) {
    QPainter painter(&canvas_);
    if (k > 0) {
        const FrameEntry& previous = table.entries[static_cast<std::size_t>(k - 1)];
        if (previous.restoreBackground) {
            QRect area(static_cast<int>(previous.left * scale),
                       static_cast<int>(previous.top * scale),
                       static_cast<int>(previous.width * scale),
                       static_cast<int>(previous.height * scale));
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.fillRect(area, background_);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
    }
    const FrameEntry& entry = table.entries[static_cast<std::size_t>(k)];
    const CDib& dib = dibs[static_cast<std::size_t>(k)];
    if (dib.IsEmpty()) return;
    painter.drawImage(
        QPoint(static_cast<int>(entry.left * scale), static_cast<int>(entry.top * scale)),
        cache.Get(k, dib, entry));
}

const QImage& AnimationCompositor::Compose(const FrameTable& table,
                                           const std::array<CDib, FrameTable::kSlots>& dibs,
                                           FrameImageCache& cache, int current, double scale,
                                           QSize size, const QColor& background) {
    if (current >= table.frameCount) current = table.frameCount - 1;
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
        DrawFrame(table, dibs, cache, current, scale);
    } else {
        canvas_.fill(background);
        for (int k = 0; k <= current; ++k) DrawFrame(table, dibs, cache, k, scale);
    }
    composed_ = current;
    return canvas_;
}

}  // namespace vorla
