// The monkey's free actions: what it does when nothing modal or popup is in front.
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDockWidget>
#include <QDropEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "Monkey.h"
#include "gui/app/CMainFrame.h"
#include "gui/play/CAnimationBar.h"
#include "gui/view/CAnvoView.h"

namespace vorla::monkey {

namespace {

Qt::KeyboardModifiers SomeModifiers(int roll) {
    if (roll < 60) return Qt::NoModifier;
    if (roll < 80) return Qt::ControlModifier;
    return Qt::ShiftModifier;
}

QString ModifierText(Qt::KeyboardModifiers mods) {
    if (mods == Qt::NoModifier) return {};
    return mods & Qt::ControlModifier ? QStringLiteral("Ctrl") : QStringLiteral("Shift");
}

}  // namespace

void Monkey::PressCatalogueKey() {
    const auto& [keys, command] = PickFrom(catalogueKeys_);
    QWidget* target = KeyTarget();
    const QKeyCombination combination = keys[0];
    Log(QStringLiteral("key %1 (%2) to %3").arg(keys.toString(), command, Describe(target)));
    Key(target, combination.key(), combination.keyboardModifiers());
}

void Monkey::PressPlainKey() {
    static const Qt::Key kKeys[] = {
        Qt::Key_Escape,    Qt::Key_Return, Qt::Key_Enter,  Qt::Key_Tab,      Qt::Key_Space,
        Qt::Key_Home,      Qt::Key_End,    Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Delete,
        Qt::Key_Backspace, Qt::Key_Up,     Qt::Key_Down,   Qt::Key_Left,     Qt::Key_Right,
        Qt::Key_A,         Qt::Key_X,      Qt::Key_1,      Qt::Key_F2,       Qt::Key_F10,
        Qt::Key_Menu,      Qt::Key_F,      Qt::Key_E,      Qt::Key_R,        Qt::Key_W};
    const Qt::Key key = kKeys[Pick(static_cast<int>(std::size(kKeys)))];
    const int roll = Pick(100);
    // Alt with a letter opens the menu of that mnemonic.
    Qt::KeyboardModifiers mods = roll < 55   ? Qt::NoModifier
                                 : roll < 70 ? Qt::ShiftModifier
                                 : roll < 85 ? Qt::AltModifier
                                             : Qt::ControlModifier;
    QWidget* target = KeyTarget();
    Log(QStringLiteral("plain key %1 to %2")
            .arg(QKeySequence(mods | key).toString(), Describe(target)));
    Key(target, key, mods);
}

void Monkey::ClickStrip() {
    const QList<CAnvoView*> views = VisibleViews();
    if (views.isEmpty()) return ClickAnywhere();
    CAnvoView* view = PickFrom(views);
    QPoint at;
    QString where;
    if (!StripPoint(view, at, where)) return ClickAnywhere();
    const Qt::KeyboardModifiers mods = SomeModifiers(Pick(100));
    Log(QStringLiteral("click%1 on %2 at %3 (%4,%5)")
            .arg(mods != Qt::NoModifier ? QLatin1Char(' ') + ModifierText(mods) : QString(),
                 Describe(view), where)
            .arg(at.x())
            .arg(at.y()));
    Click(view->viewport(), at, Qt::LeftButton, mods);
}

void Monkey::DoubleClickStrip() {
    const QList<CAnvoView*> views = VisibleViews();
    if (views.isEmpty()) return ClickAnywhere();
    CAnvoView* view = PickFrom(views);
    QPoint at;
    QString where;
    if (!StripPoint(view, at, where)) return ClickAnywhere();
    Log(QStringLiteral("double-click on %1 at %2 (%3,%4)")
            .arg(Describe(view), where)
            .arg(at.x())
            .arg(at.y()));
    DoubleClick(view->viewport(), at);
}

void Monkey::RightClickStrip() {
    const QList<CAnvoView*> views = VisibleViews();
    if (views.isEmpty()) return ClickAnywhere();
    CAnvoView* view = PickFrom(views);
    QPoint at;
    QString where;
    if (!StripPoint(view, at, where)) return ClickAnywhere();
    Log(QStringLiteral("right-click on %1 at %2 (%3,%4)")
            .arg(Describe(view), where)
            .arg(at.x())
            .arg(at.y()));
    Click(view->viewport(), at, Qt::RightButton);
}

void Monkey::DragFrames() {
    QList<CAnvoView*> sources;
    for (CAnvoView* view : VisibleViews()) {
        if (view->Table().frameCount > 0) sources << view;
    }
    if (sources.isEmpty()) return ClickAnywhere();
    CAnvoView* source = PickFrom(sources);
    // Start on a frame: only a press on a frame becomes a drag.
    QPoint from;
    QString fromWhere;
    for (int tries = 0; tries < 10; ++tries) {
        if (StripPoint(source, from, fromWhere) && fromWhere.startsWith(QStringLiteral("frame")))
            break;
    }
    QPoint to;
    QString toWhere;
    const int roll = Pick(100);
    QList<CAnvoView*> others = VisibleViews();
    others.removeAll(source);
    if (roll < 45 && !others.isEmpty()) {
        CAnvoView* target = PickFrom(others);
        QPoint local;
        QString where;
        // Prefer a point where the target is not covered by another window.
        for (int tries = 0; tries < 8; ++tries) {
            if (!StripPoint(target, local, where)) break;
            to = target->viewport()->mapToGlobal(local);
            if (QApplication::widgetAt(to) == target->viewport()) break;
        }
        toWhere = QStringLiteral("%1 at %2").arg(Describe(target), where);
    } else if (roll < 65) {
        QPoint local;
        QString where;
        StripPoint(source, local, where);
        to = source->viewport()->mapToGlobal(local);
        toWhere = QStringLiteral("its own window at %1").arg(where);
    } else if (roll < 80) {
        QWidget* outside = Chance(50) ? static_cast<QWidget*>(frame_.menuBar())
                                      : static_cast<QWidget*>(frame_.findChild<QToolBar*>());
        if (!outside || !outside->isVisible()) outside = frame_.menuBar();
        to = outside->mapToGlobal(QPoint(Pick(outside->width()), Pick(outside->height())));
        toWhere = QStringLiteral("outside every document, on %1").arg(Describe(outside));
    } else if (roll < 88 && frame_.AnimationPane() && frame_.AnimationPane()->isVisible()) {
        QWidget* pane = frame_.AnimationPane();
        to = pane->mapToGlobal(QPoint(Pick(pane->width()), Pick(pane->height())));
        toWhere = QStringLiteral("the animation pane");
    } else {
        to = frame_.mapToGlobal(QPoint(Pick(frame_.width()), Pick(frame_.height())));
        toWhere = QStringLiteral("the main window at %1").arg(Describe(QApplication::widgetAt(to)));
    }
    const Qt::KeyboardModifiers mods = Chance(10) ? Qt::ControlModifier : Qt::NoModifier;
    Log(QStringLiteral("drag%1 from %2 %3 to %4 (global %5,%6)")
            .arg(mods != Qt::NoModifier ? QStringLiteral(" with Ctrl") : QString(),
                 Describe(source), fromWhere, toWhere)
            .arg(to.x())
            .arg(to.y()));
    Drag(source->viewport(), from, to, mods);
}

void Monkey::OpenMainMenu() {
    QMenuBar* bar = frame_.menuBar();
    QList<QAction*> menus;
    for (QAction* action : bar->actions()) {
        if (action->isVisible() && !bar->actionGeometry(action).isEmpty()) menus << action;
    }
    if (menus.isEmpty()) return ClickAnywhere();
    QAction* menu = PickFrom(menus);
    Log(QStringLiteral("menu bar: open \"%1\"").arg(menu->text()));
    Click(bar, bar->actionGeometry(menu).center());
}

void Monkey::ClickToolBar() {
    QList<QWidget*> buttons;
    for (QToolBar* bar : frame_.findChildren<QToolBar*>()) {
        if (!bar->isVisible()) continue;
        for (QAction* action : bar->actions()) {
            QWidget* button = bar->widgetForAction(action);
            if (button && button->isVisible()) buttons << button;
        }
    }
    if (buttons.isEmpty()) return ClickAnywhere();
    QWidget* button = PickFrom(buttons);
    const auto* tool = qobject_cast<QToolButton*>(button);
    Log(QStringLiteral("tool bar: click \"%1\"%2")
            .arg(tool && tool->defaultAction() ? tool->defaultAction()->text() : Describe(button),
                 button->isEnabled() ? QString() : QStringLiteral(" (disabled)")));
    Click(button, button->rect().center());
}

void Monkey::UseTitleBar() {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* sub : frame_.MdiArea()->subWindowList()) {
        if (sub->isVisible()) windows << sub;
    }
    if (windows.isEmpty()) return ClickAnywhere();
    QMdiSubWindow* sub = PickFrom(windows);
    QStyleOptionTitleBar option;
    option.initFrom(sub);
    const int titleHeight = sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, sub);
    option.rect = QRect(0, 0, sub->width(), titleHeight);
    option.text = sub->windowTitle();
    option.subControls = QStyle::SC_All;
    option.titleBarFlags = sub->windowFlags();
    option.titleBarState = sub->windowState().toInt();
    const QPoint title(sub->width() / 3, titleHeight / 2);
    const QString name = QStringLiteral("window \"%1\"").arg(sub->windowTitle());
    const int roll = Pick(100);
    if (roll < 20) {
        Log(QStringLiteral("%1: double-click its title bar").arg(name));
        DoubleClick(sub, title);
    } else if (roll < 45) {
        const QPoint to = sub->mapToGlobal(title) + QPoint(Pick(301) - 150, Pick(201) - 100);
        Log(QStringLiteral("%1: move it by its title bar to (%2,%3)")
                .arg(name)
                .arg(to.x())
                .arg(to.y()));
        Drag(sub, title, to);
    } else {
        static const std::pair<QStyle::SubControl, const char*> kButtons[] = {
            {QStyle::SC_TitleBarCloseButton, "close"},
            {QStyle::SC_TitleBarMinButton, "minimise"},
            {QStyle::SC_TitleBarMaxButton, "maximise"},
            {QStyle::SC_TitleBarNormalButton, "restore"},
            {QStyle::SC_TitleBarSysMenu, "system menu"},
        };
        // Closing dominates: it asks about unsaved changes and lets the reopening actions work.
        const auto& button = kButtons[Chance(50) ? 0 : Pick(5)];
        const QRect rect =
            sub->style()->subControlRect(QStyle::CC_TitleBar, &option, button.first, sub);
        const QPoint at = rect.isValid() ? rect.center() : title;
        Log(QStringLiteral("%1: title bar button %2 at (%3,%4)")
                .arg(name, QString::fromLatin1(button.second))
                .arg(at.x())
                .arg(at.y()));
        Click(sub, at);
    }
}

void Monkey::ClickOtherWindow() {
    QList<QWidget*> windows;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window == &frame_ || !window->isVisible() || window->windowType() == Qt::Popup ||
            window->windowType() == Qt::ToolTip || window->inherits("vorla::NoticeDialog"))
            continue;
        windows << window;
    }
    if (windows.isEmpty()) return ClickAnywhere();
    QWidget* window = PickFrom(windows);
    QList<QAbstractButton*> buttons;
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (button->isVisible() && button->isEnabled()) buttons << button;
    }
    if (!buttons.isEmpty() && Chance(70)) {
        QAbstractButton* button = PickFrom(buttons);
        Log(QStringLiteral("window %1: click button \"%2\"").arg(Describe(window), button->text()));
        Click(button, button->rect().center());
        return;
    }
    const QPoint at(Pick(window->width()), Pick(window->height()));
    Log(QStringLiteral("window %1: click at (%2,%3)")
            .arg(Describe(window))
            .arg(at.x())
            .arg(at.y()));
    Click(window, at);
}

void Monkey::ClickAnywhere() {
    const QPoint at(Pick(frame_.width()), Pick(frame_.height()));
    const Qt::MouseButton button = Chance(15) ? Qt::RightButton : Qt::LeftButton;
    Log(QStringLiteral("%1 on the main window at (%2,%3): %4")
            .arg(button == Qt::RightButton ? QStringLiteral("right-click")
                                           : QStringLiteral("click"))
            .arg(at.x())
            .arg(at.y())
            .arg(Describe(QApplication::widgetAt(frame_.mapToGlobal(at)))));
    Click(&frame_, at, button);
}

void Monkey::UseScrollBar() {
    QList<CAnvoView*> views;
    for (CAnvoView* view : VisibleViews()) {
        if (view->verticalScrollBar()->isVisible()) views << view;
    }
    if (views.isEmpty()) return ClickStrip();
    CAnvoView* view = PickFrom(views);
    QScrollBar* bar = view->verticalScrollBar();
    const QPoint from(bar->width() / 2, Pick(bar->height()));
    if (Chance(60)) {
        Log(QStringLiteral("scroll bar of %1: click at y %2").arg(Describe(view)).arg(from.y()));
        Click(bar, from);
        return;
    }
    const QPoint to = bar->mapToGlobal(QPoint(bar->width() / 2, Pick(bar->height())));
    Log(QStringLiteral("scroll bar of %1: drag from y %2 to y %3")
            .arg(Describe(view))
            .arg(from.y())
            .arg(bar->mapFromGlobal(to).y()));
    Drag(bar, from, to);
}

void Monkey::StartSecondCopy() {
    if (options_.secondStartProgram.isEmpty() || secondStart_) {
        Log(QStringLiteral("second start: not now"));
        return;
    }
    // Only existing files: a later start names a missing one in a message box of its own, which
    // nobody would answer.
    const QString file = PickFrom(files_.All());
    Log(QStringLiteral("second start of the program with %1").arg(file));
    auto* process = new QProcess(this);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    connect(process, &QProcess::finished, this,
            [this, process, file](int code, QProcess::ExitStatus status) {
                if (status != QProcess::NormalExit || code != 0) {
                    ++problems_;
                    Log(QStringLiteral("PROBLEM: the second start with %1 ended with %2 %3")
                            .arg(file, status == QProcess::NormalExit ? QStringLiteral("code")
                                                                      : QStringLiteral("a crash"))
                            .arg(code));
                }
                process->deleteLater();
            });
    process->start(options_.secondStartProgram, {file});
    secondStart_ = process;
}

void Monkey::DropFiles() {
    QList<QUrl> urls;
    const int count = 1 + Pick(3);
    QStringList names;
    for (int i = 0; i < count; ++i) {
        const QString file = PickFrom(files_.All());
        urls << QUrl::fromLocalFile(file);
        names << QFileInfo(file).fileName();
    }
    const QPoint at(Pick(frame_.width()), Pick(frame_.height()));
    Log(QStringLiteral("drop files %1 on the main window at (%2,%3)")
            .arg(names.join(QStringLiteral(", ")))
            .arg(at.x())
            .arg(at.y()));
    // No second program runs to start a real drag: the drop events arrive as the window
    // system would deliver them.
    QMimeData mime;
    mime.setUrls(urls);
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(at, actions, &mime, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&frame_, &enter);
    if (!enter.isAccepted()) return;
    QDropEvent drop(QPointF(at), actions, &mime, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&frame_, &drop);
}

void Monkey::PutImageOnClipboard() {
    QImage image(8 + Pick(120), 8 + Pick(90),
                 Chance(30) ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(QColor(Pick(256), Pick(256), Pick(256), Chance(50) ? 255 : Pick(256)));
    Log(QStringLiteral("another program puts a %1 x %2 picture on the clipboard")
            .arg(image.width())
            .arg(image.height()));
    QApplication::clipboard()->setImage(image);
}

void Monkey::Idle() {
    Log(QStringLiteral("idle"));
}

}  // namespace vorla::monkey
