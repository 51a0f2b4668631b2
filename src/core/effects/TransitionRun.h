// What every transition generator (brightness, scatter, overlap) shares: the values a command
// works with, the selection rules checked before the settings sheet, the frame-table limit, and
// one run's frame: busy flags, progress dialog, insertion at a gap, Cancel and the final commit.
//
// A run is one undo step. Every change of a command (the source's delay, its transparency, filled
// margins, the inserted frames) happens inside its TransitionRun; Cancel, a pump that reports
// that the program is quitting, and a failure put back the table recorded before the command
// (the undo store's current block) and the document's modified flag, and record nothing.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/model/CDib.h"
#include "core/model/Color.h"
#include "core/model/FrameEntry.h"

namespace vorla {

class CAnvoDoc;
class FrameTable;
class UndoStore;
class WorkProgress;

namespace effects {

struct EffectSettings;
class EffectRandom;

struct EffectContext {
    FrameTable& table;
    UndoStore& store;
    CAnvoDoc& document;  // its modified flag comes back when a run does not finish
    EffectSettings& settings;
    EffectRandom& random;
    Colorref& marginColour;  // the view's colour chooser result, kept between uses
    // Runs the settings sheet opened on page startPage (EffectPage); false: the user cancelled.
    std::function<bool(int startPage)> editSettings;
};

enum class EffectOutcome {
    Done,       // frames generated (or none with a count of 0) and one snapshot recorded
    Refused,    // a message, a declined question or Cancel in a dialog: nothing changed
    Cancelled,  // stopped during the run: the table is as before the command
    Failed,     // an internal error was reported: the table is as before the command
};

// Which form of a command runs: the Animation menu's checks the selection itself; the context
// menu's takes the gap or frame that the click on the strip named (targetGap, menuFrame).
enum class CommandForm { MainMenu, ContextMenu };

enum class GapRule { NotAfterLast, NotBeforeFirst, Any };

// The gap (index of the frame before it, -1 before the first) a command works on. The main-menu
// form needs a selected gap that the rule allows and otherwise shows the selection message.
std::optional<int> GapForCommand(FrameTable& table, CommandForm form, GapRule rule);
// The frame the "... before and after one frame" commands work on; the main-menu form needs
// exactly one selected frame.
std::optional<int> FrameForCommand(FrameTable& table, CommandForm form);

// "프레임 위치 설정이 잘못되었습니다." for a gap the generator cannot use; true when shown.
bool RefuseGapPosition(FrameTable& table, bool refused);

// The gap a one-sided transition goes into, after the selection, the settings sheet on
// settingsPage and the gap's position were checked (each with its message); nullopt: refused.
// An appearing transition goes before a frame (not after the last), a disappearing one after a
// frame (not before the first).
std::optional<int> OneSidedGap(EffectContext& context, CommandForm form, int settingsPage,
                               bool appearing);

// The table holds at most FrameTable::kMaxFrames frames: true (after telling the user) when
// `added` more would not fit.
bool RefuseOverLimit(FrameTable& table, int added);

// The entry of a generated frame: the source's values with the run's delay (-1: sourceDelay),
// disposal 2 (restore to background) and no link to an outside file, unselected.
FrameEntry GeneratedEntry(const FrameEntry& source, int delay, int sourceDelay);

// The source frame's disposal becomes 2 (restore to background), keeping restoreBackground and
// the control byte in step.
void SetRestoreBackground(FrameEntry& entry);

class TransitionRun {
public:
    // Starts the run: the view busy, display images rebuilt without commits, the progress
    // dialog shown with title, status and range 0..maximum.
    TransitionRun(EffectContext& context, const std::string& title, const std::string& status,
                  int maximum);
    // A run left without Finish, Cancel or Fail is cancelled.
    ~TransitionRun();
    TransitionRun(const TransitionRun&) = delete;
    TransitionRun& operator=(const TransitionRun&) = delete;

    // Lets the user interface breathe; false when the program is quitting (counts as Cancel).
    bool Pump();
    // Moves the bar; false when the progress dialog's cancel was used.
    bool Advance(int position);
    // Inserts the frame right after frame `gap` (-1: at the front) and refreshes its display.
    void Insert(int gap, CDib image, const FrameEntry& entry);

    EffectOutcome Cancel();
    // Reports the internal error `code` and cancels.
    EffectOutcome Fail(const char* code);
    // Commits (modified, one snapshot), selects `selectFrame` alone and lays the strip out.
    EffectOutcome Finish(int selectFrame);

private:
    void End();

    EffectContext& context_;
    FrameTable& table_;
    std::unique_ptr<WorkProgress> progress_;
    std::vector<std::uint8_t> fallbackBlock_;  // the table before the run, when no store holds it
    bool wasModified_ = false;
    bool wasBusy_ = false;
    int savedSuspend_ = 0;
    bool ended_ = false;
};

}  // namespace effects
}  // namespace vorla
