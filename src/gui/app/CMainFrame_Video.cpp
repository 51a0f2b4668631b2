// "동영상 가져오기": a clip's import dialog, the import on a worker thread, and the new document.
#include <QFileDialog>
#include <QFileInfo>
#include <QThread>
#include <atomic>
#include <chrono>
#include <thread>

#include "core/port/UserInterface.h"
#include "core/port/WorkProgress.h"
#include "gui/app/CMainFrame.h"
#include "gui/dialogs/FileDialogFilters.h"
#include "gui/dialogs/VideoImportDialog.h"
#include "gui/view/CAnvoView.h"
#include "imaging/AviFrameReader.h"
#include "imaging/LibavVideoSource.h"
#include "imaging/LiqVideoQuantizer.h"

namespace vorla {
namespace {

constexpr const char* kVideoFilter =
    "동영상 파일(*.mp4;*.m4v;*.webm;*.mkv;*.mov;*.avi)|*.mp4;*.m4v;*.webm;*.mkv;*.mov;*.avi|"
    "모든 파일(*.*)|*.*||";
// How often the waiting interface looks at the worker (milliseconds): the progress bar moves and
// Cancel is read this often.
constexpr int kPollMs = 20;

// The import on a worker thread while this thread shows its progress and pumps the interface.
// The worker touches nothing of the interface; Cancel, or a program that is quitting, stops it
// at its next frame, and whatever it made is dropped.
VideoImportResult RunOnWorker(UserInterface& ui, VideoSource& source, const VideoPlan& plan,
                              const VideoChoice& choice, const std::string& title) {
    std::atomic<int> done{0};
    std::atomic<bool> stop{false};
    VideoImportResult result;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        LiqVideoQuantizer quantizer;
        result = ImportVideo(source, quantizer, plan, choice, [&](int part, int all) {
            done = all > 0 ? static_cast<int>(1000LL * part / all) : 0;
            return !stop.load();
        });
    }));
    std::unique_ptr<WorkProgress> progress = ui.CreateProgress();
    progress->SetTitle(title);
    progress->SetStatusText("동영상에서 프레임을 만드는 중...");
    progress->SetRange(0, 1000);
    progress->Show();
    worker->start();
    while (!worker->isFinished()) {
        progress->SetPosition(done);
        if (!ui.PumpMessages() || progress->Cancelled()) stop = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
    worker->wait();
    if (stop) return VideoImportResult{VideoFault::Cancelled, {}, {}};
    return result;
}

}  // namespace

void CMainFrame::OnVideoImport() {
    if (AnyViewBusy() || !RoomForDocument()) return;
    QFileDialog dialog(this, tr("동영상 가져오기"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    ApplyFileDialogFilters(dialog, kVideoFilter);
    if (!lastDialogFolder_.isEmpty()) dialog.setDirectory(lastDialogFolder_);
    const QString path = RunFileDialog(dialog).value(0);
    if (!path.isEmpty()) ImportVideoFile(path);
}

CAnvoView* CMainFrame::ImportVideoFile(const QString& path) {
    // Also reached by a drop or an open while another import waits for its frames.
    if (AnyViewBusy()) {
        RefuseWhileBusy();
        return nullptr;
    }
    if (!RoomForDocument()) return nullptr;
    AviFrameReader::SilenceLogging();
    LibavVideoSource source;
    VideoInfo info;
    const std::string file = path.toStdString();
    if (const VideoFault fault = source.Open(file, info); fault != VideoFault::None) {
        Ui().ShowMessage(VideoFaultText(fault, file));
        return nullptr;
    }
    VideoImportDialog dialog(path, info, source, this);
    if (dialog.exec() != QDialog::Accepted) return nullptr;

    const int savedGuard = app_.busyGuard;
    app_.busyGuard = 1;  // every animation rests while the frames are made
    ++importing_;        // and nothing that opens or closes documents starts meanwhile
    VideoImportResult result = RunOnWorker(Ui(), source, dialog.Plan(), dialog.Choice(),
                                           QFileInfo(path).fileName().toStdString());
    --importing_;
    app_.busyGuard = savedGuard;
    const VideoFault fault = result.fault;
    if (fault == VideoFault::Cancelled) return nullptr;
    if (fault != VideoFault::None && fault != VideoFault::EndedEarly) {
        Ui().ShowMessage(VideoFaultText(fault, file));
        return nullptr;
    }
    const int planned = dialog.Plan().frameCount;
    const int made = static_cast<int>(result.frames.size());
    video_ = std::make_unique<VideoImportResult>(std::move(result));
    CAnvoView* view = NewDocument();
    video_.reset();
    if (view != nullptr && fault == VideoFault::EndedEarly) {
        Ui().ShowMessage(VideoFaultText(fault, file) + " (" + std::to_string(made) + "/" +
                         std::to_string(planned) + "프레임)");
    }
    return view;
}

}  // namespace vorla
