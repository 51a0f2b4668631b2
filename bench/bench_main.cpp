// Runs every benchmark of vorla_bench, then prints how much faster each BM_<what>_Vorla is than
// its BM_<what>_Giflib peer (time of giflib / time of Vorla; above 1 means Vorla is faster), and
// how much more each BM_<what>_Vorla costs than its BM_<what>_PlainWrite floor.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so that logs stay readable.
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            times_[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() const {
        for (const auto& [name, vorlaTime] : times_) {
            const std::string suffix = "_Vorla";
            const auto at = name.rfind(suffix);
            if (at == std::string::npos || at + suffix.size() != name.size()) continue;
            const auto peer = times_.find(name.substr(0, at) + "_Giflib");
            if (peer != times_.end() && vorlaTime > 0) {
                std::printf("%s: Vorla/giflib speed ratio %.2f (giflib time / Vorla time)\n",
                            name.substr(0, at).c_str(), peer->second / vorlaTime);
            }
            // A plain write of the same bytes is the floor for file work: report the cost over it.
            const auto floor = times_.find(name.substr(0, at) + "_PlainWrite");
            if (floor != times_.end() && floor->second > 0) {
                std::printf(
                    "%s: Vorla/plain-write cost ratio %.2f (Vorla time / plain write time)\n",
                    name.substr(0, at).c_str(), vorlaTime / floor->second);
            }
        }
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
