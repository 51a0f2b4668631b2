// "전체 속성": the logical screen size ("GIF 규격") with six held size buttons, "최소화", the loop
// flag ("무한 반복") and the strip zoom ("보기 배율 (5-100)"). Size and loop go into the table at
// once (the strip and an open frame dialog follow each click); the view's session takes them
// back after 취소. The held buttons are driven by a 10 ms timer through edit::SizeRepeater.
#pragma once

#include <QDialog>
#include <QTimer>
#include <array>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vorla {

class CAnvoView;

class GlobalPropertiesDialog : public QDialog {
    Q_OBJECT

public:
    GlobalPropertiesDialog(CAnvoView& view, bool fromFrameDialog, QWidget* parent);

    // The zoom typed, limited to 5..100 (read after OK).
    int Zoom() const;

    QLineEdit* WidthEdit() const { return widthEdit_; }
    QLineEdit* HeightEdit() const { return heightEdit_; }
    QLineEdit* ZoomEdit() const { return zoomEdit_; }
    QCheckBox* LoopCheck() const { return loopCheck_; }
    // Buttons by edit::SizeButton (1..6).
    QPushButton* SizeButton(int button) const {
        return sizeButtons_.at(static_cast<std::size_t>(button - 1));
    }
    QPushButton* MinimiseButton() const { return minimiseButton_; }
    // One tick of the held buttons (the timer's; tests call it directly).
    void RepeatTick();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void FillSize();
    void SizeTyped(bool heightEdited);
    void AfterScreenChange();

    CAnvoView& view_;
    bool fromFrameDialog_;
    bool filling_ = false;
    QTimer repeatTimer_;
    QLineEdit* widthEdit_ = nullptr;
    QLineEdit* heightEdit_ = nullptr;
    QLineEdit* zoomEdit_ = nullptr;
    QCheckBox* loopCheck_ = nullptr;
    std::array<QPushButton*, 6> sizeButtons_{};
    QPushButton* minimiseButton_ = nullptr;
};

}  // namespace vorla
