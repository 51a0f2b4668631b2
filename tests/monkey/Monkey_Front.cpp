// Answering what is in front: popup menus, modal dialogs and file dialogs; and the orderly end.
#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include "Monkey.h"
#include "gui/app/CMainFrame.h"

namespace vorla::monkey {

namespace {

// Steps a modal dialog may stay in front before the monkey closes it from outside: a dialog that
// neither Escape, Enter nor its buttons close in that many tries is itself a finding.
constexpr int kModalPatience = 40;

QString MenuName(const QMenu* menu) {
    return menu->title().isEmpty() ? QStringLiteral("context menu")
                                   : QStringLiteral("menu \"%1\"").arg(menu->title());
}

template <typename T>
QList<T*> Usable(QWidget* parent) {
    QList<T*> usable;
    for (T* child : parent->findChildren<T*>()) {
        if (child->isVisible() && child->isEnabled() && child->window() == parent->window())
            usable << child;
    }
    return usable;
}

}  // namespace

bool Monkey::ActOnFront() {
    if (QWidget* popup = QApplication::activePopupWidget()) {
        if (!options_.skipped.count("popup")) {
            ActOnPopup(popup);
        } else {
            Log(QStringLiteral("popup %1: Escape").arg(Describe(popup)));
            Key(popup, Qt::Key_Escape);
        }
        return true;
    }
    if (QWidget* modal = QApplication::activeModalWidget()) {
        ActOnModal(modal);
        return true;
    }
    return false;
}

void Monkey::ActOnPopup(QWidget* popup) {
    auto* menu = qobject_cast<QMenu*>(popup);
    if (!menu) {
        // A completer's list, a combo box's list.
        const int roll = Pick(100);
        if (roll < 50) {
            Log(QStringLiteral("popup %1: Escape").arg(Describe(popup)));
            Key(popup, Qt::Key_Escape);
        } else if (roll < 80) {
            Log(QStringLiteral("popup %1: Return").arg(Describe(popup)));
            Key(popup, Qt::Key_Return);
        } else {
            const QPoint at(Pick(popup->width()), Pick(popup->height()));
            Log(QStringLiteral("popup %1: click at (%2,%3)")
                    .arg(Describe(popup))
                    .arg(at.x())
                    .arg(at.y()));
            Click(popup, at);
        }
        return;
    }
    QAction* exitAction = frame_.Action(CommandId::AppExit);
    QList<QAction*> items;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator() || !action->isVisible() || !action->isEnabled()) continue;
        if (action == exitAction || menu->actionGeometry(action).isEmpty()) continue;
        items << action;
    }
    const int roll = Pick(100);
    if (items.isEmpty() || roll < 12) {
        Log(QStringLiteral("%1: Escape").arg(MenuName(menu)));
        Key(menu, Qt::Key_Escape);
    } else if (roll < 20 && !menu->actions().contains(exitAction)) {
        // The keyboard way: a few steps down, then Return.
        const int downs = 1 + Pick(5);
        Log(QStringLiteral("%1: Down x%2, Return").arg(MenuName(menu)).arg(downs));
        QPointer<QMenu> guard(menu);
        for (int i = 0; i < downs && guard; ++i) Key(menu, Qt::Key_Down);
        if (guard) Key(menu, Qt::Key_Return);
    } else if (roll < 25) {
        const Qt::Key key = Chance(50) ? Qt::Key_Left : Qt::Key_Right;
        Log(QStringLiteral("%1: %2").arg(
            MenuName(menu), QString::fromLatin1(key == Qt::Key_Left ? "Left" : "Right")));
        Key(menu, key);
    } else if (roll < 30) {
        const QPoint at(Pick(frame_.width()), Pick(frame_.height()));
        Log(QStringLiteral("%1: click outside it, on the main window at (%2,%3)")
                .arg(MenuName(menu))
                .arg(at.x())
                .arg(at.y()));
        Click(&frame_, at);
    } else {
        QAction* item = PickFrom(items);
        Log(QStringLiteral("%1: pick \"%2\"%3")
                .arg(MenuName(menu), item->text(),
                     item->menu() ? QStringLiteral(" (submenu)") : QString()));
        Click(menu, menu->actionGeometry(item).center());
    }
}

void Monkey::ActOnModal(QWidget* modal) {
    if (modal == frontModal_) {
        ++frontModalSteps_;
    } else {
        frontModal_ = modal;
        frontModalSteps_ = 0;
    }
    if (frontModalSteps_ > kModalPatience) {
        Log(QStringLiteral("%1 is still in front after %2 steps: closing it from outside")
                .arg(Describe(modal))
                .arg(kModalPatience));
        frontModalSteps_ = 0;
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
        return;
    }
    if (options_.skipped.count("modal")) {
        Log(QStringLiteral("%1: Escape").arg(Describe(modal)));
        Key(modal, Qt::Key_Escape);
        return;
    }
    if (auto* files = qobject_cast<QFileDialog*>(modal)) {
        ActOnFileDialog(files);
        return;
    }
    const int roll = Pick(100);
    if (roll < 28) {
        Log(QStringLiteral("%1: Escape").arg(Describe(modal)));
        Key(modal, Qt::Key_Escape);
    } else if (roll < 52) {
        Log(QStringLiteral("%1: Return").arg(Describe(modal)));
        Key(modal, Qt::Key_Return);
    } else if (roll < 84) {
        const QList<QAbstractButton*> buttons = Usable<QAbstractButton>(modal);
        if (buttons.isEmpty()) {
            Log(QStringLiteral("%1: Escape (no button)").arg(Describe(modal)));
            Key(modal, Qt::Key_Escape);
            return;
        }
        QAbstractButton* button = PickFrom(buttons);
        Log(QStringLiteral("%1: click button \"%2\" (%3)")
                .arg(Describe(modal), button->text(), Describe(button)));
        Click(button, button->rect().center());
    } else if (roll < 95) {
        TypeIntoSomeField(modal);
    } else {
        static const Qt::Key kKeys[] = {Qt::Key_Tab, Qt::Key_Space, Qt::Key_Up, Qt::Key_Down};
        const Qt::Key key = kKeys[Pick(4)];
        Log(QStringLiteral("%1: key %2").arg(Describe(modal), QKeySequence(key).toString()));
        Key(modal, key);
    }
}

void Monkey::TypeIntoSomeField(QWidget* dialog) {
    QList<QWidget*> fields;
    for (QLineEdit* edit : Usable<QLineEdit>(dialog)) {
        if (!edit->isReadOnly()) fields << edit;
    }
    for (QAbstractSpinBox* spin : Usable<QAbstractSpinBox>(dialog)) fields << spin;
    for (QComboBox* combo : Usable<QComboBox>(dialog)) fields << combo;
    if (fields.isEmpty()) {
        Log(QStringLiteral("%1: Tab (no field to type into)").arg(Describe(dialog)));
        Key(dialog, Qt::Key_Tab);
        return;
    }
    static const char* const kTexts[] = {"0",   "1",     "2",   "5",    "10", "50",
                                         "99",  "100",   "255", "1000", "-1", "-30",
                                         "abc", "65535", "3.5", "",     "7x"};
    QWidget* field = PickFrom(fields);
    const QString text = QString::fromLatin1(kTexts[Pick(static_cast<int>(std::size(kTexts)))]);
    const bool enter = Chance(50);
    Log(QStringLiteral("%1: type \"%2\" into %3%4")
            .arg(Describe(dialog), text, Describe(field),
                 enter ? QStringLiteral(", Return") : QString()));
    QPointer<QWidget> guard(field);
    if (qobject_cast<QComboBox*>(field) && Chance(50)) {
        // Step through the items with the keyboard instead.
        field->setFocus(Qt::TabFocusReason);
        Key(field, Chance(50) ? Qt::Key_Down : Qt::Key_Up);
        return;
    }
    field->setFocus(Qt::TabFocusReason);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    if (guard) QTest::keyClicks(field, text);
    if (guard && enter) Key(field, Qt::Key_Return);
}

void Monkey::ActOnFileDialog(QFileDialog* dialog) {
    const QString title = dialog->windowTitle();
    QLineEdit* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!name || Chance(35)) {
        Log(QStringLiteral("file dialog \"%1\": Escape").arg(title));
        Key(dialog, Qt::Key_Escape);
        return;
    }
    QString answer;
    if (dialog->acceptMode() == QFileDialog::AcceptSave) {
        const bool bitmap = dialog->nameFilters()
                                .join(QLatin1Char(' '))
                                .contains(QStringLiteral("bmp"), Qt::CaseInsensitive);
        const QString extension = bitmap ? QStringLiteral(".bmp") : QStringLiteral(".gif");
        const int roll = Pick(100);
        if (roll < 10) {
            // Over an input file, which may be open in another window.
            answer = PickFrom(files_.startGifs);
        } else {
            // Mostly new names; names already used are asked about before they are replaced.
            const int number = roll < 40 && saveCounter_ > 0 ? Pick(saveCounter_) : saveCounter_++;
            answer = files_.outFolder + QStringLiteral("/saved%1").arg(number) + extension;
        }
    } else if (dialog->fileMode() == QFileDialog::ExistingFiles && Chance(30)) {
        // Several names of one folder, in the dialog's quoted form; the folder is typed first.
        QStringList names;
        const int count = 2 + Pick(2);
        for (int i = 0; i < count; ++i)
            names << QLatin1Char('"') + QFileInfo(PickFrom(files_.All())).fileName() +
                         QLatin1Char('"');
        answer = names.join(QLatin1Char(' '));
        Log(QStringLiteral("file dialog \"%1\": go to %2").arg(title, files_.folder));
        QPointer<QLineEdit> guard(name);
        name->setFocus(Qt::TabFocusReason);
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(name, files_.folder + QLatin1Char('/'));
        if (!guard) return;
        QTest::keyClick(name, Qt::Key_Return);
        if (!guard) return;
    } else {
        answer =
            Chance(95) ? PickFrom(files_.All()) : files_.folder + QStringLiteral("/absent.gif");
    }
    Log(QStringLiteral("file dialog \"%1\": answer %2").arg(title, answer));
    QPointer<QLineEdit> guard(name);
    name->setFocus(Qt::TabFocusReason);
    QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
    if (guard) QTest::keyClicks(name, answer);
    // Straight to the field: the completer's list, open after typing, would take the key.
    if (guard) QTest::keyClick(name, Qt::Key_Return);
}

bool Monkey::FinishStep() {
    if (QWidget* popup = QApplication::activePopupWidget()) {
        Log(QStringLiteral("end: popup %1: Escape").arg(Describe(popup)));
        Key(popup, Qt::Key_Escape);
        return true;
    }
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (modal == frontModal_) {
            ++frontModalSteps_;
        } else {
            frontModal_ = modal;
            frontModalSteps_ = 0;
        }
        // The save question of a closing window: "저장 안 함". Other questions of that dialog
        // (프레임 펼치기: 그대로 편집) are cancelled, and any dialog that a click does not close
        // is rejected in the end.
        auto* dontSave = modal->findChild<QPushButton*>(QStringLiteral("button1099"));
        if (modal->inherits("vorla::TwoChoiceDialog") && dontSave && dontSave->isEnabled() &&
            dontSave->text().remove(QLatin1Char('&')) == QStringLiteral("저장 안 함") &&
            frontModalSteps_ <= 10) {
            Log(QStringLiteral("end: %1: click \"%2\"").arg(Describe(modal), dontSave->text()));
            Click(dontSave, dontSave->rect().center());
        } else if (frontModalSteps_ > 10) {
            Log(QStringLiteral("end: %1 stays in front: rejecting it").arg(Describe(modal)));
            frontModalSteps_ = 0;
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        } else {
            Log(QStringLiteral("end: %1: Escape").arg(Describe(modal)));
            Key(modal, Qt::Key_Escape);
        }
        return true;
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->inherits("vorla::WorkProgressDialog")) {
            Log(QStringLiteral("end: cancel the work in progress"));
            Key(window, Qt::Key_Escape);
            return true;
        }
        // A modeless dialog that its busy view waits for.
        if (window->isVisible() && window->inherits("vorla::AdvancedAnimationDialog")) {
            Log(QStringLiteral("end: %1: Escape").arg(Describe(window)));
            Key(window, Qt::Key_Escape);
            return true;
        }
    }
    // An earlier step still waits in a nested loop (a pump, a notice): let it unwind first.
    if (depth_ > 1 || !frame_.isVisible() || NoticeShowing()) return false;
    ++exitRequests_;
    Log(QStringLiteral("end: Ctrl+Q on the main window (request %1)").arg(exitRequests_));
    Key(&frame_, Qt::Key_Q, Qt::ControlModifier);
    return true;
}

}  // namespace vorla::monkey
