// Measures what an open document costs in memory: documents of N frames of W x H are opened
// through the real views, played and scrolled through for a few seconds, and the process' resident
// memory is set against the frames' own 8-bit bytes.
//   QT_QPA_PLATFORM=offscreen vorla_view_memory [documents=1] [frames=300] [WxH=320x240]
//   [seconds=3]
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include "core/model/ApplicationState.h"
#include "gui/app/CMainFrame.h"
#include "gui/view/CAnvoView.h"
#include "imaging/MagickImaging.h"
#include "view_timing/ViewToolSupport.h"

using namespace vorla;

namespace {

// A memory figure of this process in bytes from /proc/self/status: "VmRSS:" resident now,
// "VmHWM:" the most it was resident.
long long StatusBytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string name(field);
    while (std::getline(status, line)) {
        if (line.rfind(name, 0) == 0) return std::atoll(line.c_str() + name.size()) * 1024;
    }
    return 0;
}

long long ResidentBytes() {
    return StatusBytes("VmRSS:");
}

void RunFor(int milliseconds, const std::function<void()>& step) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (step) step();
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int documents = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, 5) : 1;
    const int frames = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 300) : 300;
    int width = 320, height = 240;
    if (argc > 3) std::sscanf(argv[3], "%dx%d", &width, &height);
    const int seconds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 3;

    QTemporaryDir home;
    SilentUi ui;
    ApplicationState state(home.path().toStdString() + "/", ui, 3000);
    MagickImaging imaging;
    CMainFrame frame(state, imaging, QStringLiteral(VORLA_PROGRAM_DIR));
    frame.resize(1200, 900);
    frame.show();
    RunFor(300, nullptr);
    const long long base = ResidentBytes();

    long long frameBytes = 0;
    for (int d = 0; d < documents; ++d) {
        const QString gif =
            WriteGif(home.filePath(QStringLiteral("m%1.gif").arg(d)), frames, {4}, width, height);
        CAnvoView* view = frame.OpenDocumentFile(gif);
        if (!view) return 1;
        view->RunPendingLoad();
        view->parentWidget()->resize(400, 800);
        for (int k = 0; k < view->Table().frameCount; ++k) {
            frameBytes += view->Table().frameImages[static_cast<std::size_t>(k)].ImageSize();
        }
    }
    const long long loaded = ResidentBytes();
    const long long loadPeak = StatusBytes("VmHWM:");
    // Play every document and scroll each strip from top to bottom meanwhile.
    const QList<CAnvoView*> views = frame.Views();
    RunFor(seconds * 1000, [&] {
        for (CAnvoView* view : views) {
            QScrollBar* bar = view->verticalScrollBar();
            bar->setValue(bar->value() >= bar->maximum() ? 0 : bar->value() + 60);
        }
    });
    const long long played = ResidentBytes();
    const double mb = 1024.0 * 1024.0;
    std::printf("%d document(s) of %d frames %dx%d: frames %.1f MB 8-bit\n", documents, frames,
                width, height, static_cast<double>(frameBytes) / mb);
    std::printf("resident: empty window %.1f MB, loaded %.1f MB, after %d s of play %.1f MB\n",
                static_cast<double>(base) / mb, static_cast<double>(loaded) / mb, seconds,
                static_cast<double>(played) / mb);
    std::printf("load peak %.1f MB: %.2f x the loaded growth\n", static_cast<double>(loadPeak) / mb,
                static_cast<double>(loadPeak - base) / static_cast<double>(loaded - base));
    std::printf("growth over the empty window: %.1f MB = %.2f x the frames\n",
                static_cast<double>(played - base) / mb,
                static_cast<double>(played - base) / static_cast<double>(frameBytes));
    std::printf("budget (4 x frames + 60 MB): %.1f MB, resident %s\n",
                (4.0 * static_cast<double>(frameBytes)) / mb + 60,
                static_cast<double>(played) <= 4.0 * static_cast<double>(frameBytes) + 60 * mb
                    ? "within"
                    : "OVER");
    return 0;
}
