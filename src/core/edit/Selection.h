// Selecting frames and gaps with the mouse and the arrow keys. Selections live in the frame
// table: frames' selected flags, or exactly one gap (a gapSelected flag or gapAfterLastSelected).
#pragma once

#include "core/edit/StripGeometry.h"

namespace vorla {

class FrameTable;
class UserInterface;

namespace selection {

// Left button down on a hit with a valid index (frame or gap).
void Press(FrameTable& table, const HitResult& hit, bool ctrl, bool shift);
// Left button up without a drag: a plain click leaves only the clicked frame selected.
void Release(FrameTable& table, const HitResult& hit, bool ctrl, bool shift);
void SelectAll(FrameTable& table);
// Adds the gap after frame `gap` (-1: before the first frame) to the selection and makes it the
// target of gap commands.
void SelectGapAfter(FrameTable& table, int gap);
// Selects exactly what the hit names (a frame or a gap), clearing everything else.
void SelectOnly(FrameTable& table, const HitResult& hit);

enum class Arrow { Up, Down, Left, Right };
// visibleTop/visibleBottom: the visible part of the strip in strip coordinates. Returns the
// scroll position that brings the new selection into view, or -1 when no scrolling is needed.
int MoveWithArrow(FrameTable& table, const StripMetrics& metrics, Arrow arrow, int visibleTop,
                  int visibleBottom);

// Home / End: only the first / last frame selected. Returns the scroll position that brings it
// into view, or -1.
int SelectEndFrame(FrameTable& table, const StripMetrics& metrics, bool last, int visibleTop,
                   int visibleBottom);

// Shift+Up / Shift+Down: the selection becomes the frames from `anchor` to `end`, end moved one
// frame up or down. anchor and end are the caller's memory of the range last made this way;
// when the selection is no longer that range they start again at the last selected frame (the
// first visible frame when no frame is selected). Returns the scroll position that brings end
// into view, or -1.
int ExtendSelection(FrameTable& table, const StripMetrics& metrics, bool down, int visibleTop,
                    int visibleBottom, int& anchor, int& end);

// The delete question: false when nothing is selected, when every frame is (after the message
// "프레임을 삭제할 수 없습니다.") or when the user declines.
bool ConfirmDeleteSelection(FrameTable& table, UserInterface& ui);

}  // namespace selection
}  // namespace vorla
