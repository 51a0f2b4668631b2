#include "gui/app/QtUserInterface.h"

#include <QCoreApplication>
#include <QDockWidget>
#include <QMessageBox>
#include <QWidget>

#include "core/port/NoticeThrottle.h"
#include "gui/app/VorlaApplication.h"
#include "gui/dialogs/WorkProgressDialog.h"

namespace vorla {

namespace {

// The last notice of the process: one program, one rule, however many user interfaces exist.
NoticeThrottle& ProcessNotices() {
    static NoticeThrottle throttle;
    return throttle;
}

template <typename Dialog>
Dialog& Reused(QPointer<Dialog>& dialog, QWidget* parent) {
    if (!dialog) dialog = new Dialog(parent);
    return *dialog;
}

}  // namespace

QtUserInterface::QtUserInterface(QObject* parent) : QObject(parent) {
    // Nested event processing does not tell its caller that the application is quitting, so the
    // application reports an accepted quit request (one that no window refused).
    if (auto* app = qobject_cast<VorlaApplication*>(QCoreApplication::instance())) {
        connect(app, &VorlaApplication::quitAccepted, this, [this] { quitting_ = true; });
    }
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
            [this] { quitting_ = true; });
}

void QtUserInterface::SetMainWindow(QWidget* mainWindow) {
    mainWindow_ = mainWindow;
    delete dialog_;
    dialog_ = new ChoiceDialog(mainWindow);
    // Made again on first use, as children of the new main window.
    delete notice_;
    delete twoChoice_;
    delete colorChooser_;
    delete numbers_;
}

ChoiceAnswer QtUserInterface::Choose(const ChoiceRequest& request, bool bringMainToTop) {
    if (!dialog_) dialog_ = new ChoiceDialog(mainWindow_);
    if (bringMainToTop && mainWindow_) {
        mainWindow_->raise();
        mainWindow_->activateWindow();
        // The floating panes stay above the main window, also without a window manager.
        for (QDockWidget* pane : mainWindow_->findChildren<QDockWidget*>()) {
            if (pane->isVisible() && pane->isFloating()) pane->raise();
        }
    }
    dialog_->Fill(request);
    dialog_->exec();
    return {dialog_->accepted, dialog_->chosen};
}

void QtUserInterface::ShowMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, VorlaApplication::ApplicationTitle(),
                    QString::fromStdString(text), QMessageBox::Ok, mainWindow_);
    box.exec();
}

void QtUserInterface::ShowNotice(const std::string& text, int milliseconds, int style) {
    NoticeThrottle& throttle = ProcessNotices();
    if (!throttle.Allows(text, NoticeThrottle::SteadyNow())) return;
    Reused(notice_, mainWindow_).Display(QString::fromStdString(text), milliseconds, style);
    throttle.Shown(text, NoticeThrottle::SteadyNow());
}

int QtUserInterface::AskTwoChoice(const std::string& message, const std::string& title,
                                  const std::string& firstLabel, const std::string& secondLabel,
                                  const std::string& disableMask) {
    TwoChoiceDialog& dialog = Reused(twoChoice_, mainWindow_);
    dialog.message = QString::fromStdString(message);
    dialog.title = QString::fromStdString(title);
    dialog.firstLabel = QString::fromStdString(firstLabel);
    dialog.secondLabel = QString::fromStdString(secondLabel);
    dialog.disableMask = QString::fromStdString(disableMask);
    dialog.result = kTwoChoiceCancel;
    dialog.exec();
    return dialog.result;
}

bool QtUserInterface::ChooseColor(Colorref& colour, const std::string& caption) {
    CMyColorDialog& dialog = Reused(colorChooser_, mainWindow_);
    dialog.caption = QString::fromStdString(caption);
    dialog.SetResultColor(QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)));
    if (dialog.exec() != QDialog::Accepted) return false;
    const QColor chosen = dialog.ResultColor();
    colour = MakeRgb(chosen.red(), chosen.green(), chosen.blue());
    return true;
}

bool QtUserInterface::AskNumbers(NumberRequest& request) {
    NumberDialog& dialog = Reused(numbers_, mainWindow_);
    dialog.request = request;
    if (dialog.exec() != QDialog::Accepted) return false;
    request = dialog.request;
    return true;
}

std::unique_ptr<WorkProgress> QtUserInterface::CreateProgress() {
    return std::make_unique<WorkProgressDialog>(mainWindow_);
}

bool QtUserInterface::PumpMessages() {
    QCoreApplication::processEvents();
    return !quitting_;
}

}  // namespace vorla
