// Commands that copy, remove, merge and duplicate frames of a table. Each talks to the user only
// through table.Ui(), returns whether it changed the table and, when it did, ends with exactly
// one commit (RebuildDisplayImages recording a snapshot), so it is one undo step.
//
// frameMenuForm: the command came from the Frame menu and takes its frame or gap from the
// selection; otherwise (context menu) it uses table.targetGap or table.menuFrame as the click
// on the strip set them.
#pragma once

#include <string>

namespace vorla {

class FrameClipboard;
class FrameTable;
class UndoStore;

namespace edit {

// Removes every selected frame; with cutTo the frames are first copied there. The logical screen
// keeps its size. false: nothing was done (too many frames to cut, reported to the user).
bool DeleteSelectedFrames(FrameTable& table, FrameClipboard* cutTo);

// Replaces the clipboard content with the selected frames, in strip order. Does not change the
// table. false: nothing selected (the clipboard keeps its content) or too many frames (told).
bool CopyFrames(FrameTable& table, FrameClipboard& clipboard);

// Copies the selected frames into the clipboard and removes them. Refused (false, nothing
// changed) when nothing is selected or when no frame would remain.
bool CutFrames(FrameTable& table, FrameClipboard& clipboard);

// Asks "<n>개 프레임을 삭제하시겠습니까?" and removes the selected frames on OK. Every frame
// selected: the notice "프레임을 삭제할 수 없습니다."; nothing or a gap selected: nothing.
bool DeleteWithQuestion(FrameTable& table);

// Remove every frame before (after) the gap table.targetGap, after asking. The gap before the
// first frame and the one after the last have no frames on one side and are refused with the
// gap message, in both forms.
bool DeleteAllBeforeGap(FrameTable& table, bool frameMenuForm);
bool DeleteAllAfterGap(FrameTable& table, bool frameMenuForm);

// Removes every frame but table.menuFrame (the first selected frame when there is one), after
// asking. The Frame-menu form needs exactly one selected frame.
bool DeleteAllButOne(FrameTable& table, bool frameMenuForm);

// Merges frame m = table.menuFrame into frame m - 1: both are filled up to the logical screen
// with transparency, frame m is drawn over frame m - 1 (its transparent pixels let frame m - 1
// through), the result is reduced to 256 colours by table.Images().Quantize and takes frame
// m - 1's place with frame m's entry. menuFrame then names the merged frame. The Frame-menu form
// needs exactly one selected frame that is not the first. m = 0 (or no such frame) reports
// "45432"; a failed reduction reports "45433" and leaves the table as it was.
bool MergeWithPrevious(FrameTable& table, bool frameMenuForm);

// Asks how many copies to add (1 .. 300 - frameCount), copies the selected frames into the
// clipboard and pastes them that many times after table.menuFrame (InsertClipboardRepeatedly).
// The Frame-menu form needs a selection. false: refused, cancelled or rolled back.
bool DuplicateFrames(FrameTable& table, FrameClipboard& clipboard, UndoStore& store,
                     bool frameMenuForm);

// Pastes the clipboard `times` times after table.targetGap under a progress dialog (shown only
// for more than 5 repetitions). caption "*default" reads "같은 프레임 여러 장 만들기". A failed
// paste or Cancel restores the store's current snapshot (the state before the command) and gives
// false; without a usable snapshot the inserted frames are removed instead.
bool InsertClipboardRepeatedly(FrameTable& table, FrameClipboard& clipboard, UndoStore& store,
                               int times, const std::string& caption);

}  // namespace edit
}  // namespace vorla
