#include "gui/dialogs/LongGifDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vorla {

LongGifDialog::LongGifDialog(const LongGifQuestion& question, QWidget* parent)
    : QDialog(parent), question_(question) {
    setWindowTitle(QString::fromUtf8(LongGifQuestion::kTitle));
    auto* message = new QLabel(QString::fromStdString(question.Text()), this);
    message->setWordWrap(true);
    message->setTextFormat(Qt::PlainText);
    message->setMinimumWidth(360);

    first_ = new QRadioButton(tr("처음 %1개").arg(question.limit), this);
    from_ = new QRadioButton(tr("시작 이미지부터 %1개:").arg(question.limit), this);
    every_ = new QRadioButton(tr("k개마다 1개씩 (전체를 담기):"), this);
    first_->setObjectName("first");
    from_->setObjectName("from");
    every_->setObjectName("every");
    start_ = new QSpinBox(this);
    start_->setObjectName("start");
    start_->setRange(1, std::max(1, question.images));
    start_->setSuffix(tr(" 번째"));
    step_ = new QSpinBox(this);
    step_->setObjectName("step");
    step_->setRange(question.SmallestStep(), std::max(question.SmallestStep(), question.images));
    step_->setPrefix(QStringLiteral("k = "));
    first_->setChecked(true);
    // Changing a number means that way.
    connect(start_, &QSpinBox::valueChanged, this, [this] { from_->setChecked(true); });
    connect(step_, &QSpinBox::valueChanged, this, [this] { every_->setChecked(true); });
    for (QRadioButton* way : {first_, from_, every_})
        connect(way, &QRadioButton::toggled, this, &LongGifDialog::ShowFrameCount);
    connect(start_, &QSpinBox::valueChanged, this, &LongGifDialog::ShowFrameCount);
    connect(step_, &QSpinBox::valueChanged, this, &LongGifDialog::ShowFrameCount);
    result_ = new QLabel(this);
    result_->setObjectName("result");

    auto* ways = new QGridLayout;
    ways->addWidget(first_, 0, 0);
    ways->addWidget(from_, 1, 0);
    ways->addWidget(start_, 1, 1);
    ways->addWidget(every_, 2, 0);
    ways->addWidget(step_, 2, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("확인"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("취소"));
    connect(buttons, &QDialogButtonBox::accepted, this, &LongGifDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LongGifDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message);
    layout->addLayout(ways);
    layout->addWidget(result_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Tab leads from each way to its number.
    setTabOrder(first_, from_);
    setTabOrder(from_, start_);
    setTabOrder(start_, every_);
    setTabOrder(every_, step_);
    answer_.kind = LongGifWay::Kind::Cancel;
    ShowFrameCount();
    first_->setFocus(Qt::OtherFocusReason);
}

LongGifWay LongGifDialog::Current() const {
    LongGifWay way;
    way.kind = from_->isChecked()    ? LongGifWay::Kind::From
               : every_->isChecked() ? LongGifWay::Kind::EveryKth
                                     : LongGifWay::Kind::First;
    way.start = start_->value();
    way.step = step_->value();
    return question_.Clamped(way);
}

void LongGifDialog::ShowFrameCount() {
    result_->setText(tr("프레임 %1개로 불러옵니다.").arg(question_.FramesMade(Current())));
}

void LongGifDialog::accept() {
    answer_ = Current();
    QDialog::accept();
}

void LongGifDialog::reject() {
    answer_ = LongGifWay{LongGifWay::Kind::Cancel};
    QDialog::reject();
}

}  // namespace vorla
