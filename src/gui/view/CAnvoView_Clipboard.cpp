// The frame clipboard and the system clipboard: copy, cut, paste at a gap or over a frame, images
// from files and from other programs, and the two pick modes that wait for a click in the strip.
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMimeData>
#include <QScrollBar>

#include "core/edit/FrameClipboard.h"
#include "core/edit/FrameEditing.h"
#include "core/edit/Paste.h"
#include "core/model/ApplicationState.h"
#include "core/port/Imaging.h"
#include "core/port/UserInterface.h"
#include "gui/app/CMainFrame.h"
#include "gui/view/CAnvoView.h"
#include "gui/view/DibImage.h"

namespace vorla {
namespace {

bool ClipboardHasImage() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasImage();
}

}  // namespace

void CAnvoView::CopySelection() {
    edit::CopyFrames(table_, main_.Clipboard());
    main_.UpdateCommandStates();
}

void CAnvoView::CutSelection() {
    edit::CutFrames(table_, main_.Clipboard());
    AfterFramesChanged();
}

void CAnvoView::PasteRouted() {
    const int n = table_.CountSelection();
    if (n == -1) {
        table_.targetGap = table_.selectedGapIndex;
        edit::PasteFrames(table_, main_.Clipboard());
    } else if (!main_.Clipboard().Empty() && n == 1) {
        table_.menuFrame = table_.lastSelectedFrame;
        edit::ReplaceWithClipboard(table_, main_.Clipboard());
    }
    AfterFramesChanged();
}

void CAnvoView::PasteAtGap() {
    edit::PasteFrames(table_, main_.Clipboard());
    AfterFramesChanged();
}

void CAnvoView::ReplaceMenuFrame() {
    edit::ReplaceWithClipboard(table_, main_.Clipboard());
    AfterFramesChanged();
}

void CAnvoView::AfterFramesChanged() {
    if (playbackFrame_ >= table_.frameCount) playbackFrame_ = 0;
    Invalidate();
    RefreshAnimationPane();
    main_.UpdateCommandStates();
}

bool CAnvoView::TakeSystemClipboardImage(edit::IncomingImage& incoming) {
    if (!ClipboardHasImage()) {
        main_.Ui().ShowNotice("클립보드에 이미지 데이터가 없습니다.", 800, 1);
        return false;
    }
    const QImage image = QApplication::clipboard()->image();
    CDib dib = QImageToDib(image.convertToFormat(QImage::Format_ARGB32));
    if (dib.IsEmpty() || !main_.Images().Quantize(dib, incoming.image)) {
        main_.Ui().ShowNotice("지원하지 않는 형식이거나 손상된 파일입니다.", 800, 1);
        return false;
    }
    incoming.transparent = false;
    return true;
}

int CAnvoView::PasteImage(bool fromFile, int dialogKind, bool* pastedTransparent) {
    edit::IncomingImage incoming;
    if (fromFile) {
        const QString title = dialogKind == 1 ? tr("이 프레임을 대신하여 넣을 이미지를 선택하세요.")
                                              : tr("두 프레임 사이에 붙여넣을 이미지를 선택하세요. "
                                                   "중단하려면 [취소]를 누르세요.");
        const QString path = main_.AskImagePath(title);
        if (path.isEmpty()) return 255;
        switch (edit::LoadImageForPaste(path.toStdString(), main_.Images(), incoming)) {
            case edit::ImageLoad::DamagedGif:
                main_.Ui().ShowNotice("손상된 GIF파일입니다.", 800, 1);
                return 0;
            case edit::ImageLoad::Unreadable:
                main_.Ui().ShowNotice("지원하지 않는 형식이거나 손상된 파일입니다.", 800, 1);
                return 0;
            case edit::ImageLoad::Ok: break;
        }
    } else if (!TakeSystemClipboardImage(incoming)) {
        return 0;
    }
    if (pastedTransparent) *pastedTransparent = incoming.transparent;
    if (!edit::PasteImage(table_, main_.Clipboard(), incoming)) return 0;
    // Bring the new frame into view, 40 pixels above its top.
    const int newFrame = table_.targetGap;
    verticalScrollBar()->setValue(std::max(0, Metrics().ImageTop(newFrame) - 40));
    AfterFramesChanged();
    return 1;
}

bool CAnvoView::ReplaceFrameFrom(bool fromFile) {
    edit::IncomingImage incoming;
    if (fromFile) {
        const QString path =
            main_.AskImagePath(tr("이 프레임을 대신하여 넣을 이미지를 선택하세요."));
        if (path.isEmpty()) return false;
        switch (edit::LoadImageForPaste(path.toStdString(), main_.Images(), incoming)) {
            case edit::ImageLoad::DamagedGif:
                main_.Ui().ShowNotice("손상된 GIF파일입니다.", 800, 1);
                return false;
            case edit::ImageLoad::Unreadable:
                main_.Ui().ShowNotice("지원하지 않는 형식이거나 손상된 파일입니다.", 800, 1);
                return false;
            case edit::ImageLoad::Ok: break;
        }
    } else if (!TakeSystemClipboardImage(incoming)) {
        return false;
    }
    const bool replaced = edit::ReplaceFrameWithImage(table_, main_.Clipboard(), incoming);
    AfterFramesChanged();
    return replaced;
}

void CAnvoView::PasteFromFileRepeatedly() {
    // Image after image into the gap, each after the previous, until the dialog is cancelled.
    for (;;) {
        bool transparent = false;
        if (PasteImage(true, 2, &transparent) == 255) break;
        ApplicationState& app = main_.App();
        if (table_.settings.screenWidth > app.wideImageThreshold && app.zoomPercent > 50) {
            app.zoomPercent = 50;
            main_.RepaintAllDocuments();
        }
        table_.SetZoom(table_.settings.screenWidth, table_.settings.screenHeight, false);
    }
    AfterFramesChanged();
}

void CAnvoView::CopyFrameToSystemClipboard() {
    main_.Ui().PumpMessages();
    const FrameEntry& entry = table_.entries[static_cast<std::size_t>(table_.menuFrame)];
    if (entry.transparent &&
        !AskQuestion(main_.Ui(), "투명 정보는 손실될 것입니다. 계속 진행하겠습니까?",
                     "클립보드에 복사하기")) {
        return;
    }
    const QImage image =
        DibToQImage(table_.frameImages[static_cast<std::size_t>(table_.menuFrame)]);
    if (image.isNull()) {
        ReportProgramError(main_.Ui(), "38923", false);
        return;
    }
    QApplication::clipboard()->setImage(image.convertToFormat(QImage::Format_RGB32));
    main_.Ui().ShowNotice(
        std::to_string(table_.menuFrame + 1) + "번 프레임을 클립보드에 저장했습니다.", 600, 0);
}

void CAnvoView::OnCopyToSystemClipboard(bool fromFrameMenu) {
    if (!fromFrameMenu) {
        if (table_.CountSelection() != 1) {
            main_.StartPick(this, 2, tr("클립보드로 보내기"),
                            tr("클립보드에 복사할 프레임을 정하세요."));
            return;
        }
        table_.menuFrame = table_.lastSelectedFrame;
    }
    CopyFrameToSystemClipboard();
}

void CAnvoView::OnPasteFromSystemClipboard(int where) {
    // where: 0 the Edit command, 1 the gap menu, 2 the frame menu.
    if (!ClipboardHasImage()) {
        main_.Ui().ShowNotice("클립보드에 이미지 데이터가 없습니다.", 800, 1);
        return;
    }
    if (where == 1) {
        PasteImage(false, 0, nullptr);
        table_.SetZoom(table_.settings.screenWidth, table_.settings.screenHeight, false);
        return;
    }
    if (where == 2) {
        ReplaceFrameFrom(false);
        return;
    }
    const int n = table_.CountSelection();
    if (n == -1) {
        table_.targetGap = table_.selectedGapIndex;
        PasteImage(false, 0, nullptr);
        table_.SetZoom(table_.settings.screenWidth, table_.settings.screenHeight, false);
    } else if (n == 1) {
        table_.menuFrame = table_.lastSelectedFrame;
        ReplaceFrameFrom(false);
    } else {
        main_.StartPick(this, 1, tr("클립보드에서 가져오기"),
                        tr("바꿔넣거나 끼워넣을 위치를 정하세요."));
    }
}

void CAnvoView::ContinuePick(int mode, const HitResult& hit) {
    if (mode == 2) {
        table_.menuFrame = hit.index;
        CopyFrameToSystemClipboard();
        return;
    }
    if (hit.kind == HitResult::kFrame) {
        table_.menuFrame = hit.index;
        ReplaceFrameFrom(false);
    } else {
        table_.targetGap = hit.index - 1;
        PasteImage(false, 0, nullptr);
        table_.SetZoom(table_.settings.screenWidth, table_.settings.screenHeight, false);
    }
}

void CAnvoView::OnPasteFromFile(int where) {
    // where: 0 the Edit command, 1 the gap menu, 2 the frame menu.
    if (where == 2) {
        ReplaceFrameFrom(true);
        return;
    }
    if (where == 1) {
        PasteFromFileRepeatedly();
        return;
    }
    const int n = table_.CountSelection();
    if (n == 1) {
        table_.menuFrame = table_.lastSelectedFrame;
        ReplaceFrameFrom(true);
    } else if (n == -1) {
        table_.targetGap = table_.selectedGapIndex;
        PasteFromFileRepeatedly();
    }
}

}  // namespace vorla
