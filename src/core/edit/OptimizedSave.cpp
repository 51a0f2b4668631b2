#include "core/edit/OptimizedSave.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "core/gif/GifCanvas.h"
#include "core/gif/GifDecoder.h"
#include "core/model/ByteStream.h"
#include "core/model/FrameTable.h"
#include "core/port/Imaging.h"
#include "core/port/UserInterface.h"

namespace vorla::optimized {

GifSourceAnimation SourceOf(const FrameTable& table) {
    GifSourceAnimation source;
    source.screenWidth = table.settings.screenWidth;
    source.screenHeight = table.settings.screenHeight;
    source.loop = table.settings.loopForever;
    for (int i = 0; i < table.frameCount; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        const FrameEntry& entry = table.entries[slot];
        source.frames.push_back({&table.frameImages[slot], entry.left, entry.top, entry.delay,
                                 entry.WrittenDisposal(),
                                 entry.transparent ? entry.transparentIndex : -1});
    }
    return source;
}

bool ReadWholeGif(std::span<const std::uint8_t> bytes, OwnedAnimation& out, std::string& problem,
                  std::uint64_t maxBytes) {
    out = OwnedAnimation{};
    std::uint64_t held = 0;
    bool tooLarge = false;
    bool cutShort = false;
    GifSourceAnimation& source = out.source;
    const GifScanResult scan =
        GifDecoder::DecodeAllImages(bytes, SIZE_MAX, [&](const GifPageInfo& page, CDib&& image) {
            // Damaged: refused below, and what follows is not held meanwhile.
            if (page.cutShort) {
                cutShort = true;
                return false;
            }
            held +=
                static_cast<std::uint64_t>(page.width) * static_cast<std::uint64_t>(page.height);
            source.screenWidth =
                std::max({source.screenWidth, page.screenWidth, page.left + page.width});
            source.screenHeight =
                std::max({source.screenHeight, page.screenHeight, page.top + page.height});
            if (held > maxBytes ||
                std::uint64_t(source.screenWidth) * std::uint64_t(source.screenHeight) >
                    GifDecoder::kMaxPixels) {
                tooLarge = true;
                return false;
            }
            // Looping as an opened file plays: with a looping block before the first image.
            if (source.frames.empty()) source.loop = page.loopBlock;
            const FrameEntry entry = FrameEntry::FromGifPage(page);
            out.images.push_back(std::make_unique<CDib>(std::move(image)));
            source.frames.push_back({out.images.back().get(), entry.left, entry.top, entry.delay,
                                     entry.WrittenDisposal(),
                                     entry.transparent ? entry.transparentIndex : -1});
            return true;
        });
    if (tooLarge) {
        problem = "이미지가 너무 크거나 많아 한 번에 다룰 수 없습니다.";
    } else if (cutShort || !scan.complete || scan.cutShort || source.frames.empty()) {
        problem = "GIF 파일이 손상되어 끝까지 읽을 수 없습니다.";
    } else {
        return true;
    }
    out = OwnedAnimation{};
    return false;
}

Report Measure(const GifSourceAnimation& source, const GifProgress& progress,
               const GifOptimizeOptions& options) {
    Report report;
    GifOptimizeResult result = OptimizeGif(source, progress, options);
    switch (result.status) {
        case GifOptimizeResult::Status::Written:
            report.outcome = Outcome::Written;
            report.bytes = static_cast<std::int64_t>(result.bytes.size());
            report.frameBytes = std::move(result.frameBytes);
            break;
        case GifOptimizeResult::Status::Cancelled: report.outcome = Outcome::Cancelled; break;
        case GifOptimizeResult::Status::Failed:
            report.outcome = Outcome::Failed;
            report.problem = result.error;
            break;
    }
    return report;
}

Report Run(const GifSourceAnimation& source, UserInterface& ui, const std::string& path,
           const GifOptimizeOptions& options, std::int64_t limit) {
    Report report;
    const int frames = static_cast<int>(source.frames.size());
    std::unique_ptr<WorkProgress> dialog = ui.CreateProgress();
    dialog->SetTitle("최적화하여 저장");
    dialog->SetStatusText("최적화하는 중...");
    dialog->SetRange(0, 2 * frames);
    dialog->Show();
    int offset = 0;
    // One pump per frame; Cancel and a quitting program both stop the work.
    const GifProgress step = [&](int done, int) {
        dialog->SetPosition(offset + done);
        return ui.PumpMessages() && !dialog->Cancelled();
    };
    GifOptimizeResult result = OptimizeGif(source, step, options);
    if (result.status == GifOptimizeResult::Status::Cancelled) {
        report.outcome = Outcome::Cancelled;
        return report;
    }
    if (result.status != GifOptimizeResult::Status::Written) {
        report.problem = result.error;
        ui.ShowMessage("최적화한 파일을 만들 수 없습니다. (" + result.error + ")");
        return report;
    }
    report.bytes = static_cast<std::int64_t>(result.bytes.size());
    report.frameBytes = result.frameBytes;
    if (limit >= 0 && report.bytes > limit) {
        report.outcome = Outcome::TooLarge;
        return report;
    }
    if (path.empty()) {
        report.outcome = Outcome::Written;
        return report;
    }
    dialog->SetStatusText("확인하는 중...");
    offset = frames;
    bool stopped = false;
    const std::string problem = VerifyOptimizedGif(
        source, result.bytes,
        [&](int done, int total) {
            stopped = !step(done, total);
            return !stopped;
        },
        options);
    if (stopped) {
        report.outcome = Outcome::Cancelled;
        return report;
    }
    if (!problem.empty()) {
        // The writer's fault: nothing is written, and the user learns why.
        report.outcome = Outcome::Mismatch;
        report.problem = problem;
        ui.ShowMessage("최적화한 파일이 원래 프레임과 다르게 보여 저장하지 않았습니다. (" +
                       problem + ")");
        return report;
    }
    if (!WriteFileAtomically(path, result.bytes)) {
        report.outcome = Outcome::NotWritable;
        ui.ShowMessage(path + "에 저장할 수 없습니다.");
        return report;
    }
    report.outcome = Outcome::Written;
    return report;
}

std::vector<std::vector<std::uint8_t>> CompositeScreens(const GifSourceAnimation& source) {
    std::vector<std::vector<std::uint8_t>> screens;
    GifCanvas canvas;
    canvas.Reset(source.screenWidth, source.screenHeight);
    for (const GifSourceFrame& frame : source.frames) {
        const bool usable = frame.image != nullptr && frame.image->BitCount() == 8;
        if (usable) {
            canvas.Draw(*frame.image, frame.left, frame.top,
                        GifCanvas::ColourValues(*frame.image, frame.transparentIndex));
        }
        std::vector<std::uint8_t> rgba(canvas.Pixels().size() * 4);
        for (std::size_t p = 0; p < canvas.Pixels().size(); ++p) {
            const std::uint32_t v = canvas.Pixels()[p];
            if (v == 0) continue;
            rgba[4 * p] = static_cast<std::uint8_t>(RedOf(v));
            rgba[4 * p + 1] = static_cast<std::uint8_t>(GreenOf(v));
            rgba[4 * p + 2] = static_cast<std::uint8_t>(BlueOf(v));
            rgba[4 * p + 3] = 255;
        }
        screens.push_back(std::move(rgba));
        if (usable) canvas.Dispose(frame.disposal);
    }
    return screens;
}

namespace {

// Screens of one size with their delays, ready to become frames.
struct Screens {
    int width = 0;
    int height = 0;
    bool loop = false;
    std::vector<std::vector<std::uint8_t>> rgba;
    std::vector<int> delays;
};

// Every screen as a whole-screen frame of palette + indices: the transparent entry is the one
// past the colours, and each frame clears itself after its delay, so each screen shows exactly.
std::shared_ptr<OwnedAnimation> Build(const Screens& screens, const std::vector<RgbQuad>& palette,
                                      const std::vector<std::vector<std::uint8_t>>& indices) {
    auto owned = std::make_shared<OwnedAnimation>();
    owned->source.screenWidth = screens.width;
    owned->source.screenHeight = screens.height;
    owned->source.loop = screens.loop;
    const int transparent = static_cast<int>(palette.size());
    for (std::size_t k = 0; k < indices.size(); ++k) {
        auto image = std::make_unique<CDib>();
        image->Create(screens.width, screens.height, 8, transparent + 1);
        std::copy(palette.begin(), palette.end(), image->ColorTable().begin());
        for (int y = 0; y < screens.height; ++y) {
            std::memcpy(image->Row(y),
                        indices[k].data() + static_cast<std::size_t>(y) * screens.width,
                        static_cast<std::size_t>(screens.width));
        }
        owned->source.frames.push_back({image.get(), 0, 0, screens.delays[k], 2, transparent});
        owned->images.push_back(std::move(image));
    }
    return owned;
}

// The screens' own colours when they are at most 255, else the shared quantiser's.
std::shared_ptr<OwnedAnimation> Exactly(const Screens& screens, Imaging& imaging) {
    std::unordered_map<std::uint32_t, std::uint8_t> index;
    std::vector<RgbQuad> palette;
    std::vector<std::vector<std::uint8_t>> indices;
    bool exact = true;
    for (const auto& rgba : screens.rgba) {
        std::vector<std::uint8_t> out(rgba.size() / 4);
        for (std::size_t p = 0; exact && p < out.size(); ++p) {
            if (rgba[4 * p + 3] == 0) {
                out[p] = 255;  // renumbered below, once the colours are counted
                continue;
            }
            const std::uint32_t key = static_cast<std::uint32_t>(rgba[4 * p]) |
                                      (static_cast<std::uint32_t>(rgba[4 * p + 1]) << 8) |
                                      (static_cast<std::uint32_t>(rgba[4 * p + 2]) << 16);
            auto [it, added] = index.try_emplace(key, static_cast<std::uint8_t>(palette.size()));
            if (added) {
                if (palette.size() == 255) {
                    exact = false;
                    break;
                }
                palette.push_back(RgbQuad::FromColorref(key));
            }
            out[p] = it->second;
        }
        if (!exact) break;
        indices.push_back(std::move(out));
    }
    if (!exact) {
        if (!imaging.QuantizeShared(screens.rgba, screens.width, screens.height, 255, palette,
                                    indices)) {
            return nullptr;
        }
        return Build(screens, palette, indices);
    }
    // Transparent pixels were marked 255; their index is the one past the colours.
    for (auto& frame : indices) {
        for (std::uint8_t& v : frame) {
            if (v == 255) v = static_cast<std::uint8_t>(palette.size());
        }
    }
    return Build(screens, palette, indices);
}

// Each pixel of the smaller screen: the average colour of the opaque pixels it covers, opaque
// when at least half of them are.
std::vector<std::uint8_t> Shrink(const std::vector<std::uint8_t>& rgba, int width, int height,
                                 int newWidth, int newHeight) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(newWidth) * newHeight * 4, 0);
    for (int y = 0; y < newHeight; ++y) {
        const int y0 = y * height / newHeight;
        const int y1 = std::max(y0 + 1, (y + 1) * height / newHeight);
        for (int x = 0; x < newWidth; ++x) {
            const int x0 = x * width / newWidth;
            const int x1 = std::max(x0 + 1, (x + 1) * width / newWidth);
            unsigned sum[3] = {0, 0, 0};
            unsigned opaque = 0;
            unsigned all = 0;
            for (int sy = y0; sy < y1; ++sy) {
                for (int sx = x0; sx < x1; ++sx, ++all) {
                    const std::uint8_t* p = &rgba[(static_cast<std::size_t>(sy) * width + sx) * 4];
                    if (p[3] == 0) continue;
                    ++opaque;
                    for (int c = 0; c < 3; ++c) sum[c] += p[c];
                }
            }
            if (opaque * 2 < all || opaque == 0) continue;
            std::uint8_t* q = &out[(static_cast<std::size_t>(y) * newWidth + x) * 4];
            for (int c = 0; c < 3; ++c) q[c] = static_cast<std::uint8_t>(sum[c] / opaque);
            q[3] = 255;
        }
    }
    return out;
}

}  // namespace

std::string FitLabel(const FitOption& option) {
    switch (option.way) {
        case FitWay::Lossy: return "손실 압축 (" + std::to_string(option.amount) + ")";
        case FitWay::FewerColors: return "색 수 줄이기 (" + std::to_string(option.amount) + "색)";
        case FitWay::DropFrames:
            return "프레임 솎아내기 (" + std::to_string(option.amount) + "장마다 1장)";
        case FitWay::ScaleDown: return "크기 줄이기 (" + std::to_string(option.amount) + "%)";
    }
    return {};
}

const GifSourceAnimation& WrittenSource(const FitOption& option,
                                        const GifSourceAnimation& planned) {
    return option.animation ? option.animation->source : planned;
}

std::vector<FitOption> PlanFit(const GifSourceAnimation& source, Imaging& imaging,
                               std::int64_t limit, const GifProgress& progress,
                               const GifOptimizeOptions& options) {
    static constexpr int kLossy[] = {20, 40, 60, 80, kMaxLossy};
    static constexpr int kColors[] = {128, 64, 32, 16, 8, 4, 2};
    static constexpr int kDrops[] = {4, 3, 2};
    static constexpr int kScales[] = {90, 80, 70, 60, 50, 40, 30, 25};
    // Only levels above the one already asked for can make the file smaller.
    std::vector<int> lossy;
    for (const int level : kLossy) {
        if (level > options.lossy) lossy.push_back(level);
    }
    const int tries = static_cast<int>(lossy.size()) + 7 + 3 + 8;
    const int frames = std::max<int>(1, static_cast<int>(source.frames.size()));

    Screens all;
    all.width = source.screenWidth;
    all.height = source.screenHeight;
    all.loop = source.loop;
    all.rgba = CompositeScreens(source);
    for (const GifSourceFrame& frame : source.frames) all.delays.push_back(frame.delay);

    int tried = 0;
    bool cancelled = false;
    // The optimised size of one try, pumping per frame through progress.
    auto sizeOf = [&](const GifSourceAnimation& animation,
                      const GifOptimizeOptions& written) -> std::int64_t {
        const int base = tried++ * frames;
        const GifOptimizeResult result = OptimizeGif(
            animation,
            [&](int done, int) {
                if (progress && !progress(base + done, tries * frames)) cancelled = true;
                return !cancelled;
            },
            written);
        return result.status == GifOptimizeResult::Status::Written
                   ? static_cast<std::int64_t>(result.bytes.size())
                   : -1;
    };
    // Tries the amounts mildest first; the first that fits is the way's answer. make(amount,
    // candidate) sets what the candidate writes, false when it cannot be made.
    auto plan = [&](FitWay way, std::span<const int> amounts, auto make) {
        FitOption option;
        option.way = way;
        option.options = options;
        for (const int amount : amounts) {
            FitOption candidate{way, amount, -1, false, options, nullptr};
            if (!make(amount, candidate)) continue;
            candidate.bytes = sizeOf(WrittenSource(candidate, source), candidate.options);
            if (cancelled) return option;
            if (candidate.bytes < 0) continue;
            candidate.fits = candidate.bytes <= limit;
            option = std::move(candidate);
            if (option.fits) break;
        }
        return option;
    };
    // The other ways write frames of their own.
    auto ownFrames = [](auto build) {
        return [build](int amount, FitOption& candidate) {
            candidate.animation = build(amount);
            return candidate.animation != nullptr;
        };
    };

    std::vector<FitOption> ways;
    if (!lossy.empty()) {
        ways.push_back(plan(FitWay::Lossy, lossy, [](int level, FitOption& candidate) {
            candidate.options.lossy = level;
            return true;
        }));
        if (cancelled) return {};
    }
    ways.push_back(plan(FitWay::FewerColors, kColors, ownFrames([&](int colors) {
                            std::vector<RgbQuad> palette;
                            std::vector<std::vector<std::uint8_t>> indices;
                            if (!imaging.QuantizeShared(all.rgba, all.width, all.height, colors,
                                                        palette, indices)) {
                                return std::shared_ptr<OwnedAnimation>();
                            }
                            return Build(all, palette, indices);
                        })));
    if (cancelled) return {};
    ways.push_back(plan(FitWay::DropFrames, kDrops, ownFrames([&](int k) {
                            Screens kept;
                            kept.width = all.width;
                            kept.height = all.height;
                            kept.loop = all.loop;
                            for (std::size_t i = 0; i < all.rgba.size(); ++i) {
                                // Frame 0 is never the k-th: every dropped frame has one before it.
                                if (static_cast<int>(i % static_cast<std::size_t>(k)) == k - 1) {
                                    kept.delays.back() =
                                        std::min(65535, kept.delays.back() + all.delays[i]);
                                    continue;
                                }
                                kept.rgba.push_back(all.rgba[i]);
                                kept.delays.push_back(all.delays[i]);
                            }
                            return Exactly(kept, imaging);
                        })));
    if (cancelled) return {};
    ways.push_back(plan(FitWay::ScaleDown, kScales, ownFrames([&](int percent) {
                            Screens small;
                            small.width = std::max(1, all.width * percent / 100);
                            small.height = std::max(1, all.height * percent / 100);
                            small.loop = all.loop;
                            small.delays = all.delays;
                            for (const auto& rgba : all.rgba) {
                                small.rgba.push_back(
                                    Shrink(rgba, all.width, all.height, small.width, small.height));
                            }
                            return Exactly(small, imaging);
                        })));
    if (cancelled) return {};
    return ways;
}

}  // namespace vorla::optimized
