#include "gui/dialogs/FrameImageEffectDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "core/model/FrameTable.h"
#include "core/model/Settings.h"
#include "core/port/UserInterface.h"
#include "gui/dialogs/AdvancedAnimationDialog.h"
#include "gui/view/CAnvoView.h"

namespace vorla {

FrameImageEffectDialog::FrameImageEffectDialog(QWidget* parent, CAnvoView& view, int frame,
                                               std::function<void()> onChanged)
    : QDialog(parent, Qt::Dialog), view_(view), onChanged_(std::move(onChanged)) {
    setWindowTitle(tr("프레임 이미지 고급 효과"));
    UserInterface& ui = view_.Table().Ui();
    auto* top = new QVBoxLayout(this);
    auto* body = new QHBoxLayout;
    auto* kindBox = new QVBoxLayout;
    kindBox->addWidget(new QLabel(tr("이미지 효과를 선택하세요"), this));
    kinds_ = NewEffectKindList(this, ui, 160);
    kindBox->addWidget(kinds_);
    body->addLayout(kindBox);

    auto* grid = new QGridLayout;
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        Row& row = rows_[r];
        row = ParameterRow::Add(this, grid, static_cast<int>(r) * 2);
        row.slider->setMinimumWidth(160);
        connect(row.slider, &QSlider::valueChanged, this, [this, r](int value) {
            if (writing_) return;
            writing_ = true;
            rows_[r].edit->setText(QString::number(value));
            writing_ = false;
            ReadControls();
            RequestPreview();
        });
    }
    // Only the first field previews as it is typed; the others take effect at the next preview.
    connect(rows_[0].edit, &QLineEdit::textEdited, this, [this] {
        ReadControls();
        form_.Configure(true, false);
        WriteControls();
        RequestPreview();
        rows_[0].edit->setFocus();
    });
    body->addLayout(grid, 1);
    top->addLayout(body);

    warning_ = new QLabel(
        tr("이 효과는 투명 기능이 활성화된 경우에는\n이미지가 제대로 표현되지 않을 수 있습니다."),
        this);
    warning_->setStyleSheet(QStringLiteral("color: #b00000"));
    top->addWidget(warning_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(tr("확인"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    ok->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    cancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    top->addWidget(buttons);

    // Previews asked for while one runs collapse into one, with the values current then.
    pending_ = new QTimer(this);
    pending_->setSingleShot(true);
    pending_->setInterval(0);
    connect(pending_, &QTimer::timeout, this, &FrameImageEffectDialog::RunPreview);

    preview_.Begin(view_.Table(), frame);
    connect(kinds_, &QListWidget::currentRowChanged, this, &FrameImageEffectDialog::KindChanged);
    const int stored = effects::StoredListIndex(
        ReadIntSetting(ui, view_.Table().App().GeneralIni(), "initialframeEffectkind"));
    writing_ = true;
    kinds_->setCurrentRow(stored);
    writing_ = false;
    KindChanged(stored);
}

FrameImageEffectDialog::~FrameImageEffectDialog() {
    // A dialog destroyed without done() (its owner went) keeps nothing of its previews.
    if (preview_.Active()) preview_.End(view_.Table(), false);
}

bool FrameImageEffectDialog::Run(QWidget* parent, CAnvoView& view, int frame,
                                 std::function<void()> onChanged) {
    FrameImageEffectDialog dialog(parent, view, frame, onChanged);
    const bool kept = dialog.exec() == QDialog::Accepted;
    if (onChanged) onChanged();
    return kept;
}

void FrameImageEffectDialog::done(int result) {
    if (pending_->isActive() && result == QDialog::Accepted) {
        pending_->stop();
        RunPreview();  // OK keeps what the values show
    }
    pending_->stop();
    preview_.End(view_.Table(), result == QDialog::Accepted);
    QDialog::done(result);
}

void FrameImageEffectDialog::ReadControls() {
    form_.listIndex = effects::StoredListIndex(kinds_->currentRow());
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        form_.values.texts[r] = rows_[r].edit->text().toStdString();
    }
    const FrameTable& table = view_.Table();
    form_.frameTransparent = table.entries[effects::kBaseSlot].transparent != 0;
}

void FrameImageEffectDialog::WriteControls() {
    writing_ = true;
    const effects::EffectKind& kind = form_.KindInfo();
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        Row& row = rows_[r];
        const effects::EffectParameter& p = kind.parameters[r];
        const bool visible = form_.RowVisible(static_cast<int>(r));
        row.label->setText(tr(p.label));
        row.minimum->setText(QString::number(p.minimum));
        row.maximum->setText(QString::number(p.maximum));
        const QString text = QString::fromStdString(form_.values.texts[r]);
        if (row.edit->text() != text) row.edit->setText(text);
        if (form_.values.rewritten[r]) row.edit->selectAll();
        row.slider->setRange(p.minimum, p.maximum);
        row.slider->setValue(TextToInt(form_.values.texts[r]));
        for (QWidget* w : {static_cast<QWidget*>(row.label), static_cast<QWidget*>(row.edit),
                           static_cast<QWidget*>(row.slider), static_cast<QWidget*>(row.minimum),
                           static_cast<QWidget*>(row.maximum)}) {
            w->setVisible(visible);
        }
    }
    warning_->setVisible(form_.WarningVisible());
    writing_ = false;
}

void FrameImageEffectDialog::KindChanged(int index) {
    if (writing_ || index < 0) return;
    WriteIntSetting(view_.Table().Ui(), view_.Table().App().GeneralIni(), "initialframeEffectkind",
                    index);
    // What is previewed now becomes the base of the new kind: effects stack up.
    pending_->stop();
    preview_.KindChanged(view_.Table());
    ReadControls();
    form_.Configure(true, true);
    WriteControls();
    if (rows_[0].edit->isVisible()) rows_[0].edit->setFocus();
}

void FrameImageEffectDialog::RequestPreview() {
    if (!pending_->isActive()) pending_->start();
}

void FrameImageEffectDialog::RunPreview() {
    ReadControls();
    ++previews_;
    preview_.Apply(view_.Table(), form_);
    if (onChanged_) onChanged_();
}

}  // namespace vorla
