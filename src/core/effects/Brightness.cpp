#include "core/effects/Brightness.h"

#include <algorithm>

#include "core/effects/EffectSettings.h"
#include "core/effects/PaletteOps.h"
#include "core/model/CDib.h"
#include "core/model/FrameTable.h"
#include "core/port/UserInterface.h"

namespace vorla::effects {
namespace {

const char kTitle[] = "밝기 조정";
const char kStatus[] = "이미지 애니메이션 처리 중..";
constexpr int kBarRange = 1000;

// One half of a brightness run: N frames generated from the source and inserted at `gap`, the
// source being frame gap + 1 when brightening, frame gap when darkening. The bar covers
// [barFrom, barFrom + barSpan]. false: the run was stopped (Cancel or quit).
bool GenerateHalf(TransitionRun& run, EffectContext& context, int gap, bool brighten,
                  int sourceDelay, int barFrom, int barSpan) {
    FrameTable& table = context.table;
    const EffectSettings& settings = context.settings;
    const int source = brighten ? gap + 1 : gap;
    const FrameEntry original = table.entries[static_cast<std::size_t>(source)];
    table.entries[static_cast<std::size_t>(source)].delay = 50;
    const CDib image = table.frameImages[static_cast<std::size_t>(source)];
    const int frames = settings.fadeFrameCount;
    const double step = (1.0 - settings.darkestBrightness) / frames;
    const FrameEntry generated = GeneratedEntry(original, settings.fadeDelay, sourceDelay);
    for (int i = 1; i <= frames; ++i) {
        if (!run.Pump()) return false;
        const int k = brighten ? i : frames - i + 1;
        CDib working = image;
        ScalePaletteBrightness(table.Ui(), working, original, -(k * step));
        run.Insert(gap, std::move(working), generated);
        // A darkened colour may now come close to the key colour, which would draw it
        // transparent: each frame gets a key colour of its own palette.
        RecomputeKeyColor(table, gap + 1);
        const int position =
            barFrom + static_cast<int>(i * kBarRange / frames) * barSpan / kBarRange;
        if (!run.Advance(position)) return false;
    }
    return true;
}

EffectOutcome RunFade(EffectContext& context, int gap, bool brighten) {
    FrameTable& table = context.table;
    if (RefuseOverLimit(table, context.settings.fadeFrameCount)) return EffectOutcome::Refused;
    const int source = brighten ? gap + 1 : gap;
    const int sourceDelay = table.entries[static_cast<std::size_t>(source)].delay;
    TransitionRun run(context, kTitle, kStatus, kBarRange);
    if (!GenerateHalf(run, context, gap, brighten, sourceDelay, 0, kBarRange)) return run.Cancel();
    return run.Finish(brighten ? source + context.settings.fadeFrameCount : source);
}

}  // namespace

std::uint8_t ScaleChannelBrightness(UserInterface& ui, int value, double factor) {
    if (factor > 1 || factor < -1) ReportProgramError(ui, "12412", true);
    if (factor == 0) return static_cast<std::uint8_t>(value);
    int result = 0;
    if (factor > 0) {
        if (value == 255) return 255;
        const int change = static_cast<int>(factor * (255 - value));
        result = change == 0 ? value + 1 : value + change;
    } else {
        if (value == 0) return 0;
        result = static_cast<int>((factor + 1) * value);
        if (result == value) result = value - 1;
    }
    if (result < 0 || result > 255) ReportProgramError(ui, "12332", true);
    return static_cast<std::uint8_t>(result & 0xFF);
}

void ScalePaletteBrightness(UserInterface& ui, CDib& image, const FrameEntry& entry,
                            double factor) {
    const int count = std::min<int>(entry.colorCount, image.ColorCount());
    for (int p = 0; p < count; ++p) {
        if (entry.transparent && p == entry.transparentIndex) continue;
        RgbQuad& quad = image.ColorTable()[static_cast<std::size_t>(p)];
        quad.red = ScaleChannelBrightness(ui, quad.red, factor);
        quad.green = ScaleChannelBrightness(ui, quad.green, factor);
        quad.blue = ScaleChannelBrightness(ui, quad.blue, factor);
    }
}

EffectOutcome FadeIn(EffectContext& context, CommandForm form) {
    const std::optional<int> gap = OneSidedGap(context, form, kBrightnessPage, true);
    return gap ? RunFade(context, *gap, true) : EffectOutcome::Refused;
}

EffectOutcome FadeOut(EffectContext& context, CommandForm form) {
    const std::optional<int> gap = OneSidedGap(context, form, kBrightnessPage, false);
    return gap ? RunFade(context, *gap, false) : EffectOutcome::Refused;
}

EffectOutcome FadeInOut(EffectContext& context, CommandForm form) {
    FrameTable& table = context.table;
    const std::optional<int> frame = FrameForCommand(table, form);
    if (!frame || !context.editSettings(kBrightnessPage)) return EffectOutcome::Refused;
    const int f = *frame;
    const int frames = context.settings.fadeFrameCount;
    if (RefuseOverLimit(table, 2 * frames)) return EffectOutcome::Refused;
    const int sourceDelay = table.entries[static_cast<std::size_t>(f)].delay;
    const int rememberedGap = table.targetGap;
    // One run, one progress dialog and one undo step: darkening frames after f on the first
    // half of the bar, then brightening frames before it on the second.
    TransitionRun run(context, kTitle, kStatus, kBarRange);
    table.targetGap = f;
    if (!GenerateHalf(run, context, f, false, sourceDelay, 0, kBarRange / 2)) return run.Cancel();
    table.targetGap = f - 1;
    if (!GenerateHalf(run, context, f - 1, true, sourceDelay, kBarRange / 2, kBarRange / 2)) {
        return run.Cancel();
    }
    table.targetGap = rememberedGap;
    return run.Finish(f + frames);
}

}  // namespace vorla::effects
