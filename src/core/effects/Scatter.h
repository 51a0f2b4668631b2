// The scatter transitions: "흩뿌리기로 나타내기" (a frame builds up out of transparency),
// "흩뿌리기로 사라지기" (it dissolves into transparency) and "흩뿌리기로 나타났다 사라지기" (both
// around one frame, one undo step). Each generated frame is the source with randomly drawn pixels
// set to its transparent index.
#pragma once

#include <cstdint>

#include "core/effects/TransitionRun.h"

namespace vorla {

class CDib;

namespace effects {

class EffectRandom;

// Pixels drawn for step k of `frames` (1..frames) of a width x height frame: trunc(q x k /
// frames) with q = width x height x k / preservation in integers. 64 bits throughout, so no
// frame size overflows; preservation must be at least 1.
std::int64_t ScatterPixelCount(std::int32_t width, std::int32_t height, int k, int frames,
                               int preservation);

// Draws `count` pixels with replacement, x before y (y from the top row), and gives each the
// index `transparentIndex`.
void ScatterPixels(CDib& image, std::uint8_t transparentIndex, std::int64_t count,
                   EffectRandom& random);

EffectOutcome ScatterAppear(EffectContext& context, CommandForm form);
EffectOutcome ScatterDisappear(EffectContext& context, CommandForm form);
EffectOutcome ScatterAppearDisappear(EffectContext& context, CommandForm form);

}  // namespace effects
}  // namespace vorla
