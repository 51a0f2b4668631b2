// One session of the frame properties dialog on one frame of a table: the copies taken when the
// dialog opens, the edits of its plain fields (delay, disposal, offsets, interlace), and its two
// endings. 취소 puts back every entry (all frames: "모두" spreads a delay over the whole
// animation) and the frame's image byte for byte, and gives back the document's modified flag;
// 적용 keeps everything and tells whether one undo step must be recorded. The edits in between
// record nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/model/CDib.h"
#include "core/model/FrameEntry.h"

namespace vorla {

class FrameTable;
class GifEncoder;

namespace edit {

class FrameDialogSession {
public:
    // Takes the copies for `frame`; `modified` is the document's flag at that moment.
    void Begin(const FrameTable& table, int frame, bool modified);
    bool Active() const { return frame_ >= 0; }
    int Frame() const { return frame_; }

    // Whether any entry (selection aside) or the frame's image differs from the copies.
    bool Changed(const FrameTable& table) const;

    // 취소: entries (keeping each one's selection), the image, and the modified flag to put back.
    // The session ends.
    bool Cancel(FrameTable& table);
    // 적용: the session ends; true when something changed, so the caller records one undo step
    // and marks the document modified.
    bool Apply(const FrameTable& table);

    const CDib& ImageCopy() const { return image_; }
    const FrameEntry& EntryCopy() const { return entries_.at(static_cast<std::size_t>(frame_)); }
    std::size_t EntryCount() const { return entries_.size(); }
    const FrameEntry& EntryAt(std::size_t i) const { return entries_.at(i); }

private:
    int frame_ = -1;  // -1: no session
    bool modified_ = false;
    std::vector<FrameEntry> entries_;
    CDib image_;
};

// What a save would write with the session's edits and what it would have written before them,
// in bytes (-1 where it cannot be measured). Measuring keeps every frame and entry as it is.
struct SavedSizes {
    std::int64_t before = -1;
    std::int64_t now = -1;
};
SavedSizes MeasureSessionSizes(FrameTable& table, const FrameDialogSession& session,
                               GifEncoder& encoder);
// The size preview's two lines: "편집 전 파일 크기" first, then "저장시 파일 크기".
std::string SessionSizeText(const SavedSizes& sizes);

// ---- The plain fields, written into the entries at once ----

// The delay text (clamped by ReadDelayText) becomes the frame's delay, or with "모두" every
// frame's. Returns the delay written.
int ApplyDelayText(FrameTable& table, int frame, const std::string& text, bool allFrames);

// The disposal choice: item 1 "브라우저 배경으로 지움" is disposal 2 with restoreBackground set;
// item 0 "보존" clears the flag and turns a disposal 2 into 1 (leave in place), keeping 0, 1 or 3.
inline constexpr int kDisposalKeep = 0;
inline constexpr int kDisposalRestoreBackground = 1;
void SetDisposalChoice(FrameEntry& entry, int item);
int DisposalChoiceOf(const FrameEntry& entry);

// New offsets from the offset fields or the move tool: refused (false, nothing changed) when a
// value is below 0 or the frame would reach past the logical screen's right or bottom edge.
bool MoveFrameTo(FrameTable& table, int frame, int left, int top);

// The move tool's drag: the frame pushed back inside the screen (left, right, top, bottom in
// that order) after a shift by (dx, dy).
struct FrameOffsetPair {
    int left = 0;
    int top = 0;
};
FrameOffsetPair DraggedOffsets(const FrameTable& table, int frame, int dx, int dy);

// The frame covers the whole logical screen (the move tool has nothing to do).
bool CoversScreen(const FrameTable& table, int frame);

// Number of palette entries (below the frame's palette size) that the image uses.
int UsedColourCount(const FrameTable& table, int frame);

// Whether the frame's image uses its transparent index at all.
bool TransparentIndexUsed(const FrameTable& table, int frame);

}  // namespace edit
}  // namespace vorla
