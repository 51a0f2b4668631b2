// A view's clipboard commands: the program's frame clipboard (copy, cut, paste at a gap or over a
// frame) and the system clipboard and image files (images from other programs pasted as frames,
// a frame sent to other programs), with the two pick modes that wait for a click in the strip.
#pragma once

#include <QCoreApplication>
#include <QString>

namespace vorla {

class CAnvoView;
class FrameTable;
class ViewServices;
struct HitResult;
namespace edit {
struct IncomingImage;
}

class ViewClipboard {
    Q_DECLARE_TR_FUNCTIONS(ViewClipboard)

public:
    ViewClipboard(CAnvoView& view, ViewServices& services) : view_(view), services_(services) {}

    void Copy();
    void Cut();
    // Edit > 붙여넣기: at the selected gap, or over the one selected frame.
    void PasteRouted();
    void PasteAtGap();
    void ReplaceMenuFrame();
    void CopyToSystemClipboard(bool fromFrameMenu);
    // where: 0 the Edit command, 1 the gap menu, 2 the frame menu.
    void PasteFromSystemClipboard(int where);
    void PasteFromFile(int where);
    // A pick mode ended with a click on `hit` (1: paste there, 2: copy that frame).
    void ContinuePick(int mode, const HitResult& hit);

private:
    bool TakeSystemClipboardImage(edit::IncomingImage& incoming);
    // An image from a file the user chooses (a dialog titled title) or from the system
    // clipboard; what went wrong has been said.
    enum class Taken { Image, Nothing, Cancelled };
    Taken TakeImage(bool fromFile, const QString& title, edit::IncomingImage& incoming);
    // 255: the file dialog was cancelled; 0: nothing pasted; 1: pasted.
    int PasteImage(bool fromFile, int dialogKind, bool* pastedTransparent);
    bool ReplaceFrameFrom(bool fromFile);
    void PasteFromFileRepeatedly();
    void CopyFrameToSystemClipboard();
    // An image pasted at the gap: the strip keeps the document's own zoom.
    void PasteImageAtGap();

    FrameTable& Table();

    CAnvoView& view_;
    ViewServices& services_;
};

}  // namespace vorla
