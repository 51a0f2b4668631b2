// The values every transition generator reads, shared by all documents of the running program and
// never written to the settings files (each run starts from the defaults), and the rules of the
// sheet "효과 세부 설정" that edits them: its texts and how OK checks and stores them.
#pragma once

#include <array>
#include <string>

namespace vorla::effects {

struct EffectSettings {
    int fadeFrameCount = 15;
    int fadeDelay = 5;  // centiseconds; -1: each generated frame keeps its source frame's delay
    // The darkest generated frame's brightness as a fraction of the source's: every colour
    // component is scaled by it. 0..2 (above 1 the effect brightens).
    double darkestBrightness = 0.6;
    int scatterFrameCount = 15;
    int scatterDelay = 5;
    int scatterPreservation = 10;  // divisor of the scattered pixel count: larger keeps more
    int overlapFrameCount = 10;
    int overlapDelay = 5;
};

// The sheet's pages, in the order they are added and checked.
enum EffectPage { kBrightnessPage = 0, kScatterPage = 1, kOverlapPage = 2 };

// What the sheet's fields accept. Frames are bounded so that one command stays well inside the
// frame table; a delay of -1 stands for the source frame's own delay.
inline constexpr int kMaxEffectFrames = 50;
inline constexpr int kMinEffectDelay = -1;
inline constexpr int kMaxEffectDelay = 5000;
inline constexpr int kMaxDarkestPercent = 200;  // beyond it the colour factor leaves -1..1
inline constexpr int kMinPreservation = 2;      // 0 would divide by zero
inline constexpr int kMaxPreservation = 100;

// The eight edit fields as text, page by page.
struct EffectSheetTexts {
    std::string fadeFrames, fadeDelay, darkestPercent;
    std::string scatterFrames, scatterDelay, preservation;
    std::string overlapFrames, overlapDelay;

    // The texts the sheet opens with. The brightness shows as trunc(fraction x 100), so a
    // fraction stored from 29 % (0.29) shows as 28.
    static EffectSheetTexts From(const EffectSettings& settings);
};

struct SheetCheck {
    int failedPage = -1;  // EffectPage of the first page refused; -1: all stored
    std::string message;  // what to tell the user about it
    bool Passed() const { return failedPage < 0; }
};

// OK of the sheet: reads the texts with the string-to-integer rule and stores them page by page
// in order, stopping at the first page with a value out of range. Pages before it stay stored;
// the refused page and those after it change nothing.
SheetCheck StoreSheetTexts(const EffectSheetTexts& texts, EffectSettings& settings);

}  // namespace vorla::effects
