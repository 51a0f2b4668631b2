// "테두리 넣기": a solid border of one colour along chosen edges, inside each frame's picture
// (the picture keeps its size). The border is painted by palette index: the colour takes an
// entry that holds it already, else an unused one, else a new one while the palette is below
// 256 entries, else the entry FreeEntryIfFull frees. So the colour comes out exact, no other
// colour changes but those of the freed entry's pixels, and a transparent frame keeps its
// transparent index and pixels.
#pragma once

#include <string>

#include "core/model/Color.h"

namespace vorla {

class FrameTable;

namespace edit {

struct BorderRequest {
    int frame = -1;  // -1: every frame
    Colorref colour = 0;
    int thickness = 1;  // pixels; 0 or less draws nothing; more than the larger side is clamped
    bool left = true;
    bool top = true;
    bool right = true;
    bool bottom = true;
};

// "모든 프레임에 테두리 넣기", or "<n>번 프레임에 테두리 넣기" for one frame (n counts from 1).
std::string BorderCaption(int frame);
// The colour as shown beside the swatch: "RR GG BB" in hexadecimal.
std::string BorderColourText(Colorref colour);
// The thickness text read with the string-to-integer rule.
int ReadThicknessText(const std::string& text);

// Paints the border. A transparent frame whose key colour is the border colour refuses the
// whole command ("<n>번 프레임에서 투명색으로 쓰이는 색상과 테두리색이 겹칩니다. ...") before
// any frame changes. commit: end with one commit (one undo step); the frame dialog's button
// passes false, its session owns the change. false: refused (the dialog stays open) or a
// frame could not be painted ("16323"; frames before it keep their border).
bool InsertBorder(FrameTable& table, const BorderRequest& request, bool commit);

}  // namespace edit
}  // namespace vorla
