// Saving: Save, Save As, at another size, single frames and the browser preview; and the
// question before a changed document's window closes.
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>

#include "core/edit/OptimizedSave.h"
#include "core/edit/OtherSizeSave.h"
#include "core/edit/Saving.h"
#include "core/gif/GifEncoder.h"
#include "core/model/ApplicationState.h"
#include "core/model/CAnvoDoc.h"
#include "core/port/UserInterface.h"
#include "gui/dialogs/OtherSizeDialog.h"
#include "gui/external/DesktopLauncher.h"
#include "gui/view/CAnvoView.h"
#include "gui/view/ViewServices.h"

namespace vorla {
// The dialogs' proposals sit in the document's own folder when it has one (the dialog would
// otherwise open wherever the last dialog was, e.g. the samples).
QString CAnvoView::InDocumentFolder(const QString& name) const {
    if (document_.IsUntitled() || document_.sourcePath.empty()) return name;
    const QFileInfo source(QString::fromStdString(document_.sourcePath));
    return source.absoluteDir().filePath(name);
}

bool CAnvoView::SaveWithDialog(QString proposed) {
    for (;;) {
        const QString path = services_.AskSavePath(proposed);
        if (path.isEmpty()) return false;
        proposed = path;
        switch (saving::ConfirmOverwrite(services_.Ui(), document_, path.toStdString())) {
            case saving::OverwriteChoice::Cancel: return false;
            case saving::OverwriteChoice::OtherName: continue;
            case saving::OverwriteChoice::Write: break;
        }
        if (SaveTo(path)) return true;
        services_.Ui().ShowMessage(path.toStdString() + "에 저장할 수 없습니다.");
    }
}

bool CAnvoView::SaveTo(const QString& path) {
    if (!saving::SaveDocument(table_, document_, *encoder_, path.toStdString())) return false;
    services_.DocumentSaved(QString::fromStdString(document_.sourcePath));
    emit titleChanged(Caption());
    return true;
}

void CAnvoView::OnFileSave() {
    const QString proposed =
        InDocumentFolder(QString::fromStdString(saving::DefaultGifName(document_)));
    if (!document_.imported && !document_.IsUntitled()) {
        const QString path = QString::fromStdString(document_.sourcePath);
        switch (saving::ConfirmOverwrite(services_.Ui(), document_, path.toStdString())) {
            case saving::OverwriteChoice::Cancel: return;
            case saving::OverwriteChoice::OtherName: SaveWithDialog(proposed); return;
            case saving::OverwriteChoice::Write: break;
        }
        if (SaveTo(path)) {
            services_.Ui().PumpMessages();
            services_.Ui().ShowNotice("저장되었습니다.", 300, 1);
            return;
        }
        services_.Ui().ShowMessage(path.toStdString() + "에 저장할 수 없습니다.");
    }
    SaveWithDialog(proposed);
}

void CAnvoView::OnFileSaveAs() {
    SaveWithDialog(InDocumentFolder(QString::fromStdString(saving::DefaultGifName(document_))));
}

void CAnvoView::SaveFrame(bool fromMainMenu) {
    if (fromMainMenu) {
        if (table_.CountSelection() != 1) {
            services_.Ui().ShowMessage("선택하신 메뉴는 하나의 프레임을 선택하신 후 사용하십시오.");
            return;
        }
        table_.menuFrame = table_.lastSelectedFrame;
    }
    if (table_.menuFrame < 0 || table_.menuFrame >= table_.frameCount) {
        ReportProgramError(services_.Ui(), "55234", false);
        return;
    }
    const QString name =
        QString::fromStdString(saving::FrameFileName(Caption().toStdString(), table_.menuFrame));
    const QString path = services_.AskFrameSavePath(InDocumentFolder(name));
    if (path.isEmpty()) return;
    // The name's extension chooses the format (BMP for any other name).
    if (!saving::SaveChosenFrameFile(table_, path.toStdString())) {
        services_.Ui().ShowMessage(path.toStdString() + "에 저장할 수 없습니다.");
    }
}

void CAnvoView::BrowserPreview() {
    const std::string page = saving::WriteBrowserPreview(table_, document_, *encoder_,
                                                         services_.App().ProgramDirectory());
    if (!page.empty()) OpenLocalFileOrSay(services_.Ui(), QString::fromStdString(page), this);
}

bool CAnvoView::QueryClose() {
    if (closeConfirmed_) return true;
    // Closing keeps what the frame dialog shows: it ends as 적용 before the save question.
    if (frameDialogOpen_) EndFrameDialog(true);
    if (!document_.modified || table_.frameCount == 0) return true;
    const int answer =
        services_.Ui().AskTwoChoice(Caption().toStdString() + "의 변경 내용을 저장하시겠습니까?",
                                    "Vorla", "저장", "저장 안 함", "OO");
    if (answer == kTwoChoiceCancel) return false;
    if (answer == kTwoChoiceSecond) return true;
    OnFileSave();
    return !document_.modified;
}

void CAnvoView::OnSaveAtOtherSize() {
    if (table_.frameCount == 0) return;
    OtherSizeDialog dialog(services_.Ui(), table_.settings.screenWidth,
                           table_.settings.screenHeight, window());
    if (dialog.exec() != QDialog::Accepted) return;
    const int width = dialog.ChosenWidth();
    const int height = dialog.ChosenHeight();
    const QString proposed =
        QString::fromStdString(edit::ProposedOtherSizeName(Caption().toStdString(), width, height));
    const QString path = services_.AskSavePath(InDocumentFolder(proposed));
    if (path.isEmpty()) return;
    edit::SaveAtOtherSize(table_, *encoder_, path.toStdString(), width, height);
}

}  // namespace vorla
