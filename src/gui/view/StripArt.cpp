#include "gui/view/StripArt.h"

#include <QPainter>
#include <QPainterPath>

namespace vorla {
namespace {

QPixmap Blank(int w, int h) {
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

const QColor kInk(58, 64, 74);
const QColor kAccent(43, 108, 176);

QPixmap Backdrop() {
    // A quiet two-tone checkerboard: transparent pixels read as "nothing here".
    QPixmap pixmap(32, 32);
    QPainter p(&pixmap);
    p.fillRect(0, 0, 32, 32, QColor(255, 255, 255));
    for (int y = 0; y < 32; y += 8)
        for (int x = (y / 8) % 2 * 8; x < 32; x += 16)
            p.fillRect(x, y, 8, 8, QColor(226, 229, 234));
    return pixmap;
}

QPixmap Clock() {
    QPixmap pixmap = Blank(11, 11);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(0.6, 0.6, 9.8, 9.8));
    p.drawLine(QPointF(5.5, 5.5), QPointF(5.5, 2.4));
    p.drawLine(QPointF(5.5, 5.5), QPointF(7.8, 6.6));
    return pixmap;
}

QPixmap Transparency() {
    QPixmap pixmap = Blank(11, 11);
    QPainter p(&pixmap);
    p.fillRect(0, 0, 11, 11, Qt::white);
    for (int y = 0; y < 11; y += 3)
        for (int x = (y / 3) % 2 * 3; x < 11; x += 6) p.fillRect(x, y, 3, 3, QColor(160, 166, 176));
    p.setPen(kInk);
    p.drawRect(0, 0, 10, 10);
    return pixmap;
}

QPixmap Restore() {
    QPixmap pixmap = Blank(11, 11);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kAccent, 1.4));
    p.drawArc(QRectF(1.5, 1.5, 8, 8), 60 * 16, 270 * 16);
    QPainterPath head;
    head.moveTo(6.5, 0.5);
    head.lineTo(10.0, 2.2);
    head.lineTo(6.8, 4.6);
    head.closeSubpath();
    p.fillPath(head, kAccent);
    return pixmap;
}

QPixmap Gap() {
    QPixmap pixmap = Blank(9, 7);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    arrow.moveTo(0.5, 0.5);
    arrow.lineTo(8.5, 3.5);
    arrow.lineTo(0.5, 6.5);
    arrow.closeSubpath();
    p.fillPath(arrow, QColor(120, 128, 140));
    return pixmap;
}

QPixmap Screen() {
    QPixmap pixmap = Blank(16, 12);
    QPainter p(&pixmap);
    p.setPen(kInk);
    p.setBrush(QColor(232, 240, 250));
    p.drawRect(0, 0, 15, 10);
    p.drawLine(5, 11, 10, 11);
    return pixmap;
}

QPixmap Zoom() {
    QPixmap pixmap = Blank(13, 13);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, 1.4));
    p.drawEllipse(QRectF(1, 1, 7.5, 7.5));
    p.drawLine(QPointF(7.5, 7.5), QPointF(11.8, 11.8));
    return pixmap;
}

QPixmap ZoomArrow() {
    QPixmap pixmap = Blank(9, 9);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    arrow.moveTo(0.5, 2.5);
    arrow.lineTo(8.5, 2.5);
    arrow.lineTo(4.5, 7.5);
    arrow.closeSubpath();
    p.fillPath(arrow, kAccent);
    return pixmap;
}

QPixmap Loop(bool looping) {
    QPixmap pixmap = Blank(16, 12);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(looping ? kAccent : QColor(150, 150, 150), 1.5));
    if (looping) {
        p.drawArc(QRectF(1, 1.5, 13, 9), 30 * 16, 300 * 16);
        QPainterPath head;
        head.moveTo(11.5, 0.5);
        head.lineTo(15.5, 3.0);
        head.lineTo(11.5, 5.5);
        head.closeSubpath();
        p.fillPath(head, kAccent);
    } else {
        p.drawLine(QPointF(1, 6), QPointF(12, 6));
        QPainterPath head;
        head.moveTo(11, 3);
        head.lineTo(15, 6);
        head.lineTo(11, 9);
        head.closeSubpath();
        p.fillPath(head, QColor(150, 150, 150));
    }
    return pixmap;
}

QPixmap Placeholder() {
    // Fits the preview row of a one-frame animation, which is only a few pixels high.
    QPixmap pixmap = Blank(64, 12);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(214, 219, 227));
    p.drawRoundedRect(QRectF(0, 0, 64, 12), 6, 6);
    p.setPen(QColor(90, 96, 106));
    QFont font(QStringLiteral("NanumGothic"));
    font.setPixelSize(9);
    p.setFont(font);
    p.drawText(QRect(0, 0, 64, 12), Qt::AlignCenter, QStringLiteral("정지 화상"));
    return pixmap;
}

}  // namespace

StripArt::StripArt()
    : backdrop(Backdrop()),
      delayIcon(Clock()),
      transparencyIcon(Transparency()),
      restoreIcon(Restore()),
      gapIcon(Gap()),
      screenIcon(Screen()),
      zoomIcon(Zoom()),
      zoomArrowIcon(ZoomArrow()),
      loopIcon(Loop(true)),
      onceIcon(Loop(false)),
      placeholder(Placeholder()) {}

}  // namespace vorla
