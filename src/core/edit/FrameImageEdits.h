// The image tools of the frame properties dialog, on one frame of a table: cutting away columns
// or rows, cropping, filling the margins up to the logical screen, resizing and rotating. Each
// writes its result into the frame's image and FrameEntry at once; the dialog's Cancel takes it
// back from its own copies, and its OK records the single undo step, so nothing here commits,
// records a snapshot or redraws: after a true result the caller redraws the frame's thumbnail
// and refreshes the dialog.
//
// Every operation keeps the table's invariants for the frame: the image's size equals the
// entry's (never below 1 x 1), and while the frame is transparent its transparent index is a
// palette entry that holds the key colour and is carried by exactly the transparent pixels
// (when no entry can be found for it, the frame is made transparent anew). Palette work is done
// on indices, so every colour that stays stays exact.
//
// Questions go through table.Ui(). The dialog's typed values and drags are read with the rules
// of FrameEditRules.h.
#pragma once

#include <cstdint>
#include <optional>

#include "core/edit/FrameEditRules.h"
#include "core/model/CDib.h"
#include "core/model/Color.h"

namespace vorla {

class FrameTable;
class UserInterface;

namespace edit {

// The image a transforming tool (resize, rotate) starts from, with the index its transparent
// pixels carry (-1: not transparent). Taken when the tool starts and again after every change
// the user accepts elsewhere, so that repeated resizes and rotations all start from the same
// pixels and do not add up their losses.
struct ToolSnapshot {
    CDib image;
    int transparentIndex = -1;
};
ToolSnapshot TakeToolSnapshot(const FrameTable& table, int frame);

// ---- Cut and crop ----

// Image pixels, both corners inclusive, counted from the image's top-left corner.
struct ImageRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// The frame becomes that part of its image: left and top grow by the rectangle's left and top,
// the size becomes the rectangle's and colorCount 256. A corner outside the image reports
// "74527" and changes nothing.
bool CropFrame(FrameTable& table, int frame, const ImageRect& rect);

// A click on column (axis Columns) or row `position` of the frame's image in a cut tool: asks
// CutQuestion's "이미지 손실 방향" and crops away the chosen side with the marked line. No
// question, and false, when that side of the frame is 1 pixel (nothing may be cut) or the
// position is off the image; Cancel changes nothing.
bool CutFrame(FrameTable& table, int frame, CutAxis axis, int position);

// ---- Margins (tool 3) ----

// The answer to "여백 색상 지정 방법".
enum class MarginMethod { Cancelled, PickFromImage, NewColour, Transparent };
MarginMethod AskMarginMethod(UserInterface& ui);

// What the margins, and the frame's transparent pixels, are filled with.
struct MarginFill {
    enum class Kind { PaletteIndex, Colour, Transparent };
    Kind kind = Kind::Transparent;
    int index = 0;        // PaletteIndex: an entry of the frame's palette
    Colorref colour = 0;  // Colour: a colour, new to the palette or not
};

// The frame becomes a picture of the whole logical screen at 0, 0 with a 256-entry palette
// (colorCount 256): the parts of the screen it did not cover and its transparent pixels take the
// fill, every other pixel keeps its index. A new colour takes an entry no pixel uses, or, when
// the palette is full, the one FreeEntryIfFull frees (the transparent entry is never given up).
// Filling with the transparent index, or Transparent, fills with transparency (the frame is
// made transparent first). false: nothing changed (bad frame, index or screen size).
bool FillMargins(FrameTable& table, int frame, const MarginFill& fill);

// After "기존의 이미지 중에서 선택", the index the user clicked in the image. The transparent
// index of a transparent frame asks "투명색으로 모든 여백을 채우겠습니까?" first (yes fills
// with transparency, no changes nothing); any other index fills with its colour.
bool FillMarginsWithPickedIndex(FrameTable& table, int frame, int index);

// After "새로 만듦": the colour chooser "여백을 채울 색상을 선택하세요", opened with and
// updating chooserColour (the dialog keeps it between uses); false after Cancel (the tool then
// goes back to "이동").
bool FillMarginsWithNewColour(FrameTable& table, int frame, Colorref& chooserColour);

// ---- Resize (tool 5) ----

// The rules of the width and height fields and of a drag for this frame, with the snapshot's
// proportions.
ResizeRules ResizeRulesFor(const FrameTable& table, int frame, const ToolSnapshot& snapshot,
                           bool keepAspect);

// The snapshot resampled to `size` becomes the frame's image (colorCount 256); a transparent
// frame keeps its transparent pixels exact and its index on the key colour. Refused (false,
// nothing changed) when the frame would reach past the logical screen's right or bottom edge.
bool ResizeFrame(FrameTable& table, int frame, const ToolSnapshot& snapshot, FrameSize size);

// "최대 확대": offsets 0, 0 and ResizeRules::MaximumEnlargement, resized from the snapshot.
bool EnlargeToMaximum(FrameTable& table, int frame, const ToolSnapshot& snapshot, bool keepAspect);

// ---- Rotate (tool 6) ----

// Starting the rotate tool: the frame is made transparent (the uncovered corners of a rotation
// need the key colour) and the snapshot to rotate from is taken. nullopt when the frame cannot
// be made transparent.
std::optional<ToolSnapshot> StartRotation(FrameTable& table, int frame);

// The snapshot turned clockwise by `degrees` (0..359) about its centre, at the frame's size,
// becomes the frame's image: corners that no pixel covers take the transparent index, the
// palette is the snapshot's, and the disposal becomes 2 (restore to background), so the
// uncovered parts show the background. false: the snapshot has no transparent index or the
// rotation failed (nothing changed).
bool RotateFrame(FrameTable& table, int frame, const ToolSnapshot& snapshot, int degrees);

// The slider moved to `position`: rotates as RotateFrame in the rotate tool (kRotateTool); any
// other tool reports "93012" and changes nothing.
inline constexpr int kRotateTool = 6;
bool RotateFromSlider(FrameTable& table, int frame, int tool, const ToolSnapshot& snapshot,
                      int position);

}  // namespace edit
}  // namespace vorla
