#include "core/video/VideoImport.h"

#include <algorithm>
#include <cstring>

#include "core/video/OrderedDither.h"
#include "core/video/PaletteRemap.h"

namespace vorla {
namespace {

// Progress units: the sample pass of a shared palette decodes most of the segment too, so it
// takes a share of the bar in proportion to the frames it walks past.
constexpr int kProgressUnits = 1000;
constexpr int kSamplePassUnits = 300;
// A shared palette needs samples from the whole segment before the first frame is remapped. When
// the decoded segment fits in this many bytes it is decoded once and kept; else it is decoded
// twice, the first time for the samples only.
constexpr std::size_t kOnePassBytes = std::size_t{512} << 20;

// The output frames the shared palette is chosen from: the middle of each of `count` equal parts.
std::vector<int> SampleFrames(int frames) {
    const int count = std::min(frames, kPaletteSamples);
    std::vector<int> chosen;
    for (int k = 0; k < count; ++k) {
        chosen.push_back(static_cast<int>((2LL * k + 1) * frames / (2LL * count)));
    }
    return chosen;
}

CDib MakeFrame(const VideoPlan& plan, const std::vector<RgbQuad>& palette,
               const std::vector<std::uint8_t>& indices) {
    CDib dib;
    dib.Create(plan.width, plan.height, 8, static_cast<int>(palette.size()));
    dib.ColorTable() = palette;
    // A one-colour picture still gets the two entries a frame's colour table has at least.
    if (dib.ColorCount() < kMinColours) dib.SetColorCount(kMinColours);
    for (int y = 0; y < plan.height; ++y) {
        std::memcpy(dib.Row(y), indices.data() + static_cast<std::size_t>(y) * plan.width,
                    static_cast<std::size_t>(plan.width));
    }
    return dib;
}

// Indices of one picture against palette, dithered as chosen; pixels marked in still (when not
// null) keep the index indices holds (ordered dithering leaves that to UpdateStillPixels).
void Remap(const std::vector<RgbQuad>& palette, std::unique_ptr<PaletteRemap>& remap,
           std::unique_ptr<OrderedDither>& ordered, const std::uint8_t* rgb, const VideoPlan& plan,
           const VideoChoice& choice, const std::uint8_t* still,
           std::vector<std::uint8_t>& indices) {
    if (choice.dither == VideoChoice::Dither::Ordered) {
        if (!ordered) ordered = std::make_unique<OrderedDither>(palette);
        ordered->Apply(rgb, plan.width, plan.height, indices);
        return;
    }
    if (!remap) remap = std::make_unique<PaletteRemap>(palette, choice.lossy);
    remap->Apply(rgb, plan.width, plan.height, choice.dither == VideoChoice::Dither::Diffusion,
                 still, indices);
}

}  // namespace

VideoImportResult ImportVideo(VideoSource& source, VideoQuantizer& quantizer, const VideoPlan& plan,
                              const VideoChoice& choice, const GifProgress& progress) {
    VideoImportResult result;
    const std::vector<double> times = plan.Times();
    const bool shared = choice.palette == VideoChoice::Palette::Shared;
    const std::size_t pixels =
        static_cast<std::size_t>(plan.width) * static_cast<std::size_t>(plan.height);
    auto tell = [&](int units) { return !progress || progress(units, kProgressUnits); };
    const int firstUnit = shared ? kSamplePassUnits : 0;

    std::vector<RgbQuad> palette;
    std::unique_ptr<PaletteRemap> remap;
    std::unique_ptr<OrderedDither> ordered;
    std::vector<std::uint8_t> indices;
    std::vector<std::uint8_t> reference;
    std::vector<std::uint8_t> previous;
    std::vector<std::uint8_t> still;
    bool failed = false;
    // One decoded picture made into a frame; false stops the work.
    auto take = [&](const std::uint8_t* rgb) {
        if (!shared) {
            palette = quantizer.ChoosePalette({rgb}, plan.width, plan.height, plan.colours);
            remap.reset();
            ordered.reset();
        }
        if (palette.empty()) {
            failed = true;
            return false;
        }
        if (shared) {
            MarkStillPixels(rgb, pixels, kStillTolerance, reference, still);
            if (choice.lossy > 0) {
                MarkCloseEntries(rgb, pixels, palette, previous, LossyTolerance(choice.lossy),
                                 still);
            }
            // The marked pixels keep their indices: the remapping leaves them, and indices still
            // holds the last frame's (UpdateStillPixels made it equal previous).
        }
        Remap(palette, remap, ordered, rgb, plan, choice, shared ? still.data() : nullptr, indices);
        if (shared) UpdateStillPixels(rgb, pixels, still, reference, previous, indices);
        result.frames.push_back(MakeFrame(plan, palette, indices));
        return true;
    };
    auto choose = [&](const std::vector<const std::uint8_t*>& pictures) {
        palette = quantizer.ChoosePalette(pictures, plan.width, plan.height, plan.colours);
        return !palette.empty();
    };
    const std::vector<int> sampleFrames = SampleFrames(plan.frameCount);
    const std::size_t pictureBytes = 3 * pixels;
    VideoFault fault = VideoFault::None;
    if (shared && pictureBytes * static_cast<std::size_t>(plan.frameCount) <= kOnePassBytes) {
        std::vector<std::vector<std::uint8_t>> decoded;
        fault =
            source.Decode(times, plan.width, plan.height, [&](int index, const std::uint8_t* rgb) {
                decoded.emplace_back(rgb, rgb + pictureBytes);
                return tell(kSamplePassUnits * (index + 1) / plan.frameCount);
            });
        if (fault != VideoFault::None && fault != VideoFault::EndedEarly) {
            result.fault = fault;
            return result;
        }
        // The samples a second pass would decode, among the pictures there are.
        std::vector<const std::uint8_t*> pictures;
        for (const int frame : sampleFrames) {
            if (static_cast<std::size_t>(frame) < decoded.size()) {
                pictures.push_back(decoded[static_cast<std::size_t>(frame)].data());
            }
        }
        if (pictures.empty() && !decoded.empty()) pictures.push_back(decoded.front().data());
        if (!decoded.empty() && !choose(pictures)) {
            result.fault = VideoFault::Damaged;
            return result;
        }
        for (std::size_t i = 0; i < decoded.size() && !failed; ++i) {
            if (!take(decoded[i].data())) break;
            std::vector<std::uint8_t>().swap(decoded[i]);  // remapped: no longer needed
            if (!tell(firstUnit +
                      (kProgressUnits - firstUnit) * static_cast<int>(i + 1) / plan.frameCount)) {
                result.frames.clear();
                result.fault = VideoFault::Cancelled;
                return result;
            }
        }
    } else {
        if (shared) {
            std::vector<double> sampleTimes;
            for (const int frame : sampleFrames) {
                sampleTimes.push_back(times[static_cast<std::size_t>(frame)]);
            }
            std::vector<std::vector<std::uint8_t>> samples;
            const VideoFault sampled = source.Decode(
                sampleTimes, plan.width, plan.height, [&](int index, const std::uint8_t* rgb) {
                    samples.emplace_back(rgb, rgb + pictureBytes);
                    return tell(kSamplePassUnits *
                                (sampleFrames[static_cast<std::size_t>(index)] + 1) /
                                plan.frameCount);
                });
            // A clip that ends early still gives a palette from what it has; the main pass
            // says so.
            if (sampled != VideoFault::None && sampled != VideoFault::EndedEarly) {
                result.fault = sampled;
                return result;
            }
            std::vector<const std::uint8_t*> pictures;
            for (const auto& sample : samples) pictures.push_back(sample.data());
            if (!choose(pictures)) {
                result.fault = VideoFault::Damaged;
                return result;
            }
        }
        fault =
            source.Decode(times, plan.width, plan.height, [&](int index, const std::uint8_t* rgb) {
                return take(rgb) && tell(firstUnit + (kProgressUnits - firstUnit) * (index + 1) /
                                                         plan.frameCount);
            });
    }
    if (failed || (fault != VideoFault::None && fault != VideoFault::EndedEarly) ||
        result.frames.empty()) {
        result.frames.clear();
        result.fault = failed ? VideoFault::Damaged
                              : (fault == VideoFault::EndedEarly ? VideoFault::Damaged : fault);
        return result;
    }
    result.fault = fault;
    result.delays = plan.Delays(static_cast<int>(result.frames.size()));
    return result;
}

optimized::OwnedAnimation ToAnimation(VideoImportResult&& result) {
    optimized::OwnedAnimation animation;
    animation.source.loop = true;
    for (std::size_t i = 0; i < result.frames.size(); ++i) {
        animation.images.push_back(std::make_unique<CDib>(std::move(result.frames[i])));
        const CDib& image = *animation.images.back();
        animation.source.screenWidth = image.Width();
        animation.source.screenHeight = image.Height();
        animation.source.frames.push_back({&image, 0, 0, result.delays[i], 1, -1});
    }
    return animation;
}

}  // namespace vorla
