// Filter-driven animation: one effect kind whose parameters change linearly from the first frame
// of a run to its last. The same generator with a count of 0 applies one parameter set to one
// frame (the frame image effects of the frame properties dialog).
//
// Every frame of a run is computed from one source image (slot 300 or the frame itself), so
// errors never accumulate from frame to frame. A frame whose processing fails keeps its image
// and entry; the run reports the failures once at its end.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/model/Color.h"

namespace vorla {

class FrameTable;
class UndoStore;
class UserInterface;

namespace effects {

// Slot of the frame table that holds the base frame of a run (the spare after 300 frames).
inline constexpr int kBaseSlot = 300;
// Kind ids. 3 exists in the table without a name and is never offered.
enum EffectKindId {
    kEffectNone = 0,
    kEffectMosaic = 1,
    kEffectNoise = 2,
    kEffectBrightness = 4,
    kEffectBlur = 5,
    kEffectContrast = 6,
    kEffectMedian = 7,
    kEffectRotation = 8,
    kEffectHue = 9,
    kEffectApproach = 10,
    kEffectSizeChange = 11,
};
inline constexpr int kEffectKindCount = 12;
inline constexpr int kEffectListSize = 10;  // entries of the kind list
inline constexpr int kMaxParameters = 4;

struct EffectParameter {
    const char* label = "";
    int minimum = 0;
    int maximum = 0;
    int initial = 0;
};

struct EffectKind {
    int id = 0;
    const char* name = "";  // "" for the kinds without a name (0 shows "없음", 3 nothing)
    int parameterCount = 0;
    std::array<EffectParameter, kMaxParameters> parameters{};
};

// The kind with this id; ids outside 0..11 give kind 0.
const EffectKind& EffectKindOf(int id);
// Kind list index (0..9, or -1 for no selection, which is kind 0) to kind id; an index outside
// reports "12524" and gives 0.
int KindOfListIndex(UserInterface& ui, int index);
// Kind id to list index; an id without a list entry reports "12523" and gives -1.
int ListIndexOfKind(UserInterface& ui, int id);
// The kind's name; an id outside the table reports "31431" and gives "".
std::string EffectKindName(UserInterface& ui, int id);
// The kinds whose results may look wrong on a transparent frame (모자이크, 흐리기).
bool KindWarnsAboutTransparency(int id);

// The value of one parameter for frame j (0-based) of a run of `count` frames: trunc(j * step +
// first) with step = (last - first) / (count - 1), the last frame exactly `last`. count 0 (one
// frame, no run) gives `first`; count 1 cannot be stepped and reports "12093", giving `last`.
int InterpolatedValue(UserInterface& ui, int first, int last, int j, int count);

// What one run does.
struct AdvancedRequest {
    int start = 0;   // first frame of the run
    int count = 0;   // frames in the run; 0: one frame, no interpolation and no questions
    int delay = -1;  // centiseconds given to every frame; -1 keeps each frame's
    int kind = kEffectNone;
    bool askFill = false;  // ask how to fill what the transformation uncovers (rotation)
    std::array<int, kMaxParameters> first{};
    std::array<int, kMaxParameters> last{};
    int source = -1;  // slot every frame is computed from; -1: each frame from itself
};

// The answers of the questions before a run.
struct RunChoices {
    bool restoreBackground = true;  // disposal of every frame of the run: 2 (else 1)
    bool fillTransparent = true;    // uncovered parts: transparent, else fillColour
    Colorref fillColour = 0;
};

enum class RunOutcome { Done, Declined, Cancelled };

struct RunResult {
    RunOutcome outcome = RunOutcome::Done;
    int failedFrames = 0;            // frames that kept their image because processing failed
    bool restoredFromStore = false;  // Cancelled: the table is the store's current block again
};

// The questions of a run with count > 0: the disposal, and with askFill the fill (yes: transparent;
// no: the colour chooser, opened with and updating chooserColour). false: one was declined.
bool AskRunChoices(UserInterface& ui, const AdvancedRequest& request, RunChoices& choices,
                   Colorref& chooserColour);

// Processes frames start .. start + max(count, 1) - 1 from the source, with a progress dialog for
// more than 5 frames. Cancel (or a pump that reports quitting) restores the store's current block
// (the state before the command) when store is given. Each frame's display image is rebuilt;
// nothing is committed. Failures are told once, after the run.
RunResult RunAdvancedFrames(FrameTable& table, UndoStore* store, const AdvancedRequest& request,
                            const RunChoices& choices);

// AskRunChoices (when count > 0) and RunAdvancedFrames.
RunResult GenerateAdvancedFrames(FrameTable& table, UndoStore* store,
                                 const AdvancedRequest& request, Colorref& chooserColour);

// One frame m computed from slot u by kind with the parameter values p. seed: the noise seed.
// false: the imaging layer failed and frame m is as it was.
bool ProcessEffectFrame(FrameTable& table, int m, int u, int kind,
                        const std::array<int, kMaxParameters>& p, const RunChoices& choices,
                        bool fillMargins);

// The advanced animation command after its dialog's OK.
struct AdvancedCommand {
    int mode = 0;  // 0: a new run of `count` copies of the current frame; 1: existing frames
    int from = 1;  // mode 1: frame numbers (1-based), both included
    int to = 1;
    int count = 10;  // mode 0
    int delay = 5;   // mode 0, centiseconds
    int kind = kEffectBrightness;
    std::array<int, kMaxParameters> first{};
    std::array<int, kMaxParameters> last{};
};

// Runs the command on the table. Mode 0 replaces frame `current` with `count` frames computed
// from it (inserted directly, the frame clipboard untouched); mode 1 processes frames from..to.
// A range or count that no longer fits the table (the dialog is modeless) shows
// "프레임 번호 입력이 잘못되었습니다." and changes nothing. Declined questions change nothing;
// Cancel gives back the state before the command. A completed run is one undo step. The suspend
// flag is cleared and slot 300 emptied on every exit. true: the run completed.
bool RunAdvancedAnimation(FrameTable& table, UndoStore* store, int current,
                          const AdvancedCommand& command, Colorref& chooserColour);

}  // namespace effects
}  // namespace vorla
