// "전체 속성": the logical screen size, the loop flag and the strip zoom of one animation. Size
// and loop take effect while the dialog is open (the strip follows each click); 취소 puts back
// what they were at opening, 지금 적용 keeps them as one undo step.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vorla {

class FrameTable;

namespace edit {

// The six held size buttons, numbered as the press history records them; 0: none held.
enum SizeButton : int {
    kNoSizeButton = 0,
    kGrowHeight = 1,
    kShrinkHeight = 2,
    kGrowWidth = 3,
    kShrinkWidth = 4,
    kGrowBoth = 5,
    kShrinkBoth = 6,
};

// Turns the button held at each 10 ms tick into size steps: the first tick of a press acts (so a
// click changes the size by 1); holding acts again once the newest 20 ticks are all that button,
// and by 5 instead of 1 once the newest 40 are.
class SizeRepeater {
public:
    static constexpr int kHistory = 50;
    static constexpr int kRepeatAfter = 20;
    static constexpr int kFastAfter = 40;
    static constexpr int kFastStep = 5;

    // The step this tick takes for `held` (0 when nothing happens).
    int Tick(int held);
    const std::array<std::uint8_t, kHistory>& History() const { return history_; }

private:
    std::array<std::uint8_t, kHistory> history_{};  // newest first
};

// Screen sizes the buttons and edits move between.
inline constexpr int kLargestScreenSide = 6999;

// The screen becomes width x height, raised to the frames' extent (ScreenExtent), so that no
// frame ever reaches past it.
void SetScreenSize(FrameTable& table, int width, int height);
// One step of a size button, within 1..7000 per side, through SetScreenSize.
void ApplySizeButton(FrameTable& table, int button, int step);
// Whether typed sizes are taken: the width from 2 (from 1 when the height edit changed) and the
// height from 2, both up to 6999.
bool TypedSizeAccepted(int width, int height, bool heightEdited);
// "최소화": the screen fits the frames exactly.
void MinimiseScreen(FrameTable& table);
// "보기 배율 (5-100)": the typed zoom, limited to 5..100.
int ReadZoomText(const std::string& text);

class GlobalPropertiesSession {
public:
    void Begin(const FrameTable& table);
    // 취소: the size and loop flag at opening come back.
    void Cancel(FrameTable& table) const;
    // 지금 적용: true when the size or the loop flag differs from the opening (the caller marks
    // the document modified and records one undo step).
    bool Changed(const FrameTable& table) const;

private:
    int width_ = 0;
    int height_ = 0;
    bool loop_ = false;
};

}  // namespace edit
}  // namespace vorla
