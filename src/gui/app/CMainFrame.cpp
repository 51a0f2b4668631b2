#include "gui/app/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <ctime>

#include "core/model/ApplicationState.h"
#include "core/model/ProgramDirectory.h"
#include "core/model/Settings.h"
#include "core/port/UserInterface.h"
#include "gui/app/CChildFrame.h"
#include "gui/app/ExternalToolPane.h"
#include "gui/app/HandOver.h"
#include "gui/app/VorlaApplication.h"
#include "gui/dialogs/HelpWindow.h"
#include "gui/external/DesktopLauncher.h"
#include "gui/play/CAnimationBar.h"
#include "gui/view/CAnvoView.h"
#include "gui/view/StripArt.h"
#include "gui/view/ViewCursors.h"

namespace vorla {
namespace {

constexpr int kMinimumTrackHeight = 300;  // pixels; below this the strip and panes no longer fit
constexpr QSize kToolPaneSize(148, 220);

QSize MaximumTrackSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableVirtualGeometry().size() : QSize(1024, 768);
}

}  // namespace

CMainFrame::CMainFrame(ApplicationState& app, Imaging& imaging, const QString& executableDirectory,
                       QWidget* parent)
    : QMainWindow(parent),
      app_(app),
      imaging_(imaging),
      executableDirectory_(executableDirectory),
      mdiArea_(new QMdiArea(this)),
      art_(std::make_unique<StripArt>()),
      cursors_(std::make_unique<ViewCursors>()) {
    effectRandom_.Seed(static_cast<std::uint32_t>(std::time(nullptr)) & 0xFFFF);
    LoadTemplate(executableDirectory);
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdiArea_);
    setWindowTitle(VorlaApplication::ApplicationTitle());
    setWindowIcon(QIcon(QStringLiteral(":/icons/vorla.png")));
    setMinimumHeight(kMinimumTrackHeight);
    setAcceptDrops(true);
    createActions();
    createMenus();
    createToolBar();
    statusBar()->showMessage(tr("준비"));
    createPanes();
    ReadPlacement();
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, [this] { UpdateCommandStates(); });
    // Another program may put an image there (or take it away) at any time.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            [this] { UpdateCommandStates(); });
    qApp->installEventFilter(this);
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
    qApp->removeEventFilter(this);
    // Views reach back into the main frame while they go; close them while it is whole.
    for (QMdiSubWindow* child : mdiArea_->subWindowList()) delete child;
}

UserInterface& CMainFrame::Ui() {
    return app_.Ui();
}

QString CMainFrame::AssetPath(const QString& name) const {
    return QString::fromStdString(
        ProgramDirectory::FindAsset(executableDirectory_.toStdString(), name.toStdString()));
}

void CMainFrame::LoadTemplate(const QString& executableDirectory) {
    // The blank picture every new document and new linked file starts from.
    QFile file(QString::fromStdString(
        ProgramDirectory::FindAsset(executableDirectory.toStdString(), "dfnwim.dxt")));
    if (!file.exists()) {
        ReportProgramError(Ui(), "설치 오류 12145", false);
        return;
    }
    if (file.size() != kTemplateSize) {
        ReportProgramError(Ui(), "설치 오류 12562", false);
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) return;
    QByteArray bytes = file.read(kTemplateSize);
    template_.assign(bytes.begin(), bytes.end());
}

void CMainFrame::createPanes() {
    animationPane_ = new CAnimationBar(*this, this);
    addDockWidget(Qt::RightDockWidgetArea, animationPane_);
    animationPane_->setFloating(true);
    animationPane_->resize(CAnimationBar::kInitialSize, CAnimationBar::kInitialSize);

    toolPane_ = new QDockWidget(tr("도구 창"), this);
    toolPane_->setObjectName(QStringLiteral("toolPane"));
    toolPane_->setAllowedAreas(Qt::NoDockWidgetArea);
    toolPane_->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                           QDockWidget::DockWidgetFloatable);
    externalPane_ = new ExternalToolPane(*this);
    externalPane_->setMinimumSize(kToolPaneSize - QSize(8, 30));
    toolPane_->setWidget(externalPane_);
    addDockWidget(Qt::RightDockWidgetArea, toolPane_);
    toolPane_->setFloating(true);
    toolPane_->resize(kToolPaneSize);

    // The View menu's check marks follow the panes, also when a pane's own close button hid it.
    for (auto [dock, id] :
         {std::pair<QDockWidget*, CommandId>{animationPane_, CommandId::ToggleAnimationPane},
          {toolPane_, CommandId::ToggleToolPane}}) {
        QAction* action = Action(id);
        action->setCheckable(true);
        connect(dock, &QDockWidget::visibilityChanged, action,
                [action, dock] { action->setChecked(dock->isVisible()); });
    }
}

void CMainFrame::PlacePanes() {
    // Relative to the client area in screen coordinates, its top moved down by 61 pixels.
    QRect client(mdiArea_->mapToGlobal(QPoint(0, 0)), mdiArea_->size());
    client.setTop(client.top() + 61);
    animationPane_->move(client.right() - 219, client.top());
    toolPane_->move(client.right() - 152, client.bottom() - 244);
    animationPane_->show();
    toolPane_->show();
    RaisePanes();
    Action(CommandId::ToggleAnimationPane)->setChecked(animationPane_->isVisible());
    Action(CommandId::ToggleToolPane)->setChecked(toolPane_->isVisible());
}

QRect CMainFrame::ChoosePlacement(const QRect& saved, const QSize& max) {
    const int x = saved.x();
    const int y = saved.y();
    if (x >= -10 && y >= -10 && x + saved.width() <= max.width() + 10 &&
        y + saved.height() <= max.height() + 10 && saved.width() > 0 && saved.height() > 0) {
        return saved;
    }
    return QRect(35, 35, max.width() - 70, max.height() - 120);
}

void CMainFrame::ReadPlacement() {
    const std::string ini = app_.WindowIni();
    savedPlacement_ =
        QRect(ReadIntSetting(Ui(), ini, "windowx"), ReadIntSetting(Ui(), ini, "windowy"),
              ReadIntSetting(Ui(), ini, "windowcx"), ReadIntSetting(Ui(), ini, "windowcy"));
    setGeometry(ChoosePlacement(savedPlacement_, MaximumTrackSize()));
}

void CMainFrame::SavePlacement() {
    const std::string ini = app_.WindowIni();
    // A maximised window is saved at the screen's size, so that it comes back maximised.
    const QRect frame = isMaximized()   ? frameGeometry()
                        : isMinimized() ? normalGeometry()
                                        : geometry();
    WriteIntSetting(Ui(), ini, "windowx", frame.x());
    WriteIntSetting(Ui(), ini, "windowy", frame.y());
    WriteIntSetting(Ui(), ini, "windowcx", frame.width());
    WriteIntSetting(Ui(), ini, "windowcy", frame.height());
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    UpdateCommandStates();
    if (animationPane_) animationPane_->RefreshContent();
    if (!firstPaint_) return;
    firstPaint_ = false;
    // After the window has its final geometry: float the panes beside the client area.
    QTimer::singleShot(0, this, [this] {
        raise();
        PlacePanes();
        // A window saved at the size of the screen comes back maximised.
        const QSize max = MaximumTrackSize();
        if (std::abs(savedPlacement_.width() - max.width()) <= 15 &&
            std::abs(savedPlacement_.height() - max.height()) <= 15) {
            showMaximized();
        }
    });
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !firstPaint_) RaisePanes();
    if (event->type() != QEvent::WindowStateChange) return;
    if (isMinimized()) {
        paneDrawing_ = false;
        app_.busyGuard = 1;
    } else {
        paneDrawing_ = true;
        app_.busyGuard = 0;
        if (animationPane_) animationPane_->RefreshContent();
    }
}

bool CMainFrame::AnyViewBusy() const {
    // A clip being imported has no view yet, but its wait pumps like a view's command.
    if (importing_ > 0) return true;
    // An open frame dialog alone does not count: closing its window ends it as 적용.
    for (CAnvoView* view : Views()) {
        if (view->IsRunning()) return true;
    }
    return false;
}

bool CMainFrame::FrameDialogOpen() const {
    for (CAnvoView* view : Views()) {
        if (view->FrameDialogIsOpen()) return true;
    }
    return false;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (AnyViewBusy()) {
        RefuseWhileBusy();
        event->ignore();
        return;
    }
    if (!CloseEveryDocument()) {
        event->ignore();
        return;
    }
    SavePlacement();
    QMainWindow::closeEvent(event);
}

QList<CAnvoView*> CMainFrame::Views() const {
    QList<CAnvoView*> views;
    for (QMdiSubWindow* child : mdiArea_->subWindowList()) {
        if (auto* frame = qobject_cast<CChildFrame*>(child)) views.append(frame->View());
    }
    return views;
}

CAnvoView* CMainFrame::ActiveView() const {
    // While the main window itself is not active, the MDI area names no active child: the view
    // that last had the focus is the one commands mean.
    auto* frame = qobject_cast<CChildFrame*>(mdiArea_->activeSubWindow());
    return frame ? frame->View() : paneView_;
}

CAnvoView* CMainFrame::ViewAt(const QPoint& globalPos) const {
    QWidget* widget = QApplication::widgetAt(globalPos);
    while (widget) {
        if (auto* view = qobject_cast<CAnvoView*>(widget)) return view;
        if (auto* frame = qobject_cast<CChildFrame*>(widget)) return frame->View();
        widget = widget->parentWidget();
    }
    return nullptr;
}

int CMainFrame::OpenDocumentCount() const {
    return static_cast<int>(mdiArea_->subWindowList().size());
}

void CMainFrame::RepaintAllDocuments() {
    for (CAnvoView* view : Views()) view->viewport()->update();
}

void CMainFrame::SetPaneView(CAnvoView* view) {
    const bool changed = view != paneView_;
    paneView_ = view;
    if (changed) FitPaneToView();
    animationPane_->RefreshContent();
}

void CMainFrame::FitPaneToView() {
    if (!paneView_ || !animationPane_->isFloating()) return;
    const AnimationSettings& settings = paneView_->Table().settings;
    animationPane_->FitAnimation(QSize(settings.screenWidth, settings.screenHeight));
}

void CMainFrame::RefreshPane() {
    if (animationPane_) animationPane_->RefreshContent();
}

void CMainFrame::ForgetView(CAnvoView* view) {
    if (paneView_ == view) paneView_ = nullptr;
    if (drag_.sourceView == view) drag_ = DragState{};
    if (drag_.targetView == view) drag_.targetView = nullptr;
    if (animationPane_) animationPane_->RefreshContent();
    QTimer::singleShot(0, this, [this] { UpdateCommandStates(); });
}

void CMainFrame::AdvanceCascade() {
    cascade_ += QPoint(22, 15);
    if (cascade_.x() > 160) cascade_ = QPoint(0, 0);
}

void CMainFrame::RetreatCascade() {
    cascade_ -= QPoint(22, 15);
    if (cascade_.x() < 0 || cascade_.y() < 0) cascade_ = QPoint(0, 0);
}

void CMainFrame::StartPick(CAnvoView* view, int mode, const QString& title,
                           const QString& message) {
    pickMode_ = mode;
    // A modeless prompt with only a Cancel button, beside the strip, while the view keeps the
    // focus.
    auto* prompt = new QDialog(this);
    prompt->setAttribute(Qt::WA_DeleteOnClose);
    prompt->setWindowTitle(title);
    auto* layout = new QVBoxLayout(prompt);
    layout->addWidget(new QLabel(message));
    auto* cancel = new QPushButton(tr("취소"));
    layout->addWidget(cancel, 0, Qt::AlignRight);
    connect(cancel, &QPushButton::clicked, prompt, &QDialog::reject);
    connect(prompt, &QDialog::rejected, this, [this] { CancelPick(); });
    const QPoint corner = view->mapToGlobal(QPoint(view->width() + 8, 40));
    prompt->move(corner);
    prompt->show();
    pickPrompt_ = prompt;
    view->setFocus();
    RepaintAllDocuments();
}

void CMainFrame::FinishPick(CAnvoView* view, const HitResult& hit) {
    const int mode = pickMode_;
    pickMode_ = 0;
    if (pickPrompt_) {
        QDialog* prompt = pickPrompt_;
        pickPrompt_ = nullptr;
        disconnect(prompt, &QDialog::rejected, this, nullptr);
        prompt->close();
    }
    if (mode == 0) return;
    CAnvoView::BusyScope busy(*view);
    view->ContinuePick(mode, hit);
}

void CMainFrame::CancelPick() {
    pickMode_ = 0;
    pickPrompt_ = nullptr;
    UpdateCommandStates();
}

void CMainFrame::HandleRequest(int code) {
    switch (static_cast<MainFrameRequest>(code)) {
        case MainFrameRequest::ColourReadout: ShowColourReadout(); return;
        case MainFrameRequest::OpenHandedOverFile: {
            // The setting is read now, before a later start may write its next file into it; the
            // file opens queued, outside whatever loop delivered the request.
            const std::string path = ReadSetting(Ui(), app_.GeneralIni(), "urgentfileToopen");
            if (path == "*fail") return;
            QTimer::singleShot(
                0, this, [this, file = QString::fromStdString(path)] { OpenHandedOverFile(file); });
            return;
        }
        case MainFrameRequest::ShowCompanyName:
            statusBar()->showMessage(QStringLiteral("Tarnwick"));
            return;
        case MainFrameRequest::OnlineServices:
        case MainFrameRequest::NoAction4:
        case MainFrameRequest::NoAction3: return;
    }
    ReportProgramError(Ui(), "11013", false);
}

void CMainFrame::ShowColourReadout() {
    // The colour of the screen pixel under the pointer and where it is, beside the pointer.
    const QPoint cursor = QCursor::pos();
    QScreen* screen = QGuiApplication::screenAt(cursor);
    if (!screen) return;
    const QPoint local = cursor - screen->geometry().topLeft();
    const QColor colour =
        screen->grabWindow(0, local.x(), local.y(), 1, 1).toImage().pixelColor(0, 0);
    if (!colourWindow_) {
        colourWindow_ = new QLabel(this, Qt::ToolTip);
        colourWindow_->setMargin(4);
    }
    colourWindow_->setText(QStringLiteral("RGB(%1, %2, %3) , (%4, %5)")
                               .arg(colour.red())
                               .arg(colour.green())
                               .arg(colour.blue())
                               .arg(cursor.x())
                               .arg(cursor.y()));
    colourWindow_->adjustSize();
    const QSize size = colourWindow_->size();
    const QSize max = MaximumTrackSize();
    const int x = cursor.x() > max.width() / 2 ? cursor.x() - size.width() - 30 : cursor.x() + 30;
    const int y = cursor.y() > max.height() / 2 ? cursor.y() - size.height() - 30 : cursor.y() + 30;
    colourWindow_->move(x, y);
    colourWindow_->show();
}

void CMainFrame::RaiseFromOtherStart() {
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
    RaisePanes();
}

void CMainFrame::RaisePanes() {
    // Floating panes stay above the main window, also where no window manager keeps them there.
    for (QDockWidget* pane : {static_cast<QDockWidget*>(animationPane_), toolPane_}) {
        if (pane && pane->isVisible() && pane->isFloating()) pane->raise();
    }
}

void CMainFrame::OpenHandedOverFile(const QString& path) {
    RaiseFromOtherStart();
    OpenCommandLineFile(path);
}

void CMainFrame::OpenCommandLineFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        Ui().ShowMessage(MissingFileMessage(path).toStdString());
        return;
    }
    OpenDocumentFile(info.absoluteFilePath());
}

void CMainFrame::OpenHelp() {
    // A help file put into the program folder wins; otherwise the page shipped with the program.
    const QString chm = QString::fromStdString(app_.ProgramFile("vorla.chm"));
    if (QFileInfo::exists(chm)) {
        OpenLocalFileOrSay(Ui(), chm, this);
        return;
    }
    const QString page = AssetPath(QStringLiteral("help/index.html"));
    if (!QFileInfo::exists(page)) {
        Ui().ShowMessage(page.toStdString() + "를 찾을 수 없습니다.");
        return;
    }
    // Help is never out of reach: without a browser that starts, the program shows it itself.
    auto inProgram = [this, page] {
        if (!helpWindow_) helpWindow_ = new HelpWindow(this);
        helpWindow_->ShowPage(page);
    };
    if (!OpenLocalFileInDesktop(page, this, inProgram)) inProgram();
}

void CMainFrame::OpenLocalPage(const QString& name) {
    const QString page = AssetPath(name);
    if (!QFileInfo::exists(page)) {
        Ui().ShowMessage(page.toStdString() + "를 찾을 수 없습니다.");
        return;
    }
    OpenLocalFileOrSay(Ui(), page, this);
}

bool CMainFrame::CloseEveryDocument() {
    // Each question runs an event loop: a window may be gone by the time its turn comes.
    QList<QPointer<CChildFrame>> children;
    for (QMdiSubWindow* child : mdiArea_->subWindowList(QMdiArea::StackingOrder)) {
        if (auto* frame = qobject_cast<CChildFrame*>(child)) children.append(frame);
    }
    auto forget = [&] {
        for (const QPointer<CChildFrame>& child : children)
            if (child) child->View()->ConfirmClose(false);
    };
    for (const QPointer<CChildFrame>& child : children) {
        if (!child) continue;
        if (AnyViewBusy()) {
            RefuseWhileBusy();
            forget();
            return false;
        }
        if (!child->View()->QueryClose()) {
            forget();
            return false;
        }
        if (child) child->View()->ConfirmClose(true);
    }
    for (const QPointer<CChildFrame>& child : children) {
        if (child) child->close();
    }
    // A window that refused after all (busy since its answer) asks again next time.
    forget();
    return mdiArea_->subWindowList().isEmpty();
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    // Escape stops a running multi-file open or drop between two files.
    if (event->type() == QEvent::KeyPress && (app_.openInProgress || dropping_)) {
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) app_.openContinue = false;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace vorla
