// "프레임 속성": the modeless dialog in which one frame of a view is inspected and changed — its
// delay, disposal, offsets, interlace, transparency, palette and (through the tools of the
// "이미지 변경" group) its image. Every change goes into the frame table at once, so the strip
// shows it; the view ends the dialog: 적용 keeps everything as one undo step, 취소 puts back the
// copies taken at opening (edit::FrameDialogSession).
#pragma once

#include <QDialog>
#include <optional>

#include "core/edit/FrameDialogSession.h"
#include "core/edit/FrameImageEdits.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QSlider;

namespace vorla {

class CAnvoView;
class CFramePropertiesCanvas;
class CFramePropertiesMagnifier;
class CFramePropertiesPalette;
class FrameTable;

class CFramePropertiesDialog : public QDialog {
    Q_OBJECT

public:
    // Tools, numbered as the "이미지 변경" buttons; kNoTool while none is checked.
    enum Tool {
        kNoTool = -1,
        kMove = 0,
        kCutWidth = 1,
        kCutHeight = 2,
        kFillMargins = 3,
        kPickTransparent = 4,
        kResize = 5,
        kRotate = 6,
        kEffects = 7,
    };

    explicit CFramePropertiesDialog(CAnvoView& view);
    ~CFramePropertiesDialog() override;

    // Takes the copies for `frame`, fills the fields and shows the dialog beside the document.
    void Begin(int frame);
    // Called by the view only: hides the dialog; true when 적용 kept a change (one undo step).
    bool End(bool apply);
    int FrameIndex() const { return session_.Frame(); }
    int CurrentTool() const { return tool_; }
    void SelectTool(int tool);
    // The frame or the screen was changed by another dialog of the view (border, global
    // properties): the tools start again from the frame as it is, the fields follow.
    void FrameChangedOutside();

    // The controls, for the view's tests.
    QLineEdit* DelayEdit() const { return delayEdit_; }
    QCheckBox* AllFramesCheck() const { return allFramesCheck_; }
    QComboBox* DisposalCombo() const { return disposalCombo_; }
    QLineEdit* LeftEdit() const { return leftEdit_; }
    QLineEdit* TopEdit() const { return topEdit_; }
    QCheckBox* TransparencyCheck() const { return transparencyCheck_; }
    QLineEdit* AngleEdit() const { return angleEdit_; }
    QLineEdit* WidthEdit() const { return widthEdit_; }
    QLineEdit* HeightEdit() const { return heightEdit_; }
    QCheckBox* KeepAspectCheck() const { return keepAspectCheck_; }
    QPushButton* EnlargeButton() const { return enlargeButton_; }
    QPushButton* SizeCompareButton() const { return sizeCompareButton_; }
    QCheckBox* CurrentOnlyCheck() const { return currentOnlyCheck_; }
    QLabel* PositionReadout() const { return positionReadout_; }
    CFramePropertiesCanvas* Canvas() const { return canvas_; }
    CFramePropertiesPalette* PaletteGrid() const { return paletteGrid_; }
    QLabel* UsedColoursLabel() const { return usedColours_; }
    QLabel* ColourReadout() const { return colourReadout_; }
    const CFramePropertiesMagnifier* Magnifier() const { return magnifier_; }
    QLabel* HintLine() const { return hint_; }

public slots:
    void accept() override;
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    // "테두리 넣기" and "전체속성.." open the view's dialogs (CFramePropertiesDialog_Sheets.cpp).
    void ConnectSheetButtons();
    void PlaceBesideDocument();
    FrameTable& Table() const;
    FrameEntry& Entry() const;
    // Refresh: every control from the frame's entry and image, then repaint.
    void Refresh();
    void RefreshPalette();
    void FillTransparentColourText();
    void ShowValuesInForce();
    void UpdateScrollRanges();
    // After an edit of the frame's image or transparency: thumbnail, canvas, colours, snapshot.
    void AfterFrameChange(bool renewSnapshot);
    void SetToolButtons(int tool);

    // Fields.
    void DelayEdited();
    void DisposalChosen(int item);
    void OffsetEdited();
    void TransparencyClicked(bool on);
    void InterlaceClicked(bool on);
    void CurrentOnlyClicked(bool on);

    // Canvas, palette and magnifier (CFramePropertiesDialog_Tools.cpp).
    void CanvasPressed(const QPoint& screenPoint);
    void CanvasMoved(const QPoint& screenPoint, bool leftDown);
    void CanvasReleased(const QPoint& screenPoint);
    void CanvasLeft();
    void PaletteClicked(int index);
    void PaletteHovered(int index);
    void PaletteLeft();
    void UpdateMagnifier(const QPoint& imagePoint);
    // Tools.
    void ToolButtonClicked(int tool);
    void StartTool(int tool);
    void StartMargins();
    void SizeEdited(bool widthTyped);
    void EnlargeClicked();
    void AngleEdited();
    void SliderMoved(int position);
    void QuarterTurnClicked();
    void CentreClicked();
    void TopLeftClicked();
    void SizeCompareClicked();
    void Rotate(int degrees);

    CAnvoView& view_;
    edit::FrameDialogSession session_;
    std::optional<edit::ToolSnapshot> snapshot_;  // base of resize and rotate
    int tool_ = kMove;
    bool marginsPickPending_ = false;  // "기존의 이미지 중에서 선택": the next click picks
    bool dragging_ = false;
    QPoint dragFrom_;
    bool resizing_ = false;
    bool filling_ = false;  // fields being written by Refresh: their signals are no edits
    Colorref marginColour_ = 0;

    CFramePropertiesCanvas* canvas_ = nullptr;
    QScrollBar* horizontalBar_ = nullptr;
    QScrollBar* verticalBar_ = nullptr;
    CFramePropertiesPalette* paletteGrid_ = nullptr;
    CFramePropertiesMagnifier* magnifier_ = nullptr;
    QGroupBox* paletteGroup_ = nullptr;
    QLineEdit* delayEdit_ = nullptr;
    QCheckBox* allFramesCheck_ = nullptr;
    QComboBox* disposalCombo_ = nullptr;
    QLineEdit* leftEdit_ = nullptr;
    QLineEdit* topEdit_ = nullptr;
    QCheckBox* transparencyCheck_ = nullptr;
    QLabel* transparentIndexLabel_ = nullptr;
    QLineEdit* transparentIndexEdit_ = nullptr;
    QLabel* transparentColour_ = nullptr;
    QCheckBox* interlaceCheck_ = nullptr;
    QLineEdit* widthEdit_ = nullptr;
    QLineEdit* heightEdit_ = nullptr;
    QLabel* usedColours_ = nullptr;
    QLabel* unusedNote_ = nullptr;
    QLabel* hint_ = nullptr;
    QLabel* colourReadout_ = nullptr;
    QLabel* indexReadout_ = nullptr;
    QLabel* positionReadout_ = nullptr;
    QCheckBox* keepAspectCheck_ = nullptr;
    QCheckBox* currentOnlyCheck_ = nullptr;
    QLineEdit* angleEdit_ = nullptr;
    QSlider* angleSlider_ = nullptr;
    QPushButton* quarterTurnButton_ = nullptr;
    QPushButton* enlargeButton_ = nullptr;
    QPushButton* centreButton_ = nullptr;
    QPushButton* topLeftButton_ = nullptr;
    QPushButton* sizeCompareButton_ = nullptr;
    QButtonGroup* tools_ = nullptr;
};

}  // namespace vorla
