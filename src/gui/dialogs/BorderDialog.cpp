#include "gui/dialogs/BorderDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include "core/port/UserInterface.h"
#include "gui/view/CAnvoView.h"
#include "gui/view/DibImage.h"

namespace vorla {

BorderDialog::BorderDialog(CAnvoView& view, int frame, bool commit, QWidget* parent)
    : QDialog(parent), view_(view), frame_(frame), commit_(commit) {
    setWindowTitle(QString::fromStdString(edit::BorderCaption(frame)));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("테두리 굵기"), this), 0, 0);
    thickness_ = new QLineEdit(QStringLiteral("1"), this);
    thickness_->setFixedWidth(60);
    grid->addWidget(thickness_, 0, 1);
    auto* allFrames = new QCheckBox(tr("모든 프레임에 적용"), this);
    allFrames->setChecked(frame < 0);
    allFrames->setEnabled(false);  // it only shows what the caller chose
    grid->addWidget(allFrames, 1, 0, 1, 3);

    swatch_ = new QLabel(this);
    swatch_->setFixedSize(36, 20);
    swatch_->setFrameShape(QFrame::Box);
    swatch_->setAutoFillBackground(true);
    colourText_ = new QLabel(this);
    colourButton_ = new QPushButton(QStringLiteral(".."), this);
    colourButton_->setAutoDefault(false);
    colourButton_->setFixedWidth(30);
    grid->addWidget(swatch_, 2, 0);
    grid->addWidget(colourText_, 2, 1);
    grid->addWidget(colourButton_, 2, 2);

    const char* names[4] = {"위", "아래", "왼쪽", "오른쪽"};
    auto* sidesRow = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        sides_[i] = new QCheckBox(tr(names[i]), this);
        sides_[i]->setChecked(true);
        sidesRow->addWidget(sides_[i]);
    }
    grid->addLayout(sidesRow, 3, 0, 1, 3);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(tr("적용"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(tr("취소"), QDialogButtonBox::RejectRole);
    ok->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    cancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    connect(buttons, &QDialogButtonBox::accepted, this, &BorderDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    grid->addWidget(buttons, 4, 0, 1, 3);
    connect(colourButton_, &QPushButton::clicked, this, &BorderDialog::ChooseColour);
    SetColour(0);
}

QCheckBox* BorderDialog::SideCheck(int side) const {
    return side >= 0 && side < 4 ? sides_[side] : nullptr;
}

void BorderDialog::SetColour(Colorref colour) {
    colour_ = colour;
    colourText_->setText(QString::fromStdString(edit::BorderColourText(colour)));
    QPalette palette = swatch_->palette();
    palette.setColor(QPalette::Window, ToQColor(colour));
    swatch_->setPalette(palette);
}

void BorderDialog::ChooseColour() {
    // The view's chooser keeps its colour between uses; a cancelled choice keeps ours.
    Colorref chosen = view_.ChooserColour();
    if (view_.Table().Ui().ChooseColor(chosen, "테두리 색상을 선택하세요")) {
        view_.ChooserColour() = chosen;
        SetColour(chosen);
    }
}

void BorderDialog::accept() {
    edit::BorderRequest request;
    request.frame = frame_;
    request.colour = colour_;
    request.thickness = edit::ReadThicknessText(thickness_->text().toStdString());
    request.top = sides_[0]->isChecked();
    request.bottom = sides_[1]->isChecked();
    request.left = sides_[2]->isChecked();
    request.right = sides_[3]->isChecked();
    if (!edit::InsertBorder(view_.Table(), request, commit_)) return;
    applied_ = true;
    QDialog::accept();
}

}  // namespace vorla
