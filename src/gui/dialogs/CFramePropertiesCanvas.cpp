#include "gui/dialogs/CFramePropertiesCanvas.h"

#include <QMouseEvent>
#include <QPainter>

#include "core/model/FrameTable.h"
#include "gui/view/DibImage.h"

namespace vorla {
namespace {

QImage FrameImage(const FrameTable& table, int frame) {
    const auto slot = static_cast<std::size_t>(frame);
    const FrameEntry& entry = table.entries[slot];
    return DibToQImage(table.frameImages[slot],
                       entry.transparent ? static_cast<long long>(entry.keyColor) : -1LL);
}

}  // namespace

CFramePropertiesCanvas::CFramePropertiesCanvas(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 160);
}

void CFramePropertiesCanvas::SetFrame(const FrameTable* table, int frame,
                                      const QColor& stripBackground) {
    table_ = table;
    frame_ = frame;
    stripBackground_ = stripBackground;
    composite_ = QImage();
    current_ = QImage();
    stretch_ = QSize();
    cutColumn_ = cutRow_ = -1;
    update();
}

void CFramePropertiesCanvas::FrameChanged() {
    current_ = QImage();
    update();
}

void CFramePropertiesCanvas::SetCurrentOnly(bool on) {
    currentOnly_ = on;
    update();
}

void CFramePropertiesCanvas::SetScroll(int x, int y) {
    scroll_ = QPoint(x, y);
    update();
}

void CFramePropertiesCanvas::SetStretch(const QSize& size) {
    stretch_ = size;
    update();
}

void CFramePropertiesCanvas::SetCutMark(int column, int row) {
    if (column == cutColumn_ && row == cutRow_) return;
    cutColumn_ = column;
    cutRow_ = row;
    update();
}

QPoint CFramePropertiesCanvas::ToScreen(const QPoint& point) const {
    return point + scroll_ - QPoint(kMargin, kMargin);
}

QSize CFramePropertiesCanvas::ContentSize() const {
    if (!table_) return {};
    return {table_->settings.screenWidth + 2 * kMargin,
            table_->settings.screenHeight + 2 * kMargin};
}

void CFramePropertiesCanvas::BuildComposite() {
    // The frames before the current one never change while the dialog is open (the view refuses
    // every edit but the dialog's own), so they are drawn once per frame shown.
    const int width = std::max(1, table_->settings.screenWidth);
    const int height = std::max(1, table_->settings.screenHeight);
    composite_ = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    composite_.fill(palette().color(QPalette::Window));
    QPainter painter(&composite_);
    for (int k = 0; k < frame_ && k < table_->frameCount; ++k) {
        const FrameEntry& entry = table_->entries[static_cast<std::size_t>(k)];
        if (entry.restoreBackground) {
            painter.fillRect(entry.left, entry.top, entry.width, entry.height, stripBackground_);
        } else {
            painter.drawImage(entry.left, entry.top, FrameImage(*table_, k));
        }
    }
}

void CFramePropertiesCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor dialogColour = palette().color(QPalette::Window);
    painter.fillRect(rect(), dialogColour);
    if (!table_ || frame_ < 0 || frame_ >= table_->frameCount) return;
    const QPoint origin = QPoint(kMargin, kMargin) - scroll_;
    const QRect screen(origin, QSize(table_->settings.screenWidth, table_->settings.screenHeight));
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(screen.adjusted(-1, -1, 0, 0));
    painter.setClipRect(screen.intersected(rect()));
    if (!currentOnly_) {
        if (composite_.isNull()) BuildComposite();
        painter.drawImage(origin, composite_);
    }
    if (current_.isNull()) current_ = FrameImage(*table_, frame_);
    const FrameEntry& entry = table_->entries[static_cast<std::size_t>(frame_)];
    const QPoint at = origin + QPoint(entry.left, entry.top);
    if (stretch_.isValid() && !stretch_.isEmpty()) {
        painter.drawImage(QRect(at, stretch_), current_);
    } else {
        painter.drawImage(at, current_);
    }
    if (cutColumn_ >= 0 || cutRow_ >= 0) {
        painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
        if (cutColumn_ >= 0)
            painter.drawLine(at.x() + cutColumn_, at.y(), at.x() + cutColumn_,
                             at.y() + entry.height - 1);
        if (cutRow_ >= 0)
            painter.drawLine(at.x(), at.y() + cutRow_, at.x() + entry.width - 1, at.y() + cutRow_);
    }
}

void CFramePropertiesCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit pressed(ToScreen(event->position().toPoint()));
}

void CFramePropertiesCanvas::mouseMoveEvent(QMouseEvent* event) {
    emit moved(ToScreen(event->position().toPoint()), event->buttons() & Qt::LeftButton);
}

void CFramePropertiesCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit released(ToScreen(event->position().toPoint()));
}

void CFramePropertiesCanvas::leaveEvent(QEvent*) {
    emit left();
}

}  // namespace vorla
