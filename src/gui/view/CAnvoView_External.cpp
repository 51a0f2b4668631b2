// External editors and linked frames, the paint edit, borders, the global properties and saving
// at another size, as the strip starts them.
#include <QFileDialog>
#include <QMdiSubWindow>

#include "core/edit/Border.h"
#include "core/edit/GlobalProperties.h"
#include "core/edit/OtherSizeSave.h"
#include "core/model/ApplicationState.h"
#include "core/port/UserInterface.h"
#include "gui/app/CMainFrame.h"
#include "gui/dialogs/BorderDialog.h"
#include "gui/dialogs/CFramePropertiesDialog.h"
#include "gui/dialogs/FileDialogFilters.h"
#include "gui/dialogs/GlobalPropertiesDialog.h"
#include "gui/dialogs/OtherSizeDialog.h"
#include "gui/external/ProcessLauncher.h"
#include "gui/view/CAnvoView_External.h"

namespace vorla {

CAnvoView::ExternalState& CAnvoView::External() {
    if (!external_) {
        static int documents = 0;
        external_ = std::make_unique<ExternalState>();
        external_->serial = ++documents;
    }
    return *external_;
}

Colorref& CAnvoView::ChooserColour() {
    return External().chooserColour;
}

QString CAnvoView::WorkFolder() const {
    auto& self = const_cast<CAnvoView&>(*this);
    return QString::fromStdString(external::WorkFolder(
        main_.App().ProgramDirectory(), Caption().toStdString(), self.External().serial));
}

bool CAnvoView::TakeOwedSnapshot() {
    if (!external_ || !external_->snapshotOwed) return false;
    external_->snapshotOwed = false;
    return true;
}

bool CAnvoView::PaintEditOpen() const {
    return external_ && external_->paintEdit.Active();
}

QWidget* CAnvoView::PaintManager() const {
    return external_ ? external_->manager.data() : nullptr;
}

// ---- Global properties ----

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
        main_.App().zoomPercent = dialog.Zoom();
        table_.SetZoom(-1, -1, false);
        table_.RebuildDisplayImages(-1, true, true, false);
        main_.RepaintAllDocuments();
        if (session.Changed(table_)) {
            MarkModified();
            if (fromFrameDialog && frameDialogOpen_) {
                External().snapshotOwed = true;
            } else {
                RecordSnapshot();
            }
        }
    }
    if (fromFrameDialog && FrameDialog()) FrameDialog()->FrameChangedOutside();
    Invalidate();
    RefreshAnimationPane();
    main_.UpdateCommandStates();
}

// ---- Border ----

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
    main_.UpdateCommandStates();
}

// ---- Save at another size ----

void CAnvoView::OnSaveAtOtherSize() {
    if (table_.frameCount == 0) return;
    OtherSizeDialog dialog(main_.Ui(), table_.settings.screenWidth, table_.settings.screenHeight,
                           window());
    if (dialog.exec() != QDialog::Accepted) return;
    const int width = dialog.ChosenWidth();
    const int height = dialog.ChosenHeight();
    const QString proposed =
        QString::fromStdString(edit::ProposedOtherSizeName(Caption().toStdString(), width, height));
    const QString path = main_.AskSavePath(InDocumentFolder(proposed));
    if (path.isEmpty()) return;
    edit::SaveAtOtherSize(table_, *encoder_, path.toStdString(), width, height);
}

// ---- Links ----

void CAnvoView::HandFramesToEditor(const external::EditorSlot& slot) {
    ProcessLauncher launcher;
    external::HandFramesToEditor(table_, slot, WorkFolder().toStdString(), launcher);
    Invalidate();
    main_.UpdateCommandStates();
}

void CAnvoView::OnAutoUpdateLink() {
    const int frame = table_.menuFrame;
    if (frame < 0 || frame >= table_.frameCount) return;
    External();  // the worker watches links from now on
    auto askPath = [this](const std::string& title, const std::string& proposed) {
        if (main_.imagePathAnswer)
            return main_.imagePathAnswer(QString::fromStdString(title)).toStdString();
        QFileDialog dialog(&main_, QString::fromStdString(title));
        // The file may not exist yet: the user is then asked whether to create it.
        dialog.setFileMode(QFileDialog::AnyFile);
        ApplyFileDialogFilters(dialog, main_.App().allImagesWithGifFilter + main_.App().gifFilter +
                                           main_.App().perFormatFilter);
        dialog.selectFile(QString::fromStdString(proposed));
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0).toStdString()
                                                  : std::string();
    };
    external::LinkFrameByHand(table_, frame, askPath, main_.TemplateBuffer());
    Invalidate();
    RefreshAnimationPane();
    main_.UpdateCommandStates();
}

void CAnvoView::PollExternalFiles() {
    // A command of this view owns the frames (it may sit in a dialog): the files wait.
    if (IsRunning() || frameDialogOpen_ || !external_ || table_.pendingGifLoad) return;
    ExternalState& state = *external_;
    // A question asked below is a nested loop: the view counts as busy meanwhile. Not a
    // BusyScope, whose refresh of every command state would run ten times a second.
    ++busyDepth_;
    bool changed = false;
    if (state.paintEdit.Active()) {
        using Result = external::PaintEditSession::PassResult;
        const Result result = state.paintEdit.Pass(table_);
        changed = result == Result::Reloaded || result == Result::Resized;
        if (result == Result::Resized && !state.paintProgram.isEmpty()) {
            // The fitted picture goes back to the program.
            if (state.paintProcess) state.paintProcess->terminate();
            state.paintProcess = StartOwnedProcess(
                this, state.paintProgram, QString::fromStdString(state.paintEdit.EditFile()));
            if (state.manager) state.manager->raise();
        }
    } else {
        changed = !state.poller.Pass(table_).empty();
    }
    --busyDepth_;
    if (changed) {
        Invalidate();
        RefreshAnimationPane();
        main_.UpdateCommandStates();  // undo has a step more
    }
}

// ---- The paint edit ----

void CAnvoView::OnEditInPaint() {
    if (table_.frameCount == 0) return;
    if (table_.CountSelection() != 1) {
        main_.Ui().ShowMessage("선택하신 메뉴는 하나의 프레임을 선택하신 후 사용하십시오.");
        return;
    }
    const int frame = table_.lastSelectedFrame;
    if (frame < 0 || frame >= table_.frameCount) return;
    UserInterface& ui = main_.Ui();
    if (table_.entries[static_cast<std::size_t>(frame)].transparent &&
        !AskQuestion(ui, external::kPaintTransparencyQuestion, "그림판으로 편집"))
        return;
    const QString program = FindPaintProgram();
    if (program.isEmpty()) {
        ui.ShowMessage("그림판 프로그램을 찾을 수 없습니다.");
        return;
    }
    ExternalState& state = External();
    if (state.paintEdit.Active()) {
        const int was = state.paintEdit.Frame();
        EndPaintEdit(false);
        if (was == frame) return;
    }
    table_.menuFrame = frame;
    state.modifiedBeforePaintEdit = document_.modified;
    if (!state.paintEdit.Begin(table_, frame, table_.exchangeBitmapPath)) {
        ReportProgramError(ui, "90123", true);
        return;
    }
    state.paintProgram = program;
    if (!state.manager) state.manager = new PaintEditManager(*this, this);
    state.manager->show();
    state.paintProcess =
        StartOwnedProcess(this, program, QString::fromStdString(table_.exchangeBitmapPath));
    state.manager->raise();
    main_.UpdateCommandStates();
}

void CAnvoView::EndPaintEdit(bool apply) {
    if (!PaintEditOpen()) return;
    ExternalState& state = *external_;
    if (apply) {
        if (state.paintEdit.Apply(table_)) {
            MarkModified();
            RecordSnapshot();
        }
    } else {
        state.paintEdit.Cancel(table_);
        if (!state.modifiedBeforePaintEdit && document_.modified) {
            document_.modified = false;
            emit titleChanged(Caption());
        }
    }
    if (state.manager) state.manager->hide();
    // The paint program's window goes with the edit it served.
    if (state.paintProcess) state.paintProcess->terminate();
    state.paintProcess = nullptr;
    Invalidate();
    RefreshAnimationPane();
    main_.UpdateCommandStates();
}

}  // namespace vorla
