// The whole path of opening a GIF document, without drawing: the file read page by page through
// the imaging layer, each page into the frame table, display images at 100 %. Its time per frame
// must stay flat from 30 to 300 frames, and the whole open near giflib's bare decode.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "BenchData.h"
#include "core/edit/DocumentLoader.h"
#include "core/model/ApplicationState.h"
#include "core/model/ByteStream.h"
#include "core/model/CAnvoDoc.h"
#include "core/model/FrameTable.h"
#include "core/port/Headless.h"
#include "imaging/MagickImaging.h"

namespace {

using vorla::bench::Bytes;

std::string Folder() {
    static const std::string folder = [] {
        auto path =
            std::filesystem::temp_directory_path() / ("vorla-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        return path.string() + "/";
    }();
    return folder;
}

// The benchmark file for a frame count (0: the bench file itself), written once.
const std::string& GifFile(int frames) {
    static std::map<int, std::string> files;
    auto found = files.find(frames);
    if (found != files.end()) return found->second;
    const Bytes bytes =
        frames == 0 ? vorla::bench::BenchGif() : vorla::bench::MakeDefaultAnimation(frames);
    const std::string path = Folder() + "open-" + std::to_string(frames) + ".gif";
    vorla::WriteFileAtomically(path, bytes);
    return files.emplace(frames, path).first->second;
}

// One open; returns the frames loaded.
int OpenOnce(const std::string& path) {
    static vorla::HeadlessUserInterface ui(
        [](const std::string& text) { std::fprintf(stderr, "message: %s\n", text.c_str()); });
    static vorla::MagickImaging imaging;
    static vorla::ApplicationState app(Folder(), ui, 3 * 100000);
    vorla::DetachedHost host;
    app.zoomPercent = 100;
    vorla::FrameTable table(app, ui, imaging, host, {}, 0);
    vorla::CAnvoDoc document;
    vorla::DocumentLoader loader(table, document, ui);
    if (!loader.LoadDocument(path, nullptr, true)) return 0;
    if (loader.RunDeferredGifLoad() != vorla::DocumentLoader::GifLoad::Complete) return 0;
    benchmark::DoNotOptimize(
        table.displayImages[static_cast<std::size_t>(table.frameCount - 1)].Bits().data());
    return table.frameCount;
}

void BM_OpenDocument(benchmark::State& state) {
    const std::string& path = GifFile(static_cast<int>(state.range(0)));
    int frames = 0;
    for (auto _ : state) frames = OpenOnce(path);
    if (frames != state.range(0)) state.SkipWithError("the open did not load every frame");
    state.counters["per_frame"] =
        benchmark::Counter(static_cast<double>(frames) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The same file: the whole open against giflib's bare decode of it.
void BM_Open_Vorla(benchmark::State& state) {
    const std::string& path = GifFile(0);
    for (auto _ : state) {
        if (OpenOnce(path) == 0) {
            state.SkipWithError("open failed");
            break;
        }
    }
}

void BM_Open_Giflib(benchmark::State& state) {
    const std::string& path = GifFile(0);
    std::uint64_t pixels = 0;
    for (auto _ : state) {
        Bytes bytes;
        vorla::ReadWholeFile(path, bytes);
        if (!vorla::bench::GiflibSlurp(bytes, pixels)) {
            state.SkipWithError("giflib failed");
            break;
        }
    }
}

BENCHMARK(BM_OpenDocument)->Arg(30)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open_Vorla)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open_Giflib)->Unit(benchmark::kMillisecond);

}  // namespace
