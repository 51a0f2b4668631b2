#include "gui/view/ViewClipboard.h"

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
#include "gui/view/CAnvoView.h"
#include "gui/view/DibImage.h"
#include "gui/view/ViewServices.h"

namespace vorla {
namespace {

bool ClipboardHasImage() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasImage();
}

}  // namespace

FrameTable& ViewClipboard::Table() {
    return view_.Table();
}

void ViewClipboard::Copy() {
    edit::CopyFrames(Table(), services_.Clipboard());
    services_.UpdateCommandStates();
}

void ViewClipboard::Cut() {
    edit::CutFrames(Table(), services_.Clipboard());
    view_.AfterFramesChanged();
}

void ViewClipboard::PasteRouted() {
    const int n = Table().CountSelection();
    if (n == -1) {
        Table().targetGap = Table().selectedGapIndex;
        edit::PasteFrames(Table(), services_.Clipboard());
    } else if (!services_.Clipboard().Empty() && n == 1) {
        Table().menuFrame = Table().lastSelectedFrame;
        edit::ReplaceWithClipboard(Table(), services_.Clipboard());
    }
    view_.AfterFramesChanged();
}

void ViewClipboard::PasteAtGap() {
    edit::PasteFrames(Table(), services_.Clipboard());
    view_.AfterFramesChanged();
}

void ViewClipboard::ReplaceMenuFrame() {
    edit::ReplaceWithClipboard(Table(), services_.Clipboard());
    view_.AfterFramesChanged();
}

bool ViewClipboard::TakeSystemClipboardImage(edit::IncomingImage& incoming) {
    if (!ClipboardHasImage()) {
        services_.Ui().ShowNotice("클립보드에 이미지 데이터가 없습니다.", 800, 1);
        return false;
    }
    const QImage image = QApplication::clipboard()->image();
    CDib dib = QImageToDib(image.convertToFormat(QImage::Format_ARGB32));
    if (dib.IsEmpty() || !services_.Images().Quantize(dib, incoming.image)) {
        services_.Ui().ShowNotice("지원하지 않는 형식이거나 손상된 파일입니다.", 800, 1);
        return false;
    }
    incoming.transparent = false;
    return true;
}

void ViewClipboard::PasteImageAtGap() {
    PasteImage(false, 0, nullptr);
    Table().SetZoom(Table().settings.screenWidth, Table().settings.screenHeight, false);
}

ViewClipboard::Taken ViewClipboard::TakeImage(bool fromFile, const QString& title,
                                              edit::IncomingImage& incoming) {
    if (!fromFile) return TakeSystemClipboardImage(incoming) ? Taken::Image : Taken::Nothing;
    const QString path = services_.AskImagePath(title);
    if (path.isEmpty()) return Taken::Cancelled;
    switch (edit::LoadImageForPaste(path.toStdString(), services_.Images(), incoming)) {
        case edit::ImageLoad::DamagedGif:
            services_.Ui().ShowNotice("손상된 GIF파일입니다.", 800, 1);
            return Taken::Nothing;
        case edit::ImageLoad::Unreadable:
            services_.Ui().ShowNotice("지원하지 않는 형식이거나 손상된 파일입니다.", 800, 1);
            return Taken::Nothing;
        case edit::ImageLoad::Ok: break;
    }
    return Taken::Image;
}

int ViewClipboard::PasteImage(bool fromFile, int dialogKind, bool* pastedTransparent) {
    const QString title = dialogKind == 1 ? tr("이 프레임을 대신하여 넣을 이미지를 선택하세요.")
                                          : tr("두 프레임 사이에 붙여넣을 이미지를 선택하세요. "
                                               "중단하려면 [취소]를 누르세요.");
    edit::IncomingImage incoming;
    switch (TakeImage(fromFile, title, incoming)) {
        case Taken::Cancelled: return 255;
        case Taken::Nothing: return 0;
        case Taken::Image: break;
    }
    if (pastedTransparent) *pastedTransparent = incoming.transparent;
    if (!edit::PasteImage(Table(), services_.Clipboard(), incoming)) return 0;
    // Bring the new frame into view, 40 pixels above its top.
    const int newFrame = Table().targetGap;
    view_.verticalScrollBar()->setValue(std::max(0, view_.Metrics().ImageTop(newFrame) - 40));
    view_.AfterFramesChanged();
    return 1;
}

bool ViewClipboard::ReplaceFrameFrom(bool fromFile) {
    edit::IncomingImage incoming;
    if (TakeImage(fromFile, tr("이 프레임을 대신하여 넣을 이미지를 선택하세요."), incoming) !=
        Taken::Image)
        return false;
    const bool replaced = edit::ReplaceFrameWithImage(Table(), services_.Clipboard(), incoming);
    view_.AfterFramesChanged();
    return replaced;
}

void ViewClipboard::PasteFromFileRepeatedly() {
    // Image after image into the gap, each after the previous, until the dialog is cancelled.
    for (;;) {
        bool transparent = false;
        if (PasteImage(true, 2, &transparent) == 255) break;
        ApplicationState& app = services_.App();
        if (Table().settings.screenWidth > app.wideImageThreshold && app.zoomPercent > 50) {
            app.zoomPercent = 50;
            services_.RepaintAllDocuments();
        }
        Table().SetZoom(Table().settings.screenWidth, Table().settings.screenHeight, false);
    }
    view_.AfterFramesChanged();
}

void ViewClipboard::CopyFrameToSystemClipboard() {
    services_.Ui().PumpMessages();
    const FrameEntry& entry = Table().entries[static_cast<std::size_t>(Table().menuFrame)];
    if (entry.transparent &&
        !AskQuestion(services_.Ui(), "투명 정보는 손실될 것입니다. 계속 진행하겠습니까?",
                     "클립보드에 복사하기")) {
        return;
    }
    const QImage image =
        DibToQImage(Table().frameImages[static_cast<std::size_t>(Table().menuFrame)]);
    if (image.isNull()) {
        ReportProgramError(services_.Ui(), "38923", false);
        return;
    }
    QApplication::clipboard()->setImage(image.convertToFormat(QImage::Format_RGB32));
    services_.Ui().ShowNotice(
        std::to_string(Table().menuFrame + 1) + "번 프레임을 클립보드에 저장했습니다.", 600, 0);
}

void ViewClipboard::CopyToSystemClipboard(bool fromFrameMenu) {
    if (!fromFrameMenu) {
        if (Table().CountSelection() != 1) {
            services_.StartPick(&view_, 2, tr("클립보드로 보내기"),
                                tr("클립보드에 복사할 프레임을 정하세요."));
            return;
        }
        Table().menuFrame = Table().lastSelectedFrame;
    }
    CopyFrameToSystemClipboard();
}

void ViewClipboard::PasteFromSystemClipboard(int where) {
    // where: 0 the Edit command, 1 the gap menu, 2 the frame menu.
    if (!ClipboardHasImage()) {
        services_.Ui().ShowNotice("클립보드에 이미지 데이터가 없습니다.", 800, 1);
        return;
    }
    if (where == 1) {
        PasteImageAtGap();
        return;
    }
    if (where == 2) {
        ReplaceFrameFrom(false);
        return;
    }
    const int n = Table().CountSelection();
    if (n == -1) {
        Table().targetGap = Table().selectedGapIndex;
        PasteImageAtGap();
    } else if (n == 1) {
        Table().menuFrame = Table().lastSelectedFrame;
        ReplaceFrameFrom(false);
    } else {
        services_.StartPick(&view_, 1, tr("클립보드에서 가져오기"),
                            tr("바꿔넣거나 끼워넣을 위치를 정하세요."));
    }
}

void ViewClipboard::ContinuePick(int mode, const HitResult& hit) {
    if (mode == 2) {
        Table().menuFrame = hit.index;
        CopyFrameToSystemClipboard();
        return;
    }
    if (hit.kind == HitResult::kFrame) {
        Table().menuFrame = hit.index;
        ReplaceFrameFrom(false);
    } else {
        Table().targetGap = hit.index - 1;
        PasteImageAtGap();
    }
}

void ViewClipboard::PasteFromFile(int where) {
    // where: 0 the Edit command, 1 the gap menu, 2 the frame menu.
    if (where == 2) {
        ReplaceFrameFrom(true);
        return;
    }
    if (where == 1) {
        PasteFromFileRepeatedly();
        return;
    }
    const int n = Table().CountSelection();
    if (n == 1) {
        Table().menuFrame = Table().lastSelectedFrame;
        ReplaceFrameFrom(true);
    } else if (n == -1) {
        Table().targetGap = Table().selectedGapIndex;
        PasteFromFileRepeatedly();
    }
}

}  // namespace vorla
