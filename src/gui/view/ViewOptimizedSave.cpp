#include "gui/view/ViewOptimizedSave.h"

#include "core/edit/OptimizedSave.h"
#include "core/edit/Saving.h"
#include "core/gif/GifEncoder.h"
#include "core/model/CAnvoDoc.h"
#include "core/model/FrameTable.h"
#include "core/port/UserInterface.h"
#include "gui/dialogs/OptimizedSaveDialog.h"
#include "gui/view/CAnvoView.h"
#include "gui/view/ViewServices.h"

namespace vorla {
namespace {

// The last settings, for the next use in this run of the program.
bool lastLimitOn = false;
int lastLimitKb = 1024;
int lastLossy = 0;  // 0 lossless
bool lastMergeRepeats = true;

}  // namespace

ViewOptimizedSave::ViewOptimizedSave(CAnvoView& view, ViewServices& services)
    : view_(view), services_(services), byteCosts_(view.Table(), [&view] {
          return !view.IsRunning() && !view.Table().loadingScreen && !view.Table().pendingGifLoad;
      }) {}

// Each dialog has closed before the work it asked for begins; the work runs busy, pumping per
// frame.
void ViewOptimizedSave::Save() {
    FrameTable& table = view_.Table();
    if (table.frameCount == 0) return;
    {
        OptimizedSaveDialog settings(&view_, lastLimitOn, lastLimitKb, lastLossy, lastMergeRepeats);
        if (settings.exec() != QDialog::Accepted) return;
        lastLimitOn = settings.LimitOn();
        lastLimitKb = settings.LimitKb();
        lastLossy = settings.Lossy();
        lastMergeRepeats = settings.MergeRepeats();
    }
    const QString path = services_.AskSavePath(
        view_.InDocumentFolder(QString::fromStdString(saving::DefaultGifName(view_.Document()))));
    if (path.isEmpty()) return;
    UserInterface& ui = services_.Ui();

    CAnvoView::BusyScope busy(view_);
    const GifSourceAnimation source = optimized::SourceOf(table);
    const GifOptimizeOptions asked{lastLossy, lastMergeRepeats};
    const std::int64_t limit = lastLimitOn ? std::int64_t{lastLimitKb} * 1024 : -1;
    // Written at once when it fits; above the limit nothing is written yet.
    optimized::Report written = optimized::Run(source, ui, path.toStdString(), asked, limit);
    bool asTheyAre = true;
    if (written.outcome == optimized::Outcome::TooLarge) {
        std::vector<optimized::FitOption> options;
        {
            std::unique_ptr<WorkProgress> progress = ui.CreateProgress();
            progress->SetTitle("최적화하여 저장");
            progress->SetStatusText("줄일 방법을 찾는 중...");
            progress->SetRange(0, 1000);
            progress->Show();
            options = optimized::PlanFit(
                source, table.Images(), limit,
                [&](int done, int all) {
                    progress->SetPosition(all > 0 ? static_cast<int>(1000LL * done / all) : 0);
                    return ui.PumpMessages() && !progress->Cancelled();
                },
                asked);
        }
        if (options.empty()) return;
        QStringList ways;
        QList<bool> fitting;
        QList<bool> available;
        for (const optimized::FitOption& option : options) {
            ways << QString::fromStdString(optimized::FitLabel(option)) + QStringLiteral(": ") +
                        (option.bytes < 0 ? tr("만들 수 없음")
                                          : QString::number((option.bytes + 1023) / 1024) +
                                                QStringLiteral(" KB"));
            fitting << (option.fits && option.bytes >= 0);
            available << (option.bytes >= 0);
        }
        OptimizedSaveDialog choice(&view_, written.bytes, limit, ways, fitting, available);
        if (choice.exec() != QDialog::Accepted) return;
        const int way = choice.Chosen();
        if (way >= 0 && way < static_cast<int>(options.size())) {
            const optimized::FitOption& option = options[static_cast<std::size_t>(way)];
            if (option.bytes < 0) return;
            asTheyAre = option.animation == nullptr;
            written = optimized::Run(optimized::WrittenSource(option, source), ui,
                                     path.toStdString(), option.options);
        } else {
            written = optimized::Run(source, ui, path.toStdString(), asked);
        }
    }
    if (written.outcome == optimized::Outcome::Written) {
        // The strip shows the exact figures of this save until the next edit.
        if (asTheyAre) byteCosts_.SetExact(written.frameBytes);
        ui.PumpMessages();
        ui.ShowNotice("저장되었습니다.", 300, 1);
    }
}

void ViewOptimizedSave::ShowSavedSize() {
    FrameTable& table = view_.Table();
    const std::int64_t size = saving::MeasureSave(table, view_.Encoder());
    if (size < 0) return;
    // Both ways of saving, so the user can choose: the optimised size is measured now, under a
    // progress dialog whose Cancel leaves just the ordinary figure.
    // Lossless, merging repeated frames as the last optimising save was asked to.
    const optimized::Report optimised = optimized::Run(optimized::SourceOf(table), services_.Ui(),
                                                       std::string(), {0, lastMergeRepeats});
    if (optimised.outcome == optimized::Outcome::Written) byteCosts_.SetExact(optimised.frameBytes);
    view_.Invalidate();
    const bool both = optimised.outcome == optimized::Outcome::Written && optimised.bytes >= 0;
    ShowInfoBox(services_.Ui(),
                both ? saving::SizeText(kOptimisedSizeLabel, optimised.bytes, "*default", size)
                     : saving::SizeText("*default", size),
                "파일 용량");
}

}  // namespace vorla
