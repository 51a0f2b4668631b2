#include "gui/app/QtUserInterface.h"

#include <QCoreApplication>
#include <QDockWidget>
#include <QMessageBox>
#include <QWidget>

#include "core/port/NoticeThrottle.h"
#include "gui/app/VorlaApplication.h"
#include "gui/dialogs/LongGifDialog.h"
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

// The reused dialog, or, while it is already showing (a question asked from inside the loop of
// another, say by a window that finished loading meanwhile), a fresh one that lives for this
// call: one dialog object never runs two loops, and the outer question keeps its own texts.
template <typename Dialog>
Dialog& Available(QPointer<Dialog>& reused, std::unique_ptr<Dialog>& spare, QWidget* parent) {
    Dialog& dialog = Reused(reused, parent);
    if (!dialog.isVisible()) return dialog;
    spare = std::make_unique<Dialog>(parent);
    return *spare;
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

QtUserInterface::~QtUserInterface() {
    // Boxes made before there was a main window (or without one) are windows of their own;
    // the others go with the main window.
    const QList<QWidget*> boxes = {dialog_, notice_, twoChoice_, colorChooser_, numbers_};
    for (QWidget* box : boxes) {
        if (box != nullptr && box->parent() == nullptr) delete box;
    }
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
    std::unique_ptr<ChoiceDialog> spare;
    ChoiceDialog& dialog = Available(dialog_, spare, mainWindow_);
    if (bringMainToTop && mainWindow_) {
        mainWindow_->raise();
        mainWindow_->activateWindow();
        // The floating panes stay above the main window, also without a window manager.
        for (QDockWidget* pane : mainWindow_->findChildren<QDockWidget*>()) {
            if (pane->isVisible() && pane->isFloating()) pane->raise();
        }
    }
    dialog.Fill(request);
    dialog.exec();
    return {dialog.accepted, dialog.chosen};
}

void QtUserInterface::ShowMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, VorlaApplication::ApplicationTitle(),
                    QString::fromStdString(text), QMessageBox::Ok, mainWindow_);
    box.exec();
}

void QtUserInterface::ShowNotice(const std::string& text, int milliseconds, int style) {
    NoticeThrottle& throttle = ProcessNotices();
    if (!throttle.Allows(text, NoticeThrottle::SteadyNow())) return;
    std::unique_ptr<NoticeDialog> spare;
    Available(notice_, spare, mainWindow_)
        .Display(QString::fromStdString(text), milliseconds, style);
    throttle.Shown(text, NoticeThrottle::SteadyNow());
}

int QtUserInterface::AskTwoChoice(const std::string& message, const std::string& title,
                                  const std::string& firstLabel, const std::string& secondLabel,
                                  const std::string& disableMask) {
    std::unique_ptr<TwoChoiceDialog> spare;
    TwoChoiceDialog& dialog = Available(twoChoice_, spare, mainWindow_);
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
    std::unique_ptr<CMyColorDialog> spare;
    CMyColorDialog& dialog = Available(colorChooser_, spare, mainWindow_);
    dialog.caption = QString::fromStdString(caption);
    dialog.SetResultColor(QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)));
    if (dialog.exec() != QDialog::Accepted) return false;
    const QColor chosen = dialog.ResultColor();
    colour = MakeRgb(chosen.red(), chosen.green(), chosen.blue());
    return true;
}

bool QtUserInterface::AskNumbers(NumberRequest& request) {
    std::unique_ptr<NumberDialog> spare;
    NumberDialog& dialog = Available(numbers_, spare, mainWindow_);
    dialog.request = request;
    if (dialog.exec() != QDialog::Accepted) return false;
    request = dialog.request;
    return true;
}

std::optional<LongGifWay> QtUserInterface::AskLongGifWay(const LongGifQuestion& question) {
    // On the heap: a main window closed while the dialog runs deletes it with its children.
    QPointer<LongGifDialog> dialog = new LongGifDialog(question, mainWindow_);
    dialog->exec();
    if (!dialog) return LongGifWay{LongGifWay::Kind::Cancel};
    const LongGifWay way = dialog->Answer();
    delete dialog;
    return way;
}

std::unique_ptr<WorkProgress> QtUserInterface::CreateProgress() {
    return std::make_unique<WorkProgressDialog>(mainWindow_);
}

bool QtUserInterface::PumpMessages() {
    QCoreApplication::processEvents();
    return !quitting_;
}

}  // namespace vorla
