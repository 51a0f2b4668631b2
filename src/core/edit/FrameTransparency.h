// The transparency controls of the frame properties dialog on one frame of a table: the "활성화"
// check and the transparent-colour tool (tool 4). Like FrameImageEdits, they change the frame at
// once and leave committing, redrawing and the dialog's copies to the caller.
#pragma once

namespace vorla {

class FrameTable;

namespace edit {

// The check turned on: the frame is made transparent (an unused index, or one colour merged
// into its nearest when all are used) and gets a key colour. Turned off: the transparent entry
// gets back the colour it stood for and the flag is cleared; the index is kept for the next
// time. false: nothing changed.
bool SetFrameTransparency(FrameTable& table, int frame, bool on);

// A click on palette cell or image pixel `index` in tool 4. Without transparency it shows
// "먼저 투명 기능을 활성화하세요." and changes nothing; an index outside the palette changes
// nothing. Otherwise the previous transparent entry gets its colour back and `index` becomes
// the transparent index with a fresh key colour.
bool PickTransparentIndex(FrameTable& table, int frame, int index);

}  // namespace edit
}  // namespace vorla
