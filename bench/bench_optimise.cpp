// The optimising writer beside gifsicle -O3, on every file of the varied set as the ordinary
// Save writes it (local tables, whole frames): what a user would otherwise run by hand.
//
// BM_Optimise_<file>_Vorla times OptimizeGif on the frames of the ordinary file;
// BM_Optimise_<file>_Verify the check that decodes and composites what it wrote;
// BM_Optimise_<file>_Gifsicle runs `gifsicle -O3` on the ordinary file (a process per iteration).
// Each reports bytes_written; BM_Optimise_SizeTable, registered last, prints the sizes of all
// files side by side with the ratio to gifsicle, per file and in total, and the CPU time of each
// side (ours: this process's, both its threads; gifsicle's: the child's user + system time), and
// the time ours took by the clock (gifsicle runs on one thread), the fastest run.
//
// BM_OptimiseLossy_<file>_<N> runs `gifsicle -O3 --lossy=N` (N = 20, 60, 100), measures the PSNR
// of what it shows against the exact frames, then finds by bisection the lossy level at which
// the optimising writer shows the same PSNR, and reports both sizes at that PSNR (the writer's
// interpolated between the two levels around it); BM_OptimiseLossy_Table prints them.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "BenchData.h"
#include "CpuTime.h"
#include "SaveLikeWriter.h"
#include "core/edit/OptimizedSave.h"
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
    double vorlaMs = 0;      // CPU time of both threads
    double vorlaWallMs = 0;  // the time it took
    double gifsicleMs = 0;
};
std::map<std::string, Sizes>& Table() {
    static std::map<std::string, Sizes> table;
    return table;
}

// CPU time in ms: this process's, and that of the processes it has waited for (gifsicle).
using vorla::bench::ChildCpuMs;
using vorla::bench::CpuMs;

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
            return std::pair{vorla::FrameEntry::FromGifPage(frames[i].first), &frames[i].second};
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

// VORLA_BENCH_ONE_THREAD=1: the writer without its second thread (the bytes are the same).
vorla::GifOptimizeOptions BenchOptions() {
    vorla::GifOptimizeOptions options;
    const char* one = std::getenv("VORLA_BENCH_ONE_THREAD");
    options.twoThreads = one == nullptr || std::string(one) != "1";
    return options;
}

void OptimiseVorla(benchmark::State& state, const std::string& name) {
    const Ordinary& o = OrdinaryOf(name);
    if (o.source.frames.empty()) return state.SkipWithError("the file could not be made");
    std::size_t bytes = 0;
    for (auto _ : state) {
        const double start = CpuMs();
        const auto wallStart = std::chrono::steady_clock::now();
        const vorla::GifOptimizeResult result = vorla::OptimizeGif(o.source, {}, BenchOptions());
        const double ms = CpuMs() - start;
        const double wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart)
                .count();
        if (result.status != vorla::GifOptimizeResult::Status::Written) {
            return state.SkipWithError(("the optimiser failed: " + result.error).c_str());
        }
        bytes = result.bytes.size();
        Sizes& sizes = Table()[name];
        if (sizes.vorlaMs == 0 || ms < sizes.vorlaMs) sizes.vorlaMs = ms;
        if (sizes.vorlaWallMs == 0 || wallMs < sizes.vorlaWallMs) sizes.vorlaWallMs = wallMs;
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
        const double start = ChildCpuMs();
        if (std::system(command.c_str()) != 0) return state.SkipWithError("gifsicle failed");
        const double ms = ChildCpuMs() - start;
        Sizes& sizes = Table()[name];
        if (sizes.gifsicleMs == 0 || ms < sizes.gifsicleMs) sizes.gifsicleMs = ms;
    }
    std::error_code error;
    const auto bytes = std::filesystem::file_size(out, error);
    Table()[name].gifsicle = error ? 0 : static_cast<double>(bytes);
    state.counters["bytes_written"] = static_cast<double>(Table()[name].gifsicle);
}

// The screens a GIF shows, composited by the program's rules, as 4 bytes a pixel.
std::vector<Bytes> ShownScreens(const Bytes& gif, int width, int height) {
    std::vector<vorla::CDib> images;
    vorla::GifSourceAnimation source;
    vorla::bench::DecodeToSource(gif, width, height, images, source);
    return vorla::optimized::CompositeScreens(source);
}

// PSNR in dB over every frame and channel; a pixel whose transparency differs counts as wrong
// by 255 in every channel.
double Psnr(const std::vector<Bytes>& want, const std::vector<Bytes>& have) {
    if (want.size() != have.size() || want.empty()) return 0;
    double squares = 0;
    double samples = 0;
    for (std::size_t k = 0; k < want.size(); ++k) {
        for (std::size_t p = 0; p + 3 < want[k].size() && p + 3 < have[k].size(); p += 4) {
            for (int c = 0; c < 3; ++c) {
                const double d = want[k][p + 3] != have[k][p + 3]
                                     ? 255.0
                                     : double(want[k][p + c]) - double(have[k][p + c]);
                squares += d * d;
            }
            samples += 3;
        }
    }
    return squares == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * samples / squares);
}

struct LossyRow {
    double gifsicleBytes = 0;
    double gifsiclePsnr = 0;
    double gifsicleMs = 0;
    int level = 0;  // the writer's level at or just above gifsicle's PSNR
    double vorlaPsnr = 0;
    double vorlaBytes = 0;  // at gifsicle's PSNR
    double vorlaMs = 0;     // at level
};
std::map<std::string, LossyRow>& LossyTable() {
    static std::map<std::string, LossyRow> table;
    return table;
}

void OptimiseLossy(benchmark::State& state, const std::string& name, int gifsicleLevel) {
    const Ordinary& o = OrdinaryOf(name);
    if (o.source.frames.empty()) return state.SkipWithError("the file could not be made");
    const int width = o.source.screenWidth;
    const int height = o.source.screenHeight;
    const std::vector<Bytes> exact = vorla::optimized::CompositeScreens(o.source);
    const std::string out = o.path + ".lossy.gif";
    const std::string command =
        "gifsicle -O3 --no-warnings --lossy=" + std::to_string(gifsicleLevel) + " '" + o.path +
        "' -o '" + out + "'";
    LossyRow row;
    for (auto _ : state) {
        const double start = ChildCpuMs();
        if (std::system(command.c_str()) != 0) return state.SkipWithError("gifsicle failed");
        row.gifsicleMs = ChildCpuMs() - start;
    }
    std::ifstream file(out, std::ios::binary);
    const Bytes theirs((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    row.gifsicleBytes = static_cast<double>(theirs.size());
    row.gifsiclePsnr = Psnr(exact, ShownScreens(theirs, width, height));
    // PSNR falls as the level rises: bisect for the last level at or above gifsicle's.
    struct Point {
        double bytes, psnr, ms;
    };
    auto at = [&](int level) {
        const double start = CpuMs();
        const vorla::GifOptimizeResult result = vorla::OptimizeGif(o.source, {}, {level});
        const double ms = CpuMs() - start;
        return Point{static_cast<double>(result.bytes.size()),
                     Psnr(exact, ShownScreens(result.bytes, width, height)), ms};
    };
    int low = 0;
    int high = vorla::kMaxLossy;
    Point lowPoint = at(low);
    Point highPoint = at(high);
    if (highPoint.psnr >= row.gifsiclePsnr) {
        low = high;
        lowPoint = highPoint;
    }
    while (high - low > 1) {
        const int middle = (low + high) / 2;
        const Point p = at(middle);
        (p.psnr >= row.gifsiclePsnr ? low : high) = middle;
        (p.psnr >= row.gifsiclePsnr ? lowPoint : highPoint) = p;
    }
    const double span = lowPoint.psnr - highPoint.psnr;
    const double share = low == high || span <= 0
                             ? 0
                             : std::clamp((lowPoint.psnr - row.gifsiclePsnr) / span, 0.0, 1.0);
    row.level = low;
    row.vorlaPsnr = lowPoint.psnr;
    row.vorlaBytes = lowPoint.bytes + share * (highPoint.bytes - lowPoint.bytes);
    row.vorlaMs = lowPoint.ms;
    LossyTable()[name + " " + std::to_string(gifsicleLevel)] = row;
    state.counters["ratio_at_equal_psnr"] = row.vorlaBytes / row.gifsicleBytes;
}

void PrintLossyTable(benchmark::State& state) {
    for (auto _ : state) {
    }
    std::printf("\n%-15s %10s %8s %8s | %5s %8s %10s %8s %7s\n", "file lossy", "gifsicle", "dB",
                "cpu ms", "level", "dB", "at its dB", "cpu ms", "ratio");
    double theirs = 0;
    double ours = 0;
    for (const auto& [name, r] : LossyTable()) {
        std::printf("%-15s %10.0f %8.2f %8.1f | %5d %8.2f %10.0f %8.1f %7.3f\n", name.c_str(),
                    r.gifsicleBytes, r.gifsiclePsnr, r.gifsicleMs, r.level, r.vorlaPsnr,
                    r.vorlaBytes, r.vorlaMs, r.vorlaBytes / r.gifsicleBytes);
        theirs += r.gifsicleBytes;
        ours += r.vorlaBytes;
    }
    if (theirs > 0) {
        std::printf("%-15s %10.0f %8s %8s | %5s %8s %10.0f %8s %7.3f\n\n", "total", theirs, "", "",
                    "", "", ours, "", ours / theirs);
        state.counters["ratio_at_equal_psnr"] = ours / theirs;
    }
}

void PrintSizeTable(benchmark::State& state) {
    for (auto _ : state) {
    }
    Sizes total;
    std::printf("\n%-11s %11s %11s %11s %7s %9s %9s %9s\n", "file", "ordinary", "gifsicle-O3",
                "optimised", "ratio", "cpu ms", "wall ms", "gifs. cpu");
    for (const auto& [name, s] : Table()) {
        if (s.gifsicle <= 0 || s.vorla <= 0) continue;
        std::printf("%-11s %11.0f %11.0f %11.0f %7.3f %9.1f %9.1f %9.1f\n", name.c_str(),
                    s.ordinary, s.gifsicle, s.vorla, s.vorla / s.gifsicle, s.vorlaMs, s.vorlaWallMs,
                    s.gifsicleMs);
        total.ordinary += s.ordinary;
        total.gifsicle += s.gifsicle;
        total.vorla += s.vorla;
        total.vorlaMs += s.vorlaMs;
        total.vorlaWallMs += s.vorlaWallMs;
        total.gifsicleMs += s.gifsicleMs;
    }
    if (total.gifsicle > 0) {
        std::printf("%-11s %11.0f %11.0f %11.0f %7.3f %9.1f %9.1f %9.1f\n\n", "total",
                    total.ordinary, total.gifsicle, total.vorla, total.vorla / total.gifsicle,
                    total.vorlaMs, total.vorlaWallMs, total.gifsicleMs);
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
    for (const std::string& name : vorla::bench::BenchFileNames()) {
        for (const int level : {20, 60, 100}) {
            benchmark::RegisterBenchmark(
                ("BM_OptimiseLossy_" + name + "_" + std::to_string(level)).c_str(),
                [name, level](benchmark::State& s) { OptimiseLossy(s, name, level); })
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1)
                ->UseRealTime();
        }
    }
    benchmark::RegisterBenchmark("BM_OptimiseLossy_Table", PrintLossyTable)->Iterations(1);
    return true;
}();

}  // namespace
