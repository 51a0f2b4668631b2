#include "gui/view/ViewExternalEditing.h"

#include "core/model/ApplicationState.h"
#include "core/port/UserInterface.h"
#include "gui/dialogs/PaintEditManager.h"
#include "gui/external/ProcessLauncher.h"
#include "gui/view/CAnvoView.h"
#include "gui/view/ViewServices.h"

namespace vorla {

ViewExternalEditing::ViewExternalEditing(CAnvoView& view, ViewServices& services)
    : view_(view), services_(services) {}

ViewExternalEditing::~ViewExternalEditing() = default;

void ViewExternalEditing::Use() {
    if (inUse_) return;
    static int documents = 0;
    inUse_ = true;
    serial_ = ++documents;
}

QString ViewExternalEditing::WorkFolder() {
    Use();
    return QString::fromStdString(external::WorkFolder(services_.App().ProgramDirectory(),
                                                       view_.Caption().toStdString(), serial_));
}

QWidget* ViewExternalEditing::PaintManager() const {
    return manager_.data();
}

// ---- Links ----

void ViewExternalEditing::HandFramesToEditor(const external::EditorSlot& slot) {
    ProcessLauncher launcher;
    external::HandFramesToEditor(view_.Table(), slot, WorkFolder().toStdString(), launcher);
    view_.Invalidate();
    services_.UpdateCommandStates();
}

void ViewExternalEditing::LinkMenuFrame() {
    FrameTable& table = view_.Table();
    const int frame = table.menuFrame;
    if (frame < 0 || frame >= table.frameCount) return;
    Use();  // the worker watches links from now on
    auto askPath = [this](const std::string& title, const std::string& proposed) {
        return services_
            .AskLinkPath(QString::fromStdString(title), QString::fromStdString(proposed))
            .toStdString();
    };
    external::LinkFrameByHand(table, frame, askPath, services_.TemplateBuffer());
    view_.Invalidate();
    view_.RefreshAnimationPane();
    services_.UpdateCommandStates();
}

void ViewExternalEditing::PollFiles() {
    FrameTable& table = view_.Table();
    // A command of this view owns the frames (it may sit in a dialog): the files wait.
    if (view_.IsRunning() || view_.FrameDialogIsOpen() || !inUse_ || table.pendingGifLoad) return;
    bool changed = false;
    {
        // A question asked below is a nested loop: the view counts as busy meanwhile. Quiet,
        // since refreshing every command state ten times a second would cost for nothing.
        CAnvoView::BusyScope busy(view_, CAnvoView::BusyScope::kQuiet);
        if (paintEdit_.Active()) {
            using Result = external::PaintEditSession::PassResult;
            const Result result = paintEdit_.Pass(table);
            changed = result == Result::Reloaded || result == Result::Resized;
            if (result == Result::Resized && !paintProgram_.isEmpty()) {
                // The fitted picture goes back to the program.
                if (paintProcess_) paintProcess_->terminate();
                paintProcess_ = StartOwnedProcess(&view_, paintProgram_,
                                                  QString::fromStdString(paintEdit_.EditFile()));
                if (manager_) manager_->raise();
            }
        } else {
            changed = !poller_.Pass(table).empty();
        }
    }
    if (changed) {
        view_.Invalidate();
        view_.RefreshAnimationPane();
        services_.UpdateCommandStates();  // undo has a step more
    }
}

// ---- The paint edit ----

void ViewExternalEditing::EditInPaint() {
    FrameTable& table = view_.Table();
    if (table.frameCount == 0) return;
    UserInterface& ui = services_.Ui();
    if (table.CountSelection() != 1) {
        ui.ShowMessage("선택하신 메뉴는 하나의 프레임을 선택하신 후 사용하십시오.");
        return;
    }
    const int frame = table.lastSelectedFrame;
    if (frame < 0 || frame >= table.frameCount) return;
    if (table.entries[static_cast<std::size_t>(frame)].transparent &&
        !AskQuestion(ui, external::kPaintTransparencyQuestion, "그림판으로 편집"))
        return;
    const QString program = FindPaintProgram();
    if (program.isEmpty()) {
        ui.ShowMessage("그림판 프로그램을 찾을 수 없습니다.");
        return;
    }
    Use();
    if (paintEdit_.Active()) {
        const int was = paintEdit_.Frame();
        EndPaintEdit(false);
        if (was == frame) return;
    }
    table.menuFrame = frame;
    modifiedBeforePaintEdit_ = view_.Document().modified;
    if (!paintEdit_.Begin(table, frame, table.exchangeBitmapPath)) {
        ReportProgramError(ui, "90123", true);
        return;
    }
    paintProgram_ = program;
    if (!manager_) manager_ = new PaintEditManager(view_, &view_);
    manager_->show();
    paintProcess_ =
        StartOwnedProcess(&view_, program, QString::fromStdString(table.exchangeBitmapPath));
    manager_->raise();
    services_.UpdateCommandStates();
}

void ViewExternalEditing::EndPaintEdit(bool apply) {
    if (!PaintEditOpen()) return;
    FrameTable& table = view_.Table();
    if (apply) {
        if (paintEdit_.Apply(table)) {
            view_.MarkModified();
            view_.RecordSnapshot();
        }
    } else {
        paintEdit_.Cancel(table);
        if (!modifiedBeforePaintEdit_ && view_.Document().modified) {
            view_.Document().modified = false;
            emit view_.titleChanged(view_.Caption());
        }
    }
    if (manager_) manager_->hide();
    // The paint program's window goes with the edit it served.
    if (paintProcess_) paintProcess_->terminate();
    paintProcess_ = nullptr;
    view_.Invalidate();
    view_.RefreshAnimationPane();
    services_.UpdateCommandStates();
}

}  // namespace vorla
