// Where things stand in the frame strip, in strip coordinates (pixels from the top of the whole
// strip, before scrolling), and what lies under a point.
#pragma once

#include "core/model/Color.h"

namespace vorla {

class UserInterface;

struct StripMetrics {
    int frameCount = 0;
    int displayWidth = 0;
    int displayHeight = 0;
    int stripRowHeight = 5;
    int childWidth = 0;  // view width; hits right of childWidth - 15 find nothing

    static constexpr int kImageLeft = 50;   // left margin of every image area
    static constexpr int kPreviewTop = 40;  // top of the preview row
    static constexpr int kRowExtra = 55;    // pitch = displayHeight + 55
    static constexpr int kFirstRowOffset = 145;

    int Pitch() const { return displayHeight + kRowExtra; }
    // Top of frame k's image area.
    int ImageTop(int k) const { return stripRowHeight + kFirstRowOffset + k * Pitch(); }
    // Gap band before frame k (k == frameCount: the band after the last frame): [top, bottom].
    int GapTop(int k) const { return ImageTop(k) - 34; }
    int GapBottom(int k) const { return ImageTop(k) - 21; }
    int SelectionTop(int k) const { return ImageTop(k) - 21; }
    int SelectionBottom(int k) const { return ImageTop(k) + displayHeight + 21; }
    int InfoLineTop() const { return kPreviewTop + stripRowHeight + 10; }
    int TotalHeight() const { return Pitch() * frameCount + stripRowHeight + 175; }
};

struct HitResult {
    enum Kind { kFrame = 0, kGapBefore = 1, kGapAfterLast = 2 };
    int index = -1;  // frame index (for gaps the frame after the gap), or -1 for nothing
    int kind = kFrame;
    bool above = false;  // in the preview area above the frame rows
    int offset = 0;      // position inside the row pitch

    friend bool operator==(const HitResult&, const HitResult&) = default;
};

// x, y in client coordinates; scrollY the strip's scroll position.
HitResult HitTest(const StripMetrics& metrics, int x, int y, int scrollY);

// Lightens (factor > 0) or darkens (factor < 0) each channel; factor in -1..1. Out-of-range
// factors report "12412" and are applied anyway; a channel leaving 0..255 reports "12332".
Colorref ShadeColor(Colorref color, double factor, UserInterface* ui = nullptr);

// The strip colours derived from the system button face.
struct StripColors {
    Colorref stripBackground;
    Colorref separator;
    Colorref selection;
    Colorref headerNumber;
    Colorref caption;  // captions of the frame dialog's field groups
    static constexpr Colorref kGapSelection = MakeRgb(24, 54, 103);
    static constexpr Colorref kSecondGapLine = MakeRgb(180, 180, 180);

    static StripColors FromButtonFace(Colorref buttonFace);
};

// The zoom steps of the strip: 7 percent a step within 5..100.
constexpr int kZoomStep = 7;
inline bool CanZoomIn(int zoomPercent) {
    return zoomPercent < 100;
}
inline bool CanZoomOut(int zoomPercent) {
    return zoomPercent > 5;
}

}  // namespace vorla
