// Commands of the view: zoom, selection moves, deletion and the drop of dragged frames.
#include <QApplication>
#include <QDateTime>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <chrono>

#include "core/edit/FrameClipboard.h"
#include "core/edit/FrameEditing.h"
#include "core/edit/FrameExpansion.h"
#include "core/edit/Paste.h"
#include "core/edit/Selection.h"
#include "core/port/UserInterface.h"
#include "gui/view/CAnvoView.h"
#include "gui/view/ViewServices.h"

namespace vorla {

void CAnvoView::ZoomIn() {
    if (CanZoomIn(services_.App().zoomPercent)) ZoomBy(kZoomStep);
}

void CAnvoView::ZoomOut() {
    if (CanZoomOut(services_.App().zoomPercent)) ZoomBy(-kZoomStep);
}

void CAnvoView::ZoomBy(int percent) {
    // SetZoom clamps to 5..100 and saves "lookratio"; the other windows follow at their next paint.
    services_.App().zoomPercent += percent;
    table_.SetZoom(-1, -1, false);
    table_.RebuildDisplayImages(-1, true, true, false);
    services_.RepaintAllDocuments();
    services_.Ui().PumpMessages();
    if (auto* child = qobject_cast<QMdiSubWindow*>(parentWidget())) child->raise();
    services_.UpdateCommandStates();
}

void CAnvoView::SelectAll() {
    selection::SelectAll(table_);
    Invalidate();
    services_.UpdateCommandStates();
}

void CAnvoView::MoveSelection(int arrow) {
    const int top = verticalScrollBar()->value();
    const int scroll = selection::MoveWithArrow(
        table_, Metrics(), static_cast<selection::Arrow>(arrow), top, top + viewport()->height());
    if (scroll >= 0) verticalScrollBar()->setValue(scroll);
    Invalidate();
    services_.UpdateCommandStates();
}

void CAnvoView::SelectEndFrame(bool last) {
    const int top = verticalScrollBar()->value();
    const int scroll =
        selection::SelectEndFrame(table_, Metrics(), last, top, top + viewport()->height());
    if (scroll >= 0) verticalScrollBar()->setValue(scroll);
    Invalidate();
    services_.UpdateCommandStates();
}

void CAnvoView::ExtendSelection(bool down) {
    const int top = verticalScrollBar()->value();
    const int scroll = selection::ExtendSelection(
        table_, Metrics(), down, top, top + viewport()->height(), extendAnchor_, extendEnd_);
    if (scroll >= 0) verticalScrollBar()->setValue(scroll);
    Invalidate();
    services_.UpdateCommandStates();
}

void CAnvoView::TogglePlayback() {
    pausedByUser_ = !pausedByUser_;
    if (!pausedByUser_) WakePlayback();
}

void CAnvoView::DeleteSelection() {
    // Frames dropped outside every document window: the strip's own question.
    if (!selection::ConfirmDeleteSelection(table_, services_.Ui())) return;
    DeleteSelectedFrames();
}

void CAnvoView::DeleteWithQuestion() {
    edit::DeleteWithQuestion(table_);
    AfterFramesChanged();
}

void CAnvoView::DeleteAllBefore(bool frameMenuForm) {
    edit::DeleteAllBeforeGap(table_, frameMenuForm);
    AfterFramesChanged();
}

void CAnvoView::DeleteAllAfter(bool frameMenuForm) {
    edit::DeleteAllAfterGap(table_, frameMenuForm);
    AfterFramesChanged();
}

void CAnvoView::DeleteAllButOne(bool frameMenuForm) {
    edit::DeleteAllButOne(table_, frameMenuForm);
    AfterFramesChanged();
}

void CAnvoView::MergeWithPrevious(bool frameMenuForm) {
    edit::MergeWithPrevious(table_, frameMenuForm);
    AfterFramesChanged();
}

void CAnvoView::DuplicateFrames(bool frameMenuForm) {
    if (!store_) return;
    edit::DuplicateFrames(table_, services_.Clipboard(), *store_, frameMenuForm);
    AfterFramesChanged();
}

void CAnvoView::DeleteSelectedFrames() {
    edit::DeleteSelectedFrames(table_, nullptr);
    if (playbackFrame_ >= table_.frameCount) playbackFrame_ = 0;
    Invalidate();
    services_.UpdateCommandStates();
}

void CAnvoView::ExpandFrames() {
    if (table_.frameCount == 0) return;
    if (edit::ExpandSelectedFrames(table_).done) AfterFramesChanged();
}

bool CAnvoView::ConfirmStructuralEdit() {
    const edit::StructuralAnswer answer = edit::ConfirmStructuralEdit(table_);
    if (answer == edit::StructuralAnswer::Expanded) AfterFramesChanged();
    return answer != edit::StructuralAnswer::Cancel;
}

void CAnvoView::SignalDrop(const QPoint& globalPos) {
    if (IsBusy()) {
        // The frames stay where they are; a busy window takes no drop.
        services_.RefuseWhileBusy();
        return;
    }
    // The hover hit ends with the drag; the drop keeps where the button was released.
    dropHit_ = HitAt(viewport()->mapFromGlobal(globalPos));
    dropPending_ = true;
    // The window that takes the drop is the one the user works in now: Ctrl+S saves it.
    if (auto* child = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        if (QMdiArea* area = child->mdiArea()) area->setActiveSubWindow(child);
    }
    setFocus(Qt::OtherFocusReason);
}

void CAnvoView::HandleDrop() {
    DragState& drag = services_.Drag();
    const qint64 now = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count();
    const HitResult hit = dropHit_;
    FrameClipboard& clipboard = services_.Clipboard();
    if (now - services_.App().loadStartMs < 1000 || clipboard.Count() < 1 || hit.index < 0) return;
    const bool intoSource = drag.sourceView == this;
    if (intoSource && hit.kind == HitResult::kFrame) return;
    if (!ConfirmStructuralEdit()) return;

    ChoiceRequest request;
    request.title = "드래그 & 드롭";
    request.options = {"복사", "이동", "", ""};
    request.hideMask = "--XX";
    request.disableMask = drag.canMove ? "----" : "-X--";
    request.preselected = 0;
    const std::string count = std::to_string(clipboard.Count());
    if (hit.kind == HitResult::kFrame) {
        table_.menuFrame = hit.index;
        request.message = count + "개의 프레임으로 교체하겠습니까?";
        ChoiceAnswer answer = services_.Ui().Choose(request, true);
        if (!answer.accepted) return;
        if (edit::ReplaceWithClipboard(table_, clipboard) && answer.chosen == 1)
            drag.moveRequested = true;
    } else {
        table_.targetGap = hit.index - 1;
        request.message = count + "개의 프레임을 첨가하겠습니까?";
        ChoiceAnswer answer = services_.Ui().Choose(request, true);
        if (!answer.accepted) return;
        const bool move = answer.chosen == 1;
        if (!intoSource) {
            if (edit::PasteFrames(table_, clipboard) && move) drag.moveRequested = true;
        } else {
            // Into its own window: frames before the gap keep their flags, the inserted copies are
            // unselected and the frames behind them keep theirs, so the dragged originals stay
            // selected and a move deletes exactly them.
            const int gap = table_.targetGap;
            std::vector<std::uint8_t> flags;
            for (int i = 0; i < table_.frameCount; ++i)
                flags.push_back(table_.entries[static_cast<std::size_t>(i)].selected);
            table_.rebuildSuspend = 1;
            const bool pasted = edit::PasteFrames(table_, clipboard);
            table_.rebuildSuspend = 0;
            if (pasted) {
                const int inserted = clipboard.Count();
                for (int i = 0; i < table_.frameCount; ++i) {
                    FrameEntry& entry = table_.entries[static_cast<std::size_t>(i)];
                    if (i <= gap) {
                        entry.selected = flags[static_cast<std::size_t>(i)];
                    } else if (i <= gap + inserted) {
                        entry.selected = 0;
                    } else {
                        entry.selected = flags[static_cast<std::size_t>(i - inserted)];
                    }
                }
                if (move) {
                    drag.moveRequested = true;  // the deletion of the originals commits the move
                } else {
                    table_.ClearSelection(true, -1);
                    table_.RebuildDisplayImages(-1, false, false, false);
                }
            }
        }
    }
    Invalidate();
    services_.UpdateCommandStates();
}

}  // namespace vorla
