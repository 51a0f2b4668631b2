#include "core/edit/FrameExpansion.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "core/effects/PaletteOps.h"
#include "core/gif/GifCanvas.h"
#include "core/model/CDib.h"
#include "core/model/FrameTable.h"
#include "core/port/Imaging.h"
#include "core/port/UserInterface.h"
#include "core/port/WorkProgress.h"

namespace vorla::edit {

namespace {

// Screen values (GifCanvas::ColourValues): 0 is transparent, a colour 0xFF000000 | Colorref.
constexpr std::uint32_t kOpaque = 0xFF000000u;
// The progress dialog appears only for work that lasts longer than this.
constexpr auto kProgressAfter = std::chrono::milliseconds(300);

std::size_t Slot(int k) {
    return static_cast<std::size_t>(k);
}

// An entry's indices as screen colours (GifCanvas::ColourValues).
GifCanvas::Values ScreenValues(const CDib& image, const FrameEntry& entry) {
    return GifCanvas::ColourValues(image, entry.transparent ? entry.transparentIndex : -1);
}

// One expanded frame before it replaces the table's.
using Expanded = ScreenPicture;

// The composite as an 8-bit picture over the frame's own palette plus the colours it lacks;
// false when they come to more than 256 entries.
bool ExactPicture(const CDib& own, int ownColours, int ownTransparent,
                  const std::vector<std::uint32_t>& screen, int width, int height, Expanded& out) {
    const int size = std::max(1, std::min(ownColours, 256));
    std::vector<Colorref> palette;
    for (int i = 0; i < size; ++i) palette.push_back(own.PaletteColor(i));
    const bool hadIndex = ownTransparent >= 0 && ownTransparent < size;
    int transparent = hadIndex ? ownTransparent : -1;
    std::unordered_map<std::uint32_t, int> index;
    for (int i = 0; i < size; ++i) {
        if (i != transparent) index.emplace(kOpaque | palette[Slot(i)], i);
    }
    std::vector<std::uint8_t> pixels(screen.size());
    std::uint32_t lastValue = 1;  // no screen value: 0 is transparent, colours have kOpaque
    int lastIndex = 0;
    for (std::size_t p = 0; p < screen.size(); ++p) {
        const std::uint32_t value = screen[p];
        if (value != lastValue) {
            if (value == 0) {
                if (transparent < 0) {
                    if (palette.size() >= 256) return false;
                    transparent = static_cast<int>(palette.size());
                    palette.push_back(0);
                }
                lastIndex = transparent;
            } else {
                auto found = index.find(value);
                if (found == index.end()) {
                    if (palette.size() >= 256) return false;
                    found = index.emplace(value, static_cast<int>(palette.size())).first;
                    palette.push_back(value & ~kOpaque);
                }
                lastIndex = found->second;
            }
            lastValue = value;
        }
        pixels[p] = static_cast<std::uint8_t>(lastIndex);
    }
    out.image.Create(width, height, 8, static_cast<int>(palette.size()));
    for (std::size_t i = 0; i < palette.size(); ++i)
        out.image.SetPaletteColor(static_cast<int>(i), palette[i]);
    for (int y = 0; y < height; ++y)
        std::copy_n(pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width),
                    width, out.image.Row(y));
    out.transparentIndex = transparent;
    out.keepsKeySlot = hadIndex;
    return true;
}

// The composite reduced to 255 colours by the imaging port, transparency on its own index.
bool QuantisedPicture(Imaging& imaging, const std::vector<std::uint32_t>& screen, int width,
                      int height, Expanded& out) {
    std::vector<std::uint8_t> rgba(screen.size() * 4);
    bool anyTransparent = false;
    for (std::size_t p = 0; p < screen.size(); ++p) {
        const std::uint32_t v = screen[p];
        const Colorref c = v & ~kOpaque;
        rgba[4 * p] = static_cast<std::uint8_t>(RedOf(c));
        rgba[4 * p + 1] = static_cast<std::uint8_t>(GreenOf(c));
        rgba[4 * p + 2] = static_cast<std::uint8_t>(BlueOf(c));
        rgba[4 * p + 3] = v == 0 ? 0 : 255;
        anyTransparent = anyTransparent || v == 0;
    }
    std::vector<std::vector<std::uint8_t>> frames;
    frames.push_back(std::move(rgba));
    std::vector<RgbQuad> palette;
    std::vector<std::vector<std::uint8_t>> indices;
    if (!imaging.QuantizeShared(frames, width, height, 255, palette, indices) ||
        indices.size() != 1 || indices[0].size() != screen.size() || palette.empty())
        return false;
    const int colours = static_cast<int>(palette.size()) + (anyTransparent ? 1 : 0);
    out.image.Create(width, height, 8, colours);
    for (std::size_t i = 0; i < palette.size(); ++i) out.image.ColorTable()[i] = palette[i];
    for (int y = 0; y < height; ++y)
        std::copy_n(
            indices[0].data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width),
            width, out.image.Row(y));
    out.transparentIndex = anyTransparent ? static_cast<int>(palette.size()) : -1;
    out.keepsKeySlot = false;
    out.quantised = true;
    return true;
}

// Puts an expanded picture in place of frame k: at 0,0, the screen's size, disposal 1 - or 2
// when the frame's own disposal changed the screen for the next frame. The next frame is then
// expanded too (ExpansionClosure) and shows everything itself, but where it is transparent the
// screen behind it must be as empty as the original left it: a full-screen clear does that.
void Replace(FrameTable& table, int k, Expanded&& expanded) {
    FrameEntry& entry = table.entries[Slot(k)];
    CDib& image = table.frameImages[Slot(k)];
    const int disposal = entry.WrittenDisposal() == 1 ? 1 : 2;
    image = std::move(expanded.image);
    const int colours = std::min(image.ColorCount(), effects::kMaxPaletteEntries);
    entry.left = 0;
    entry.top = 0;
    entry.width = static_cast<std::int16_t>(image.Width());
    entry.height = static_cast<std::int16_t>(image.Height());
    entry.colorCount = static_cast<std::int16_t>(colours);
    entry.controlFlags =
        static_cast<std::uint8_t>((entry.controlFlags & ~(7 << 2)) | (disposal << 2));
    entry.restoreBackground = disposal == 2 ? 1 : 0;
    if (expanded.transparentIndex < 0) {
        entry.transparent = 0;
        entry.transparentIndex = static_cast<std::uint8_t>(colours - 1);
    } else if (expanded.keepsKeySlot) {
        // The entry still holds the key colour; new colours may have come near it.
        effects::RecomputeKeyColor(table, k);
    } else {
        entry.transparent = 1;
        entry.transparentIndex = static_cast<std::uint8_t>(expanded.transparentIndex);
        table.SetKeyColor(k);
    }
}

// Expands `frames` (ascending, closed); step(done) false stops with nothing changed.
enum class Run { Done, Stopped, Failed };
Run Expand(FrameTable& table, const std::vector<int>& frames, ExpansionResult& result,
           const std::function<bool(int)>& step) {
    if (frames.empty()) return Run::Done;
    const int width = table.settings.screenWidth;
    const int height = table.settings.screenHeight;
    if (width < 1 || height < 1) return Run::Failed;
    GifCanvas canvas;
    canvas.Reset(width, height);
    std::vector<std::pair<int, Expanded>> made;
    std::size_t next = 0;
    for (int k = 0; k <= frames.back(); ++k) {
        const CDib& image = table.frameImages[Slot(k)];
        const FrameEntry& entry = table.entries[Slot(k)];
        canvas.Draw(image, entry.left, entry.top, ScreenValues(image, entry));
        if (frames[next] == k) {
            Expanded expanded;
            if (!PictureOfScreen(table.Images(), image, effects::PaletteSize(image, entry),
                                 entry.transparent ? entry.transparentIndex : -1, canvas.Pixels(),
                                 width, height, expanded))
                return Run::Failed;
            made.emplace_back(k, std::move(expanded));
            ++next;
        }
        canvas.Dispose(entry.WrittenDisposal());
        if (!step(k + 1)) return Run::Stopped;
    }
    for (auto& [k, expanded] : made) {
        result.quantised += expanded.quantised ? 1 : 0;
        Replace(table, k, std::move(expanded));
        table.RebuildDisplayImages(k, true, true, false);
    }
    result.frames = frames;
    result.done = true;
    return Run::Done;
}

}  // namespace

bool PictureOfScreen(Imaging& imaging, const CDib& own, int ownColours, int ownTransparent,
                     const std::vector<std::uint32_t>& screen, int width, int height,
                     ScreenPicture& out) {
    return ExactPicture(own, ownColours, ownTransparent, screen, width, height, out) ||
           QuantisedPicture(imaging, screen, width, height, out);
}

std::vector<int> ExpansionClosure(const FrameTable& table, std::vector<int> wanted) {
    std::vector<bool> in(Slot(table.frameCount), false);
    for (int k : wanted)
        if (k >= 0 && k < table.frameCount) in[Slot(k)] = true;
    std::vector<int> frames;
    for (int k = 0; k < table.frameCount; ++k) {
        if (!in[Slot(k)]) continue;
        frames.push_back(k);
        if (table.entries[Slot(k)].WrittenDisposal() != 1 && k + 1 < table.frameCount)
            in[Slot(k + 1)] = true;
    }
    return frames;
}

bool ExpandFramesInPlace(FrameTable& table, const std::vector<int>& frames,
                         ExpansionResult& result) {
    return Expand(table, ExpansionClosure(table, frames), result, [](int) { return true; }) ==
           Run::Done;
}

ExpansionResult ExpandSelectedFrames(FrameTable& table) {
    ExpansionResult result;
    std::vector<int> wanted;
    for (int k = 0; k < table.frameCount; ++k)
        if (table.entries[Slot(k)].selected) wanted.push_back(k);
    if (wanted.empty())
        for (int k = 0; k < table.frameCount; ++k) wanted.push_back(k);
    const std::vector<int> frames = ExpansionClosure(table, wanted);
    if (frames.empty()) return result;

    UserInterface& ui = table.Ui();
    std::unique_ptr<WorkProgress> progress = ui.CreateProgress();
    progress->SetTitle("프레임 펼치기");
    progress->SetStatusText("프레임을 펼치는 중입니다...");
    progress->SetRange(0, frames.back() + 1);
    const auto start = std::chrono::steady_clock::now();
    const bool wasBusy = table.busy;
    table.busy = true;
    const Run run = Expand(table, frames, result, [&](int done) {
        if (!progress->IsShown()) {
            if (std::chrono::steady_clock::now() - start < kProgressAfter) return true;
            progress->Show();
        }
        progress->SetPosition(done);
        return ui.PumpMessages() && !progress->Cancelled();
    });
    progress.reset();
    table.busy = wasBusy;
    if (run == Run::Stopped) {
        result.cancelled = true;
        return result;
    }
    if (run == Run::Failed) {
        ReportProgramError(ui, "61402", false);
        return result;
    }
    table.Host().MarkModified();
    table.Host().RecordSnapshot();
    table.Host().Invalidate();
    if (result.quantised > 0) {
        ui.ShowMessage(std::to_string(result.quantised) +
                       "개 프레임은 색이 256가지를 넘어 색 수를 줄였습니다.");
    }
    return result;
}

bool AnyFrameDependsOnEarlier(const FrameTable& table) {
    const int width = table.settings.screenWidth;
    const int height = table.settings.screenHeight;
    if (table.frameCount < 2 || width < 1 || height < 1) return false;
    GifCanvas canvas;
    canvas.Reset(width, height);
    for (int k = 0; k < table.frameCount; ++k) {
        const CDib& image = table.frameImages[Slot(k)];
        const FrameEntry& entry = table.entries[Slot(k)];
        const bool covers = entry.left <= 0 && entry.top <= 0 &&
                            entry.left + image.Width() >= width &&
                            entry.top + image.Height() >= height;
        // An opaque frame over the whole screen hides everything before it.
        if (k > 0 && !(covers && !entry.transparent)) {
            const std::vector<std::uint32_t>& screen = canvas.Pixels();
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    if (screen[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                               static_cast<std::size_t>(x)] == 0)
                        continue;
                    const int ix = x - entry.left, iy = y - entry.top;
                    const bool painted =
                        ix >= 0 && iy >= 0 && ix < image.Width() && iy < image.Height() &&
                        !(entry.transparent && image.Index(ix, iy) == entry.transparentIndex);
                    if (!painted) return true;
                }
            }
        }
        canvas.Draw(image, entry.left, entry.top, ScreenValues(image, entry));
        canvas.Dispose(entry.WrittenDisposal());
    }
    return false;
}

StructuralAnswer ConfirmStructuralEdit(FrameTable& table) {
    if (table.expansionQuestionAnswered || !AnyFrameDependsOnEarlier(table))
        return StructuralAnswer::Proceed;
    UserInterface& ui = table.Ui();
    switch (ui.AskTwoChoice(kExpandQuestion, "프레임 펼치기", "펼치고 편집", "그대로 편집", "OO")) {
        case kTwoChoiceFirst: break;
        case kTwoChoiceSecond:
            table.expansionQuestionAnswered = true;
            return StructuralAnswer::Proceed;
        default: return StructuralAnswer::Cancel;
    }
    table.expansionQuestionAnswered = true;
    std::vector<int> all;
    for (int k = 0; k < table.frameCount; ++k) all.push_back(k);
    ExpansionResult result;
    if (!ExpandFramesInPlace(table, all, result)) {
        ReportProgramError(ui, "61402", false);
        return StructuralAnswer::Cancel;
    }
    table.Host().MarkModified();
    table.Host().Invalidate();
    if (result.quantised > 0) {
        ui.ShowMessage(std::to_string(result.quantised) +
                       "개 프레임은 색이 256가지를 넘어 색 수를 줄였습니다.");
    }
    return StructuralAnswer::Expanded;
}

}  // namespace vorla::edit
