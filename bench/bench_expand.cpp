// "프레임 펼치기" on frame-optimised files of the varied set (ffmpeg's own output, a transparent
// hole with restore to background, gifsicle-joined plasma): the time to expand the frames of an
// opened document, and what the optimising save makes of the expanded frames against what it
// makes of the frames as stored. Each iteration opens the file anew (not timed) and expands
// everything.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "BenchData.h"
#include "core/edit/DocumentLoader.h"
#include "core/edit/FrameExpansion.h"
#include "core/edit/OptimizedSave.h"
#include "core/model/ApplicationState.h"
#include "core/model/ByteStream.h"
#include "core/model/CAnvoDoc.h"
#include "core/model/FrameTable.h"
#include "core/port/Headless.h"
#include "imaging/MagickImaging.h"

namespace {

// An opened document of one file of the varied set.
struct Opened {
    explicit Opened(const std::string& path)
        : app(std::filesystem::path(path).parent_path().string() + "/", ui, 300000),
          table(app, ui, imaging, host, {}, 0),
          loader(table, document, ui) {
        app.zoomPercent = 100;
        ok = loader.LoadDocument(path, nullptr, true) &&
             loader.RunDeferredGifLoad() == vorla::DocumentLoader::GifLoad::Complete;
    }
    vorla::HeadlessUserInterface ui;
    vorla::MagickImaging imaging;
    vorla::ApplicationState app;
    vorla::DetachedHost host;
    vorla::FrameTable table;
    vorla::CAnvoDoc document;
    vorla::DocumentLoader loader;
    bool ok = false;
};

std::string FileOf(const std::string& name) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("vorla-bench-expand-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / (name + ".gif")).string();
    if (!std::filesystem::exists(path)) {
        const vorla::bench::Bytes& bytes = vorla::bench::BenchFile(name);
        if (bytes.empty() || !vorla::WriteFileAtomically(path, bytes)) return {};
    }
    return path;
}

void BM_Expand(benchmark::State& state, const std::string& name) {
    const std::string path = FileOf(name);
    if (path.empty()) {
        state.SkipWithError("no file");
        return;
    }
    std::int64_t storedBytes = -1, expandedBytes = -1;
    int frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Opened opened(path);
        if (!opened.ok) {
            state.SkipWithError("open failed");
            break;
        }
        if (storedBytes < 0)
            storedBytes = vorla::optimized::Measure(vorla::optimized::SourceOf(opened.table)).bytes;
        state.ResumeTiming();
        if (!vorla::edit::ExpandSelectedFrames(opened.table).done) {
            state.SkipWithError("expansion failed");
            break;
        }
        state.PauseTiming();
        frames = opened.table.frameCount;
        expandedBytes = vorla::optimized::Measure(vorla::optimized::SourceOf(opened.table)).bytes;
        state.ResumeTiming();
    }
    state.counters["frames"] = frames;
    state.counters["file_bytes"] = static_cast<double>(vorla::bench::BenchFile(name).size());
    state.counters["optimised_stored"] = static_cast<double>(storedBytes);
    state.counters["optimised_expanded"] = static_cast<double>(expandedBytes);
    state.counters["expanded_vs_stored"] =
        storedBytes > 0 ? static_cast<double>(expandedBytes) / static_cast<double>(storedBytes) : 0;
}

const bool registered = [] {
    for (const char* name : {"testsrc", "alpha", "plasma"}) {
        benchmark::RegisterBenchmark((std::string("BM_Expand_") + name).c_str(), BM_Expand,
                                     std::string(name))
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    }
    return true;
}();

}  // namespace
