// "오버랩": a cross-fade between the frames on either side of a gap. Every generated frame is an
// exact 24-bit mix of the two, reduced to an 8-bit palette through the imaging port. At the ends
// of the animation the effect offers to wrap around (last frame to first).
#pragma once

#include "core/effects/TransitionRun.h"
#include "core/port/Imaging.h"

namespace vorla {

class CDib;
class FrameTable;

namespace effects {

// The reduction of generated cross-fade frames: no error diffusion (its pattern would change
// from frame to frame and shimmer), and a faster palette search than a still picture gets.
inline constexpr QuantizeOptions kCrossFadeQuantize{8, QuantizeOptions::Dither::None};

// The mix of two images of the same size at weight t = numerator / denominator of b (0..1):
// every channel is a + floor((b - a) x t), computed in integers, so t = 1/2 is the exact half-way
// mix. Any depth in, 24 bits out; an empty result when sizes differ or t is not in 0..1.
CDib BlendFrames(const CDib& a, const CDib& b, int numerator, int denominator);

// The frame is a full-screen picture at 0, 0 without visible transparency: its transparent index,
// when it has one, occurs in no pixel.
bool CoversScreenOpaquely(const FrameTable& table, int frame);

// The command, on the gap the form names. quantize: how generated frames are reduced.
EffectOutcome Overlap(EffectContext& context, CommandForm form,
                      const QuantizeOptions& quantize = kCrossFadeQuantize);

}  // namespace effects
}  // namespace vorla
