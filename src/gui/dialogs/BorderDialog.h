// "테두리 넣기": thickness, colour and the four sides of a border, for every frame or for the frame
// properties dialog's frame. 적용 runs the border; a refusal (the key-colour clash) keeps the
// dialog open so that another colour can be chosen.
#pragma once

#include <QDialog>

#include "core/edit/Border.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vorla {

class CAnvoView;

class BorderDialog : public QDialog {
    Q_OBJECT

public:
    // frame -1: every frame. commit: the border ends with its own undo step.
    BorderDialog(CAnvoView& view, int frame, bool commit, QWidget* parent);

    bool Applied() const { return applied_; }
    QLineEdit* ThicknessEdit() const { return thickness_; }
    QCheckBox* SideCheck(int side) const;  // 0 위, 1 아래, 2 왼쪽, 3 오른쪽
    QPushButton* ColourButton() const { return colourButton_; }
    QLabel* ColourText() const { return colourText_; }
    void SetColour(Colorref colour);

public slots:
    void accept() override;

private:
    void ChooseColour();

    CAnvoView& view_;
    int frame_;
    bool commit_;
    bool applied_ = false;
    Colorref colour_ = 0;  // black
    QLineEdit* thickness_ = nullptr;
    QCheckBox* sides_[4] = {};
    QLabel* swatch_ = nullptr;
    QLabel* colourText_ = nullptr;
    QPushButton* colourButton_ = nullptr;
};

}  // namespace vorla
