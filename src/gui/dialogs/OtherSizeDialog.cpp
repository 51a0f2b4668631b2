#include "gui/dialogs/OtherSizeDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include "core/model/Settings.h"
#include "core/port/UserInterface.h"

namespace vorla {

OtherSizeDialog::OtherSizeDialog(UserInterface& ui, int width, int height, QWidget* parent)
    : QDialog(parent), ui_(ui) {
    setWindowTitle(tr("다른 크기로 저장 "));
    rules_.ratio = width > 0 ? static_cast<double>(height) / width : 1.0;
    auto* form = new QFormLayout(this);
    width_ = new QLineEdit(QString::number(width), this);
    height_ = new QLineEdit(QString::number(height), this);
    for (QLineEdit* edit : {width_, height_})
        edit->setValidator(new QIntValidator(0, 300000, edit));
    form->addRow(tr("가로"), width_);
    form->addRow(tr("세로"), height_);
    keepRatio_ = new QCheckBox(tr("가로대 세로 비율 유지"), this);
    keepRatio_->setChecked(true);
    form->addRow(keepRatio_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)
        ->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    buttons->button(QDialogButtonBox::Cancel)
        ->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    connect(buttons, &QDialogButtonBox::accepted, this, &OtherSizeDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    connect(width_, &QLineEdit::textEdited, this, [this] { Typed(true); });
    connect(height_, &QLineEdit::textEdited, this, [this] { Typed(false); });
}

int OtherSizeDialog::ChosenWidth() const {
    return TextToInt(width_->text().toStdString());
}

int OtherSizeDialog::ChosenHeight() const {
    return TextToInt(height_->text().toStdString());
}

void OtherSizeDialog::Typed(bool widthEdited) {
    if (filling_ || !keepRatio_->isChecked()) return;
    filling_ = true;
    if (widthEdited) {
        height_->setText(QString::number(rules_.HeightForWidth(ChosenWidth())));
    } else {
        width_->setText(QString::number(rules_.WidthForHeight(ChosenHeight())));
    }
    filling_ = false;
}

void OtherSizeDialog::accept() {
    if (auto refusal = edit::OtherSizeRefusal(ChosenWidth(), ChosenHeight())) {
        ui_.ShowMessage(*refusal);
        return;
    }
    QDialog::accept();
}

}  // namespace vorla
