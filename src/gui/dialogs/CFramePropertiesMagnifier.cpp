#include "gui/dialogs/CFramePropertiesMagnifier.h"

#include <QPainter>

#include "core/model/Color.h"

namespace vorla {

CFramePropertiesMagnifier::CFramePropertiesMagnifier(QWidget* parent) : QWidget(parent) {
    setFixedSize(kColumns * kPitch, kRows * kPitch);
    Clear();
}

bool CFramePropertiesMagnifier::SetCell(int i, int j, int value) {
    if (i < 0 || i >= kColumns || j < 0 || j >= kRows) return false;
    cells_[static_cast<std::size_t>(j * kColumns + i)] = value;
    return true;
}

void CFramePropertiesMagnifier::Clear() {
    cells_.fill(kNoData);
    update();
}

void CFramePropertiesMagnifier::SetCutLine(bool column, bool row) {
    cutColumn_ = column;
    cutRow_ = row;
    update();
}

void CFramePropertiesMagnifier::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    for (int j = 0; j < kRows; ++j) {
        for (int i = 0; i < kColumns; ++i) {
            const int value = Cell(i, j);
            const QRect cell(i * kPitch, j * kPitch, kPitch - 1, kPitch - 1);
            if (value == kNoData) continue;
            if (value == kOutside) {
                painter.fillRect(cell, QBrush(Qt::darkGray, Qt::BDiagPattern));
                continue;
            }
            const auto colour = static_cast<Colorref>(value);
            painter.fillRect(cell, QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)));
            if (value == keyColour_) painter.fillRect(cell, QBrush(Qt::white, Qt::Dense5Pattern));
        }
    }
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(kCentreColumn * kPitch - 1, kCentreRow * kPitch - 1, kPitch, kPitch);
    painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
    if (cutColumn_) {
        const int x = kCentreColumn * kPitch + kPitch / 2 - 1;
        painter.drawLine(x, 0, x, height());
    }
    if (cutRow_) {
        const int y = kCentreRow * kPitch + kPitch / 2 - 1;
        painter.drawLine(0, y, width(), y);
    }
}

}  // namespace vorla
