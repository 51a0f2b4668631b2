// Runs every benchmark of vorla_bench, then prints for each BM_<what>_Giflib how much faster its
// BM_<what>_Vorla (and BM_<what>_WriteAnimation) peer is (giflib CPU time / Vorla CPU time; above
// 1 means Vorla is faster) with the bytes each wrote when they report bytes_written, and how much
// more each BM_<what>_Vorla costs than its BM_<what>_PlainWrite floor (real time: file work
// waits). With repetitions, the
// fastest run of each benchmark counts: on a shared machine the others are the noise.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "imaging/ThreadPolicy.h"

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so that logs stay readable.
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            Result& result = results_[run.run_name.function_name];
            const double cpu = run.GetAdjustedCPUTime();
            if (result.cpu == 0 || cpu < result.cpu) result.cpu = cpu;
            const double real = run.GetAdjustedRealTime();
            if (result.real == 0 || real < result.real) result.real = real;
            const auto bytes = run.counters.find("bytes_written");
            if (bytes != run.counters.end()) result.bytes = bytes->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() const {
        std::printf("\nCPU time ratios (giflib / Vorla; above 1: Vorla is faster), fastest runs\n");
        for (const auto& [name, giflib] : results_) {
            const std::string suffix = "_Giflib";
            if (name.size() <= suffix.size() ||
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
                continue;
            }
            const std::string base = name.substr(0, name.size() - suffix.size());
            for (const char* peerSuffix : {"_Vorla", "_WriteAnimation"}) {
                const auto peer = results_.find(base + peerSuffix);
                if (peer == results_.end() || peer->second.cpu <= 0) continue;
                std::printf("%-26s %-15s %8.2f ms  giflib %8.2f ms  ratio %5.2f", base.c_str(),
                            peerSuffix + 1, peer->second.cpu, giflib.cpu,
                            giflib.cpu / peer->second.cpu);
                if (peer->second.bytes > 0 && giflib.bytes > 0) {
                    std::printf("  bytes %10.0f  giflib %10.0f  (%+.3f %%)", peer->second.bytes,
                                giflib.bytes, 100.0 * (peer->second.bytes / giflib.bytes - 1.0));
                }
                std::printf("\n");
            }
        }
        for (const auto& [name, vorla] : results_) {
            const std::string suffix = "_Vorla";
            if (name.size() <= suffix.size() ||
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
                continue;
            }
            // A plain write of the same bytes is the floor for file work: report the cost over it.
            const std::string base = name.substr(0, name.size() - suffix.size());
            const auto floor = results_.find(base + "_PlainWrite");
            if (floor != results_.end() && floor->second.real > 0) {
                std::printf(
                    "%s: Vorla/plain-write cost ratio %.2f (Vorla time / plain write time)\n",
                    base.c_str(), vorla.real / floor->second.real);
            }
        }
    }

private:
    struct Result {
        double cpu = 0;  // in the benchmark's time unit
        double real = 0;
        double bytes = 0;  // bytes_written, 0 when not reported
    };
    std::map<std::string, Result> results_;
};

}  // namespace

int main(int argc, char** argv) {
    // Both sides of every comparison use OpenMP loops (ImageMagick, libimagequant): passive
    // waiting, as in the program, so that spinning threads measure neither side.
    vorla::UsePassiveThreadWait(argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
