// "다른 크기로 저장 ": the width and height of the animation to write, linked by the screen's
// proportions while "가로대 세로 비율 유지" is checked. OK refuses sizes the frames cannot take
// (below 1 or above 16000) and stays open.
#pragma once

#include <QDialog>

#include "core/edit/OtherSizeSave.h"

class QCheckBox;
class QLineEdit;

namespace vorla {

class UserInterface;

class OtherSizeDialog : public QDialog {
    Q_OBJECT

public:
    OtherSizeDialog(UserInterface& ui, int width, int height, QWidget* parent);

    int ChosenWidth() const;
    int ChosenHeight() const;
    QLineEdit* WidthEdit() const { return width_; }
    QLineEdit* HeightEdit() const { return height_; }
    QCheckBox* KeepRatioCheck() const { return keepRatio_; }

public slots:
    void accept() override;

private:
    void Typed(bool widthEdited);

    UserInterface& ui_;
    edit::OtherSizeRules rules_;
    QLineEdit* width_ = nullptr;
    QLineEdit* height_ = nullptr;
    QCheckBox* keepRatio_ = nullptr;
    bool filling_ = false;
};

}  // namespace vorla
