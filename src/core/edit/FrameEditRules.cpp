#include "core/edit/FrameEditRules.h"

#include <algorithm>
#include <cmath>

#include "core/model/FrameEntry.h"
#include "core/model/Settings.h"

namespace vorla::edit {
namespace {

constexpr int kMaxDelay = 65535;
constexpr int kLastAngle = 359;

std::int32_t AtLeastOne(double value) {
    return static_cast<std::int32_t>(std::max(1L, std::lround(value)));
}

}  // namespace

int ReadDelayText(const std::string& text) {
    return std::clamp(TextToInt(text), 0, kMaxDelay);
}

int DelayOf(const FrameEntry& entry) {
    return static_cast<std::uint16_t>(entry.delay);
}

void SetDelay(FrameEntry& entry, int centiseconds) {
    entry.delay = static_cast<std::int16_t>(
        static_cast<std::uint16_t>(std::clamp(centiseconds, 0, kMaxDelay)));
}

std::optional<int> ReadTransparentIndexText(const std::string& text, int colorCount) {
    if (text.find_first_of("0123456789") == std::string::npos) return std::nullopt;
    const int index = TextToInt(text);
    if (index < 0 || index >= colorCount) return std::nullopt;
    return index;
}

int PaletteCellAt(int x, int y, int colorCount) {
    if (x < 0 || y < 0) return -1;
    const int column = x / kPaletteCellPitch;
    const int row = y / kPaletteCellPitch;
    if (column >= kPaletteColumns) return -1;
    const long long index = static_cast<long long>(row) * kPaletteColumns + column;
    return index < colorCount ? static_cast<int>(index) : -1;
}

int ReadAngleText(const std::string& text) {
    const int angle = TextToInt(text);
    return angle < 0 || angle > kLastAngle ? kLastAngle : angle;
}

std::optional<std::string> CorrectedAngleText(const std::string& text) {
    const int angle = TextToInt(text);
    if (angle == 0 && text != "0") return std::string("0");
    if (angle < 0 || angle > kLastAngle) return std::to_string(kLastAngle);
    return std::nullopt;
}

int AngleAfterQuarterTurn(int angle) {
    return ((angle + 90) % 360 + 360) % 360;
}

std::optional<ChoiceRequest> CutQuestion(CutAxis axis, int position, int extent) {
    if (extent < 2 || position < 0 || position >= extent) return std::nullopt;
    const bool columns = axis == CutAxis::Columns;
    ChoiceRequest request;
    request.title = "이미지 손실 방향";
    request.message = "이미지의 어느 쪽을 버리겠습니까?  (선택줄 포함)";
    request.options = {columns ? "왼쪽" : "위쪽", "", columns ? "오른쪽" : "아래쪽", ""};
    request.hideMask = "OXOX";
    if (position == 0) {
        request.disableMask = "OXXX";
        request.preselected = kCutFirstSide;
    } else if (position == extent - 1) {
        request.disableMask = "XXOX";
        request.preselected = kCutSecondSide;
    } else {
        request.disableMask = "OXOX";
        request.preselected = kCutFirstSide;
    }
    return request;
}

std::optional<AxisSpan> CutKeeps(int position, int extent, int chosen) {
    if (position < 0 || position >= extent) return std::nullopt;
    AxisSpan kept;
    if (chosen == kCutFirstSide) {
        kept = {position + 1, extent - position - 1};
    } else if (chosen == kCutSecondSide) {
        kept = {0, position};
    } else {
        return std::nullopt;
    }
    if (kept.count < 1) return std::nullopt;
    return kept;
}

FrameSize ResizeRules::Maximum() const {
    const double roomWidth = std::max(1, screenWidth - left);
    const double roomHeight = std::max(1, screenHeight - top);
    if (!keepAspect || !(ratio > 0)) return {AtLeastOne(roomWidth), AtLeastOne(roomHeight)};
    // The side that runs out first decides; the other follows the ratio.
    if (roomWidth * ratio > roomHeight)
        return {AtLeastOne(roomHeight / ratio), AtLeastOne(roomHeight)};
    return {AtLeastOne(roomWidth), AtLeastOne(roomWidth * ratio)};
}

FrameSize ResizeRules::FromWidth(int typedWidth, int heightField) const {
    const FrameSize most = Maximum();
    FrameSize size;
    size.width = std::clamp<std::int32_t>(typedWidth, 1, most.width);
    const double height = keepAspect && ratio > 0 ? size.width * ratio : heightField;
    size.height = std::clamp<std::int32_t>(AtLeastOne(height), 1, most.height);
    return size;
}

FrameSize ResizeRules::FromHeight(int typedHeight, int widthField) const {
    const FrameSize most = Maximum();
    FrameSize size;
    size.height = std::clamp<std::int32_t>(typedHeight, 1, most.height);
    const double width = keepAspect && ratio > 0 ? size.height / ratio : widthField;
    size.width = std::clamp<std::int32_t>(AtLeastOne(width), 1, most.width);
    return size;
}

std::optional<FrameSize> ResizeRules::FromDrag(int x, int y) const {
    if (x < left || y < top) return std::nullopt;
    if (x > screenWidth + kDragSlack || y > screenHeight + kDragSlack) return std::nullopt;
    FrameSize size;
    size.width = std::clamp<std::int32_t>(x - left, 1, std::max(1, screenWidth - left));
    size.height = std::clamp<std::int32_t>(y - top, 1, std::max(1, screenHeight - top));
    return size;
}

FrameSize ResizeRules::MaximumEnlargement() const {
    const double width = std::max(1, screenWidth);
    const double height = std::max(1, screenHeight);
    if (!keepAspect || !(ratio > 0)) return {AtLeastOne(width), AtLeastOne(height)};
    if (height / width >= ratio)
        return {AtLeastOne(width), AtLeastOne(std::min(height, ratio * width))};
    return {AtLeastOne(std::min(width, height / ratio)), AtLeastOne(height)};
}

FrameOffset CentredOffsets(std::int32_t screenWidth, std::int32_t screenHeight,
                           std::int32_t frameWidth, std::int32_t frameHeight) {
    // Each half rounds down on its own: (301 - 100) / 2 would differ from 150 - 50.
    return {screenWidth / 2 - frameWidth / 2, screenHeight / 2 - frameHeight / 2};
}

}  // namespace vorla::edit
