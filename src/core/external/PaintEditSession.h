// "그림판으로 편집": one frame edited in the paint program through the view's exchange file,
// supervised by the modeless "연결 프로그램  관리자". The session keeps its own copy of the
// frame's entry and image (the shared saved entries belong to other dialogs), so 취소 puts back
// exactly that frame; while the session is open the view refuses commands that would move the
// frame to another index.
#pragma once

#include <string>

#include "core/external/FileSignature.h"
#include "core/model/CDib.h"
#include "core/model/FrameEntry.h"

namespace vorla {

class FrameTable;

namespace external {

// The question asked before editing a transparent frame.
inline constexpr const char* kPaintTransparencyQuestion =
    "투명기능이 활성화되어 있어서 이미지가 제대로 표현되지 \n않을 것입니다. 계속하시겠습니까?";

class PaintEditSession {
public:
    // The manager looks at the file on every tenth pass of the 100 ms worker.
    static constexpr int kPassesPerCheck = 10;
    // A changed file that does not read whole this many passes in a row is reported (once).
    static constexpr int kPassesBeforeReport = 30;

    enum class PassResult {
        Nothing,   // no change, or not its turn
        Waiting,   // the file changed but does not read whole yet
        Reloaded,  // the frame took the file's picture
        Resized,   // the picture had another size and was fitted to the frame: run the program
                   // again on the rewritten file
        Declined,  // another size, and the user kept the frame as it was
    };

    // Takes the copies of `frame` and writes its picture to editFile as an 8-bit BMP. false:
    // the file could not be written (nothing started).
    bool Begin(FrameTable& table, int frame, const std::string& editFile);
    bool Active() const { return frame_ >= 0; }
    int Frame() const { return frame_; }
    const std::string& EditFile() const { return editFile_; }

    // One pass of the worker. A changed file is tried on every pass until it reads whole.
    PassResult Pass(FrameTable& table);

    // 적용: the session ends keeping the frame; true when it differs from the copy (the caller
    // records one undo step).
    bool Apply(FrameTable& table);
    // 취소: the frame's entry (with its selection as it is now) and image come back; nothing else
    // changes. The session ends.
    void Cancel(FrameTable& table);

private:
    bool Load(FrameTable& table, const CDib& image, bool transparent, int transparentIndex);

    int frame_ = -1;  // -1: no session
    std::string editFile_;
    FrameEntry entry_;
    CDib image_;
    FileSignature seen_;  // the file as last taken (or written)
    int pass_ = 0;
    bool changePending_ = false;  // a change was seen and is being read
    int failedPasses_ = 0;
    bool reported_ = false;  // 90121 was shown for the pending change
};

}  // namespace external
}  // namespace vorla
