// The whole path of opening a GIF document, without drawing: the file read page by page through
// the imaging layer, each page into the frame table, display images at 100 %. Its time per frame
// must stay flat from 30 to 300 frames, and the whole open near giflib's bare decode (which also
// reads the file in each iteration).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

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

// The benchmark file of a name: "" for the bench file itself, "frames-N" for the default
// animation of N frames, else a file of the varied set. Written once; the path is empty when
// there are no bytes.
const std::string& GifFile(const std::string& name) {
    static std::map<std::string, std::string> files;
    auto found = files.find(name);
    if (found != files.end()) return found->second;
    const std::string framesPrefix = "frames-";
    Bytes bytes;
    if (name.empty()) {
        bytes = vorla::bench::BenchGif();
    } else if (name.rfind(framesPrefix, 0) == 0) {
        bytes = vorla::bench::MakeDefaultAnimation(std::stoi(name.substr(framesPrefix.size())));
    } else {
        bytes = vorla::bench::BenchFile(name);
    }
    std::string path;
    if (!bytes.empty()) {
        path = Folder() + "open-" + (name.empty() ? "bench" : name) + ".gif";
        vorla::WriteFileAtomically(path, bytes);
    }
    return files.emplace(name, path).first->second;
}

// One open from the file alone; returns the frames loaded. Everything the open goes through is
// made anew: the imaging layer keeps the decoded images of the last GIF while pages remain to be
// read, and a file of more images than a document holds leaves them behind, so a shared layer
// would serve the next iteration's open from memory.
int OpenOnce(const std::string& path) {
    vorla::HeadlessUserInterface ui(
        [](const std::string& text) { std::fprintf(stderr, "message: %s\n", text.c_str()); });
    vorla::MagickImaging imaging;
    vorla::ApplicationState app(Folder(), ui, 3 * 100000);
    vorla::DetachedHost host;
    app.zoomPercent = 100;
    vorla::FrameTable table(app, ui, imaging, host, {}, 0);
    vorla::CAnvoDoc document;
    vorla::DocumentLoader loader(table, document, ui);
    if (!loader.LoadDocument(path, nullptr, true)) return 0;
    if (loader.RunDeferredGifLoad() != vorla::DocumentLoader::GifLoad::Complete) return 0;
    benchmark::DoNotOptimize(table.DisplayImage(table.frameCount - 1).Bits().data());
    return table.frameCount;
}

void BM_OpenDocument(benchmark::State& state) {
    const std::string& path = GifFile("frames-" + std::to_string(state.range(0)));
    int frames = 0;
    for (auto _ : state) frames = OpenOnce(path);
    if (frames != state.range(0)) state.SkipWithError("the open did not load every frame");
    state.counters["per_frame"] =
        benchmark::Counter(static_cast<double>(frames) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The whole open against giflib's bare decode of the same file. A document holds at most 300
// frames, so of a longer file the open reads 300 images and giflib all of them.
void OpenVorla(benchmark::State& state, const std::string& path) {
    if (path.empty()) {
        state.SkipWithError("no file");
        return;
    }
    for (auto _ : state) {
        if (OpenOnce(path) == 0) {
            state.SkipWithError("open failed");
            break;
        }
    }
}

void OpenGiflib(benchmark::State& state, const std::string& path) {
    if (path.empty()) {
        state.SkipWithError("no file");
        return;
    }
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

// BM_Open_* for the bench file, BM_Open_<file>_* for each file of the varied set.
const bool kRegistered = [] {
    std::vector<std::pair<std::string, std::string>> sets = {{"BM_Open", ""}};
    for (const std::string& name : vorla::bench::BenchFileNames())
        sets.emplace_back("BM_Open_" + name, name);
    for (const auto& [prefix, name] : sets) {
        benchmark::RegisterBenchmark((prefix + "_Vorla").c_str(), [name](benchmark::State& s) {
            OpenVorla(s, GifFile(name));
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((prefix + "_Giflib").c_str(), [name](benchmark::State& s) {
            OpenGiflib(s, GifFile(name));
        })->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
