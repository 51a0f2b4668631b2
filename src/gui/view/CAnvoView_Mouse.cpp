// Pointing at the strip: selection clicks, the context menus, drag and drop of frames, cursors
// and tooltips.
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QToolTip>

#include "core/edit/FrameClipboard.h"
#include "core/edit/FrameEditRules.h"
#include "core/edit/Selection.h"
#include "gui/view/CAnvoView.h"
#include "gui/view/ViewCursors.h"
#include "gui/view/ViewServices.h"

namespace vorla {
namespace {

constexpr int kDragThreshold = 25;  // pixels the pointer must travel before a press becomes a drag

}  // namespace

HitResult CAnvoView::HitAt(const QPoint& point) const {
    StripMetrics metrics = Metrics();
    metrics.childWidth = std::max(table_.childWidth, viewport()->width());
    return HitTest(metrics, point.x(), point.y(), verticalScrollBar()->value());
}

void CAnvoView::mousePressEvent(QMouseEvent* event) {
    lastMouse_ = event->position().toPoint();
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    if (table_.frameCount == 0) return;
    const HitResult hit = HitAt(lastMouse_);
    if (hit.index < 0) return;
    // The open frame dialog leaves selection clicks live; StartDrag still waits for !IsBusy().
    if (IsRunning()) {
        services_.RefuseWhileBusy();
        return;
    }
    const int pick = services_.PickMode();
    if (pick == 1 || (pick == 2 && hit.kind == HitResult::kFrame && !hit.above)) {
        selection::SelectOnly(table_, hit);
        Invalidate();
        services_.FinishPick(this, hit);
        return;
    }
    if (pick != 0) return;
    const Qt::KeyboardModifiers mods = event->modifiers();
    selection::Press(table_, hit, mods & Qt::ControlModifier, mods & Qt::ShiftModifier);
    if (hit.kind == HitResult::kFrame) {
        pressPoint_ = lastMouse_;
        mouseDown_ = true;
        table_.menuFrame = hit.index;
    }
    Invalidate();
    services_.UpdateCommandStates();
}

void CAnvoView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (point != lastMouse_) {
        mouseMoved_ = true;
        if (std::abs(point.x() - lastMouse_.x()) > 4 || std::abs(point.y() - lastMouse_.y()) > 4)
            restSteps_ = 0;
    }
    lastMouse_ = point;
    DragState& drag = services_.Drag();
    if (dragging_) {
        CAnvoView* target = services_.ViewAt(event->globalPosition().toPoint());
        if (target != drag.targetView) {
            drag.targetView = target;
            services_.RepaintAllDocuments();
        }
    }
    if (tooltipSteps_ >= 0) {
        QToolTip::hideText();
        tooltipSteps_ = -1;
    }
    if (mouseDown_ && (event->buttons() & Qt::LeftButton) && !IsBusy() &&
        (std::abs(point.x() - pressPoint_.x()) > kDragThreshold ||
         std::abs(point.y() - pressPoint_.y()) > kDragThreshold)) {
        StartDrag();
    }
    if (!dragging_) UpdateCursor(point);
    QAbstractScrollArea::mouseMoveEvent(event);
}

void CAnvoView::StartDrag() {
    DragState& drag = services_.Drag();
    drag.sourceView = this;
    drag.canMove = table_.CountSelection() < table_.frameCount;
    drag.targetView = this;
    services_.Clipboard().CopySelected(table_);
    viewport()->grabMouse();
    viewport()->setCursor(services_.Cursors().Drag(0));
    mouseDown_ = false;
    dragging_ = true;
    drag.active = true;
    services_.RepaintAllDocuments();
}

void CAnvoView::FinishDrag() {
    DragState& drag = services_.Drag();
    dragging_ = false;
    drag.active = false;
    mouseDown_ = false;
    viewport()->releaseMouse();
    viewport()->unsetCursor();
    CAnvoView* target = drag.targetView;
    services_.RepaintAllDocuments();
    if (!target) {
        // Dropped outside every document window: the frames are deleted (after asking). The
        // question runs an event loop in which this window could otherwise be closed.
        if (IsBusy()) {
            services_.RefuseWhileBusy();
            return;
        }
        BusyScope busy(*this);
        DeleteSelection();
        return;
    }
    target->SignalDrop(QCursor::pos());
}

void CAnvoView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    if (dragging_) {
        FinishDrag();
        return;
    }
    mouseDown_ = false;
    const HitResult hit = HitAt(event->position().toPoint());
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (hit.index >= 0 && hit.kind == HitResult::kFrame && services_.PickMode() == 0 &&
        !IsRunning()) {
        selection::Release(table_, hit, mods & Qt::ControlModifier, mods & Qt::ShiftModifier);
        Invalidate();
        services_.UpdateCommandStates();
    }
}

void CAnvoView::contextMenuEvent(QContextMenuEvent* event) {
    ShowContextMenuAt(event->reason() == QContextMenuEvent::Mouse ? event->pos() : lastMouse_);
}

void CAnvoView::ShowContextMenuAt(const QPoint& point) {
    if (services_.PickMode() != 0 || services_.FrameDialogOpen() || IsBusy() ||
        table_.frameCount == 0)
        return;
    lastMouse_ = point;
    const HitResult hit = HitAt(point);
    if (hit.above || hit.index < 0) return;
    if (hit.kind == HitResult::kFrame) {
        if (!table_.entries[static_cast<std::size_t>(hit.index)].selected)
            table_.ClearSelection(true, -1);
        table_.entries[static_cast<std::size_t>(hit.index)].selected = 1;
        table_.menuFrame = hit.index;
    } else {
        selection::SelectOnly(table_, hit);
    }
    // The gap the gap menu's commands work on; set before the menu runs its command.
    if (hit.kind != HitResult::kFrame) table_.targetGap = hit.index - 1;
    Invalidate();
    viewport()->repaint();
    std::unique_ptr<QMenu> menu = services_.ContextMenuFor(this, hit);
    QPointer<CAnvoView> self(this);
    QAction* chosen = nullptr;
    {
        BusyScope busy(*this);
        chosen = menu->exec(viewport()->mapToGlobal(point));
    }
    if (!self) return;
    if (chosen && chosen->data().isValid()) {
        const auto id = static_cast<CommandId>(chosen->data().toInt());
        // From the gap menu, the single-frame effects take the frame before the gap.
        if (hit.kind != HitResult::kFrame &&
            (id == CommandId::ContextFadeInOut || id == CommandId::ContextScatterAppearDisappear))
            table_.menuFrame = hit.index - 1;
        services_.Dispatch(id);
    }
    if (self) services_.UpdateCommandStates();
}

void CAnvoView::UpdateCursor(const QPoint& point) {
    const HitResult hit = HitAt(point);
    const ViewCursors& cursors = services_.Cursors();
    const int pick = services_.PickMode();
    const bool gap = hit.index >= 0 && hit.kind != HitResult::kFrame;
    if (pick == 0) {
        if (gap) {
            viewport()->setCursor(cursors.gap);
        } else {
            viewport()->unsetCursor();
        }
        return;
    }
    if (hit.index < 0 || hit.above) {
        viewport()->setCursor(cursors.pickNothing);
    } else if (gap) {
        viewport()->setCursor(pick == 1 ? cursors.pickGapPaste : cursors.pickNothing);
    } else {
        viewport()->setCursor(pick == 1 ? cursors.pickFramePaste : cursors.pickFrameCopy);
    }
}

bool CAnvoView::viewportEvent(QEvent* event) {
    // Tooltips come from the hover activity's rest counting, not from Qt's own timing.
    if (event->type() == QEvent::ToolTip) return true;
    return QAbstractScrollArea::viewportEvent(event);
}

void CAnvoView::ShowTooltip(const HitResult& hit) {
    QString text;
    if (hit.above) {
        text = tr("논리적 화면 %1 x %2, 프레임 %3개\n보기 배율 %4%")
                   .arg(table_.settings.screenWidth)
                   .arg(table_.settings.screenHeight)
                   .arg(table_.frameCount)
                   .arg(static_cast<int>(table_.zoomFactor * 100));
    } else if (hit.kind == HitResult::kFrame) {
        const FrameEntry& e = table_.entries[static_cast<std::size_t>(hit.index)];
        static const char* const kDisposal[] = {"지정 안 함", "그대로 두기", "배경색으로 지우기",
                                                "이전 상태로 되돌리기"};
        int disposal = e.Disposal();
        text = tr("%1번 프레임: %2 x %3, 위치 (%4, %5)\n지연 %6/100초, %7, %8")
                   .arg(hit.index + 1)
                   .arg(e.width)
                   .arg(e.height)
                   .arg(e.left)
                   .arg(e.top)
                   .arg(edit::DelayOf(e))
                   .arg(disposal < 4 ? tr(kDisposal[disposal]) : tr("처리 방법 %1").arg(disposal))
                   .arg(e.transparent ? tr("투명") : tr("불투명"));
        // The small figure above the delay badge: an estimate until an optimising save has
        // measured it.
        const std::int64_t bytes = ByteCosts().Cost(hit.index);
        if (bytes >= 0) {
            text += ByteCosts().Estimated()
                        ? tr("\n최적화하여 저장한 파일에서 이 프레임의 크기(추정): 약 %1 bytes")
                              .arg(bytes)
                        : tr("\n최적화하여 저장한 파일에서 이 프레임의 크기: %1 bytes").arg(bytes);
        }
    } else {
        int before = hit.kind == HitResult::kGapAfterLast ? table_.frameCount : hit.index;
        text = before == 0 ? tr("첫 프레임 앞")
               : hit.kind == HitResult::kGapAfterLast
                   ? tr("마지막 프레임 뒤")
                   : tr("%1번과 %2번 프레임 사이").arg(before).arg(before + 1);
    }
    QToolTip::showText(viewport()->mapToGlobal(lastMouse_ + QPoint(20, 0)), text, viewport());
    tooltipSteps_ = 0;
}

}  // namespace vorla
