// Real input for the monkey: events handed to Qt's window system interface for the target's
// top-level window, the path a real X event takes, so that Qt applies modality, popups, grabs and
// shortcuts as for a user. QtTest's mouse and key functions take the same path but run the event
// loop after every event, which would let the next step in between a press and its release; here
// only the program's own loops (dialogs, menus, pumps) run further steps.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCursor>
#include <QScrollBar>
#include <QStyleHints>
#include <QWindow>
#include <QtTest>

#include "Monkey.h"
#include "gui/app/CMainFrame.h"
#include "gui/view/CAnvoView.h"

namespace vorla::monkey {

namespace {

// Event time in milliseconds. A click's release moves it past the double-click interval, so that
// only DoubleClick makes double clicks.
int g_timestamp = 1;
Qt::MouseButtons g_buttons;

void SendMouse(QWindow* window, QPoint global, QEvent::Type type, Qt::MouseButton button,
               Qt::KeyboardModifiers mods, bool endsClick = true) {
    if (type == QEvent::MouseButtonPress) g_buttons |= button;
    if (type == QEvent::MouseButtonRelease) g_buttons &= ~button;
    if (!window) return;
    ++g_timestamp;
    qt_handleMouseEvent(window, window->mapFromGlobal(QPointF(global)), QPointF(global), g_buttons,
                        button, type, mods, g_timestamp);
    if (type == QEvent::MouseButtonRelease && endsClick)
        g_timestamp += QGuiApplication::styleHints()->mouseDoubleClickInterval() + 1;
}

// The text a key press carries without Ctrl or Alt, as the keyboard would give it.
QString KeyText(Qt::Key key, Qt::KeyboardModifiers mods) {
    if (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return {};
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        const QChar letter(static_cast<char16_t>(u'a' + (key - Qt::Key_A)));
        return mods & Qt::ShiftModifier ? QString(letter.toUpper()) : QString(letter);
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || key == Qt::Key_Space || key == Qt::Key_Plus ||
        key == Qt::Key_Minus || key == Qt::Key_Equal)
        return QString(QChar(static_cast<char16_t>(key)));
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter: return QStringLiteral("\r");
        case Qt::Key_Tab: return QStringLiteral("\t");
        case Qt::Key_Backspace: return QStringLiteral("\b");
        case Qt::Key_Escape: return QStringLiteral("\x1b");
        default: return {};
    }
}

}  // namespace

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
    QPointer<QWindow> handle(window->windowHandle());
    if (!handle) return;
    const QString text = KeyText(key, mods);
    qt_handleKeyEvent(handle, QEvent::KeyPress, key, mods, text);
    if (handle) qt_handleKeyEvent(handle, QEvent::KeyRelease, key, mods, text);
}

void Monkey::Click(QWidget* widget, QPoint pos, Qt::MouseButton button,
                   Qt::KeyboardModifiers mods) {
    if (!QApplication::activePopupWidget()) ActivateLikeAWindowManager(widget);
    QPointer<QWindow> window(widget->window()->windowHandle());
    const QPoint global = widget->mapToGlobal(pos);
    // The real pointer goes there too: the program reads QCursor::pos() for menus and drops.
    QCursor::setPos(global);
    SendMouse(window, global, QEvent::MouseButtonPress, button, mods);
    SendMouse(window, global, QEvent::MouseButtonRelease, button, mods);
}

void Monkey::DoubleClick(QWidget* widget, QPoint pos) {
    ActivateLikeAWindowManager(widget);
    QPointer<QWindow> window(widget->window()->windowHandle());
    const QPoint global = widget->mapToGlobal(pos);
    QCursor::setPos(global);
    SendMouse(window, global, QEvent::MouseButtonPress, Qt::LeftButton, {});
    SendMouse(window, global, QEvent::MouseButtonRelease, Qt::LeftButton, {}, false);
    SendMouse(window, global, QEvent::MouseButtonPress, Qt::LeftButton, {});
    SendMouse(window, global, QEvent::MouseButtonRelease, Qt::LeftButton, {});
}

void Monkey::Drag(QWidget* widget, QPoint from, QPoint toGlobal, Qt::KeyboardModifiers mods) {
    ActivateLikeAWindowManager(widget);
    // Every event goes to the window of the press, as with a real pointer's implicit grab.
    QPointer<QWindow> window(widget->window()->windowHandle());
    const QPoint start = widget->mapToGlobal(from);
    QCursor::setPos(start);
    SendMouse(window, start, QEvent::MouseButtonPress, Qt::LeftButton, mods);
    const int moves = 3 + Pick(4);
    for (int i = 1; i <= moves; ++i) {
        const QPoint at = start + (toGlobal - start) * i / moves;
        QCursor::setPos(at);
        SendMouse(window, at, QEvent::MouseMove, Qt::NoButton, mods);
    }
    SendMouse(window, toGlobal, QEvent::MouseButtonRelease, Qt::LeftButton, mods);
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
