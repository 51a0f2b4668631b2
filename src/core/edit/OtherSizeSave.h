// "다른 크기로 저장": the whole animation written as a GIF of another logical screen size while
// the document stays as it is. The frames are scaled on a private copy of the table with the
// frame-edit resize (so transparency is kept as the frame dialog's resize keeps it) and written
// from there; the document's table is never touched, so it is exactly as before, modified flag
// included.
#pragma once

#include <optional>
#include <string>

namespace vorla {

class FrameTable;
class GifEncoder;

namespace edit {

// Frames are 16-bit entries and the imaging layer refuses larger pictures.
inline constexpr int kLargestOtherSide = 16000;

// The linked width and height edits of the size dialog ("가로대 세로 비율 유지").
struct OtherSizeRules {
    double ratio = 1.0;  // screen height / screen width of the document

    int HeightForWidth(int width) const { return static_cast<int>(width * ratio); }
    int WidthForHeight(int height) const {
        return ratio > 0 ? static_cast<int>(height / ratio) : height;
    }
};
OtherSizeRules OtherSizeRulesFor(const FrameTable& table);

// The message that refuses a size, or nullopt when it may be saved.
std::optional<std::string> OtherSizeRefusal(int width, int height);

// The caption up to its first '.', then "_<w>x<h>.gif": "anim.gif" at 200 x 160 gives
// "anim_200x160.gif".
std::string ProposedOtherSizeName(const std::string& caption, int width, int height);

// Where frame offsets and sizes go at the new screen size (sx = new / old width, sy likewise):
// offsets and sizes scale and truncate, a side as long as the old screen becomes the new
// screen's, every frame keeps at least 1 x 1 and stays inside the new screen.
struct ScaledPlacement {
    int left = 0;
    int top = 0;
    int width = 1;
    int height = 1;
};
ScaledPlacement ScalePlacement(int left, int top, int width, int height, int oldWidth,
                               int oldHeight, int newWidth, int newHeight);

enum class OtherSizeResult { Written, Refused, Cancelled, ResizeFailed, WriteFailed };
// Scales a copy of every frame and writes it to path (through a temporary file beside it).
// Pumps through table.Ui() once per frame; a pump that reports quitting cancels. Failures are
// reported to the user; nothing is written then.
OtherSizeResult SaveAtOtherSize(FrameTable& table, GifEncoder& encoder, const std::string& path,
                                int width, int height);

}  // namespace edit
}  // namespace vorla
