// The frames of a GIF longer than a document when the user keeps a run of its images from a
// later start, or every k-th image (LongGifQuestion). Every image of the file is drawn on a
// screen as a viewer composites it (GifCanvas), once and in order; each kept image becomes a
// frame that shows exactly what the file shows at that image, whatever the skipped images drew.
//
// A frame is the area of the screen that changed since the frame before it, kept with disposal
// 1; when the next kept image shows transparent screen where this frame left colour, this frame
// takes disposal 2 and its area grows over those pixels, so that its own clearing restores them.
// Invariant between frames: wherever a frame's target is transparent, the screen before it is
// transparent too, so drawing the target's area (transparent where the target is) gives it.
// The first frame covers the whole screen, so that it also rebuilds the picture when the
// animation starts over.
//
// Memory: the screen, the last kept image's target and its own image; the images are handed
// over one at a time and dropped unless kept.
#pragma once

#include <cstdint>
#include <vector>

#include "core/gif/GifCanvas.h"
#include "core/gif/GifPageInfo.h"
#include "core/model/CDib.h"
#include "core/port/LongGifQuestion.h"

namespace vorla {

class Imaging;

class LongGifComposer {
public:
    struct Frame {
        CDib image;
        GifPageInfo info;
    };

    // way: a From or EveryKth answer to question (brought into range here).
    LongGifComposer(const LongGifQuestion& question, const LongGifWay& way, Imaging& imaging);

    // The next image of the file, in stream order; a finished frame is appended to ready. false:
    // a frame's colours could not be brought into 256 entries.
    bool Add(const GifPageInfo& info, CDib&& image, std::vector<Frame>& ready);
    // After the last image (or the last one needed): appends the frame still open.
    bool Finish(std::vector<Frame>& ready);
    // No later image changes any frame.
    bool Done() const { return added_ > 0 && question_.PastLastNeeded(way_, added_ - 1); }
    // Some image read had data that ended early.
    bool CutShort() const { return cutShort_; }

private:
    // Turns the open frame into a finished one. next: the target of the next kept image, or null
    // after the last; target_ then becomes the screen the open frame leaves behind.
    bool Close(const std::vector<std::uint32_t>* next, std::vector<Frame>& ready);

    LongGifQuestion question_;
    LongGifWay way_;
    Imaging& imaging_;
    GifCanvas canvas_;
    int added_ = 0;  // images handed over so far
    bool cutShort_ = false;
    bool loopBlock_ = false;

    // The open frame: the kept image, what the screen shows with it, the area it draws.
    bool open_ = false;
    CDib own_;
    GifPageInfo ownInfo_;
    std::vector<std::uint32_t> target_;
    GifArea area_;
    int delay_ = 0;  // centiseconds, the kept image's and the skipped ones' after it, <= 65535
    bool hadDelay_ = false;  // some of them had a graphic control (else the delay stays unset)
};

}  // namespace vorla
