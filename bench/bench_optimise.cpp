// The optimising writer beside gifsicle -O3, on every file of the varied set as the ordinary
// Save writes it (local tables, whole frames): what a user would otherwise run by hand.
//
// BM_Optimise_<file>_Vorla times OptimizeGif on the frames of the ordinary file;
// BM_Optimise_<file>_Verify the check that decodes and composites what it wrote;
// BM_Optimise_<file>_Gifsicle runs `gifsicle -O3` on the ordinary file (a process per iteration,
// so real time). Each reports bytes_written; BM_Optimise_SizeTable, registered last, prints the
// sizes of all files side by side with the ratio to gifsicle, per file and in total.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "BenchData.h"
#include "SaveLikeWriter.h"
#include "core/gif/GifDecoder.h"
#include "core/gif/GifEncoder.h"
#include "core/gif/GifOptimizer.h"
#include "core/model/ByteStream.h"
#include "core/model/CDib.h"

namespace {

using vorla::bench::Bytes;

// A file as the ordinary Save writes it, and its frames as a document holds them.
struct Ordinary {
    Bytes bytes;
    std::vector<vorla::CDib> images;
    vorla::GifSourceAnimation source;
    std::string path;  // the ordinary file on disk, for gifsicle
};

struct Sizes {
    double ordinary = 0;
    double vorla = 0;
    double gifsicle = 0;
    double vorlaMs = 0;
    double gifsicleMs = 0;
};
std::map<std::string, Sizes>& Table() {
    static std::map<std::string, Sizes> table;
    return table;
}

// The file the ordinary Save writes for gif's images.
Bytes OrdinaryWrite(const Bytes& gif, int& width, int& height) {
    std::vector<std::pair<vorla::GifPageInfo, vorla::CDib>> frames;
    width = height = 0;
    vorla::GifDecoder::DecodeAllImages(
        gif, SIZE_MAX, [&](const vorla::GifPageInfo& page, vorla::CDib&& dib) {
            width = std::max({width, page.screenWidth, page.left + page.width});
            height = std::max({height, page.screenHeight, page.top + page.height});
            frames.emplace_back(page, std::move(dib));
            return true;
        });
    vorla::MemoryStream output;
    const bool written = vorla::bench::WriteLikeSave(
        frames.size(),
        [&frames](std::size_t i) {
            return std::pair{vorla::bench::EntryOfPage(frames[i].first), &frames[i].second};
        },
        width, height, output);
    return written ? output.TakeBytes() : Bytes{};
}

const Ordinary& OrdinaryOf(const std::string& name) {
    static std::map<std::string, Ordinary> made;
    auto found = made.find(name);
    if (found != made.end()) return found->second;
    Ordinary& o = made[name];
    const Bytes& original = vorla::bench::BenchFile(name);
    if (original.empty()) return o;
    int width = 0;
    int height = 0;
    o.bytes = OrdinaryWrite(original, width, height);
    vorla::bench::DecodeToSource(o.bytes, width, height, o.images, o.source);
    o.path =
        (std::filesystem::temp_directory_path() / ("vorla-optimise-" + name + ".gif")).string();
    std::ofstream(o.path, std::ios::binary)
        .write(reinterpret_cast<const char*>(o.bytes.data()),
               static_cast<std::streamsize>(o.bytes.size()));
    Table()[name].ordinary = static_cast<double>(o.bytes.size());
    return o;
}

void OptimiseVorla(benchmark::State& state, const std::string& name) {
    const Ordinary& o = OrdinaryOf(name);
    if (o.source.frames.empty()) return state.SkipWithError("the file could not be made");
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const vorla::GifOptimizeResult result = vorla::OptimizeGif(o.source);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (result.status != vorla::GifOptimizeResult::Status::Written) {
            return state.SkipWithError(("the optimiser failed: " + result.error).c_str());
        }
        bytes = result.bytes.size();
        Sizes& sizes = Table()[name];
        if (sizes.vorlaMs == 0 || ms < sizes.vorlaMs) sizes.vorlaMs = ms;
    }
    Table()[name].vorla = static_cast<double>(bytes);
    // Kept beside the ordinary file for a look with other tools.
    const vorla::GifOptimizeResult kept = vorla::OptimizeGif(o.source);
    std::ofstream(o.path + ".vorla.gif", std::ios::binary)
        .write(reinterpret_cast<const char*>(kept.bytes.data()),
               static_cast<std::streamsize>(kept.bytes.size()));
    state.counters["bytes_written"] = static_cast<double>(bytes);
    state.counters["frames"] = static_cast<double>(o.source.frames.size());
}

void VerifyVorla(benchmark::State& state, const std::string& name) {
    const Ordinary& o = OrdinaryOf(name);
    if (o.source.frames.empty()) return state.SkipWithError("the file could not be made");
    const vorla::GifOptimizeResult result = vorla::OptimizeGif(o.source);
    for (auto _ : state) {
        const std::string problem = vorla::VerifyOptimizedGif(o.source, result.bytes);
        if (!problem.empty()) return state.SkipWithError(problem.c_str());
    }
}

void OptimiseGifsicle(benchmark::State& state, const std::string& name) {
    const Ordinary& o = OrdinaryOf(name);
    if (o.source.frames.empty()) return state.SkipWithError("the file could not be made");
    const std::string out = o.path + ".O3.gif";
    const std::string command = "gifsicle -O3 --no-warnings '" + o.path + "' -o '" + out + "'";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) return state.SkipWithError("gifsicle failed");
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        Sizes& sizes = Table()[name];
        if (sizes.gifsicleMs == 0 || ms < sizes.gifsicleMs) sizes.gifsicleMs = ms;
    }
    std::error_code error;
    const auto bytes = std::filesystem::file_size(out, error);
    Table()[name].gifsicle = error ? 0 : static_cast<double>(bytes);
    state.counters["bytes_written"] = static_cast<double>(Table()[name].gifsicle);
}

void PrintSizeTable(benchmark::State& state) {
    for (auto _ : state) {
    }
    Sizes total;
    std::printf("\n%-11s %11s %11s %11s %7s %9s %9s\n", "file", "ordinary", "gifsicle-O3",
                "optimised", "ratio", "ms", "gifs. ms");
    for (const auto& [name, s] : Table()) {
        if (s.gifsicle <= 0 || s.vorla <= 0) continue;
        std::printf("%-11s %11.0f %11.0f %11.0f %7.3f %9.1f %9.1f\n", name.c_str(), s.ordinary,
                    s.gifsicle, s.vorla, s.vorla / s.gifsicle, s.vorlaMs, s.gifsicleMs);
        total.ordinary += s.ordinary;
        total.gifsicle += s.gifsicle;
        total.vorla += s.vorla;
        total.vorlaMs += s.vorlaMs;
        total.gifsicleMs += s.gifsicleMs;
    }
    if (total.gifsicle > 0) {
        std::printf("%-11s %11.0f %11.0f %11.0f %7.3f %9.1f %9.1f\n\n", "total", total.ordinary,
                    total.gifsicle, total.vorla, total.vorla / total.gifsicle, total.vorlaMs,
                    total.gifsicleMs);
        state.counters["ratio_to_gifsicle"] = total.vorla / total.gifsicle;
    }
}

const bool kRegistered = [] {
    for (const std::string& name : vorla::bench::BenchFileNames()) {
        const std::string prefix = "BM_Optimise_" + name;
        benchmark::RegisterBenchmark((prefix + "_Vorla").c_str(),
                                     [name](benchmark::State& s) { OptimiseVorla(s, name); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark((prefix + "_Verify").c_str(), [name](benchmark::State& s) {
            VerifyVorla(s, name);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((prefix + "_Gifsicle").c_str(),
                                     [name](benchmark::State& s) { OptimiseGifsicle(s, name); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::RegisterBenchmark("BM_Optimise_SizeTable", PrintSizeTable)->Iterations(1);
    return true;
}();

}  // namespace
