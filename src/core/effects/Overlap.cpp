#include "core/effects/Overlap.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/edit/FrameImageEdits.h"
#include "core/effects/EffectSettings.h"
#include "core/effects/PaletteOps.h"
#include "core/model/CDib.h"
#include "core/model/FrameTable.h"
#include "core/port/UserInterface.h"

namespace vorla::effects {
namespace {

const char kTitle[] = "오버랩";
const char kStatus[] = "이미지 에니메이션 처리 중..";
const char kMarginCode[] = "53310";  // the margins of a source frame could not be filled
const char kBlendCode[] = "53311";   // a mix could not be reduced to a frame of the screen's size
constexpr int kBarRange = 100;

std::size_t Slot(int frame) {
    return static_cast<std::size_t>(frame);
}

// The last frame becomes the first; the others move one place back. The frame clipboard is not
// involved.
void MoveLastToFront(FrameTable& table) {
    const auto count = static_cast<std::ptrdiff_t>(table.frameCount);
    std::rotate(table.frameImages.begin(), table.frameImages.begin() + count - 1,
                table.frameImages.begin() + count);
    std::rotate(table.displayImages.begin(), table.displayImages.begin() + count - 1,
                table.displayImages.begin() + count);
    std::rotate(table.entries.begin(), table.entries.begin() + count - 1,
                table.entries.begin() + count);
    table.ClearSelection(true, -1);
    table.Host().DisplayImagesRebuilt(0, table.frameCount - 1);
}

// A whole-screen 8-bit frame of the mix: the reduction must give what the entry will claim.
bool UsableMix(const CDib& reduced, const FrameTable& table) {
    return !reduced.IsEmpty() && reduced.BitCount() == 8 && reduced.Compression() == 0 &&
           reduced.Width() == table.settings.screenWidth &&
           reduced.Height() == table.settings.screenHeight && reduced.ColorCount() > 0;
}

// The colour of every pixel of any image, rows top first, as r, g, b.
std::vector<std::array<std::uint8_t, 3>> Colours(const CDib& image) {
    const std::int32_t width = image.Width();
    const std::int32_t height = image.Height();
    std::vector<std::array<std::uint8_t, 3>> colours(static_cast<std::size_t>(width) * height);
    std::size_t at = 0;
    if (image.BitCount() == 8 && image.Compression() == 0) {
        std::array<std::array<std::uint8_t, 3>, 256> palette{};
        for (int i = 0; i < std::min(image.ColorCount(), 256); ++i) {
            const RgbQuad& q = image.ColorTable()[static_cast<std::size_t>(i)];
            palette[static_cast<std::size_t>(i)] = {q.red, q.green, q.blue};
        }
        for (std::int32_t y = 0; y < height; ++y) {
            const std::uint8_t* row = image.Row(y);
            for (std::int32_t x = 0; x < width; ++x) colours[at++] = palette[row[x]];
        }
        return colours;
    }
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const Colorref c = image.PixelColor(x, y);
            colours[at++] = {static_cast<std::uint8_t>(RedOf(c)),
                             static_cast<std::uint8_t>(GreenOf(c)),
                             static_cast<std::uint8_t>(BlueOf(c))};
        }
    }
    return colours;
}

// floor(a / b) for b > 0.
int FloorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

}  // namespace

CDib BlendFrames(const CDib& a, const CDib& b, int numerator, int denominator) {
    CDib out;
    if (a.IsEmpty() || b.IsEmpty() || a.Width() != b.Width() || a.Height() != b.Height() ||
        denominator <= 0 || numerator < 0 || numerator > denominator) {
        return out;
    }
    const std::int32_t width = a.Width();
    const std::int32_t height = a.Height();
    const auto from = Colours(a);
    const auto to = Colours(b);
    // Every difference -255..255 mixed once: the pixels then only look up.
    std::array<int, 511> share{};
    for (int d = -255; d <= 255; ++d) {
        share[static_cast<std::size_t>(d + 255)] = FloorDiv(d * numerator, denominator);
    }
    out.Create(width, height, 24);
    std::size_t at = 0;
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* row = out.Row(y);
        for (std::int32_t x = 0; x < width; ++x, ++at) {
            const auto& p = from[at];
            const auto& q = to[at];
            // BMP order: blue, green, red.
            for (int c = 0; c < 3; ++c) {
                const int mixed =
                    p[static_cast<std::size_t>(c)] +
                    share[static_cast<std::size_t>(q[static_cast<std::size_t>(c)] -
                                                   p[static_cast<std::size_t>(c)] + 255)];
                row[3 * x + 2 - c] = static_cast<std::uint8_t>(mixed);
            }
        }
    }
    return out;
}

bool CoversScreenOpaquely(const FrameTable& table, int frame) {
    const FrameEntry& entry = table.entries[Slot(frame)];
    const CDib& image = table.frameImages[Slot(frame)];
    if (entry.left != 0 || entry.top != 0 || entry.width != table.settings.screenWidth ||
        entry.height != table.settings.screenHeight || image.Width() != entry.width ||
        image.Height() != entry.height) {
        return false;
    }
    if (!entry.transparent) return true;
    return IndexHistogram(image)[entry.transparentIndex] == 0;
}

EffectOutcome Overlap(EffectContext& context, CommandForm form, const QuantizeOptions& quantize) {
    FrameTable& table = context.table;
    UserInterface& ui = table.Ui();
    const std::optional<int> chosenGap = GapForCommand(table, form, GapRule::Any);
    if (!chosenGap) return EffectOutcome::Refused;
    if (table.frameCount <= 1) {
        ui.ShowMessage("최소한 두 프레임이 필요합니다.");
        return EffectOutcome::Refused;
    }
    if (!context.editSettings(kOverlapPage)) return EffectOutcome::Refused;
    int g = *chosenGap;
    if (g < -1 || g >= table.frameCount) return EffectOutcome::Refused;
    const int frames = context.settings.overlapFrameCount;
    if (RefuseOverLimit(table, frames)) return EffectOutcome::Refused;

    int m = g;
    int n = g + 1;
    if (g == -1) {
        if (!AskQuestion(ui, "마지막 장면을 처음으로 옮기고 작업하겠습니까?", kTitle)) {
            return EffectOutcome::Refused;
        }
        m = table.frameCount - 1;
    } else if (g == table.frameCount - 1) {
        if (!AskQuestion(ui, "첫장면으로 연결되도록 하겠습니까?", kTitle)) {
            return EffectOutcome::Refused;
        }
        n = 0;
    }
    const bool fill = !CoversScreenOpaquely(table, m) || !CoversScreenOpaquely(table, n);
    if (fill && !ui.ChooseColor(context.marginColour, "여백을 채울 색상을 선택하세요")) {
        return EffectOutcome::Refused;
    }

    TransitionRun run(context, kTitle, kStatus, kBarRange);
    if (fill) {
        const edit::MarginFill margin{edit::MarginFill::Kind::Colour, 0, context.marginColour};
        if (!edit::FillMargins(table, m, margin) || !edit::FillMargins(table, n, margin)) {
            return run.Fail(kMarginCode);
        }
    }
    if (g == -1) {
        MoveLastToFront(table);
        g = 0;
    }
    const int o = g == table.frameCount - 1 ? 0 : g + 1;
    const FrameEntry first = table.entries[Slot(g)];
    table.entries[Slot(g)].delay = 50;
    table.entries[Slot(o)].delay = 50;
    const CDib a = table.frameImages[Slot(g)];
    const CDib b = table.frameImages[Slot(o)];
    if (a.Width() != table.settings.screenWidth || a.Height() != table.settings.screenHeight ||
        b.Width() != a.Width() || b.Height() != a.Height()) {
        return run.Fail(kBlendCode);
    }

    FrameEntry generated = GeneratedEntry(first, context.settings.overlapDelay, first.delay);
    generated.left = 0;
    generated.top = 0;
    generated.width = static_cast<std::int16_t>(table.settings.screenWidth);
    generated.height = static_cast<std::int16_t>(table.settings.screenHeight);
    generated.colorCount = kMaxPaletteEntries;
    generated.transparent = 0;
    generated.transparentIndex = kMaxPaletteEntries - 1;  // the index of an opaque frame
    for (int h = frames - 1; h >= 0; --h) {
        if (!run.Pump()) return run.Cancel();
        // Weight of B: (h + 1/2) / frames, as a fraction of integers.
        const CDib mix = BlendFrames(a, b, 2 * h + 1, 2 * frames);
        CDib reduced;
        if (mix.IsEmpty() || !table.Images().Quantize(mix, reduced, quantize) ||
            !UsableMix(reduced, table)) {
            return run.Fail(kBlendCode);
        }
        if (reduced.ColorCount() < kMaxPaletteEntries) reduced.SetColorCount(kMaxPaletteEntries);
        run.Insert(g, std::move(reduced), generated);
        const int position = static_cast<int>(100 - h * 100.0 / frames);
        if (!run.Advance(position)) return run.Cancel();
    }
    // B follows the generated frames; wrapped around, it is the first frame.
    return run.Finish(o == 0 ? 0 : o + frames);
}

}  // namespace vorla::effects
