// The canvas, palette and magnifier of the frame properties dialog, and the tools of its
// "이미지 변경" group. Each tool changes the frame through the core's edits and then refreshes;
// a tool that asks a question holds its view busy, so nothing can end the dialog meanwhile.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QSlider>
#include <QStatusBar>

#include "core/edit/FrameEditRules.h"
#include "core/edit/FrameImageEdits.h"
#include "core/edit/FrameTransparency.h"
#include "core/port/UserInterface.h"
#include "gui/dialogs/CFramePropertiesCanvas.h"
#include "gui/dialogs/CFramePropertiesDialog.h"
#include "gui/dialogs/CFramePropertiesMagnifier.h"
#include "gui/dialogs/CFramePropertiesPalette.h"
#include "gui/dialogs/FrameImageEffectDialog.h"
#include "gui/view/CAnvoView.h"

namespace vorla {
namespace {

QString HexColourText(Colorref colour) {
    return QStringLiteral("%1 %2 %3")
        .arg(RedOf(colour), 2, 16, QLatin1Char('0'))
        .arg(GreenOf(colour), 2, 16, QLatin1Char('0'))
        .arg(BlueOf(colour), 2, 16, QLatin1Char('0'))
        .toUpper();
}

QStatusBar* MainStatusBar(QWidget* widget) {
    auto* main = qobject_cast<QMainWindow*>(widget->window());
    return main ? main->statusBar() : nullptr;
}

}  // namespace

// ---- Canvas ----

void CFramePropertiesDialog::CanvasPressed(const QPoint& point) {
    if (!session_.Active()) return;
    const FrameEntry& entry = Entry();
    const QPoint image = point - QPoint(entry.left, entry.top);
    const bool onImage =
        image.x() >= 0 && image.y() >= 0 && image.x() < entry.width && image.y() < entry.height;
    const int frame = session_.Frame();
    switch (tool_) {
        case kMove:
            if (onImage) {
                dragging_ = true;
                dragFrom_ = point;
            }
            break;
        case kCutWidth:
        case kCutHeight: {
            if (!onImage) break;
            bool changed = false;
            {
                CAnvoView::BusyScope busy(view_);
                changed = edit::CutFrame(
                    Table(), frame,
                    tool_ == kCutWidth ? edit::CutAxis::Columns : edit::CutAxis::Rows,
                    tool_ == kCutWidth ? image.x() : image.y());
            }
            if (changed) AfterFrameChange(true);
            break;
        }
        case kFillMargins: {
            if (!marginsPickPending_ || !onImage) break;
            const int index =
                Table().frameImages[static_cast<std::size_t>(frame)].Index(image.x(), image.y());
            bool changed = false;
            {
                CAnvoView::BusyScope busy(view_);
                changed = edit::FillMarginsWithPickedIndex(Table(), frame, index);
            }
            if (changed) {
                marginsPickPending_ = false;
                tool_ = kMove;
                SetToolButtons(kMove);
                AfterFrameChange(true);
            }
            break;
        }
        case kPickTransparent: {
            if (!Entry().transparent) {
                Table().Ui().ShowMessage("먼저 투명 기능을 활성화하세요.");
                break;
            }
            if (!onImage) break;
            const int index =
                Table().frameImages[static_cast<std::size_t>(frame)].Index(image.x(), image.y());
            if (edit::PickTransparentIndex(Table(), frame, index)) AfterFrameChange(true);
            break;
        }
        case kResize: resizing_ = true; [[fallthrough]];
        default: CanvasMoved(point, true); break;
    }
}

void CFramePropertiesDialog::CanvasMoved(const QPoint& point, bool leftDown) {
    if (!session_.Active()) return;
    const FrameEntry& entry = Entry();
    const QPoint image = point - QPoint(entry.left, entry.top);
    if (tool_ == kMove && dragging_ && leftDown) {
        const auto to = edit::DraggedOffsets(Table(), session_.Frame(), point.x() - dragFrom_.x(),
                                             point.y() - dragFrom_.y());
        if (to.left != entry.left || to.top != entry.top) {
            dragFrom_ += QPoint(to.left - entry.left, to.top - entry.top);
            edit::MoveFrameTo(Table(), session_.Frame(), to.left, to.top);
            filling_ = true;
            leftEdit_->setText(QString::number(to.left));
            topEdit_->setText(QString::number(to.top));
            filling_ = false;
            view_.Invalidate();
            view_.RefreshAnimationPane();
            canvas_->update();
        }
    }
    if (tool_ == kResize && resizing_ && leftDown && snapshot_) {
        const edit::ResizeRules rules = edit::ResizeRulesFor(Table(), session_.Frame(), *snapshot_,
                                                             keepAspectCheck_->isChecked());
        // A drag sets both sides; the ratio applies to the typed sizes only.
        const auto size = rules.FromDrag(point.x(), point.y());
        const QSize shown =
            size ? QSize(size->width, size->height) : QSize(entry.width, entry.height);
        canvas_->SetStretch(shown);
        filling_ = true;
        widthEdit_->setText(QString::number(shown.width()));
        heightEdit_->setText(QString::number(shown.height()));
        filling_ = false;
    }
    const bool cut = tool_ == kCutWidth || tool_ == kCutHeight;
    const bool onImage =
        image.x() >= 0 && image.y() >= 0 && image.x() < entry.width && image.y() < entry.height;
    canvas_->SetCutMark(cut && onImage && tool_ == kCutWidth ? image.x() : -1,
                        cut && onImage && tool_ == kCutHeight ? image.y() : -1);
    magnifier_->SetCutLine(tool_ == kCutWidth && onImage, tool_ == kCutHeight && onImage);
    UpdateMagnifier(image);
}

void CFramePropertiesDialog::CanvasReleased(const QPoint& point) {
    dragging_ = false;
    if (tool_ == kResize && resizing_ && snapshot_ && session_.Active()) {
        resizing_ = false;
        const edit::ResizeRules rules = edit::ResizeRulesFor(Table(), session_.Frame(), *snapshot_,
                                                             keepAspectCheck_->isChecked());
        const auto size = rules.FromDrag(point.x(), point.y());
        canvas_->SetStretch(QSize());
        if (size && edit::ResizeFrame(Table(), session_.Frame(), *snapshot_, *size))
            AfterFrameChange(false);
        else
            Refresh();
        // The pixels under the pointer are the resized frame's now.
        UpdateMagnifier(point - QPoint(Entry().left, Entry().top));
    }
    resizing_ = false;
}

void CFramePropertiesDialog::CanvasLeft() {
    canvas_->SetCutMark(-1, -1);
    magnifier_->SetCutLine(false, false);
    if (QStatusBar* status = MainStatusBar(&view_))
        status->showMessage(QStringLiteral("(주)Tarnwick"));
}

void CFramePropertiesDialog::UpdateMagnifier(const QPoint& image) {
    const CDib& dib = Table().frameImages[static_cast<std::size_t>(session_.Frame())];
    const FrameEntry& entry = Entry();
    using M = CFramePropertiesMagnifier;
    for (int j = 0; j < M::kRows; ++j) {
        for (int i = 0; i < M::kColumns; ++i) {
            const int x = image.x() - M::kCentreColumn + i;
            const int y = image.y() - M::kCentreRow + j;
            const bool inside = x >= 0 && y >= 0 && x < entry.width && y < entry.height &&
                                x < dib.Width() && y < dib.Height();
            magnifier_->SetCell(i, j,
                                inside ? static_cast<int>(dib.PixelColor(x, y)) : M::kOutside);
        }
    }
    magnifier_->update();
    const int centre = magnifier_->Cell(M::kCentreColumn, M::kCentreRow);
    if (centre < 0) {
        colourReadout_->setText(tr("외곽 영역"));
        indexReadout_->clear();
        positionReadout_->clear();
        return;
    }
    const auto colour = static_cast<Colorref>(centre);
    colourReadout_->setText(HexColourText(colour));
    indexReadout_->setText(QString::number(dib.Index(image.x(), image.y())));
    positionReadout_->setText(QStringLiteral("%1 ,%2").arg(image.x(), 4).arg(image.y(), 4));
    if (QStatusBar* status = MainStatusBar(&view_))
        status->showMessage(
            QStringLiteral("%1,%2,%3").arg(RedOf(colour)).arg(GreenOf(colour)).arg(BlueOf(colour)));
}

// ---- Palette ----

void CFramePropertiesDialog::PaletteClicked(int index) {
    if (!session_.Active() || tool_ != kPickTransparent) return;
    if (!Entry().transparent) {
        Table().Ui().ShowMessage("먼저 투명 기능을 활성화하세요.");
        return;
    }
    if (edit::PickTransparentIndex(Table(), session_.Frame(), index)) AfterFrameChange(true);
}

void CFramePropertiesDialog::PaletteHovered(int index) {
    // Tool 4 previews the cell under the mouse as the transparent index.
    if (!session_.Active() || tool_ != kPickTransparent || !Entry().transparent || index < 0)
        return;
    if (index == Entry().transparentIndex) return;
    if (edit::PickTransparentIndex(Table(), session_.Frame(), index)) {
        view_.FrameChangedByDialog(session_.Frame());
        canvas_->FrameChanged();
        Refresh();
    }
}

void CFramePropertiesDialog::PaletteLeft() {
    if (!session_.Active() || tool_ != kPickTransparent || !Entry().transparent) return;
    // Leaving the palette puts back the index the field shows.
    const auto index = edit::ReadTransparentIndexText(transparentIndexEdit_->text().toStdString(),
                                                      Entry().colorCount);
    if (!index || *index == Entry().transparentIndex) return;
    if (edit::PickTransparentIndex(Table(), session_.Frame(), *index)) {
        view_.FrameChangedByDialog(session_.Frame());
        canvas_->FrameChanged();
        Refresh();
    }
}

// ---- Tools ----

void CFramePropertiesDialog::SelectTool(int tool) {
    if (tool < kNoTool || tool > kEffects) return;
    SetToolButtons(tool);
    ToolButtonClicked(tool);
}

void CFramePropertiesDialog::ToolButtonClicked(int tool) {
    if (!session_.Active()) return;
    tool_ = tool;
    marginsPickPending_ = false;
    canvas_->SetCutMark(-1, -1);
    canvas_->SetStretch(QSize());
    StartTool(tool);
    Refresh();
}

void CFramePropertiesDialog::StartTool(int tool) {
    const int frame = session_.Frame();
    snapshot_.reset();
    switch (tool) {
        case kFillMargins: StartMargins(); break;
        case kResize: snapshot_ = edit::TakeToolSnapshot(Table(), frame); break;
        case kRotate: {
            snapshot_ = edit::StartRotation(Table(), frame);
            if (!snapshot_) {
                tool_ = kMove;
                SetToolButtons(kMove);
                break;
            }
            AfterFrameChange(false);
            filling_ = true;
            angleEdit_->setText(QStringLiteral("0"));
            angleSlider_->setValue(0);
            filling_ = false;
            angleEdit_->setVisible(true);
            angleEdit_->setFocus();
            angleEdit_->selectAll();
            break;
        }
        case kEffects:
            // A modal tool: it keeps the frame only after its OK, then the move tool is back.
            FrameImageEffectDialog::Run(this, view_, frame, [this] { canvas_->FrameChanged(); });
            tool_ = kMove;
            SetToolButtons(kMove);
            AfterFrameChange(true);
            break;
        default: break;
    }
}

void CFramePropertiesDialog::StartMargins() {
    const int frame = session_.Frame();
    bool changed = false;
    bool backToMove = false;
    {
        CAnvoView::BusyScope busy(view_);
        switch (edit::AskMarginMethod(Table().Ui())) {
            case edit::MarginMethod::Cancelled: backToMove = true; break;
            case edit::MarginMethod::PickFromImage: marginsPickPending_ = true; break;
            case edit::MarginMethod::NewColour:
                changed = edit::FillMarginsWithNewColour(Table(), frame, marginColour_);
                backToMove = true;
                break;
            case edit::MarginMethod::Transparent:
                changed = edit::FillMargins(Table(), frame, edit::MarginFill{});
                backToMove = true;
                break;
        }
    }
    if (backToMove) {
        tool_ = kMove;
        SetToolButtons(kMove);
    }
    if (changed) AfterFrameChange(false);
}

void CFramePropertiesDialog::SizeEdited(bool widthTyped) {
    if (filling_ || !session_.Active() || tool_ != kResize || !snapshot_) return;
    const edit::ResizeRules rules =
        edit::ResizeRulesFor(Table(), session_.Frame(), *snapshot_, keepAspectCheck_->isChecked());
    const int width = edit::ReadDelayText(widthEdit_->text().toStdString());
    const int height = edit::ReadDelayText(heightEdit_->text().toStdString());
    const edit::FrameSize size =
        widthTyped ? rules.FromWidth(width, height) : rules.FromHeight(height, width);
    filling_ = true;
    if (widthEdit_->text() != QString::number(size.width))
        widthEdit_->setText(QString::number(size.width));
    if (heightEdit_->text() != QString::number(size.height))
        heightEdit_->setText(QString::number(size.height));
    filling_ = false;
    resizing_ = true;  // Refresh leaves the typed size in the fields
    if (edit::ResizeFrame(Table(), session_.Frame(), *snapshot_, size)) AfterFrameChange(false);
    resizing_ = false;
}

void CFramePropertiesDialog::EnlargeClicked() {
    if (!session_.Active() || tool_ != kResize || !snapshot_) return;
    if (edit::EnlargeToMaximum(Table(), session_.Frame(), *snapshot_,
                               keepAspectCheck_->isChecked()))
        AfterFrameChange(false);
}

void CFramePropertiesDialog::AngleEdited() {
    if (filling_ || !session_.Active()) return;
    const std::string text = angleEdit_->text().toStdString();
    if (const auto corrected = edit::CorrectedAngleText(text)) {
        filling_ = true;
        angleEdit_->setText(QString::fromStdString(*corrected));
        angleEdit_->selectAll();
        filling_ = false;
    }
    Rotate(edit::ReadAngleText(angleEdit_->text().toStdString()));
}

void CFramePropertiesDialog::SliderMoved(int position) {
    if (filling_ || !session_.Active()) return;
    if (tool_ != kRotate || !snapshot_) {
        edit::RotateFromSlider(Table(), session_.Frame(), tool_, edit::ToolSnapshot{}, position);
        return;
    }
    filling_ = true;
    angleEdit_->setText(QString::number(position));
    filling_ = false;
    Rotate(position);
}

void CFramePropertiesDialog::QuarterTurnClicked() {
    if (!session_.Active() || tool_ != kRotate) return;
    const int angle =
        edit::AngleAfterQuarterTurn(edit::ReadAngleText(angleEdit_->text().toStdString()));
    filling_ = true;
    angleEdit_->setText(QString::number(angle));
    angleSlider_->setValue(angle);
    filling_ = false;
    Rotate(angle);
}

void CFramePropertiesDialog::Rotate(int degrees) {
    if (tool_ != kRotate || !snapshot_) return;
    if (edit::RotateFrame(Table(), session_.Frame(), *snapshot_, degrees)) {
        filling_ = true;
        disposalCombo_->setCurrentIndex(edit::DisposalChoiceOf(Entry()));
        filling_ = false;
        AfterFrameChange(false);
    }
}

void CFramePropertiesDialog::CentreClicked() {
    if (!session_.Active()) return;
    const FrameEntry& entry = Entry();
    const edit::FrameOffset at = edit::CentredOffsets(
        Table().settings.screenWidth, Table().settings.screenHeight, entry.width, entry.height);
    leftEdit_->setText(QString::number(at.left));
    topEdit_->setText(QString::number(at.top));
    OffsetEdited();
}

void CFramePropertiesDialog::TopLeftClicked() {
    if (!session_.Active()) return;
    leftEdit_->setText(QStringLiteral("0"));
    topEdit_->setText(QStringLiteral("0"));
    OffsetEdited();
}

void CFramePropertiesDialog::SizeCompareClicked() {
    if (!session_.Active()) return;
    const edit::SavedSizes sizes =
        edit::MeasureSessionSizes(view_.Table(), session_, view_.Encoder());
    if (sizes.now < 0) return;
    ShowInfoBox(view_.Table().Ui(), edit::SessionSizeText(sizes), "파일 용량");
}

}  // namespace vorla
