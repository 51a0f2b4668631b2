// The frame properties dialog as seen from the strip: opening it from the commands and from a
// double-click, and its two endings. While it is open the view counts as busy for everything
// that adds, removes, reorders or edits frames; the dialog's own edits go straight to the table.
// Also the global properties and the border, which the dialog can open too.
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QScrollBar>

#include "core/edit/GlobalProperties.h"
#include "core/edit/Selection.h"
#include "core/model/ApplicationState.h"
#include "gui/dialogs/BorderDialog.h"
#include "gui/dialogs/CFramePropertiesDialog.h"
#include "gui/dialogs/GlobalPropertiesDialog.h"
#include "gui/view/CAnvoView.h"
#include "gui/view/DibImage.h"
#include "gui/view/ViewServices.h"

namespace vorla {

QColor CAnvoView::CaptionColour() const {
    return ToQColor(colors_.caption);
}

int CAnvoView::FrameDialogFrame() const {
    return frameDialogOpen_ && frameDialog_ ? frameDialog_->FrameIndex() : -1;
}

CFramePropertiesDialog* CAnvoView::FrameDialog() const {
    return frameDialog_;
}

QColor CAnvoView::StripBackground() const {
    return ToQColor(colors_.stripBackground);
}

void CAnvoView::OnFrameProperties(bool menuForm) {
    if (table_.frameCount == 0) return;
    int frame = table_.menuFrame;
    if (!menuForm) {
        if (table_.CountSelection() != 1) {
            services_.Ui().ShowMessage("선택하신 메뉴는 하나의 프레임을 선택하신 후 사용하십시오.");
            return;
        }
        frame = table_.lastSelectedFrame;
    }
    OpenFrameDialog(frame);
}

void CAnvoView::OpenFrameDialog(int frame) {
    if (frame < 0 || frame >= table_.frameCount) return;
    if (table_.pendingGifLoad || table_.busy || table_.firstBatchPending) {
        services_.Ui().ShowNotice("파일을 열고 있는 중에는 속성에 접근할 수 없습니다", 600, 0);
        return;
    }
    if (frameDialogOpen_) EndFrameDialog(false);
    if (!frameDialog_) frameDialog_ = new CFramePropertiesDialog(*this);
    table_.menuFrame = frame;
    table_.ClearSelection(true, frame);
    table_.entries[static_cast<std::size_t>(frame)].selected = 1;
    Invalidate();
    frameDialogOpen_ = true;
    frameDialog_->Begin(frame);
    services_.UpdateCommandStates();
}

void CAnvoView::EndFrameDialog(bool apply) {
    if (!frameDialogOpen_ || !frameDialog_) return;
    // Only this frame's image can have changed: the other frames' entries at most.
    const int frame = frameDialog_->FrameIndex();
    frameDialogOpen_ = false;
    // The global properties opened from the dialog leave their undo step to its end.
    const bool owed = snapshotOwed_;
    snapshotOwed_ = false;
    if (frameDialog_->End(apply) || owed) {
        // One undo step for the whole session.
        MarkModified();
        RecordSnapshot();
    }
    if (frame >= 0 && frame < table_.frameCount)
        table_.RebuildDisplayImages(frame, true, true, false);
    Invalidate();
    RefreshAnimationPane();
    services_.UpdateCommandStates();
}

void CAnvoView::FrameChangedByDialog(int frame) {
    table_.RebuildDisplayImages(frame, true, true, false);
    Invalidate();
    RefreshAnimationPane();
}

void CAnvoView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    if (table_.frameCount == 0 || services_.PickMode() != 0) return;
    const HitResult hit = HitAt(event->position().toPoint());
    // The preview row above the frames has no double-click; the strip's empty background
    // (beside and below the frames) opens the animation's own properties.
    if (hit.above) return;
    if (hit.index < 0) {
        if (IsBusy()) {
            services_.RefuseWhileBusy();
            return;
        }
        BusyScope busy(*this);
        OnGlobalProperties(false);
        return;
    }
    if (IsRunning()) {
        services_.RefuseWhileBusy();
        return;
    }
    if (hit.kind == HitResult::kFrame) {
        mouseDown_ = false;
        // The paint edit holds its own copy of a frame: no second session beside it.
        if (PaintEditOpen()) {
            services_.RefuseWhileBusy();
            return;
        }
        if (frameDialogOpen_ && FrameDialogFrame() == hit.index) {
            EndFrameDialog(false);
            return;
        }
        OpenFrameDialog(hit.index);
        return;
    }
    // A gap: paste from a file there, unless the frames are held by the open dialog.
    if (IsBusy()) {
        services_.RefuseWhileBusy();
        return;
    }
    selection::SelectOnly(table_, hit);
    table_.targetGap = hit.index - 1;
    Invalidate();
    BusyScope busy(*this);
    OnPasteFromFile(1);
}

// ---- Global properties and borders ----

void CAnvoView::OnGlobalProperties(bool fromFrameDialog) {
    if (table_.frameCount == 0) return;
    BusyScope busy(*this);
    edit::GlobalPropertiesSession session;
    session.Begin(table_);
    GlobalPropertiesDialog dialog(*this, fromFrameDialog, window());
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (!accepted) {
        session.Cancel(table_);
    } else {
        services_.App().zoomPercent = dialog.Zoom();
        table_.SetZoom(-1, -1, false);
        table_.RebuildDisplayImages(-1, true, true, false);
        services_.RepaintAllDocuments();
        if (session.Changed(table_)) {
            MarkModified();
            if (fromFrameDialog && frameDialogOpen_) {
                snapshotOwed_ = true;
            } else {
                RecordSnapshot();
            }
        }
    }
    if (fromFrameDialog && FrameDialog()) FrameDialog()->FrameChangedOutside();
    Invalidate();
    RefreshAnimationPane();
    services_.UpdateCommandStates();
}

void CAnvoView::OnInsertBorder(int frame) {
    if (table_.frameCount == 0 || frame >= table_.frameCount) return;
    BusyScope busy(*this);
    // From the frame dialog the border is part of its session: its 취소 takes it back.
    const bool fromFrameDialog = frame >= 0;
    BorderDialog dialog(*this, frame, !fromFrameDialog, window());
    dialog.exec();
    if (fromFrameDialog && FrameDialog()) FrameDialog()->FrameChangedOutside();
    Invalidate();
    RefreshAnimationPane();
    services_.UpdateCommandStates();
}

}  // namespace vorla
