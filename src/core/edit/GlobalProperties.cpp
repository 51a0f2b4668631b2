#include "core/edit/GlobalProperties.h"

#include <algorithm>

#include "core/model/FrameTable.h"
#include "core/model/Settings.h"

namespace vorla::edit {

int SizeRepeater::Tick(int held) {
    std::copy_backward(history_.begin(), history_.end() - 1, history_.end());
    history_[0] = static_cast<std::uint8_t>(held);
    if (held == kNoSizeButton) return 0;
    auto newestAre = [&](int count) {
        return std::all_of(history_.begin(), history_.begin() + count,
                           [&](std::uint8_t b) { return b == held; });
    };
    if (history_[1] != 0 && !newestAre(kRepeatAfter)) return 0;
    return newestAre(kFastAfter) ? kFastStep : 1;
}

void SetScreenSize(FrameTable& table, int width, int height) {
    const auto [extentWidth, extentHeight] = table.ScreenExtent();
    table.SetZoom(std::max(width, extentWidth), std::max(height, extentHeight), false);
    table.Host().Invalidate();
}

void ApplySizeButton(FrameTable& table, int button, int step) {
    if (step <= 0) return;
    int width = table.settings.screenWidth;
    int height = table.settings.screenHeight;
    const int largest = kLargestScreenSide;
    switch (button) {
        case kGrowHeight:
            if (height <= largest) height += step;
            break;
        case kShrinkHeight:
            if (height >= 2) height -= step;
            break;
        case kGrowWidth:
            if (width <= largest) width += step;
            break;
        case kShrinkWidth:
            if (width >= 2) width -= step;
            break;
        case kGrowBoth:
            if (width <= largest && height <= largest) {
                width += step;
                height += step;
            }
            break;
        case kShrinkBoth:
            if (width > 1 && height > 1) {
                width -= step;
                height -= step;
            }
            break;
        default: return;
    }
    // A step of 5 near the limits stays inside them.
    width = std::clamp(width, 1, largest + 1);
    height = std::clamp(height, 1, largest + 1);
    SetScreenSize(table, width, height);
}

bool TypedSizeAccepted(int width, int height, bool heightEdited) {
    const int smallestWidth = heightEdited ? 1 : 2;
    return width >= smallestWidth && width <= kLargestScreenSide && height >= 2 &&
           height <= kLargestScreenSide;
}

void MinimiseScreen(FrameTable& table) {
    const auto [width, height] = table.ScreenExtent();
    if (width >= 1 && height >= 1) SetScreenSize(table, width, height);
}

int ReadZoomText(const std::string& text) {
    return std::clamp(TextToInt(text), 5, 100);
}

void GlobalPropertiesSession::Begin(const FrameTable& table) {
    width_ = table.settings.screenWidth;
    height_ = table.settings.screenHeight;
    loop_ = table.settings.loopForever;
}

void GlobalPropertiesSession::Cancel(FrameTable& table) const {
    SetScreenSize(table, width_, height_);
    table.settings.loopForever = loop_;
}

bool GlobalPropertiesSession::Changed(const FrameTable& table) const {
    return table.settings.screenWidth != width_ || table.settings.screenHeight != height_ ||
           table.settings.loopForever != loop_;
}

}  // namespace vorla::edit
