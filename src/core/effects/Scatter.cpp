#include "core/effects/Scatter.h"

#include <algorithm>

#include "core/effects/EffectRandom.h"
#include "core/effects/EffectSettings.h"
#include "core/effects/PaletteOps.h"
#include "core/model/CDib.h"
#include "core/model/FrameTable.h"

namespace vorla::effects {
namespace {

const char kTitle[] = "흩뿌리기";
const char kStatus[] = "이미지 애니메이션 처리 중..";
const char kNotTransparentCode[] = "52481";  // the source frame could not be made transparent
constexpr int kBarRange = 1000;

std::size_t Slot(int frame) {
    return static_cast<std::size_t>(frame);
}

// One half of a scatter run, as GenerateHalf of the brightness effects: the source is frame
// gap + 1 when appearing, frame gap when disappearing, and is transparent already.
bool GenerateHalf(TransitionRun& run, EffectContext& context, int gap, bool appear, int sourceDelay,
                  int barFrom, int barSpan) {
    FrameTable& table = context.table;
    const EffectSettings& settings = context.settings;
    const int source = appear ? gap + 1 : gap;
    const FrameEntry original = table.entries[Slot(source)];
    table.entries[Slot(source)].delay = 50;
    const CDib image = table.frameImages[Slot(source)];
    const int frames = settings.scatterFrameCount;
    const int preservation = std::max(settings.scatterPreservation, 1);
    const FrameEntry generated = GeneratedEntry(original, settings.scatterDelay, sourceDelay);
    for (int i = 1; i <= frames; ++i) {
        if (!run.Pump()) return false;
        const int k = appear ? i : frames - i + 1;
        CDib working = image;
        ScatterPixels(working, original.transparentIndex,
                      ScatterPixelCount(image.Width(), image.Height(), k, frames, preservation),
                      context.random);
        run.Insert(gap, std::move(working), generated);
        const int position =
            barFrom + static_cast<int>(i * kBarRange / frames) * barSpan / kBarRange;
        if (!run.Advance(position)) return false;
    }
    return true;
}

// Frame `frame` gets a transparent index if it has none. false: it cannot be made transparent.
bool EnsureTransparent(FrameTable& table, int frame) {
    return MakeTransparent(table, frame) >= 0;
}

EffectOutcome RunScatter(EffectContext& context, int gap, bool appear) {
    FrameTable& table = context.table;
    if (RefuseOverLimit(table, context.settings.scatterFrameCount)) return EffectOutcome::Refused;
    const int source = appear ? gap + 1 : gap;
    const int sourceDelay = table.entries[Slot(source)].delay;
    TransitionRun run(context, kTitle, kStatus, kBarRange);
    if (!EnsureTransparent(table, source)) return run.Fail(kNotTransparentCode);
    if (!GenerateHalf(run, context, gap, appear, sourceDelay, 0, kBarRange)) return run.Cancel();
    if (!appear) SetRestoreBackground(table.entries[Slot(source)]);
    return run.Finish(appear ? source + context.settings.scatterFrameCount : source);
}

}  // namespace

std::int64_t ScatterPixelCount(std::int32_t width, std::int32_t height, int k, int frames,
                               int preservation) {
    if (frames <= 0 || preservation <= 0) return 0;
    const std::int64_t q = std::int64_t{width} * height * k / preservation;
    return static_cast<std::int64_t>(static_cast<double>(q) * k / frames);
}

void ScatterPixels(CDib& image, std::uint8_t transparentIndex, std::int64_t count,
                   EffectRandom& random) {
    const std::int32_t width = image.Width();
    const std::int32_t height = image.Height();
    if (image.IsEmpty() || image.BitCount() != 8 || width <= 0 || height <= 0) return;
    for (std::int64_t n = 0; n < count; ++n) {
        const int x = random.Below(width);
        const int y = random.Below(height);
        image.SetIndex(x, y, transparentIndex);
    }
}

EffectOutcome ScatterAppear(EffectContext& context, CommandForm form) {
    const std::optional<int> gap = OneSidedGap(context, form, kScatterPage, true);
    return gap ? RunScatter(context, *gap, true) : EffectOutcome::Refused;
}

EffectOutcome ScatterDisappear(EffectContext& context, CommandForm form) {
    const std::optional<int> gap = OneSidedGap(context, form, kScatterPage, false);
    return gap ? RunScatter(context, *gap, false) : EffectOutcome::Refused;
}

EffectOutcome ScatterAppearDisappear(EffectContext& context, CommandForm form) {
    FrameTable& table = context.table;
    const std::optional<int> frame = FrameForCommand(table, form);
    if (!frame || !context.editSettings(kScatterPage)) return EffectOutcome::Refused;
    const int f = *frame;
    const int frames = context.settings.scatterFrameCount;
    if (RefuseOverLimit(table, 2 * frames)) return EffectOutcome::Refused;
    const int sourceDelay = table.entries[Slot(f)].delay;
    const int rememberedGap = table.targetGap;
    TransitionRun run(context, kTitle, kStatus, kBarRange);
    if (!EnsureTransparent(table, f)) return run.Fail(kNotTransparentCode);
    table.targetGap = f;
    if (!GenerateHalf(run, context, f, false, sourceDelay, 0, kBarRange / 2)) return run.Cancel();
    table.targetGap = f - 1;
    if (!GenerateHalf(run, context, f - 1, true, sourceDelay, kBarRange / 2, kBarRange / 2)) {
        return run.Cancel();
    }
    table.targetGap = rememberedGap;
    SetRestoreBackground(table.entries[Slot(f + frames)]);
    return run.Finish(f + frames);
}

}  // namespace vorla::effects
