// "프레임 펼치기": frames stored as patches over what the frames before them left on the screen
// become full pictures of the logical screen, each showing exactly what a viewer shows at its
// turn (GifCanvas's composite), so that edits which change the frames before a patch no longer
// change what the patch shows.
//
// An expanded frame sits at 0,0, covers the screen and keeps what it shows with disposal 1 (2
// when its own disposal cleared or restored part of the screen: see Replace). Its
// palette is its own palette followed by the colours the composite brings in; only when those
// come to more than 256 is the picture quantised (through the imaging port). Pixels where the
// composite is transparent take the frame's transparent index (a new one when the frame had
// none), so drawing the expanded frame over anything gives back the composite.
#pragma once

#include <cstdint>
#include <vector>

#include "core/model/CDib.h"

namespace vorla {

class FrameTable;
class Imaging;

namespace edit {

struct ExpansionResult {
    bool done = false;        // the frames were replaced (one undo step)
    bool cancelled = false;   // the user stopped it: nothing changed
    int quantised = 0;        // frames whose colours did not fit in 256 entries
    std::vector<int> frames;  // the frames expanded, ascending
};

// An area of a composited screen (GifCanvas values, rows packed) as an 8-bit picture: the first
// ownColours entries of `own`'s palette, then the colours the area brings in; only when those
// come to more than 256 is it quantised (through the imaging port). Pixels the screen leaves
// transparent take ownTransparent (-1: none; a new index is added when needed).
struct ScreenPicture {
    CDib image;
    int transparentIndex = -1;  // -1: no pixel is transparent and `own` had no index
    bool keepsKeySlot = false;  // the transparent index is ownTransparent (with its key colour)
    bool quantised = false;
};
bool PictureOfScreen(Imaging& imaging, const CDib& own, int ownColours, int ownTransparent,
                     const std::vector<std::uint32_t>& screen, int width, int height,
                     ScreenPicture& out);

// The frames that must be expanded with `wanted` for every frame to look as before: a frame
// whose disposal was 2 or 3 changed the screen for the frame after it, which an expanded
// frame (disposal 1) no longer does, so that next frame is expanded too, and so on.
std::vector<int> ExpansionClosure(const FrameTable& table, std::vector<int> wanted);

// Expands the selected frames, or all when none is selected ("프레임 펼치기"), under a progress
// dialog (shown after a short while, with Cancel) and as one undo step. Says once when colours
// had to be reduced.
ExpansionResult ExpandSelectedFrames(FrameTable& table);

// Expands exactly `frames` (plus their closure) without asking or recording an undo step: for
// callers that make the expansion part of their own step. false when the imaging port could not
// reduce a frame's colours (nothing changed then).
bool ExpandFramesInPlace(FrameTable& table, const std::vector<int>& frames,
                         ExpansionResult& result);

// True when some frame shows something of the frames before it: where it leaves the screen
// uncovered or transparent, the frames before it left something visible.
bool AnyFrameDependsOnEarlier(const FrameTable& table);

// Before a command that changes which frames come before others, on an animation whose frames
// depend on earlier ones: asks once per document whether to expand every frame first
// ("펼치고 편집", the default; "그대로 편집"; 취소). The expansion is not an undo step of its own:
// the command's step takes it in.
enum class StructuralAnswer { Proceed, Expanded, Cancel };
StructuralAnswer ConfirmStructuralEdit(FrameTable& table);
inline constexpr const char* kExpandQuestion =
    "이 애니메이션은 바뀐 부분만 저장된 프레임으로 되어 있어, 편집하면 뒤 프레임의 모습이 "
    "달라집니다. 먼저 모든 프레임을 펼칠까요?";

}  // namespace edit
}  // namespace vorla
