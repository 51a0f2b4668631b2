#include "core/edit/StripGeometry.h"

#include "core/port/UserInterface.h"

namespace vorla {

HitResult HitTest(const StripMetrics& m, int x, int y, int scrollY) {
    HitResult hit;
    int stripY = y + scrollY;
    int e = stripY - m.stripRowHeight - 90;
    int pitch = m.Pitch();
    if (e < 21 && stripY > 0) {
        hit.above = true;
        return hit;
    }
    if (e < 0) return hit;
    int row = e / pitch;
    if (row > m.frameCount || x < 0 || x > m.childWidth - 15) return hit;
    int o = e % pitch;
    hit.offset = o;
    if (o < 34) {
        if (o <= 21 && row > 0) {
            hit.index = row - 1;
            hit.kind = HitResult::kFrame;
        } else if (row == m.frameCount) {
            hit.index = row;  // gaps are named by the frame after them: targetGap = index - 1
            hit.kind = HitResult::kGapAfterLast;
        } else {
            hit.index = row;
            hit.kind = HitResult::kGapBefore;
        }
    } else if (row < m.frameCount) {
        hit.index = row;
        hit.kind = HitResult::kFrame;
    }
    return hit;
}

namespace {

int ShadeChannel(int channel, double factor, UserInterface* ui) {
    int result = channel;
    if (factor > 0) {
        if (channel != 255) {
            int add = static_cast<int>(factor * (255 - channel));
            result = channel + (add == 0 ? 1 : add);
        }
    } else if (factor < 0) {
        if (channel != 0) {
            result = static_cast<int>((factor + 1) * channel);
            if (result == channel) --result;
        }
    }
    if (result < 0 || result > 255) {
        if (ui) ReportProgramError(*ui, "12332", false);
        result = result < 0 ? 0 : 255;
    }
    return result;
}

}  // namespace

Colorref ShadeColor(Colorref color, double factor, UserInterface* ui) {
    if ((factor < -1 || factor > 1) && ui) ReportProgramError(*ui, "12412", false);
    return MakeRgb(ShadeChannel(RedOf(color), factor, ui), ShadeChannel(GreenOf(color), factor, ui),
                   ShadeChannel(BlueOf(color), factor, ui));
}

StripColors StripColors::FromButtonFace(Colorref face) {
    StripColors colors{};
    colors.stripBackground = ShadeColor(face, 0.9);
    colors.separator = ShadeColor(colors.stripBackground, -0.2);
    colors.selection = ShadeColor(face, -0.25);
    colors.headerNumber = ShadeColor(face, 0.3);
    // Dark enough to read on the face itself: the face's own hue, mostly taken out.
    colors.caption = ShadeColor(face, -0.65);
    return colors;
}

}  // namespace vorla
