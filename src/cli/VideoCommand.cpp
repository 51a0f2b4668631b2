#include "cli/VideoCommand.h"

#include <cstdio>
#include <memory>
#include <string>

#include "cli/ConsoleUserInterface.h"
#include "cli/OptimiseCommand.h"
#include "core/edit/OptimizedSave.h"
#include "core/model/CommandLine.h"
#include "core/model/FrameTable.h"
#include "core/video/VideoImport.h"
#include "imaging/AviFrameReader.h"
#include "imaging/LibavVideoSource.h"
#include "imaging/LiqVideoQuantizer.h"

namespace vorla {

int RunVideoCommand(const CommandLine& line) {
    ConsoleUserInterface ui;
    AviFrameReader::SilenceLogging();
    LibavVideoSource source;
    LiqVideoQuantizer quantizer;
    VideoInfo info;
    if (const VideoFault fault = source.Open(line.input, info); fault != VideoFault::None) {
        ui.ShowMessage(VideoFaultText(fault, line.input) + " 저장하지 않았습니다.");
        return kJobFailedStatus;
    }
    VideoPlan plan;
    if (std::string problem = MakeVideoPlan(info, line.video, FrameTable::kMaxFrames, plan);
        !problem.empty()) {
        // The words of the dialog, with the options that change it here.
        if (ChoiceFrameCount(info, line.video) > FrameTable::kMaxFrames)
            problem += " (--fps, --end)";
        ui.ShowMessage(problem + " 저장하지 않았습니다.");
        return kJobFailedStatus;
    }

    VideoImportResult imported;
    {
        std::unique_ptr<WorkProgress> progress = ui.CreateProgress();
        progress->SetStatusText("동영상에서 프레임을 만드는 중...");
        progress->SetRange(0, 1000);
        progress->Show();
        imported = ImportVideo(source, quantizer, plan, line.video, [&](int done, int all) {
            progress->SetPosition(all > 0 ? 1000 * done / all : 0);
            return true;
        });
    }
    if (imported.fault != VideoFault::None && imported.fault != VideoFault::EndedEarly) {
        ui.ShowMessage(VideoFaultText(imported.fault, line.input) + " 저장하지 않았습니다.");
        return kJobFailedStatus;
    }
    const int frames = static_cast<int>(imported.frames.size());
    if (imported.fault == VideoFault::EndedEarly) {
        ui.ShowMessage(VideoFaultText(imported.fault, line.input) + " (" + std::to_string(frames) +
                       "/" + std::to_string(plan.frameCount) + "프레임)");
    }
    const optimized::OwnedAnimation animation = ToAnimation(std::move(imported));
    // Written losslessly at any --lossy: the level shaped the frames (VideoChoice::lossy), and the
    // writer's lossy strings made still pixels flicker (the bench's motion clip: 0.33 and 0.82,
    // above every peer) for 1.6 times the CPU there.
    const optimized::Report report =
        optimized::Run(animation.source, ui, line.output, {0, !line.keepFrames});
    // Run has told why it wrote nothing.
    if (report.outcome != optimized::Outcome::Written) return kJobFailedStatus;
    std::printf("저장했습니다: %s (%d프레임, %dx%d, %lld 바이트)\n", line.output.c_str(), frames,
                plan.width, plan.height, static_cast<long long>(report.bytes));
    return 0;
}

}  // namespace vorla
