#include "core/effects/TransitionRun.h"

#include <utility>

#include "core/edit/Snapshot.h"
#include "core/edit/UndoStore.h"
#include "core/model/CAnvoDoc.h"
#include "core/model/FrameTable.h"
#include "core/port/UserInterface.h"
#include "core/port/WorkProgress.h"

namespace vorla::effects {
namespace {

const char kGapMessage[] = "선택하신 메뉴는 프레임과 프레임 사이를 선택하신 후 사용하십시오.";
const char kNotAfterLast[] = "\n단, 마지막 프레임 뒤는 제외.";
const char kNotBeforeFirst[] = "\n단, 첫 프레임 앞은 제외.";
const char kOneFrameMessage[] = "선택하신 메뉴는 하나의 프레임을 선택하신 후 사용하십시오.";

constexpr std::uint8_t kDisposalBits = 0x1C;
constexpr std::uint8_t kRestoreToBackground = 2 << 2;

std::size_t Slot(int frame) {
    return static_cast<std::size_t>(frame);
}

}  // namespace

std::optional<int> GapForCommand(FrameTable& table, CommandForm form, GapRule rule) {
    if (form == CommandForm::ContextMenu) return table.targetGap;
    const bool gapSelected = table.CountSelection() == -1;
    const int gap = table.selectedGapIndex;
    bool allowed = gapSelected;
    std::string message = kGapMessage;
    if (rule == GapRule::NotAfterLast) {
        allowed = allowed && gap != table.frameCount - 1;
        message += kNotAfterLast;
    } else if (rule == GapRule::NotBeforeFirst) {
        allowed = allowed && gap != -1;
        message += kNotBeforeFirst;
    }
    if (!allowed) {
        table.Ui().ShowMessage(message);
        return std::nullopt;
    }
    table.targetGap = gap;
    return gap;
}

std::optional<int> FrameForCommand(FrameTable& table, CommandForm form) {
    if (form == CommandForm::ContextMenu) {
        if (table.menuFrame < 0 || table.menuFrame >= table.frameCount) return std::nullopt;
        return table.menuFrame;
    }
    if (table.CountSelection() != 1) {
        table.Ui().ShowMessage(kOneFrameMessage);
        return std::nullopt;
    }
    table.menuFrame = table.lastSelectedFrame;
    return table.lastSelectedFrame;
}

bool RefuseGapPosition(FrameTable& table, bool refused) {
    if (refused) table.Ui().ShowMessage("프레임 위치 설정이 잘못되었습니다.");
    return refused;
}

std::optional<int> OneSidedGap(EffectContext& context, CommandForm form, int settingsPage,
                               bool appearing) {
    FrameTable& table = context.table;
    const std::optional<int> gap =
        GapForCommand(table, form, appearing ? GapRule::NotAfterLast : GapRule::NotBeforeFirst);
    if (!gap || !context.editSettings(settingsPage)) return std::nullopt;
    const bool misplaced = appearing ? (*gap >= table.frameCount - 1 || *gap < -1)
                                     : (*gap <= -1 || *gap >= table.frameCount);
    if (RefuseGapPosition(table, misplaced)) return std::nullopt;
    return gap;
}

bool RefuseOverLimit(FrameTable& table, int added) {
    if (table.frameCount + added <= FrameTable::kMaxFrames) return false;
    table.Ui().ShowMessage("프레임이 너무 많아집니다. 한 애니메이션에는 " +
                           std::to_string(FrameTable::kMaxFrames) +
                           "개까지의 프레임만 넣을 수 있습니다.");
    return true;
}

void SetRestoreBackground(FrameEntry& entry) {
    entry.restoreBackground = 1;
    entry.controlFlags =
        static_cast<std::uint8_t>((entry.controlFlags & ~kDisposalBits) | kRestoreToBackground);
}

FrameEntry GeneratedEntry(const FrameEntry& source, int delay, int sourceDelay) {
    FrameEntry entry = source;
    entry.delay = static_cast<std::int16_t>(delay == -1 ? sourceDelay : delay);
    SetRestoreBackground(entry);
    entry.selected = 0;
    entry.gapSelected = 0;
    // A link would let one save of the source picture in an outside editor replace every
    // generated frame with it.
    entry.link = FrameLink{};
    return entry;
}

TransitionRun::TransitionRun(EffectContext& context, const std::string& title,
                             const std::string& status, int maximum)
    : context_(context), table_(context.table) {
    wasModified_ = context_.document.modified;
    wasBusy_ = table_.busy;
    savedSuspend_ = table_.rebuildSuspend;
    if (!context_.store.Usable() || context_.store.Cursor() < 0) {
        fallbackBlock_ = edit::BuildSnapshotBlock(table_);
    }
    table_.busy = true;
    // Display images follow every inserted frame; the commit waits for the end of the run.
    table_.rebuildSuspend = 2;
    table_.Host().Invalidate();
    progress_ = table_.Ui().CreateProgress();
    progress_->SetRange(0, maximum);
    progress_->SetStatusText(status);
    progress_->SetTitle(title);
    progress_->Show();
}

TransitionRun::~TransitionRun() {
    if (!ended_) Cancel();
}

bool TransitionRun::Pump() {
    return table_.Ui().PumpMessages();
}

bool TransitionRun::Advance(int position) {
    progress_->SetPosition(position);
    return !progress_->Cancelled();
}

void TransitionRun::Insert(int gap, CDib image, const FrameEntry& entry) {
    const int at = gap + 1;
    for (int k = table_.frameCount; k > at; --k) {
        table_.frameImages[Slot(k)] = std::move(table_.frameImages[Slot(k - 1)]);
        table_.displayImages[Slot(k)] = std::move(table_.displayImages[Slot(k - 1)]);
        table_.entries[Slot(k)] = std::move(table_.entries[Slot(k - 1)]);
    }
    table_.frameImages[Slot(at)] = std::move(image);
    table_.displayImages[Slot(at)].Free();
    table_.entries[Slot(at)] = entry;
    ++table_.frameCount;
    table_.RebuildDisplayImages(at, true, true, false);
    // The frames behind it moved one row down.
    if (at + 1 < table_.frameCount)
        table_.Host().DisplayImagesRebuilt(at + 1, table_.frameCount - 1);
    table_.UpdateScrollSizes();
    table_.Host().Invalidate();
}

EffectOutcome TransitionRun::Cancel() {
    table_.rebuildSuspend = savedSuspend_;
    bool restored = false;
    if (fallbackBlock_.empty()) {
        restored = edit::RestoreSnapshot(table_, context_.store);
    } else {
        restored = edit::ApplySnapshotBlock(table_, fallbackBlock_);
    }
    (void)restored;  // a block that cannot be read was reported; the table then stays as it is
    context_.document.modified = wasModified_;
    End();
    return EffectOutcome::Cancelled;
}

EffectOutcome TransitionRun::Fail(const char* code) {
    ReportProgramError(table_.Ui(), code, false);
    Cancel();
    return EffectOutcome::Failed;
}

EffectOutcome TransitionRun::Finish(int selectFrame) {
    table_.rebuildSuspend = savedSuspend_;
    table_.RebuildDisplayImages(-1, false, false, false);
    table_.ClearSelection(true, -1);
    if (selectFrame >= 0 && selectFrame < table_.frameCount) {
        table_.entries[Slot(selectFrame)].selected = 1;
        table_.lastSelectedFrame = selectFrame;
        table_.menuFrame = selectFrame;
    }
    End();
    return EffectOutcome::Done;
}

void TransitionRun::End() {
    ended_ = true;
    table_.SetZoom(table_.settings.screenWidth, table_.settings.screenHeight, false);
    progress_.reset();
    table_.busy = wasBusy_;
    table_.Host().Invalidate();
}

}  // namespace vorla::effects
