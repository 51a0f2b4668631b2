// The question asked when a GIF holds more images than a document: which of them become the
// document's frames. The rules the dialog enforces live here, so that they are the same in the
// dialog and in the loader (and testable without a window).
#pragma once

#include <string>

namespace vorla {

// What the user chose. Image numbers are 1-based, as the dialog shows them.
struct LongGifWay {
    enum class Kind { Cancel, First, From, EveryKth };
    Kind kind = Kind::First;
    int start = 1;  // From: the first image kept
    int step = 1;   // EveryKth: one image of every `step` is kept, the first of each run
};

struct LongGifQuestion {
    int images = 0;  // images the file holds (> limit)
    int limit = 0;   // frames a document holds

    static constexpr const char* kTitle = "긴 GIF 열기";
    std::string Text() const;

    // The smallest step that takes the whole file: ceil(images / limit).
    int SmallestStep() const;
    // The way with its numbers brought into range: start 1..images, step SmallestStep..images.
    LongGifWay Clamped(LongGifWay way) const;
    // Frames the (clamped) way makes; 0 for Cancel.
    int FramesMade(const LongGifWay& way) const;
    // Image `index` (0-based) becomes a frame.
    bool Keeps(const LongGifWay& way, int index) const;
    // After image `index` (0-based) no later image is needed: From stops at its last frame.
    bool PastLastNeeded(const LongGifWay& way, int index) const;
};

}  // namespace vorla
