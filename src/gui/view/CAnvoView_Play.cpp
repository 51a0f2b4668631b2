// The view's three activities as GUI-thread timers: playback (each frame's delay), hover
// (10 ms: hover hit, tooltips, drop marker) and worker (100 ms: deferred load, drag upkeep).
#include <QCursor>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QToolTip>

#include "core/edit/FrameEditRules.h"
#include "gui/view/CAnvoView.h"
#include "gui/view/ViewCursors.h"
#include "gui/view/ViewServices.h"

namespace vorla {
namespace {

constexpr int kIdlePollMs = 300;  // paused, loading or one-frame views only look up this often

}  // namespace

void CAnvoView::ScheduleNextPlayback() {
    if (closing_) return;
    // Deadlines follow each other exactly, so timer latency does not add up over a loop. After a
    // stall (a modal dialog, a long load) the schedule restarts from now.
    const qint64 now = playbackClock_.elapsed();
    const qint64 base =
        (nextDeadlineMs_ > 0 && now - nextDeadlineMs_ < 100) ? nextDeadlineMs_ : now;
    nextDeadlineMs_ = base + static_cast<qint64>(playbackDelay_) * 10;
    playbackTimer_.start(static_cast<int>(std::max<qint64>(0, nextDeadlineMs_ - now)));
}

void CAnvoView::WakePlayback() {
    if (!started_ || closing_) return;
    nextDeadlineMs_ = 0;
    playbackDelay_ = 0;
    ScheduleNextPlayback();
}

void CAnvoView::PlaybackStep() {
    if (closing_) return;
    if (table_.frameCount < 2 || playbackPaused || pausedByUser_ || table_.loadingScreen ||
        services_.App().busyGuard) {
        nextDeadlineMs_ = 0;
        playbackTimer_.start(kIdlePollMs);
        return;
    }
    playbackFrame_ = playbackFrame_ + 1 >= table_.frameCount ? 0 : playbackFrame_ + 1;
    const int delay = edit::DelayOf(table_.entries[static_cast<std::size_t>(playbackFrame_)]);
    playbackDelay_ = delay == 0 ? 10 : delay;  // a delay of 0 plays as 10
    emit frameShown(playbackFrame_);
    UpdatePreviewArea();
    if (services_.PaneDrawing() && services_.PaneView() == this) services_.RefreshPane();
    ScheduleNextPlayback();
}

void CAnvoView::HoverStep() {
    const DragState& drag = services_.Drag();
    // The pointer's position is a round trip to the display server, a hundred times a second
    // for every window: it is asked only while the pointer is over this strip or frames are
    // dragged.
    const bool mayMatter = drag.active || viewport()->underMouse();
    const QPoint cursor = mayMatter ? viewport()->mapFromGlobal(QCursor::pos()) : QPoint(-1, -1);
    const bool inside = mayMatter && viewport()->rect().contains(cursor);

    HitResult hit;
    const bool target = drag.active && drag.targetView == this;
    if (target) hit = HitAt(cursor);
    if (!(hit == hoverHit_)) {
        hoverHit_ = hit;
        if (inside) viewport()->update();
        restSteps_ = 0;
    }
    ++restSteps_;
    if (target && inside && restSteps_ == 65) {
        if (auto* child = qobject_cast<QMdiSubWindow*>(parentWidget())) child->raise();
    }

    // Tooltips after a rest: 90 steps over the preview area, 40 on a gap, 125 on a frame.
    if (tooltipSteps_ >= 0 && ++tooltipSteps_ > 200) {
        QToolTip::hideText();
        tooltipSteps_ = -1;
    }
    if (!inside || !mouseMoved_ || !focused_ || drag.active || services_.PickMode() != 0 ||
        table_.frameCount == 0)
        return;
    HitResult under = HitAt(cursor);
    int kind = under.above ? 0 : under.index < 0 ? -1 : under.kind == HitResult::kFrame ? 2 : 1;
    int needed = kind == 0 ? 90 : kind == 1 ? 40 : 125;
    const qint64 now = playbackClock_.elapsed();
    if (kind >= 0 && restSteps_ > needed && now - lastTooltipMs_ >= 1000) {
        lastTooltipMs_ = now;
        mouseMoved_ = false;
        ShowTooltip(under);
    }
}

void CAnvoView::WorkerStep() {
    if (inWorker_) return;
    inWorker_ = true;
    // A command of this view is still running (in its dialog or pump): loads, drops and the
    // deletion after a move wait until it has ended.
    const bool busy = IsBusy();
    if (table_.pendingGifLoad && !busy) RunPendingLoad();
    DragState& drag = services_.Drag();
    if (dragging_) {
        dragCursorPhase_ ^= 1;
        viewport()->setCursor(services_.Cursors().Drag(dragCursorPhase_));
    }
    // While a drag runs over this window near its right edge, scroll towards the pointer.
    if (drag.active && drag.targetView == this) {
        const QPoint cursor = viewport()->mapFromGlobal(QCursor::pos());
        if (cursor.x() > viewport()->width() - 30 && cursor.x() <= viewport()->width() + 20) {
            int distance = cursor.y() - viewport()->height() / 2;
            verticalScrollBar()->setValue(verticalScrollBar()->value() + distance * 2 / 5);
        }
    }
    if (dropPending_ && !busy) {
        dropPending_ = false;
        BusyScope scope(*this);
        HandleDrop();
    }
    if (drag.moveRequested && drag.sourceView == this && !IsBusy()) {
        drag.moveRequested = false;
        if (table_.CountSelection() < table_.frameCount) DeleteSelectedFrames();
    }
    external_->PollFiles();
    inWorker_ = false;
}

}  // namespace vorla
