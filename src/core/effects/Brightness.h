// The brightness transitions: "밝아지기" (fade in from dark before a frame), "어두워지기" (fade
// out to dark after a frame) and "밝아졌다 어두워지기" (both around one frame, one undo step).
// Only palettes change: each generated frame is its source's pixels with every colour scaled.
#pragma once

#include <cstdint>

#include "core/effects/TransitionRun.h"

namespace vorla {

class CDib;
class UserInterface;
struct FrameEntry;

namespace effects {

// One colour component v (0..255) moved by factor x: x > 0 moves it that fraction of the way to
// 255, x < 0 scales it by 1 + x, and any non-zero x changes a component not yet at its limit by at
// least one step. x outside -1..1 reports "12412", a result outside 0..255 "12332" (then its low
// byte is returned).
std::uint8_t ScaleChannelBrightness(UserInterface& ui, int value, double factor);

// Every component of palette entries 0..colorCount-1 but the transparent one of a transparent
// frame. Pixel indices stay.
void ScalePaletteBrightness(UserInterface& ui, CDib& image, const FrameEntry& entry, double factor);

EffectOutcome FadeIn(EffectContext& context, CommandForm form);
EffectOutcome FadeOut(EffectContext& context, CommandForm form);
EffectOutcome FadeInOut(EffectContext& context, CommandForm form);

}  // namespace effects
}  // namespace vorla
