#include "gui/dialogs/NumberDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorla {

namespace {

bool IsDisabled(const std::string& label) {
    return label == "*disable";
}

void ShowRow(std::initializer_list<QWidget*> row, bool on) {
    for (QWidget* widget : row) {
        widget->setVisible(on);
        widget->setEnabled(on);
    }
}

}  // namespace

NumberDialog::NumberDialog(QWidget* parent) : QDialog(parent) {
    auto* grid = new QGridLayout;
    for (std::size_t i = 0; i < 2; ++i) {
        const int id = static_cast<int>(i);
        labels_[i] = new QLabel(this);
        labels_[i]->setObjectName(QStringLiteral("label%1").arg(1173 + id));
        edits_[i] = new QLineEdit(this);
        edits_[i]->setObjectName(QStringLiteral("edit%1").arg(1171 + id));
        ranges_[i] = new QLabel(this);
        ranges_[i]->setObjectName(QStringLiteral("range%1").arg(1175 + id));
        grid->addWidget(labels_[i], id, 0);
        grid->addWidget(edits_[i], id, 1);
        grid->addWidget(ranges_[i], id, 2);
        // Only edits by the user: the replacement text set below must not be clamped again.
        connect(edits_[i], &QLineEdit::textEdited, this,
                [this, i](const QString& text) { Typed(i, text); });
    }
    comboLabel_ = new QLabel(this);
    comboLabel_->setObjectName("label1177");
    combo_ = new QComboBox(this);
    combo_->setObjectName("combo1186");
    grid->addWidget(comboLabel_, 2, 0);
    grid->addWidget(combo_, 2, 1, 1, 2);

    okButton_ = new QPushButton(tr("확인"), this);
    okButton_->setObjectName("okButton");
    okButton_->setDefault(true);
    cancelButton_ = new QPushButton(tr("취소"), this);
    cancelButton_->setObjectName("cancelButton");
    connect(okButton_, &QPushButton::clicked, this, &NumberDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &NumberDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void NumberDialog::setVisible(bool visible) {
    if (visible && !isVisible()) ApplyFieldsToControls();
    QDialog::setVisible(visible);
}

void NumberDialog::ApplyFieldsToControls() {
    setWindowTitle(QString::fromStdString(request.title));
    for (std::size_t i = 0; i < 2; ++i) {
        const NumberField& field = request.fields[i];
        const bool on = !field.Disabled();
        ShowRow({labels_[i], edits_[i], ranges_[i]}, on);
        labels_[i]->setText(on ? QString::fromStdString(field.label) : QString());
        edits_[i]->setText(QString::fromStdString(field.value));
        ranges_[i]->setText(field.HasRange()
                                ? QStringLiteral("(%1-%2)").arg(field.minimum).arg(field.maximum)
                                : QString());
        if (on && !field.HasRange()) ranges_[i]->setVisible(false);
    }
    if (!request.fields[0].Disabled()) {
        edits_[0]->setFocus();
        edits_[0]->selectAll();
    }

    const bool comboOn = !IsDisabled(request.comboLabel);
    ShowRow({comboLabel_, combo_}, comboOn);
    comboLabel_->setText(comboOn ? QString::fromStdString(request.comboLabel) : QString());
    combo_->clear();
    if (comboOn) {
        for (const std::string& item : SplitComboItems(request.comboItems, request.itemWidth)) {
            combo_->addItem(QString::fromStdString(item));
        }
        combo_->setCurrentIndex(combo_->count() > 0 ? 0 : -1);
    }
}

void NumberDialog::Typed(std::size_t row, const QString& text) {
    const std::optional<std::string> replacement =
        ClampTypedNumber(request.fields[row], text.toStdString());
    if (!replacement) return;
    // Selected, so that the next key typed replaces the number instead of extending it.
    edits_[row]->setText(QString::fromStdString(*replacement));
    edits_[row]->selectAll();
}

void NumberDialog::accept() {
    for (std::size_t i = 0; i < 2; ++i) {
        if (!request.fields[i].Disabled())
            request.fields[i].value = edits_[i]->text().toStdString();
    }
    if (!IsDisabled(request.comboLabel)) request.comboText = combo_->currentText().toStdString();
    QDialog::accept();
}

}  // namespace vorla
