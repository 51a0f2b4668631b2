#include "gui/dialogs/OptimizedSaveDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/edit/OptimizedSave.h"

namespace vorla {
namespace {

QDialogButtonBox* OkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QString Kilobytes(qint64 bytes) {
    return QString::number((bytes + 1023) / 1024) + QStringLiteral(" KB");
}

}  // namespace

OptimizedSaveDialog::OptimizedSaveDialog(QWidget* parent, bool limitOn, int limitKb, int lossy,
                                         bool mergeRepeats)
    : QDialog(parent) {
    setObjectName(QStringLiteral("optimizedSaveSettings"));
    setWindowTitle(tr("최적화하여 저장"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        tr("바뀌는 부분만 저장하여, 같은 애니메이션을 더 작은 파일로 저장합니다."), this));
    // One grid, so that both numbers stand in one column.
    auto* grid = new QGridLayout;
    limit_ = new QCheckBox(tr("파일 크기 제한"), this);
    limit_->setObjectName(QStringLiteral("limit"));
    limit_->setChecked(limitOn);
    kilobytes_ = new QSpinBox(this);
    kilobytes_->setObjectName(QStringLiteral("kilobytes"));
    kilobytes_->setRange(1, optimized::kMaxLimitKb);
    kilobytes_->setSuffix(QStringLiteral(" KB"));
    kilobytes_->setValue(limitKb);
    kilobytes_->setEnabled(limitOn);
    connect(limit_, &QCheckBox::toggled, kilobytes_, &QWidget::setEnabled);
    grid->addWidget(limit_, 0, 0);
    grid->addWidget(kilobytes_, 0, 1);
    auto* lossyLabel = new QLabel(tr("손실 압축"), this);
    lossy_ = new QSpinBox(this);
    lossy_->setObjectName(QStringLiteral("lossy"));
    lossy_->setRange(0, kMaxLossy);
    lossy_->setValue(lossy);
    lossyLabel->setBuddy(lossy_);
    grid->addWidget(lossyLabel, 1, 0);
    grid->addWidget(lossy_, 1, 1);
    grid->addWidget(new QLabel(tr("0: 무손실, 100: 가장 작게"), this), 1, 2);
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);
    mergeRepeats_ = new QCheckBox(tr("앞 프레임과 같은 화면인 프레임은 앞 프레임에 합치기"), this);
    mergeRepeats_->setObjectName(QStringLiteral("mergeRepeats"));
    mergeRepeats_->setToolTip(
        tr("재생은 같고 파일은 작아집니다. 다시 열면 프레임 수가 줄어 있습니다."));
    mergeRepeats_->setChecked(mergeRepeats);
    layout->addWidget(mergeRepeats_);
    layout->addWidget(OkCancel(this));
}

OptimizedSaveDialog::OptimizedSaveDialog(QWidget* parent, qint64 optimisedBytes, qint64 limitBytes,
                                         const QStringList& ways, const QList<bool>& fitting,
                                         const QList<bool>& available)
    : QDialog(parent) {
    setObjectName(QStringLiteral("optimizedSaveChoice"));
    setWindowTitle(tr("최적화하여 저장"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("최적화한 파일(%1)이 제한(%2)보다 큽니다.\n"
                                    "파일을 줄일 방법을 고르십시오.")
                                     .arg(Kilobytes(optimisedBytes), Kilobytes(limitBytes)),
                                 this));
    ways_ = new QButtonGroup(this);
    int preselected = static_cast<int>(ways.size());
    for (int i = 0; i < ways.size(); ++i) {
        const bool fits = i < fitting.size() && fitting[i];
        auto* button = new QRadioButton(fits ? ways[i] : ways[i] + tr(" (제한 초과)"), this);
        button->setObjectName(QStringLiteral("way%1").arg(i));
        button->setEnabled(i < available.size() && available[i]);
        ways_->addButton(button, i);
        layout->addWidget(button);
        if (fits && preselected == ways.size()) preselected = i;
    }
    auto* asIs = new QRadioButton(tr("줄이지 않고 저장: %1").arg(Kilobytes(optimisedBytes)), this);
    asIs->setObjectName(QStringLiteral("asIs"));
    ways_->addButton(asIs, static_cast<int>(ways.size()));
    layout->addWidget(asIs);
    ways_->button(preselected)->setChecked(true);
    layout->addWidget(OkCancel(this));
}

bool OptimizedSaveDialog::LimitOn() const {
    return limit_ != nullptr && limit_->isChecked();
}

int OptimizedSaveDialog::LimitKb() const {
    return kilobytes_ != nullptr ? kilobytes_->value() : 0;
}

int OptimizedSaveDialog::Lossy() const {
    return lossy_ != nullptr ? lossy_->value() : 0;
}

bool OptimizedSaveDialog::MergeRepeats() const {
    return mergeRepeats_ != nullptr && mergeRepeats_->isChecked();
}

int OptimizedSaveDialog::Chosen() const {
    return ways_ != nullptr ? ways_->checkedId() : -1;
}

}  // namespace vorla
