// Reaching commands as users do in the GUI tests: a frame's point in the strip, the strip's
// context menu opened with a real context-menu event, its item picked with the keyboard inside
// the menu's own loop, and the next modal dialog answered from inside its loop.
#pragma once

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "gui/commands/Commands.h"
#include "gui/view/CAnvoView.h"

namespace vorla::guitest {

// The middle of frame k's picture in the strip, in viewport coordinates.
inline QPoint FramePoint(CAnvoView* view, int k) {
    const StripMetrics m = view->Metrics();
    return QPoint(60, m.ImageTop(k) + m.displayHeight / 2 - view->verticalScrollBar()->value());
}

// The item of `id` in menu or its submenus; owner: the menu that holds it.
inline QAction* FindItem(QMenu* menu, CommandId id, QMenu** owner) {
    for (QAction* action : menu->actions()) {
        if (QMenu* sub = action->menu()) {
            if (QAction* found = FindItem(sub, id, owner)) return found;
        } else if (action->data().isValid() && action->data().toInt() == static_cast<int>(id)) {
            *owner = menu;
            return action;
        }
    }
    return nullptr;
}

// Opens the strip's context menu at point with a context-menu event and, inside the menu's
// loop, picks the item of `id` with the keyboard (Right into its submenu, then Return), or
// closes the menu with Escape when the item is missing or disabled. Returns whether it picked.
inline bool PickFromContextMenu(CAnvoView* view, const QPoint& point, CommandId id) {
    bool picked = false;
    bool menuSeen = false;
    QTimer::singleShot(0, view, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        menuSeen = true;
        QMenu* owner = nullptr;
        QAction* item = FindItem(menu, id, &owner);
        if (!item || !item->isEnabled()) {
            QTest::keyClick(menu, Qt::Key_Escape);
            return;
        }
        if (owner != menu) {
            menu->setActiveAction(owner->menuAction());
            QTest::keyClick(menu, Qt::Key_Right);
            owner = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!owner) return;
        }
        owner->setActiveAction(item);
        picked = true;
        QTest::keyClick(owner, Qt::Key_Return);
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, point, view->viewport()->mapToGlobal(point));
    QApplication::sendEvent(view->viewport(), &event);
    // The menu's loop has ended and so has the command it dispatched.
    if (!menuSeen) return false;
    return picked;
}

// Runs act on the next modal dialog of type Dialog once it is up, polling with timer every
// 10 ms; a later call on the same timer replaces the earlier one.
template <typename Dialog>
void WhenModal(QTimer& timer, std::function<void(Dialog&)> act) {
    QObject::disconnect(&timer, &QTimer::timeout, nullptr, nullptr);
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&timer, act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        timer.stop();
        act(*dialog);
    });
    timer.start();
}

}  // namespace vorla::guitest
