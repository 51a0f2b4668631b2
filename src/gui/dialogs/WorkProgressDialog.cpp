#include "gui/dialogs/WorkProgressDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace vorla {

WorkProgressDialog::WorkProgressDialog(QWidget* parent)
    : QDialog(parent),
      status_(new QLabel(tr("이미지 변환 중.."))),
      bar_(new QProgressBar),
      cancel_(new QPushButton(tr("취소"))) {
    setWindowTitle(tr("작업 진행"));
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    auto* row = new QHBoxLayout;
    row->addWidget(bar_, 1);
    row->addWidget(cancel_);
    layout->addLayout(row);
    bar_->setTextVisible(false);
    setMinimumWidth(340);
    connect(cancel_, &QPushButton::clicked, this, &WorkProgressDialog::reject);
}

void WorkProgressDialog::SetTitle(const std::string& title) {
    title_ = QString::fromStdString(title);
    setWindowTitle(title_);
}

void WorkProgressDialog::SetStatusText(const std::string& text) {
    status_->setText(QString::fromStdString(text));
}

void WorkProgressDialog::SetRange(int minimum, int maximum) {
    bar_->setRange(minimum, std::max(minimum, maximum));
}

void WorkProgressDialog::SetPosition(int position) {
    bar_->setValue(std::clamp(position, bar_->minimum(), bar_->maximum()));
}

void WorkProgressDialog::Show() {
    cancelled_ = false;
    if (!title_.isEmpty()) setWindowTitle(title_);
    adjustSize();
    if (QWidget* owner = parentWidget()) {
        QRect area = owner->window()->geometry();
        move(area.center() - rect().center());
    }
    show();
    raise();
}

void WorkProgressDialog::reject() {
    cancelled_ = true;
    hide();
}

}  // namespace vorla
