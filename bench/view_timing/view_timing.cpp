// Measures what the frame strip promises: frames are shown for their delays (median and worst
// difference between the shown and the intended time), and painting costs what is visible, not
// the length of the animation (a 300-frame strip against a 3-frame one in the same window).
//   QT_QPA_PLATFORM=offscreen vorla_view_timing [frames=50] [delays=2,10,250]
//   xvfb-run env QT_QPA_PLATFORM=xcb vorla_view_timing scale   (open, save, optimised save,
//       strip figures and playback with the pane at 320x240, 960x540 and 1920x1080)
#include <sys/resource.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/edit/OptimizedSave.h"
#include "core/edit/Saving.h"
#include "core/gif/GifByteEstimate.h"
#include "core/gif/GifEncoder.h"
#include "core/model/ApplicationState.h"
#include "gui/app/CMainFrame.h"
#include "gui/dialogs/CFramePropertiesCanvas.h"
#include "gui/dialogs/CFramePropertiesDialog.h"
#include "gui/dialogs/WorkProgressDialog.h"
#include "gui/view/CAnvoView.h"
#include "imaging/MagickImaging.h"
#include "support/FakeViewServices.h"
#include "view_timing/ViewToolSupport.h"

using namespace vorla;

namespace {

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

void MeasurePlayback(CMainFrame& frame, const QString& gif, const std::vector<int>& delays) {
    CAnvoView* view = frame.OpenDocumentFile(gif);
    view->RunPendingLoad();
    const FrameTable& table = view->Table();
    QElapsedTimer clock;
    clock.start();
    qint64 last = -1;
    int lastFrame = -1;
    std::vector<double> errors;
    const int steps = table.frameCount + 1;  // one whole loop and back to the first frame
    QObject::connect(view, &CAnvoView::frameShown, [&](int shown) {
        const qint64 now = clock.elapsed();
        if (last >= 0 && lastFrame >= 0) {
            int delay = table.entries[static_cast<std::size_t>(lastFrame)].delay;
            if (delay == 0) delay = 10;
            errors.push_back(std::abs(static_cast<double>(now - last) - delay * 10.0));
        }
        last = now;
        lastFrame = shown;
    });
    while (static_cast<int>(errors.size()) < steps)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("playback of %d frames (delays", table.frameCount);
    for (int d : delays) std::printf(" %d", d);
    std::printf(" cs): median difference %.2f ms, 95th %.2f ms, worst %.2f ms over %zu steps\n",
                Percentile(errors, 0.5), Percentile(errors, 0.95), Percentile(errors, 1.0),
                errors.size());
    view->parentWidget()->close();
}

// The strip alone needs no main window: the view stands on the stand-in services.
double PaintMs(UserInterface& ui, const QString& gif) {
    test::FakeViewServices services(ui);
    CAnvoView view(services);
    if (!view.LoadDocument(gif)) return 0;
    view.RunPendingLoad();
    view.playbackPaused = true;
    view.resize(500, 700);
    view.show();
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    QCoreApplication::processEvents();
    QElapsedTimer clock;
    const int rounds = 200;
    clock.start();
    for (int i = 0; i < rounds; ++i) view.viewport()->repaint();
    return static_cast<double>(clock.nsecsElapsed()) / 1e6 / rounds;
}

// The frame dialog's canvas on the last frame of a long animation: repainting with the earlier
// frames' composite kept, against composing them afresh for every paint (the cache dropped by
// pointing the canvas at the frame again before each repaint).
void MeasureDialogCanvas(CMainFrame& frame, const QString& gif) {
    CAnvoView* view = frame.OpenDocumentFile(gif);
    view->RunPendingLoad();
    view->playbackPaused = true;
    const int last = view->Table().frameCount - 1;
    view->OpenFrameDialog(last);
    CFramePropertiesCanvas* canvas = view->FrameDialog()->Canvas();
    canvas->resize(700, 540);
    QCoreApplication::processEvents();
    canvas->repaint();  // the first paint builds the composite
    QElapsedTimer clock;
    const int cachedRounds = 200;
    clock.start();
    for (int i = 0; i < cachedRounds; ++i) canvas->repaint();
    const double cached = static_cast<double>(clock.nsecsElapsed()) / 1e6 / cachedRounds;
    const int freshRounds = 10;
    qint64 fresh = 0;
    for (int i = 0; i < freshRounds; ++i) {
        canvas->SetFrame(&view->Table(), last, view->StripBackground());
        clock.restart();
        canvas->repaint();
        fresh += clock.nsecsElapsed();
    }
    const double afresh = static_cast<double>(fresh) / 1e6 / freshRounds;
    std::printf(
        "frame dialog canvas, %s frame %d of %d (%dx%d): cached %.3f ms, composed afresh "
        "%.2f ms, ratio %.0fx\n",
        qPrintable(QFileInfo(gif).fileName()), last + 1, last + 1,
        view->Table().settings.screenWidth, view->Table().settings.screenHeight, cached, afresh,
        afresh / cached);
    view->EndFrameDialog(false);
    view->parentWidget()->close();
    QCoreApplication::processEvents();
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// One row of the scale table: a 120-frame animation of w x h at 10 fps opened, saved, saved
// optimised, its strip figures estimated and played for five seconds with the pane showing it.
// Times are CPU seconds of the whole process; per-pixel figures are compared with the first row
// by the caller.
struct ScaleRow {
    double open = 0, save = 0, optimised = 0, figures = 0;
    double playback = 0;  // share of a core while playing
};

ScaleRow MeasureScale(CMainFrame& frame, const QString& gif) {
    ScaleRow row;
    double t = CpuSeconds();
    CAnvoView* view = frame.OpenDocumentFile(gif);
    view->RunPendingLoad();
    row.open = CpuSeconds() - t;
    GifEncoder encoder;
    CAnvoDoc document = view->Document();
    t = CpuSeconds();
    saving::SaveDocument(view->Table(), document, encoder,
                         (gif + QStringLiteral(".saved.gif")).toStdString());
    row.save = CpuSeconds() - t;
    const GifSourceAnimation source = optimized::SourceOf(view->Table());
    t = CpuSeconds();
    optimized::Measure(source);
    row.optimised = CpuSeconds() - t;
    std::vector<std::int64_t> figures;
    int compressed = 0;
    t = CpuSeconds();
    GifByteEstimator().Estimate(source, std::vector<bool>(source.frames.size(), true), figures,
                                compressed);
    row.figures = CpuSeconds() - t;
    // Playback with the pane showing it, once the strip's own figures are made.
    view->setFocus();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000 && !view->ByteCosts().Known())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    clock.restart();
    t = CpuSeconds();
    // (The overload with a time limit ignores WaitForMoreEvents and would spin.)
    while (clock.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    row.playback = (CpuSeconds() - t) / (static_cast<double>(clock.elapsed()) / 1000.0);
    view->parentWidget()->close();
    QCoreApplication::processEvents();
    return row;
}

void PrintScaleTable(CMainFrame& frame, const QTemporaryDir& home) {
    std::printf("scale table, 120 frames (CPU s; per pixel against 320x240):\n");
    std::printf("%-10s %8s %8s %10s %8s %9s   %s\n", "size", "open", "save", "optimised", "figures",
                "playback", "open/save/optimised/figures per pixel");
    ScaleRow first;
    double firstPixels = 0;
    for (const QSize size : {QSize(320, 240), QSize(960, 540), QSize(1920, 1080)}) {
        const QString path = home.filePath(QStringLiteral("scale-%1.gif").arg(size.width()));
        const ScaleRow row =
            MeasureScale(frame, WriteGif(path, 120, {10}, size.width(), size.height()));
        const double pixels = static_cast<double>(size.width()) * size.height();
        if (firstPixels == 0) {
            first = row;
            firstPixels = pixels;
        }
        auto ratio = [&](double v, double f) {
            return f > 0 ? (v / pixels) / (f / firstPixels) : 0;
        };
        std::printf("%4dx%-5d %8.3f %8.3f %10.3f %8.3f %8.1f%%   %.2f / %.2f / %.2f / %.2f\n",
                    size.width(), size.height(), row.open, row.save, row.optimised, row.figures,
                    100 * row.playback, ratio(row.open, first.open), ratio(row.save, first.save),
                    ratio(row.optimised, first.optimised), ratio(row.figures, first.figures));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(2, std::atoi(argv[1])) : 50;
    std::vector<int> delays;
    for (const QString& part :
         QString::fromLatin1(argc > 2 ? argv[2] : "2,10,250").split(QLatin1Char(','))) {
        delays.push_back(part.toInt());
    }
    QTemporaryDir home;
    SilentUi ui;
    ApplicationState state(home.path().toStdString() + "/", ui, 3000);
    MagickImaging imaging;
    CMainFrame frame(state, imaging, QStringLiteral(VORLA_PROGRAM_DIR));
    frame.resize(1000, 800);
    frame.show();

    if (argc > 1 && QString::fromLatin1(argv[1]) == QStringLiteral("scale")) {
        PrintScaleTable(frame, home);
        return 0;
    }
    MeasurePlayback(frame,
                    WriteGif(home.filePath(QStringLiteral("play.gif")), frames, delays, 120, 80),
                    delays);
    const double many =
        PaintMs(ui, WriteGif(home.filePath(QStringLiteral("300.gif")), 300, {10}, 200, 150));
    const double few =
        PaintMs(ui, WriteGif(home.filePath(QStringLiteral("3.gif")), 3, {10}, 200, 150));
    std::printf("strip paint: 300 frames %.3f ms, 3 frames %.3f ms, ratio %.2f\n", many, few,
                many / few);
    MeasureDialogCanvas(frame,
                        WriteGif(home.filePath(QStringLiteral("canvas.gif")), 300, {10}, 640, 480));
    // The same on outside-made animations (the bench set's folder: VORLA_BENCH_DIR, made by
    // make_bench_gifs.sh), when they are there.
    const QString benchDir = qEnvironmentVariable("VORLA_BENCH_DIR");
    for (const char* name : {"testsrc.gif", "plasma.gif", "alpha.gif", "mandelbrot.gif"}) {
        const QString path = QDir(benchDir).filePath(QString::fromLatin1(name));
        if (!benchDir.isEmpty() && QFile::exists(path)) MeasureDialogCanvas(frame, path);
    }
    return 0;
}
