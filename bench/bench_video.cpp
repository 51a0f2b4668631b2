// Making a GIF from a video clip: the import "vorla --video" runs, beside the tools people use
// for the same job.
//
// Clips are made at bench time with ffmpeg (H.264, yuv420p, 640x360 at 60 fps, 5 s; 60 fps so
// that every output time of 10 and 20 fps falls on a source frame and no way of picking frames
// is favoured) into $VORLA_BENCH_DIR/video (default: a folder under the system temporary folder):
//   screen   a terminal-like recording: lines of text scrolling up in steps, a still title bar
//            and side panel, a small block moving over the panel; few colours
//   camera   ffmpeg's testsrc2 with temporal grain (noise=alls=12:allf=t), as filmed footage
//   motion   ffmpeg's mandelbrot zoom: every pixel moves
// For each clip at (10 fps, 320 wide) and (20 fps, 480 wide), 256 colours:
//   vorla          in process, what src/cli/VideoCommand.cpp runs: open, plan, decode, quantise
//                  (shared palette, diffusion), the optimised write with its verification
//   vorla-lossy    the same with --lossy at the level LossyLevel gives the clip (fixed, chosen
//                  once so that the mean PSNR stays above every peer's)
//   ffmpeg         fps=F,scale=W:-2:flags=lanczos,split[a][b];[a]palettegen[p];[b][p]paletteuse
//   ffmpeg-diff    the same with palettegen=stats_mode=diff and paletteuse=dither=bayer
//   gifski         PNG frames extracted by ffmpeg (same fps and scaling), gifski -Q 90; the npm
//                  package is installed into the bench folder when it is not there
// Every output is put through gifsicle -O3 before its bytes are counted; Vorla's own size is
// shown as well. CPU time: Vorla's is this process's (all threads); a peer's is its children's
// user + system time (ffmpeg: both passes of its graph; gifski: the PNG extraction and gifski),
// the fastest of kRepeats runs; gifsicle -O3 is not counted for anyone.
// Quality: each tool's own file (gifsicle -O3 shows the same pictures but merges identical
// neighbouring frames), composited by the program's decoder, against the exact frames: ffmpeg's
// decode with fps=F,scale=W:H:flags=lanczos+full_chroma_int+accurate_rnd to rgb24, the scaling
// the import uses. The peers' graphs pick frames with fps=F, whose rounding takes the last source
// frame before t + half a frame for output time t; Vorla takes the last one not after t, which is
// fps=F:round=up. Each is measured against the frames it was asked to show (on 60 fps clips the
// two differ by 2 source frames, and across a scroll step that costs 15 to 20 dB). Frames are
// matched by index, by time when the counts differ (the table marks it): mean and least PSNR of
// the frames; shimmer, the mean absolute change between consecutive output frames over the
// pixels the exact frames leave unchanged, per channel, 0-255.
//
// BM_Video_<clip>_<fps>fps<width> makes one row group; BM_Video_Table prints the table and the
// verdict per clip.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "CpuTime.h"
#include "SaveLikeWriter.h"
#include "core/edit/OptimizedSave.h"
#include "core/model/FrameTable.h"
#include "core/port/Headless.h"
#include "core/video/VideoImport.h"
#include "core/video/VideoPlan.h"
#include "imaging/AviFrameReader.h"
#include "imaging/LibavVideoSource.h"
#include "imaging/LiqVideoQuantizer.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr int kRepeats = 3;
constexpr int kClipWidth = 640;
constexpr int kClipHeight = 360;
constexpr int kClipFps = 60;
constexpr int kClipSeconds = 5;

struct Setting {
    int fps;
    int width;
};
constexpr Setting kSettings[] = {{10, 320}, {20, 480}};
const char* const kClips[] = {"screen", "camera", "motion"};
const char* const kTools[] = {"vorla", "vorla-lossy", "ffmpeg", "ffmpeg-diff", "gifski"};

// The lossy level of the vorla-lossy row per clip.
int LossyLevel(const std::string& clip) {
    if (clip == "screen") return 10;
    return clip == "motion" ? 30 : 20;
}

bool IsVorla(const std::string& tool) {
    return tool.starts_with("vorla");
}

struct Row {
    bool made = false;
    std::string problem;  // why there is no figure
    double ownBytes = 0;  // vorla: before gifsicle
    double bytes = 0;     // after gifsicle -O3
    double meanPsnr = 0;
    double minPsnr = 0;
    double shimmer = 0;
    double stillShare = 0;  // of the pixels of consecutive exact frames, those unchanged
    double scaleDb = 0;     // peers: their own scaled frames, before colours, against exact
    double cpuMs = 0;
    double importMs = 0;  // vorla: the import's share of cpuMs (decode, palette, remap)
    int lossy = 0;        // vorla: the level
    int frames = 0;
    int exactFrames = 0;
};
// clip -> setting label -> tool -> row
std::map<std::string, std::map<std::string, std::map<std::string, Row>>>& Table() {
    static std::map<std::string, std::map<std::string, std::map<std::string, Row>>> table;
    return table;
}

using vorla::bench::ChildCpuMs;
using vorla::bench::CpuMs;

bool Run(const std::string& command) {
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (const char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

Bytes ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

fs::path Folder() {
    static const fs::path folder = [] {
        const char* dir = std::getenv("VORLA_BENCH_DIR");
        const fs::path base = dir != nullptr && *dir != '\0'
                                  ? fs::path(dir)
                                  : fs::temp_directory_path() / "vorla-bench-files";
        fs::create_directories(base / "video");
        return base / "video";
    }();
    return folder;
}

// The clip's file, made on first use; "" when it cannot be made.
std::string Clip(const std::string& name) {
    const fs::path path = Folder() / (name + ".mp4");
    std::error_code error;
    if (fs::file_size(path, error) > 0 && !error) return path.string();
    const std::string size = std::to_string(kClipWidth) + "x" + std::to_string(kClipHeight);
    const std::string rate = std::to_string(kClipFps);
    const std::string length = std::to_string(kClipSeconds);
    std::string graph;
    if (name == "screen") {
        const fs::path lines = Folder() / "screen-lines.txt";
        {
            std::ofstream text(lines);
            for (int i = 1; i <= 80; ++i) {
                char line[128];
                std::snprintf(line, sizeof line,
                              "$ make -j2 target_%02d && ./run --case %d   [ok] %d ms\n", i, i,
                              i * 37 % 500);
                text << line;
            }
        }
        graph = "-f lavfi -i color=c=0x1e1e2e:s=" + size + ":r=" + rate + ":d=" + length +
                " -vf \"drawtext=fontfile=/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf:"
                "textfile=" +
                lines.string() +
                ":fontsize=13:fontcolor=0xd8d8d8:line_spacing=5:x=8:y=330-18*floor(t*3),"
                "drawbox=x=0:y=0:w=640:h=24:color=0x3a3a4a:t=fill,"
                "drawbox=x=500:y=24:w=140:h=336:color=0x26263a:t=fill,"
                "drawbox=x=520+mod(floor(t*2)\\,4)*25:y=60:w=12:h=18:color=0x80ff80:t=fill\"";
    } else if (name == "camera") {
        graph = "-f lavfi -i testsrc2=s=" + size + ":r=" + rate + ":d=" + length +
                " -vf noise=alls=12:allf=t";
    } else {
        graph = "-f lavfi -i mandelbrot=s=" + size + ":r=" + rate + " -t " + length;
    }
    const std::string command = "ffmpeg -v error -nostdin -y " + graph +
                                " -c:v libx264 -pix_fmt yuv420p " + Quote(path.string());
    std::fprintf(stderr, "making %s\n", path.string().c_str());
    if (!Run(command)) {
        fs::remove(path, error);
        return "";
    }
    return path.string();
}

// The gifski binary of the npm package, installed into the bench folder when missing.
std::string Gifski(std::string& problem) {
    static std::string found;
    static std::string why;
    static bool tried = false;
    if (!tried) {
        tried = true;
        const fs::path prefix = Folder() / "gifski";
        const fs::path binary = prefix / "node_modules" / "gifski" / "bin" / "debian" / "gifski";
        if (!fs::exists(binary)) {
            std::fprintf(stderr, "installing gifski into %s\n", prefix.string().c_str());
            Run("npm install --silent --prefix " + Quote(prefix.string()) + " gifski >&2");
        }
        if (fs::exists(binary) && Run(Quote(binary.string()) + " --version >/dev/null")) {
            found = binary.string();
        } else {
            why = "gifski could not be installed or run (npm install --prefix " + prefix.string() +
                  " gifski)";
        }
    }
    problem = why;
    return found;
}

struct Screens {
    int width = 0;
    int height = 0;
    std::vector<Bytes> frames;  // RGBA
    std::vector<int> delays;    // centiseconds
};

Screens ShownScreens(const Bytes& gif) {
    Screens s;
    if (gif.size() < 10) return s;
    s.width = gif[6] | gif[7] << 8;
    s.height = gif[8] | gif[9] << 8;
    std::vector<vorla::CDib> images;
    vorla::GifSourceAnimation source;
    vorla::bench::DecodeToSource(gif, s.width, s.height, images, source);
    s.frames = vorla::optimized::CompositeScreens(source);
    for (const vorla::GifSourceFrame& f : source.frames) s.delays.push_back(f.delay);
    return s;
}

// The exact frames: rgb24, width x height, top row first.
// roundUp: fps=F:round=up, the frames Vorla picks (the last one not after each output time);
// else fps=F as the peers' graphs pick them (ffmpeg's default rounding, the last frame before
// the half-way point after each output time).
// flags: the scaler's; the peers' own is plain lanczos.
std::vector<Bytes> ExactFrames(const std::string& clip, const Setting& setting, int height,
                               bool roundUp,
                               const std::string& flags = "lanczos+full_chroma_int+accurate_rnd") {
    const fs::path raw =
        Folder() / (fs::path(clip).stem().string() + "-" + std::to_string(setting.fps) + "-" +
                    std::to_string(setting.width) + ".rgb");
    const std::string command =
        "ffmpeg -v error -nostdin -y -i " + Quote(clip) +
        " -vf fps=" + std::to_string(setting.fps) + (roundUp ? ":round=up" : "") +
        ",scale=" + std::to_string(setting.width) + ":" + std::to_string(height) +
        ":flags=" + flags + " -f rawvideo -pix_fmt rgb24 " + Quote(raw.string());
    std::vector<Bytes> frames;
    if (!Run(command)) return frames;
    const Bytes all = ReadAll(raw.string());
    const std::size_t frameSize = std::size_t(setting.width) * height * 3;
    for (std::size_t at = 0; at + frameSize <= all.size(); at += frameSize) {
        frames.emplace_back(all.begin() + at, all.begin() + at + frameSize);
    }
    std::error_code error;
    fs::remove(raw, error);
    return frames;
}

// Fills the quality figures of row from the file at path against exact.
void Measure(const std::string& path, const std::vector<Bytes>& exact, int width, int height,
             int fps, Row& row) {
    const Screens shown = ShownScreens(ReadAll(path));
    row.frames = static_cast<int>(shown.frames.size());
    row.exactFrames = static_cast<int>(exact.size());
    if (shown.width != width || shown.height != height || shown.frames.empty()) {
        row.problem = "size " + std::to_string(shown.width) + "x" + std::to_string(shown.height);
        return;
    }
    // The shown frame for exact frame i: by index, or by time when the counts differ.
    std::vector<std::size_t> pick(exact.size());
    std::vector<long long> starts;  // in 1/(100 fps) units to stay whole
    long long t = 0;
    for (const int d : shown.delays) {
        starts.push_back(t);
        t += static_cast<long long>(d) * fps;
    }
    for (std::size_t i = 0; i < exact.size(); ++i) {
        if (shown.frames.size() == exact.size()) {
            pick[i] = i;
            continue;
        }
        const long long at = static_cast<long long>(i) * 100;
        const auto it = std::upper_bound(starts.begin(), starts.end(), at);
        pick[i] = std::min<std::size_t>(it == starts.begin() ? 0 : (it - starts.begin()) - 1,
                                        shown.frames.size() - 1);
    }
    const std::size_t pixels = std::size_t(width) * height;
    double sumDb = 0;
    double minDb = std::numeric_limits<double>::max();
    double shimmerSum = 0;
    double shimmerSamples = 0;
    for (std::size_t i = 0; i < exact.size(); ++i) {
        const Bytes& want = exact[i];
        const Bytes& have = shown.frames[pick[i]];
        double squares = 0;
        for (std::size_t p = 0; p < pixels; ++p) {
            for (int c = 0; c < 3; ++c) {
                const double d = have[p * 4 + 3] == 0
                                     ? 255.0
                                     : double(want[p * 3 + c]) - double(have[p * 4 + c]);
                squares += d * d;
            }
        }
        const double db =
            squares == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * 3.0 * pixels / squares);
        sumDb += db;
        minDb = std::min(minDb, db);
        if (i == 0) continue;
        const Bytes& wantBefore = exact[i - 1];
        const Bytes& haveBefore = shown.frames[pick[i - 1]];
        for (std::size_t p = 0; p < pixels; ++p) {
            if (want[p * 3] != wantBefore[p * 3] || want[p * 3 + 1] != wantBefore[p * 3 + 1] ||
                want[p * 3 + 2] != wantBefore[p * 3 + 2]) {
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                shimmerSum += std::abs(int(have[p * 4 + c]) - int(haveBefore[p * 4 + c]));
            }
            shimmerSamples += 3;
        }
    }
    if (exact.size() > 1) row.stillShare = shimmerSamples / 3 / double(pixels * (exact.size() - 1));
    row.meanPsnr = sumDb / static_cast<double>(exact.size());
    row.minPsnr = minDb;
    row.shimmer = shimmerSamples > 0 ? shimmerSum / shimmerSamples : -1;
    row.made = true;
}

// gifsicle -O3 of path; its bytes, 0 when it failed.
double Gifsicle(const std::string& path) {
    const std::string out = path + ".O3.gif";
    if (!Run("gifsicle -O3 --no-warnings " + Quote(path) + " -o " + Quote(out))) return 0;
    std::error_code error;
    const auto bytes = fs::file_size(out, error);
    return error ? 0 : static_cast<double>(bytes);
}

// The import as "vorla --video" runs it, writing path; "" or why it failed. importMs: the CPU
// time up to the optimised write.
std::string VorlaVideo(const std::string& clip, const Setting& setting, int lossy,
                       const std::string& path, int& height, double& importMs) {
    const double start = CpuMs();
    vorla::AviFrameReader::SilenceLogging();
    vorla::LibavVideoSource source;
    vorla::LiqVideoQuantizer quantizer;
    vorla::VideoInfo info;
    if (source.Open(clip, info) != vorla::VideoFault::None) return "cannot open the clip";
    vorla::VideoChoice choice;
    choice.fps = setting.fps;
    choice.width = setting.width;
    choice.colours = 256;
    choice.lossy = lossy;
    vorla::VideoPlan plan;
    if (const std::string problem =
            vorla::MakeVideoPlan(info, choice, vorla::FrameTable::kMaxFrames, plan);
        !problem.empty()) {
        return "plan refused";
    }
    height = plan.height;
    vorla::VideoImportResult imported = vorla::ImportVideo(source, quantizer, plan, choice);
    if (imported.fault != vorla::VideoFault::None) return "import failed";
    const vorla::optimized::OwnedAnimation animation = vorla::ToAnimation(std::move(imported));
    importMs = CpuMs() - start;
    vorla::HeadlessUserInterface ui;
    const vorla::optimized::Report report = vorla::optimized::Run(animation.source, ui, path);
    if (report.outcome != vorla::optimized::Outcome::Written) return "write failed";
    return "";
}

std::string Label(const Setting& s) {
    return std::to_string(s.fps) + "fps" + std::to_string(s.width);
}

void VideoRow(benchmark::State& state, const std::string& name, const Setting& setting) {
    for (auto _ : state) {
    }
    const std::string clip = Clip(name);
    if (clip.empty()) return state.SkipWithError("the clip could not be made (ffmpeg)");
    auto& rows = Table()[name][Label(setting)];
    const std::string stem = (Folder() / (name + "-" + Label(setting))).string();
    const std::string fps = std::to_string(setting.fps);
    const std::string width = std::to_string(setting.width);

    // Vorla first: its plan gives the height every tool is checked against.
    int height = 0;
    for (const std::string tool : {"vorla", "vorla-lossy"}) {
        Row& row = rows[tool];
        row.lossy = tool == "vorla" ? 0 : LossyLevel(name);
        const std::string out = stem + "." + tool + ".gif";
        for (int r = 0; r < kRepeats; ++r) {
            const double start = CpuMs();
            double importMs = 0;
            row.problem = VorlaVideo(clip, setting, row.lossy, out, height, importMs);
            const double ms = CpuMs() - start;
            if (!row.problem.empty()) break;
            if (r == 0 || ms < row.cpuMs) {
                row.cpuMs = ms;
                row.importMs = importMs;
            }
        }
        std::error_code error;
        row.ownBytes = static_cast<double>(fs::file_size(out, error));
    }
    if (height == 0) return state.SkipWithError("vorla could not make the GIF");
    const std::vector<Bytes> exactUp = ExactFrames(clip, setting, height, true);
    const std::vector<Bytes> exactNear = ExactFrames(clip, setting, height, false);
    if (exactUp.empty() || exactNear.empty()) {
        return state.SkipWithError("ffmpeg could not decode the exact frames");
    }
    // What the peers' plain lanczos scaling alone loses against the exact frames (4:2:0 chroma
    // taken without full interpolation), before any colour is chosen: ffmpeg's graphs scale to
    // BGRA for palettegen and paletteuse, gifski's PNG frames are RGB, and swscale converts the
    // two differently.
    auto scaleDb = [&](const std::string& flags) {
        const std::vector<Bytes> plain = ExactFrames(clip, setting, height, false, flags);
        if (plain.size() != exactNear.size()) return 0.0;
        double sum = 0;
        for (std::size_t i = 0; i < plain.size(); ++i) {
            double squares = 0;
            for (std::size_t k = 0; k < plain[i].size(); ++k) {
                const double d = double(plain[i][k]) - double(exactNear[i][k]);
                squares += d * d;
            }
            sum += squares == 0
                       ? 99.0
                       : 10 * std::log10(255.0 * 255.0 * double(plain[i].size()) / squares);
        }
        return sum / double(plain.size());
    };
    const double ffmpegScaleDb = scaleDb("lanczos,format=bgra");
    const double gifskiScaleDb = scaleDb("lanczos");

    const std::string scale = "fps=" + fps + ",scale=" + width + ":-2:flags=lanczos";
    const std::map<std::string, std::string> graphs = {
        {"ffmpeg", scale + ",split[a][b];[a]palettegen[p];[b][p]paletteuse"},
        {"ffmpeg-diff",
         scale + ",split[a][b];[a]palettegen=stats_mode=diff[p];[b][p]paletteuse=dither=bayer"},
    };
    for (const auto& [tool, graph] : graphs) {
        Row& row = rows[tool];
        const std::string out = stem + "." + tool + ".gif";
        const std::string command = "ffmpeg -v error -nostdin -y -i " + Quote(clip) +
                                    " -filter_complex \"" + graph + "\" " + Quote(out);
        for (int r = 0; r < kRepeats; ++r) {
            const double start = ChildCpuMs();
            if (!Run(command)) {
                row.problem = "ffmpeg failed";
                break;
            }
            const double ms = ChildCpuMs() - start;
            if (r == 0 || ms < row.cpuMs) row.cpuMs = ms;
        }
    }
    {
        Row& row = rows["gifski"];
        const std::string binary = Gifski(row.problem);
        const std::string out = stem + ".gifski.gif";
        const fs::path pngs = stem + "-png";
        for (int r = 0; !binary.empty() && r < kRepeats; ++r) {
            std::error_code error;
            fs::remove_all(pngs, error);
            fs::create_directories(pngs);
            const double start = ChildCpuMs();
            if (!Run("ffmpeg -v error -nostdin -y -i " + Quote(clip) + " -vf " + scale + " " +
                     Quote((pngs / "f%04d.png").string())) ||
                !Run(Quote(binary) + " --quiet -Q 90 --fps " + fps + " -o " + Quote(out) + " " +
                     Quote(pngs.string()) + "/f*.png")) {
                row.problem = "gifski failed";
                break;
            }
            const double ms = ChildCpuMs() - start;
            if (r == 0 || ms < row.cpuMs) row.cpuMs = ms;
        }
        std::error_code error;
        fs::remove_all(pngs, error);
    }
    for (const char* tool : kTools) {
        Row& row = rows[tool];
        if (!row.problem.empty()) continue;
        const std::string out = stem + "." + tool + ".gif";
        row.bytes = Gifsicle(out);
        if (row.bytes == 0) {
            row.problem = "gifsicle failed";
            continue;
        }
        // gifsicle -O3 shows the same pictures but merges identical neighbouring frames, so the
        // tool's own file is measured.
        const bool vorla = IsVorla(tool);
        Measure(out, vorla ? exactUp : exactNear, setting.width, height, setting.fps, row);
        if (!vorla) row.scaleDb = std::string(tool) == "gifski" ? gifskiScaleDb : ffmpegScaleDb;
        std::error_code error;
        row.ownBytes = static_cast<double>(fs::file_size(out, error));
    }
    state.counters["vorla_bytes"] = rows["vorla"].bytes;
    state.counters["vorla_db"] = rows["vorla"].meanPsnr;
    state.counters["lossy_bytes"] = rows["vorla-lossy"].bytes;
    state.counters["lossy_db"] = rows["vorla-lossy"].meanPsnr;
}

void PrintTable(benchmark::State& state) {
    for (auto _ : state) {
    }
    std::printf("\n%-7s %-9s %-11s %9s %9s %7s %7s %8s %6s %8s %7s %6s\n", "clip", "setting",
                "tool", "own bytes", "O3 bytes", "mean dB", "min dB", "shimmer", "still", "cpu ms",
                "frames", "scale");
    std::vector<std::string> verdicts;
    for (const auto& [clip, settings] : Table()) {
        bool clipMeets = true;
        for (const auto& [label, rows] : settings) {
            for (const char* tool : kTools) {
                const auto found = rows.find(tool);
                if (found == rows.end()) continue;
                const Row& r = found->second;
                if (!r.made) {
                    std::printf("%-7s %-9s %-11s %s\n", clip.c_str(), label.c_str(), tool,
                                r.problem.empty() ? "no figures" : r.problem.c_str());
                    continue;
                }
                const std::string frames =
                    r.frames == r.exactFrames
                        ? std::to_string(r.frames)
                        : std::to_string(r.frames) + "/" + std::to_string(r.exactFrames) + "!";
                char shimmer[32];
                if (r.shimmer < 0) {
                    std::snprintf(shimmer, sizeof shimmer, "-");
                } else {
                    std::snprintf(shimmer, sizeof shimmer, "%.4f", r.shimmer);
                }
                char scale[32] = "-";
                if (r.scaleDb > 0) std::snprintf(scale, sizeof scale, "%.2f", r.scaleDb);
                const std::string name =
                    r.lossy > 0 ? "vorla-l" + std::to_string(r.lossy) : std::string(tool);
                std::printf("%-7s %-9s %-11s %9.0f %9.0f %7.2f %7.2f %8s %5.1f%% %8.0f %7s %6s\n",
                            clip.c_str(), label.c_str(), name.c_str(), r.ownBytes, r.bytes,
                            r.meanPsnr, r.minPsnr, shimmer, 100 * r.stillShare, r.cpuMs,
                            frames.c_str(), scale);
            }
            // The target: less CPU than ffmpeg's two-pass graph (the lossless import), and on the
            // lossless or the lossy row no more bytes than any peer at no lower mean PSNR than
            // any peer, with less shimmer than every peer.
            const auto f = rows.find("ffmpeg");
            const Row* vorla = nullptr;
            std::string figures;
            bool rowMeets = false;
            for (const char* tool : {"vorla", "vorla-lossy"}) {
                const auto v = rows.find(tool);
                if (v == rows.end() || !v->second.made) {
                    figures += std::string("; ") + tool + ": no figures";
                    continue;
                }
                const Row& r = v->second;
                if (vorla == nullptr) vorla = &r;
                bool fewer = true;
                bool sharper = true;
                std::string shimmerBy;
                for (const auto& [peer, p] : rows) {
                    if (IsVorla(peer) || !p.made) continue;
                    fewer = fewer && r.bytes <= p.bytes;
                    sharper = sharper && r.meanPsnr >= p.meanPsnr;
                    if (!(r.shimmer < p.shimmer)) shimmerBy += " " + peer;
                }
                char figure[256];
                std::snprintf(figure, sizeof figure,
                              "; lossy %d: bytes %s (%.0f at %.2f dB, cpu %.0f ms), shimmer %s%s",
                              r.lossy, fewer && sharper ? "yes" : "no", r.bytes, r.meanPsnr,
                              r.cpuMs, shimmerBy.empty() ? "yes" : "no (not below",
                              shimmerBy.empty() ? "" : (shimmerBy + ")").c_str());
                figures += figure;
                rowMeets = rowMeets || (fewer && sharper && shimmerBy.empty());
            }
            if (vorla == nullptr) {
                verdicts.push_back(clip + " " + label + ": no Vorla figures");
                clipMeets = false;
                continue;
            }
            double fewestBytes = 0;
            double bestDb = 0;
            for (const auto& [peer, p] : rows) {
                if (IsVorla(peer) || !p.made) continue;
                if (fewestBytes == 0 || p.bytes < fewestBytes) fewestBytes = p.bytes;
                bestDb = std::max(bestDb, p.meanPsnr);
            }
            const bool cpuLess =
                f != rows.end() && f->second.cpuMs > 0 && vorla->cpuMs < f->second.cpuMs;
            char line[1024];
            std::snprintf(line, sizeof line,
                          "%s %s: cpu %s (%.0f = import %.0f + write %.0f vs ffmpeg %.0f ms); "
                          "peers' fewest bytes %.0f, best mean %.2f dB%s -> %s",
                          clip.c_str(), label.c_str(), cpuLess ? "yes" : "no", vorla->cpuMs,
                          vorla->importMs, vorla->cpuMs - vorla->importMs,
                          f != rows.end() ? f->second.cpuMs : 0.0, fewestBytes, bestDb,
                          figures.c_str(),
                          cpuLess && rowMeets ? "meets the target" : "misses the target");
            verdicts.emplace_back(line);
            clipMeets = clipMeets && cpuLess && rowMeets;
        }
        verdicts.push_back(clip + ": " +
                           (clipMeets ? "meets the target in both settings" : "misses the target"));
    }
    std::printf("\n");
    for (const std::string& v : verdicts) std::printf("%s\n", v.c_str());
    std::printf("\n");
}

const bool kRegistered = [] {
    for (const char* clip : kClips) {
        for (const Setting& setting : kSettings) {
            const std::string name = clip;
            benchmark::RegisterBenchmark(
                ("BM_Video_" + name + "_" + Label(setting)).c_str(),
                [name, setting](benchmark::State& s) { VideoRow(s, name, setting); })
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::RegisterBenchmark("BM_Video_Table", PrintTable)->Iterations(1);
    return true;
}();

}  // namespace
