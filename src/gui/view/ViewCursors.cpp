#include "gui/view/ViewCursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vorla {
namespace {

QPixmap Canvas() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// An arrow pointer with a small sign beside it.
QCursor ArrowWith(const QColor& sign, int kind) {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    arrow.moveTo(1, 1);
    arrow.lineTo(1, 17);
    arrow.lineTo(5, 13);
    arrow.lineTo(8, 20);
    arrow.lineTo(10.5, 19);
    arrow.lineTo(7.5, 12.5);
    arrow.lineTo(13, 12.5);
    arrow.closeSubpath();
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(Qt::black);
    p.drawPath(arrow);
    QRectF box(14, 16, 14, 12);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(sign);
    p.drawRoundedRect(box, 2, 2);
    p.setPen(QPen(Qt::white, 2));
    if (kind == 0) {  // insert: a bar
        p.drawLine(QPointF(17, 22), QPointF(25, 22));
    } else if (kind == 1) {  // replace: two arrows
        p.drawLine(QPointF(17, 20), QPointF(25, 20));
        p.drawLine(QPointF(17, 24), QPointF(25, 24));
    } else if (kind == 2) {  // nothing here: a slash
        p.drawLine(QPointF(17, 26), QPointF(25, 18));
    } else {  // frames travelling
        p.drawRect(QRectF(17, 19, 4, 5));
        p.drawRect(QRectF(21, 19, 4, 5));
    }
    return QCursor(pixmap, 1, 1);
}

QCursor GapCursor() {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 4));
    p.drawLine(4, 16, 28, 16);
    p.setPen(QPen(QColor(24, 54, 103), 2));
    p.drawLine(4, 16, 28, 16);
    QPainterPath head;
    head.moveTo(16, 6);
    head.lineTo(21, 12);
    head.lineTo(11, 12);
    head.closeSubpath();
    p.fillPath(head, QColor(24, 54, 103));
    return QCursor(pixmap, 16, 16);
}

}  // namespace

ViewCursors::ViewCursors()
    : gap(GapCursor()),
      pickNothing(ArrowWith(QColor(150, 150, 150), 2)),
      pickGapPaste(ArrowWith(QColor(43, 108, 176), 0)),
      pickFramePaste(ArrowWith(QColor(43, 108, 176), 1)),
      pickFrameCopy(ArrowWith(QColor(46, 140, 80), 1)),
      drag1(ArrowWith(QColor(230, 120, 20), 3)),
      drag2(ArrowWith(QColor(200, 95, 10), 3)) {}

}  // namespace vorla
