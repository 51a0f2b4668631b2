// Opening documents: New, Open with several files, dropped files, "모아서 열기" and the files of
// the command line and of a later start.
#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMimeData>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>

#include "core/model/ApplicationState.h"
#include "core/port/UserInterface.h"
#include "gui/app/CChildFrame.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/VorlaApplication.h"
#include "gui/dialogs/FileDialogFilters.h"
#include "gui/play/CAnimationBar.h"
#include "gui/view/CAnvoView.h"

namespace vorla {
namespace {

constexpr int kMaxCollectFiles = 2562;

}  // namespace

CAnvoView* CMainFrame::OpenDocumentFile(const QString& path) {
    // A clip is imported through its dialog (AVI keeps its one-frame open).
    if (IsVideoClipName(path.toStdString())) return ImportVideoFile(path);
    auto* view = new CAnvoView(*this);
    auto* child = new CChildFrame(view);
    mdiArea_->addSubWindow(child);
    child->move(cascade_);
    const bool loaded = view->LoadDocument(path);
    if (!loaded) {
        // A document that could not load closes itself without ever being shown.
        delete child;
        UpdateCommandStates();
        return nullptr;
    }
    connect(view, &CAnvoView::closeRequested, child,
            [child] { QTimer::singleShot(0, child, &QWidget::close); });
    if (path != QLatin1String(CAnvoDoc::kUntitledPath))
        DocumentSaved(QFileInfo(path).absoluteFilePath());
    child->show();
    view->OnInitialUpdate();
    view->setFocus();
    SetPaneView(view);
    UpdateCommandStates();
    emit documentOpened(view);
    return view;
}

CAnvoView* CMainFrame::NewDocument() {
    return OpenDocumentFile(QString::fromLatin1(CAnvoDoc::kUntitledPath));
}

void CMainFrame::OnFileOpen() {
    for (CAnvoView* view : Views()) {
        if (view->IsClosing()) return;
    }
    const int savedGuard = app_.busyGuard;
    app_.busyGuard = 1;
    if (OpenDocumentCount() >= kMaxDocuments) {
        Ui().ShowMessage("하나 이상의 창을 닫은 후에 재시도하세요.");
        app_.busyGuard = savedGuard;
        return;
    }
    app_.openInProgress = true;
    QFileDialog dialog(this, tr("열기"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    ApplyFileDialogFilters(dialog,
                           app_.allImagesWithGifFilter + app_.gifFilter + app_.perFormatFilter);
    // The first Open of a run starts among the samples that come with the program.
    const QString samples = AssetPath(QStringLiteral("샘플"));
    if (!sampleFolderUsed_ && QFileInfo(samples).isDir()) {
        dialog.setDirectory(samples);
    } else if (!lastDialogFolder_.isEmpty()) {
        dialog.setDirectory(lastDialogFolder_);
    }
    sampleFolderUsed_ = true;
    const QStringList chosen = RunFileDialog(dialog);
    app_.busyGuard = savedGuard;
    OpenFiles(chosen);
    app_.openInProgress = false;
    animationPane_->update();
}

void CMainFrame::OpenFiles(const QStringList& paths) {
    const bool wasInProgress = app_.openInProgress;
    app_.openInProgress = true;
    app_.openContinue = true;
    for (const QString& path : paths) {
        if (OpenDocumentCount() >= kMaxDocuments) {
            Ui().ShowMessage("창은 " + std::to_string(kMaxDocuments) + "개까지만 열 수 있습니다.");
            break;
        }
        OpenDocumentFile(path);
        // A program that is quitting opens nothing more.
        if (!Ui().PumpMessages() || !app_.openContinue) break;
    }
    app_.openInProgress = wasInProgress;
}

void CMainFrame::OpenDroppedFiles(const QStringList& paths) {
    const int used = slots_.UsedSlots();
    int count = static_cast<int>(paths.size());
    dropping_ = true;
    if (used >= kMaxDocuments) {
        Ui().ShowMessage("더 이상의 창을 열 수 없습니다.");
        dropping_ = false;
        return;
    }
    if (used + count > kMaxDocuments) {
        const std::string question = std::to_string(used + count - kMaxDocuments) +
                                     "개의 파일이 제외되어 로드될 것입니다. 계속하시겠습니까? ";
        if (!AskQuestion(Ui(), question, "파일 로드", "*nothing", true)) {
            dropping_ = false;
            return;
        }
        count = kMaxDocuments - used;
    }
    app_.openContinue = true;
    for (int i = 0; i < count; ++i) {
        OpenDocumentFile(paths[i]);
        // A program that is quitting opens nothing more.
        if (!Ui().PumpMessages() || !app_.openContinue) break;
    }
    dropping_ = false;
}

bool CMainFrame::RoomForDocument() {
    if (OpenDocumentCount() < kMaxDocuments) return true;
    Ui().ShowMessage("하나 이상의 창을 닫은 후에 재시도하세요.");
    return false;
}

void CMainFrame::OnCollectOpen() {
    if (AnyViewBusy() || !RoomForDocument()) return;
    QFileDialog dialog(this, tr("모아서 열기"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    ApplyFileDialogFilters(dialog,
                           app_.allImagesWithGifFilter + app_.gifFilter + app_.perFormatFilter);
    if (!lastDialogFolder_.isEmpty()) dialog.setDirectory(lastDialogFolder_);
    const QStringList chosen = RunFileDialog(dialog);
    if (chosen.isEmpty()) return;
    CollectAndOpen(chosen);
}

void CMainFrame::CollectAndOpen(const QStringList& paths) {
    if (paths.size() > kMaxCollectFiles) {
        Ui().ShowMessage("열려는 파일이 너무 많습니다.");
        return;
    }
    std::vector<std::string> files;
    for (const QString& path : paths) files.push_back(path.toStdString());
    collect_ = std::make_unique<CollectRequest>(MakeCollectRequest(std::move(files)));
    NewDocument();
    collect_.reset();
}

// Runs a file dialog; the chosen files, empty when cancelled. Remembers their folder.
QStringList CMainFrame::RunFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    if (!chosen.isEmpty()) lastDialogFolder_ = QFileInfo(chosen.first()).absolutePath();
    return chosen;
}

// A save dialog showing proposed: a full path as it is; a bare name (an untitled document's),
// or a path whose folder is gone, in the folder of the last file dialog, else the pictures
// folder, else home - never the program's working folder, which for a program started from a
// menu is arbitrary.
void CMainFrame::Propose(QFileDialog& dialog, const QString& proposed) const {
    const QFileInfo info(proposed);
    // A document's folder may have gone since it was opened: then as for a new picture.
    if (info.isAbsolute() && info.absoluteDir().exists()) {
        dialog.selectFile(proposed);
        return;
    }
    QString folder = lastDialogFolder_;
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    }
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
    dialog.setDirectory(folder);
    dialog.selectFile(info.fileName());
}

QString CMainFrame::AskSavePath(const QString& proposed) {
    if (savePathAnswer) return savePathAnswer(proposed);
    QFileDialog dialog(this, tr("다른 이름으로 저장"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("gif"));
    ApplyFileDialogFilters(dialog, app_.gifFilter);
    Propose(dialog, proposed);
    return RunFileDialog(dialog).value(0);
}

QString CMainFrame::AskFrameSavePath(const QString& proposed) {
    if (savePathAnswer) return savePathAnswer(proposed);
    QFileDialog dialog(this, tr("프레임 저장"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("bmp"));
    ApplyFileDialogFilters(dialog, "BMP 파일(*.bmp)|*.*||");
    Propose(dialog, proposed);
    return RunFileDialog(dialog).value(0);
}

QString CMainFrame::AskImagePath(const QString& title) {
    if (imagePathAnswer) return imagePathAnswer(title);
    QFileDialog dialog(this, title);
    dialog.setFileMode(QFileDialog::ExistingFile);
    ApplyFileDialogFilters(dialog,
                           app_.allImagesWithGifFilter + app_.gifFilter + app_.perFormatFilter);
    if (!lastDialogFolder_.isEmpty()) dialog.setDirectory(lastDialogFolder_);
    return RunFileDialog(dialog).value(0);
}

QString CMainFrame::AskLinkPath(const QString& title, const QString& proposed) {
    if (imagePathAnswer) return imagePathAnswer(title);
    QFileDialog dialog(this, title);
    // The file may not exist yet: the user is then asked whether to create it.
    dialog.setFileMode(QFileDialog::AnyFile);
    ApplyFileDialogFilters(dialog,
                           app_.allImagesWithGifFilter + app_.gifFilter + app_.perFormatFilter);
    dialog.selectFile(proposed);
    return RunFileDialog(dialog).value(0);
}

void CMainFrame::DocumentSaved(const QString& path) {
    auto* app = qobject_cast<VorlaApplication*>(QCoreApplication::instance());
    if (!app) return;
    app->RecentFiles().Add(path);
    QSettings profile(QSettings::NativeFormat, QSettings::UserScope, app->organizationName(),
                      app->applicationName());
    app->RecentFiles().Save(profile);
}

QStringList CMainFrame::RecentFiles() const {
    auto* app = qobject_cast<VorlaApplication*>(QCoreApplication::instance());
    return app ? app->RecentFiles().Files() : QStringList();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) paths.append(url.toLocalFile());
    }
    if (paths.isEmpty()) return;
    event->acceptProposedAction();
    // Open after the drop has returned, so the dragging program is not held up by the loads.
    QTimer::singleShot(0, this, [this, paths] { OpenDroppedFiles(paths); });
}

}  // namespace vorla
