// Real input for the monkey: QtTest's events, sent through the window system path (the target's
// top-level QWindow) so that Qt applies modality, popups, grabs and shortcuts as for a user.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCursor>
#include <QScrollBar>
#include <QWindow>
#include <QtTest>

#include "Monkey.h"
#include "gui/app/CMainFrame.h"
#include "gui/view/CAnvoView.h"

namespace vorla::monkey {

void Monkey::ActivateLikeAWindowManager(QWidget* widget) {
    QWidget* window = widget->window();
    if (QApplication::activeWindow() == window || window->windowType() == Qt::Popup) return;
    // A window blocked by a modal dialog does not get the focus, whatever is clicked.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->window() != window) return;
    // Xvfb runs no window manager: do what a click-to-focus one does.
    window->raise();
    window->activateWindow();
    if (QApplication::activeWindow() != window) QApplication::setActiveWindow(window);
}

void Monkey::Key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers mods) {
    QWidget* window = target->window();
    ActivateLikeAWindowManager(window);
    if (QWindow* handle = window->windowHandle()) {
        QTest::keyClick(handle, key, mods);
    } else {
        QTest::keyClick(target, key, mods);
    }
}

void Monkey::Click(QWidget* widget, QPoint pos, Qt::MouseButton button,
                   Qt::KeyboardModifiers mods) {
    if (!QApplication::activePopupWidget()) ActivateLikeAWindowManager(widget);
    // The real pointer goes there too: the program reads QCursor::pos() for menus and drops.
    QCursor::setPos(widget->mapToGlobal(pos));
    QTest::mouseClick(widget, button, mods, pos);
}

void Monkey::DoubleClick(QWidget* widget, QPoint pos) {
    ActivateLikeAWindowManager(widget);
    QCursor::setPos(widget->mapToGlobal(pos));
    QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, pos);
}

void Monkey::Drag(QWidget* widget, QPoint from, QPoint toGlobal, Qt::KeyboardModifiers mods) {
    QPointer<QWidget> source(widget);
    // Events go to the top-level window of the press, as the implicit grab of a real press does.
    QPointer<QWidget> window(widget->window());
    ActivateLikeAWindowManager(widget);
    const QPoint start = widget->mapToGlobal(from);
    QCursor::setPos(start);
    QTest::mousePress(widget, Qt::LeftButton, mods, from);
    const int moves = 3 + Pick(4);
    for (int i = 1; i <= moves && source; ++i) {
        const QPoint at = start + (toGlobal - start) * i / moves;
        QCursor::setPos(at);
        QTest::mouseMove(source, source->mapFromGlobal(at));
    }
    QWidget* receiver = source ? source.data() : window.data();
    if (!receiver) receiver = &frame_;
    QCursor::setPos(toGlobal);
    QTest::mouseRelease(receiver, Qt::LeftButton, mods, receiver->mapFromGlobal(toGlobal));
}

QWidget* Monkey::KeyTarget() const {
    if (QWidget* popup = QApplication::activePopupWidget()) return popup;
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* focus = QApplication::focusWidget()) return focus;
    if (QWidget* active = QApplication::activeWindow()) return active;
    return &frame_;
}

QList<CAnvoView*> Monkey::VisibleViews() const {
    QList<CAnvoView*> views;
    for (CAnvoView* view : frame_.Views()) {
        if (view->viewport()->isVisible() && view->viewport()->width() > 0) views << view;
    }
    return views;
}

bool Monkey::StripPoint(CAnvoView* view, QPoint& point, QString& where) {
    QWidget* port = view->viewport();
    const int width = port->width();
    const int height = port->height();
    if (width <= 0 || height <= 0) return false;
    if (Chance(8)) {
        point = QPoint(Pick(width), Pick(height));
        where = QStringLiteral("somewhere");
        return true;
    }
    const StripMetrics m = view->Metrics();
    const int scroll = view->verticalScrollBar()->value();
    const int imageWidth = std::max(1, m.displayWidth);
    QList<std::pair<QPoint, QString>> spots;
    for (int k = 0; k <= m.frameCount; ++k) {
        // The gap band is GapTop..GapBottom, 13 pixels.
        const int gapY = m.GapTop(k) + 1 + Pick(12) - scroll;
        if (gapY >= 0 && gapY < height)
            spots.append({QPoint(StripMetrics::kImageLeft + Pick(imageWidth), gapY),
                          QStringLiteral("gap %1").arg(k)});
        if (k == m.frameCount) break;
        const int frameY = m.ImageTop(k) + Pick(std::max(1, m.displayHeight)) - scroll;
        if (frameY >= 0 && frameY < height)
            spots.append({QPoint(StripMetrics::kImageLeft + Pick(imageWidth), frameY),
                          QStringLiteral("frame %1").arg(k)});
    }
    if (spots.isEmpty()) {
        point = QPoint(Pick(width), Pick(height));
        where = QStringLiteral("somewhere (no frame visible)");
        return true;
    }
    const auto& spot = PickFrom(spots);
    point = spot.first;
    where = spot.second;
    return true;
}

QString Monkey::Describe(CAnvoView* view) const {
    return QStringLiteral("view %1 \"%2\" (%3 frames)")
        .arg(frame_.Views().indexOf(view))
        .arg(view->Caption())
        .arg(view->Table().frameCount);
}

QString Monkey::Describe(const QWidget* widget) {
    if (!widget) return QStringLiteral("nothing");
    QString text = QString::fromLatin1(widget->metaObject()->className());
    if (!widget->objectName().isEmpty()) text += QLatin1Char('#') + widget->objectName();
    const QString title = widget->window()->windowTitle();
    if (!title.isEmpty()) text += QStringLiteral(" in \"%1\"").arg(title);
    return text;
}

bool Monkey::NoticeShowing() const {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->inherits("vorla::NoticeDialog")) return true;
    }
    return false;
}

}  // namespace vorla::monkey
