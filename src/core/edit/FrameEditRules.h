// The rules the frame properties dialog enforces on what the user types, clicks and drags, as
// plain functions: how a text becomes a delay, an angle or an index, which cut the user is
// offered, and the size a resize field, a drag or "최대 확대" gives. Nothing here changes a
// frame; FrameImageEdits does, with the numbers these give.
//
// Numbers read from texts follow the program's string-to-integer rule (TextToInt): leading
// digits count, a text without digits reads as 0.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/port/UserInterface.h"

namespace vorla {

struct FrameEntry;

namespace edit {

// ---- Delay ----

// The delay field's text as centiseconds, clamped to the GIF field's 0..65535 ("99999" reads
// 65535, "-5" reads 0).
int ReadDelayText(const std::string& text);
// FrameEntry keeps the delay in a signed 16-bit field that holds the GIF's unsigned value bit for
// bit; these two read and write it as the unsigned number (0..65535, clamped).
int DelayOf(const FrameEntry& entry);
void SetDelay(FrameEntry& entry, int centiseconds);

// ---- Transparent index ----

// The transparent-index field's text as an index of a palette of colorCount entries; nullopt
// (keep the current index) for a number outside 0..colorCount-1 or a text without digits.
std::optional<int> ReadTransparentIndexText(const std::string& text, int colorCount);

// The palette grid: 16 cells a row on an 8-pixel pitch, in index order. (x, y) relative to the
// grid's origin; the index of the cell there, or -1 outside the grid's columns 0..15, above row
// 0 or past the last colour. The cell gaps count as their cell.
inline constexpr int kPaletteCellPitch = 8;
inline constexpr int kPaletteColumns = 16;
int PaletteCellAt(int x, int y, int colorCount);

// ---- Rotation angle (whole degrees 0..359) ----

// The angle field's text: "abc" reads 0; above 359 or below 0 reads 359.
int ReadAngleText(const std::string& text);
// The text the field must show instead of `text` (the number ReadAngleText gives), or nullopt
// when it may stay as typed.
std::optional<std::string> CorrectedAngleText(const std::string& text);
// "+90": a quarter turn more, modulo 360 (300 gives 30).
int AngleAfterQuarterTurn(int angle);

// ---- Cutting a column or row ----

enum class CutAxis { Columns, Rows };  // "너비 줄이기" (tool 1) / "높이 줄이기" (tool 2)

// The question for a cut at `position` of a frame `extent` pixels wide (columns) or high (rows):
// option 0 gives up the left (top) side, option 2 the right (bottom) side; at position 0 only
// option 0 is enabled, at the last position only option 2 (preselected), otherwise both with
// option 0 preselected. nullopt: no question, because the frame is 1 pixel on that side (a cut
// would leave nothing) or the position is off the image.
std::optional<ChoiceRequest> CutQuestion(CutAxis axis, int position, int extent);
inline constexpr int kCutFirstSide = 0;   // left or top
inline constexpr int kCutSecondSide = 2;  // right or bottom

// The part of the axis a cut keeps, in pixels along the axis: the marked line is lost either
// way; giving up the first side keeps position+1..extent-1, the second side 0..position-1.
// nullopt when nothing would be left (or the position or choice is invalid).
struct AxisSpan {
    std::int32_t first = 0;
    std::int32_t count = 0;
};
std::optional<AxisSpan> CutKeeps(int position, int extent, int chosen);

// ---- Resizing (tool 5) ----

struct FrameSize {
    std::int32_t width = 1;
    std::int32_t height = 1;
    friend bool operator==(const FrameSize&, const FrameSize&) = default;
};

// The room a frame at (left, top) has on the logical screen and the proportions the resize
// fields keep. ratio: the tool snapshot's height / width.
struct ResizeRules {
    std::int32_t screenWidth = 1;
    std::int32_t screenHeight = 1;
    std::int32_t left = 0;
    std::int32_t top = 0;
    double ratio = 1.0;
    bool keepAspect = false;  // "가로:세로 비율 유지"

    // The largest width and height the fields accept: the room to the screen's right and bottom
    // edges, narrowed to the ratio when keepAspect is set; never below 1.
    FrameSize Maximum() const;
    // A typed width (height) with the other field's current value: the typed number clamped to
    // 1..maximum (the corrected number goes back into the field), the other side derived from it
    // by the ratio when keepAspect is set, else the other field's value clamped the same way.
    FrameSize FromWidth(int typedWidth, int heightField) const;
    FrameSize FromHeight(int typedHeight, int widthField) const;
    // The size a left-button drag to (x, y), logical-screen pixels, gives: the frame's bottom
    // right corner follows the point, limited to the screen, at least 1 x 1. nullopt (keep the
    // current size) for a point left of or above the frame's top-left corner or more than 30
    // pixels beyond the screen's right or bottom edge.
    std::optional<FrameSize> FromDrag(int x, int y) const;
    // "최대 확대": at offsets 0, 0, the screen size, or with keepAspect the largest size of the
    // ratio that fits it.
    FrameSize MaximumEnlargement() const;
};
inline constexpr int kDragSlack = 30;  // pixels past the screen's edge a drag still counts

// ---- Offsets (tool 0) ----

struct FrameOffset {
    std::int32_t left = 0;
    std::int32_t top = 0;
    friend bool operator==(const FrameOffset&, const FrameOffset&) = default;
};
// "가운데로": the offsets that centre a frame (each half taken separately, rounded down; a
// frame larger than the screen gets a negative offset, which the offset fields then refuse).
FrameOffset CentredOffsets(std::int32_t screenWidth, std::int32_t screenHeight,
                           std::int32_t frameWidth, std::int32_t frameHeight);

}  // namespace edit
}  // namespace vorla
