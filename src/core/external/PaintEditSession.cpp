#include "core/external/PaintEditSession.h"

#include "core/edit/Paste.h"
#include "core/external/FrameLinks.h"
#include "core/model/ByteStream.h"
#include "core/model/FrameTable.h"
#include "core/port/Imaging.h"
#include "core/port/UserInterface.h"

namespace vorla::external {

bool PaintEditSession::Begin(FrameTable& table, int frame, const std::string& editFile) {
    if (frame < 0 || frame >= table.frameCount) return false;
    const auto slot = static_cast<std::size_t>(frame);
    if (!WriteFileAtomically(editFile, table.frameImages[slot].ToBytes())) return false;
    frame_ = frame;
    editFile_ = editFile;
    entry_ = table.entries[slot];
    image_ = table.frameImages[slot];
    seen_ = ReadFileSignature(editFile);
    pass_ = 0;
    changePending_ = false;
    failedPasses_ = 0;
    reported_ = false;
    return true;
}

PaintEditSession::PassResult PaintEditSession::Pass(FrameTable& table) {
    if (!Active()) return PassResult::Nothing;
    if (frame_ >= table.frameCount) return PassResult::Nothing;
    if (!changePending_) {
        if (++pass_ < kPassesPerCheck) return PassResult::Nothing;
        pass_ = 0;
        const FileSignature now = ReadFileSignature(editFile_);
        if (!now.exists || now == seen_) return PassResult::Nothing;
        changePending_ = true;
        failedPasses_ = 0;
        reported_ = false;
    }
    edit::IncomingImage incoming;
    FileSignature read;
    if (ReadLinkedImage(editFile_, table.Images(), incoming, read) != ReadResult::Ok) {
        // One attempt per pass: the GUI stays live while the program finishes writing.
        if (++failedPasses_ >= kPassesBeforeReport && !reported_) {
            reported_ = true;
            ReportProgramError(table.Ui(), "90121", true);
        }
        return PassResult::Waiting;
    }
    changePending_ = false;
    seen_ = read;
    const FrameEntry& entry = table.entries[static_cast<std::size_t>(frame_)];
    const int width = entry.width;
    const int height = entry.height;
    if (incoming.image.Width() == width && incoming.image.Height() == height) {
        return Load(table, incoming.image, incoming.transparent, incoming.transparentIndex)
                   ? PassResult::Reloaded
                   : PassResult::Nothing;
    }
    const std::string question =
        "이미지의 크기 변경을 시도했습니다.\n\n" + std::to_string(incoming.image.Width()) + " x " +
        std::to_string(incoming.image.Height()) + "의 이미지를" + " 원래의 이미지 크기 " +
        std::to_string(width) + " x " + std::to_string(height) + "로 늘이거나 줄이겠습니까?";
    if (!AskQuestion(table.Ui(), question, "크기 변경", "*nothing", true))
        return PassResult::Declined;
    CDib wide;
    CDib fitted;
    CDib reduced;
    Imaging& imaging = table.Images();
    if (imaging.LoadFile(editFile_, 24, wide) != ImagingResult::Ok ||
        !imaging.Resample(wide, width, height, fitted) || !imaging.Quantize(fitted, reduced) ||
        reduced.Width() != width || reduced.Height() != height) {
        ReportProgramError(table.Ui(), "90122", true);
        return PassResult::Declined;
    }
    if (!Load(table, reduced, false, 0)) return PassResult::Declined;
    // The program is started again on the fitted picture.
    WriteFileAtomically(editFile_, reduced.ToBytes());
    seen_ = ReadFileSignature(editFile_);
    return PassResult::Resized;
}

bool PaintEditSession::Load(FrameTable& table, const CDib& image, bool transparent,
                            int transparentIndex) {
    edit::IncomingImage incoming;
    incoming.image = image;
    incoming.transparent = transparent;
    incoming.transparentIndex = transparentIndex;
    if (!ReplaceFrameInPlace(table, frame_, incoming)) return false;
    table.RebuildDisplayImages(frame_, false, true, false);
    table.Host().Invalidate();
    return true;
}

bool PaintEditSession::Apply(FrameTable& table) {
    if (!Active()) return false;
    bool changed = false;
    if (frame_ < table.frameCount) {
        const auto slot = static_cast<std::size_t>(frame_);
        FrameEntry current = table.entries[slot];
        current.selected = entry_.selected;
        current.gapSelected = entry_.gapSelected;
        changed = !(current == entry_) || !(table.frameImages[slot] == image_);
    }
    frame_ = -1;
    image_.Free();
    return changed;
}

void PaintEditSession::Cancel(FrameTable& table) {
    if (!Active()) return;
    if (frame_ < table.frameCount) {
        const auto slot = static_cast<std::size_t>(frame_);
        FrameEntry restored = entry_;
        restored.selected = table.entries[slot].selected;
        restored.gapSelected = table.entries[slot].gapSelected;
        table.entries[slot] = restored;
        table.frameImages[slot] = image_;
        table.RebuildDisplayImages(frame_, true, true, false);
        table.Host().Invalidate();
    }
    frame_ = -1;
    image_.Free();
}

}  // namespace vorla::external
