// Frames linked to files on disk: handing frames to an external editor through work files,
// linking a frame by hand, and taking a changed file back into its frame.
//
// Work files live in one folder per open document, so that two documents with the same title
// never share files; before a work file is written, every other link to it is cleared, so that
// a hand-off after frames moved cannot feed one frame's file into another frame.
//
// A file is taken back only when it reads whole: the same signature before and after the read
// and an image that decodes. Its signature is stored only then, so a file caught half-written
// is tried again on the next pass. A reload keeps the frame's place in the table, its delay,
// disposal, offsets and link; the frame clipboard and the selection are not touched.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/edit/Paste.h"
#include "core/external/EditorSlots.h"
#include "core/external/FileSignature.h"

namespace vorla {

class FrameTable;
class Imaging;
class ProgramLauncher;

namespace external {

// programDirectory ends with '/'. The folder is named after the window's caption and the
// document's serial number, which no other open document shares; it ends with '/'.
std::string WorkFolder(const std::string& programDirectory, const std::string& caption,
                       int documentSerial);
// frame index 6, "bmp" -> "[007].bmp".
std::string WorkFileName(int frameIndex, const std::string& format);

// Clears the link of every frame linked to path. Returns how many were.
int ClearLinksTo(FrameTable& table, const std::string& path);
// Links the frame to path with the file's signature as it is now.
void LinkFrame(FrameTable& table, int frame, const std::string& path);

// Hands every selected frame to the editor: writes its work file (SaveFrameToFile), links the
// frame and starts the program on the file, one start per frame. A missing program is told
// ("지정된 외부 프로그램이 없거나 경로가 올바르지 않습니다.") and nothing is written; a
// program that fails to start is told the same way and the hand-off stops at that frame.
// Returns the frames handed over.
int HandFramesToEditor(FrameTable& table, const EditorSlot& slot, const std::string& workFolder,
                       ProgramLauncher& launcher);

enum class ReadResult { Ok, NotReady, Missing };
// Reads an image file whole at 8 bits: GIF through the program's decoder, BMP of any depth and
// compression through the program's reader, anything else (or a BMP it cannot take) through the
// imaging role (more than 256 colours are quantised). NotReady: the
// file changed while it was read, or does not decode (yet). `signature` is the file's signature
// during the read.
ReadResult ReadLinkedImage(const std::string& path, Imaging& imaging, edit::IncomingImage& out,
                           FileSignature& signature);

// The incoming image becomes frame's image in place. The frame keeps its delay, disposal,
// offsets (pushed back inside the screen when the new size needs it), selection and link; a
// transparent frame keeps its key colour where the new palette holds it exactly (else it is
// made transparent anew); a GIF with transparency brings its own. An image larger than the
// logical screen asks to enlarge it; declined: false, nothing changed. Nothing is committed.
bool ReplaceFrameInPlace(FrameTable& table, int frame, const edit::IncomingImage& incoming);

// One pass over every linked frame of a table.
class LinkPoller {
public:
    // Reloads every frame whose file changed and reads whole; the reloads are one commit (one
    // undo step). Returns the frames reloaded.
    std::vector<int> Pass(FrameTable& table);

    // Passes (of 100 ms) one version must stay unreadable before the user hears of it: a
    // program may take a while to finish writing a large file.
    static constexpr int kPassesBeforeReport = 30;
    // What the user reads, once per version of the file, when a linked file stays unreadable.
    static std::string UnreadableText(const std::string& path);

private:
    // Signatures already answered without a reload (an enlargement declined), per path.
    std::map<std::string, FileSignature> declined_;
    // A linked file that could not be read: the version seen, the passes it stayed so, and
    // whether it was reported.
    struct Failing {
        FileSignature signature;
        int passes = 0;
        bool reported = false;
    };
    std::map<std::string, Failing> failing_;
};

// "프레임 자동 업데이트" for one frame. askPath(title, proposedName) is the open-file dialog ("":
// cancelled); blankTemplate is the 187-byte blank picture a new file is made from.
enum class LinkOutcome { Cancelled, Unlinked, Linked, CreatedFile, Failed };
LinkOutcome LinkFrameByHand(FrameTable& table, int frame,
                            const std::function<std::string(const std::string& title,
                                                            const std::string& proposed)>& askPath,
                            const std::vector<std::uint8_t>& blankTemplate);

}  // namespace external
}  // namespace vorla
