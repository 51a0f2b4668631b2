#include "gui/app/QtUserInterface.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QWidget>

#include "gui/app/VorlaApplication.h"
#include "gui/dialogs/WorkProgressDialog.h"

namespace vorla {

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
}

ChoiceAnswer QtUserInterface::Choose(const ChoiceRequest& request, bool bringMainToTop) {
    if (!dialog_) dialog_ = new ChoiceDialog(mainWindow_);
    if (bringMainToTop && mainWindow_) {
        mainWindow_->raise();
        mainWindow_->activateWindow();
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

std::unique_ptr<WorkProgress> QtUserInterface::CreateProgress() {
    return std::make_unique<WorkProgressDialog>(mainWindow_);
}

bool QtUserInterface::PumpMessages() {
    QCoreApplication::processEvents();
    return !quitting_;
}

}  // namespace vorla
