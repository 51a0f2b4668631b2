#include "gui/app/CMainFrame.h"

#include <QAction>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>

#include "core/model/ApplicationState.h"
#include "core/model/Settings.h"
#include "core/port/UserInterface.h"
#include "gui/app/VorlaApplication.h"
#include "gui/dialogs/AboutDialog.h"

namespace vorla {

namespace {

// Pixels; below this the strip and the panes no longer fit.
constexpr int kMinimumTrackHeight = 300;

}  // namespace

CMainFrame::CMainFrame(ApplicationState& app, QWidget* parent)
    : QMainWindow(parent), app_(app), mdiArea_(new QMdiArea(this)) {
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdiArea_);
    createActions();
    createMenus();
    statusBar();
    setWindowTitle(VorlaApplication::ApplicationTitle());
    setWindowIcon(QIcon(QStringLiteral(":/icons/vorla.png")));
    setMinimumHeight(kMinimumTrackHeight);
}

void CMainFrame::createActions() {
    exitAct_ = new QAction(tr("종료(&X)"), this);
    exitAct_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(exitAct_, &QAction::triggered, this, &QWidget::close);

    aboutAct_ = new QAction(tr("Vorla 정보(&A)..."), this);
    connect(aboutAct_, &QAction::triggered, this, &CMainFrame::about);
}

void CMainFrame::createMenus() {
    fileMenu_ = menuBar()->addMenu(tr("파일(&F)"));
    fileMenu_->addAction(exitAct_);
    helpMenu_ = menuBar()->addMenu(tr("도움말(&H)"));
    helpMenu_->addAction(aboutAct_);
}

void CMainFrame::about() {
    AboutDialog dialog(this);
    dialog.exec();
}

void CMainFrame::HandleRequest(int code) {
    switch (static_cast<MainFrameRequest>(code)) {
        case MainFrameRequest::OpenHandedOverFile: {
            const std::string path = ReadSetting(app_.Ui(), app_.GeneralIni(), "urgentfileToopen");
            if (path != "*fail") OpenHandedOverFile(QString::fromStdString(path));
            return;
        }
        case MainFrameRequest::ShowCompanyName:
            statusBar()->showMessage(QStringLiteral("Tarnwick"));
            return;
        case MainFrameRequest::OnlineServices:
        case MainFrameRequest::NoAction4:
        case MainFrameRequest::NoAction3: return;
    }
    ReportProgramError(app_.Ui(), "11013", false);
}

void CMainFrame::RaiseFromOtherStart() {
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
}

void CMainFrame::OpenHandedOverFile(const QString& path) {
    RaiseFromOtherStart();
    QueueDocumentOpen(path);
}

void CMainFrame::OpenCommandLineFile(const QString& path) {
    QueueDocumentOpen(path);
}

void CMainFrame::QueueDocumentOpen(const QString& path) {
    pendingDocumentOpens_.append(path);
    emit documentOpenRequested(path);
}

}  // namespace vorla
