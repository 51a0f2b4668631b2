#include "gui/view/CAnvoView.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QScrollBar>

#include "core/edit/DocumentLoader.h"
#include "core/edit/Snapshot.h"
#include "core/edit/UndoStore.h"
#include "core/gif/GifEncoder.h"
#include "core/model/DocumentSlots.h"
#include "gui/play/AnimationCompositor.h"
#include "gui/view/DibImage.h"
#include "gui/view/ViewServices.h"

namespace vorla {

CAnvoView::CAnvoView(ViewServices& services, QWidget* parent)
    : QAbstractScrollArea(parent),
      services_(services),
      encoder_(std::make_unique<GifEncoder>()),
      table_(services.App(), services.Ui(), services.Images(), *this, services.TemplateBuffer(),
             services.Slots().FirstFreeSlot()),
      colors_(
          StripColors::FromButtonFace(FromQColor(QApplication::palette().color(QPalette::Button)))),
      previewCompositor_(std::make_unique<AnimationCompositor>()),
      paneCompositor_(std::make_unique<AnimationCompositor>()) {
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    verticalScrollBar()->setSingleStep(20);

    playbackTimer_.setSingleShot(true);
    playbackTimer_.setTimerType(Qt::PreciseTimer);
    connect(&playbackTimer_, &QTimer::timeout, this, &CAnvoView::PlaybackStep);
    hoverTimer_.setInterval(10);
    connect(&hoverTimer_, &QTimer::timeout, this, &CAnvoView::HoverStep);
    clipboard_ = std::make_unique<ViewClipboard>(*this, services_);
    effects_ = std::make_unique<ViewEffects>(*this, services_);
    external_ = std::make_unique<ViewExternalEditing>(*this, services_);
    optimizedSave_ = std::make_unique<ViewOptimizedSave>(*this, services_);
    connect(&optimizedSave_->ByteCosts(), &FrameByteCosts::Changed, viewport(),
            qOverload<>(&QWidget::update));
    workerTimer_.setInterval(100);
    connect(&workerTimer_, &QTimer::timeout, this, &CAnvoView::WorkerStep);
}

CAnvoView::~CAnvoView() {
    OnDestroy();
}

void CAnvoView::OnDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    StopActivities();
    store_.reset();  // removes the undo file
    services_.ForgetView(this);
    if (table_.documentSlot >= 0) services_.Slots().Release(table_.documentSlot);
    if (started_) services_.RetreatCascade();
}

CAnvoView::BusyScope::BusyScope(CAnvoView& view, Mode mode) : view_(&view), mode_(mode) {
    if (view.busyDepth_++ == 0 && mode_ == kRefreshCommands) view.services_.UpdateCommandStates();
}

CAnvoView::BusyScope::~BusyScope() {
    // The view cannot close while busy, so it is still there; the guard only spares a crash if
    // some future path deletes it anyway.
    if (!view_) return;
    if (--view_->busyDepth_ == 0 && mode_ == kRefreshCommands)
        view_->services_.UpdateCommandStates();
}

QString CAnvoView::Caption() const {
    return QString::fromStdString(document_.Title());
}

StripMetrics CAnvoView::Metrics() const {
    StripMetrics metrics;
    metrics.frameCount = table_.frameCount;
    metrics.displayWidth = table_.displayWidth;
    metrics.displayHeight = table_.displayHeight;
    metrics.stripRowHeight = table_.stripRowHeight;
    metrics.childWidth = table_.childWidth;
    return metrics;
}

bool CAnvoView::LoadDocument(const QString& path) {
    if (table_.documentSlot >= 0) {
        services_.Slots().Take(table_.documentSlot);
        store_ = std::make_unique<UndoStore>(table_.snapshotFilePath, services_.Ui());
    }
    DocumentLoader loader(table_, document_, services_.Ui());
    const std::unique_ptr<CollectRequest> collect =
        path == CAnvoDoc::kUntitledPath ? services_.TakePendingCollect() : nullptr;
    const std::unique_ptr<VideoImportResult> video =
        path == CAnvoDoc::kUntitledPath ? services_.TakePendingVideo() : nullptr;
    bool quiet = services_.App().openInProgress || services_.IsDropping();
    // The frames a load adds make one undo step, taken when the load is complete.
    suppressSnapshots_ = true;
    bool ok = video ? loader.LoadImportedFrames(std::move(*video))
                    : loader.LoadDocument(path.toStdString(), collect.get(), quiet);
    suppressSnapshots_ = false;
    if (ok) {
        if (!table_.pendingGifLoad) RecordSnapshot();
        document_.modified = false;
        emit titleChanged(Caption());
        Invalidate();
    }
    return ok;
}

void CAnvoView::RecordSnapshot() {
    if (!store_ || suppressSnapshots_ || table_.frameCount == 0) return;
    edit::RecordSnapshot(table_, *store_);
    services_.UpdateCommandStates();
}

void CAnvoView::Undo() {
    if (!store_) return;
    edit::Undo(table_, *store_, edit::UndoGuards{services_.FrameDialogOpen(), playbackPaused});
    AfterFramesChanged();
}

void CAnvoView::Redo() {
    if (!store_) return;
    edit::Redo(table_, *store_, edit::UndoGuards{services_.FrameDialogOpen(), playbackPaused});
    AfterFramesChanged();
}

bool CAnvoView::CanUndo() const {
    return edit::CanUndo(store_.get(), table_, services_.FrameDialogOpen());
}
bool CAnvoView::CanRedo() const {
    return edit::CanRedo(store_.get(), table_, services_.FrameDialogOpen());
}

void CAnvoView::AfterFramesChanged() {
    if (playbackFrame_ >= table_.frameCount) playbackFrame_ = 0;
    Invalidate();
    RefreshAnimationPane();
    services_.UpdateCommandStates();
}

void CAnvoView::RunPendingLoad() {
    if (!table_.pendingGifLoad) return;
    table_.pendingGifLoad = false;
    // Every animation rests while one loads: the pages come first.
    const int saveGuard = services_.App().busyGuard;
    services_.App().busyGuard = 1;
    DocumentLoader loader(table_, document_, services_.Ui());
    DocumentLoader::GifLoad outcome = loader.RunDeferredGifLoad();
    services_.App().busyGuard = saveGuard;
    previewCompositor_->Invalidate();
    paneCompositor_->Invalidate();
    document_.modified = false;
    if (outcome == DocumentLoader::GifLoad::Damaged ||
        outcome == DocumentLoader::GifLoad::Declined) {
        emit closeRequested();
        return;
    }
    Invalidate();
    if (services_.PaneView() == this) services_.FitPaneToView();
    RefreshAnimationPane();
    services_.UpdateCommandStates();
}

void CAnvoView::OnInitialUpdate() {
    if (started_) return;
    started_ = true;
    services_.AdvanceCascade();
    hoverTimer_.start();
    workerTimer_.start();
    playbackClock_.start();
    nextDeadlineMs_ = 0;
    ScheduleNextPlayback();
}

void CAnvoView::StopActivities() {
    closing_ = true;
    playbackTimer_.stop();
    hoverTimer_.stop();
    workerTimer_.stop();
}

void CAnvoView::MarkModified() {
    if (!document_.modified) {
        document_.modified = true;
        emit titleChanged(Caption());
    }
}

void CAnvoView::Invalidate() {
    // Core commands set and restore the modified flag themselves (a cancelled effect puts the
    // earlier value back): the title's mark follows the flag as it is now.
    if (document_.modified != titleShowsModified_) {
        titleShowsModified_ = document_.modified;
        emit titleChanged(Caption());
    }
    optimizedSave_->ByteCosts().Touch();
    previewCompositor_->Invalidate();
    paneCompositor_->Invalidate();
    viewport()->update();
}

void CAnvoView::DisplayImagesRebuilt(int first, int last) {
    displayCache_.Clear(first, last);
    optimizedSave_->ByteCosts().Touch();
    previewCompositor_->Invalidate();
    paneCompositor_->Invalidate();
}

void CAnvoView::RefreshAnimationPane() {
    paneCompositor_->Invalidate();
    if (services_.PaneView() == this) services_.RefreshPane();
}

void CAnvoView::SetScrollHeight(int total) {
    QScrollBar* bar = verticalScrollBar();
    int page = viewport()->height();
    bar->setPageStep(page);
    bar->setRange(0, std::max(0, total - page));
}

int CAnvoView::MainWindowHeight() {
    return services_.MainWindowHeight();
}

void CAnvoView::ResizeChildFrame(int width, int height, bool moveToCascade) {
    auto* child = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!child) return;
    // The child frame adds its own borders around the view.
    QSize frame = child->size() - size();
    if (frame.width() < 0 || frame.height() < 0) frame = QSize(0, 0);
    QSize target(width + frame.width(), height + frame.height());
    if (moveToCascade) child->move(services_.CascadePosition());
    child->resize(target);
}

int CAnvoView::ZoomSharingDocumentCount() {
    // Windows still waiting for their first frame (files opened together, say from the command
    // line) do not count: each document starts as it would have started alone.
    int shown = 1;
    for (const CAnvoView* other : services_.Views()) {
        if (other != this && other->table_.frameCount > 0) ++shown;
    }
    return shown;
}

void CAnvoView::RepaintAllDocuments() {
    services_.RepaintAllDocuments();
}

void CAnvoView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    table_.childWidth = viewport()->width();
    table_.UpdateScrollSizes();
}

void CAnvoView::scrollContentsBy(int, int) {
    viewport()->update();
}

void CAnvoView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    focused_ = true;
    services_.SetPaneView(this);
}

void CAnvoView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    focused_ = false;
    tooltipSteps_ = -1;
    viewport()->update();
}

}  // namespace vorla
