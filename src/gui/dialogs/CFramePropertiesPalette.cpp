#include "gui/dialogs/CFramePropertiesPalette.h"

#include <QMouseEvent>
#include <QPainter>

#include "core/edit/FrameEditRules.h"

namespace vorla {

using edit::kPaletteCellPitch;
using edit::kPaletteColumns;

CFramePropertiesPalette::CFramePropertiesPalette(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFixedSize(sizeHint());
}

QSize CFramePropertiesPalette::sizeHint() const {
    // 256 colours: 16 rows.
    return {2 * kOrigin + kPaletteColumns * kPaletteCellPitch,
            2 * kOrigin + 16 * kPaletteCellPitch};
}

void CFramePropertiesPalette::SetColours(const QVector<QColor>& colours, int transparentIndex) {
    colours_ = colours;
    transparentIndex_ = transparentIndex;
    update();
}

int CFramePropertiesPalette::IndexAt(const QPoint& point) const {
    return edit::PaletteCellAt(point.x() - kOrigin, point.y() - kOrigin,
                               static_cast<int>(colours_.size()));
}

void CFramePropertiesPalette::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (int i = 0; i < colours_.size(); ++i) {
        const int x = kOrigin + (i % kPaletteColumns) * kPaletteCellPitch;
        const int y = kOrigin + (i / kPaletteColumns) * kPaletteCellPitch;
        painter.fillRect(x, y, kPaletteCellPitch - 1, kPaletteCellPitch - 1, colours_[i]);
    }
    if (transparentIndex_ >= 0 && transparentIndex_ < colours_.size()) {
        const int x = kOrigin + (transparentIndex_ % kPaletteColumns) * kPaletteCellPitch;
        const int y = kOrigin + (transparentIndex_ / kPaletteColumns) * kPaletteCellPitch;
        painter.setBrush(Qt::NoBrush);
        painter.setPen(Qt::red);
        painter.drawRect(x - 1, y - 1, kPaletteCellPitch, kPaletteCellPitch);
        painter.setPen(Qt::black);
        painter.drawRect(x - 2, y - 2, kPaletteCellPitch + 2, kPaletteCellPitch + 2);
    }
}

void CFramePropertiesPalette::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int index = IndexAt(event->position().toPoint());
    if (index >= 0) emit clicked(index);
}

void CFramePropertiesPalette::mouseMoveEvent(QMouseEvent* event) {
    const int index = IndexAt(event->position().toPoint());
    if (index == hovered_) return;
    hovered_ = index;
    emit hovered(index);
}

void CFramePropertiesPalette::leaveEvent(QEvent*) {
    hovered_ = -1;
    emit left();
}

}  // namespace vorla
