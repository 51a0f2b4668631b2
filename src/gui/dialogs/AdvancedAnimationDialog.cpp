#include "gui/dialogs/AdvancedAnimationDialog.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QVBoxLayout>

#include "core/model/Settings.h"
#include "core/port/UserInterface.h"

namespace vorla {
namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

QListWidget* NewEffectKindList(QWidget* parent, UserInterface& ui, int width) {
    auto* list = new QListWidget(parent);
    for (int i = 0; i < effects::kEffectListSize; ++i) {
        list->addItem(QCoreApplication::translate(
            "vorla::AdvancedAnimationDialog",
            effects::EffectKindName(ui, effects::KindOfListIndex(ui, i)).c_str()));
    }
    list->setFixedWidth(width);
    return list;
}

AdvancedAnimationDialog::AdvancedAnimationDialog(QWidget* parent, UserInterface& ui,
                                                 std::string iniPath, int currentFrame,
                                                 int frameCount)
    : QDialog(parent, Qt::Dialog), ui_(ui), iniPath_(std::move(iniPath)) {
    setModal(false);
    setWindowTitle(tr("고급 애니메이션 효과"));
    auto* top = new QVBoxLayout(this);

    auto* upper = new QHBoxLayout;
    auto* modeGroup = new QGroupBox(tr("애니메이션 효과를 어떻게 만들겠습니까?"), this);
    auto* modeGrid = new QGridLayout(modeGroup);
    newRun_ = new QRadioButton(tr("이 프레임 기준으로 새 애니메이션 추가하기"), modeGroup);
    existing_ = new QRadioButton(tr("기존의 프레임들에 애니메이션 효과 입히기"), modeGroup);
    auto* modes = new QButtonGroup(this);
    modes->addButton(newRun_, 0);
    modes->addButton(existing_, 1);
    countEdit_ = new QLineEdit(modeGroup);
    delayEdit_ = new QLineEdit(modeGroup);
    fromEdit_ = new QLineEdit(modeGroup);
    toEdit_ = new QLineEdit(modeGroup);
    const char* const fieldLabels[] = {"애니메이션 프레임 수", "각 프레임 지연 시간",
                                       "번 프레임부터", "번 프레임까지"};
    QLineEdit* const fields[] = {countEdit_, delayEdit_, fromEdit_, toEdit_};
    modeGrid->addWidget(newRun_, 0, 0, 1, 4);
    modeGrid->addWidget(existing_, 2, 0, 1, 4);
    for (int k = 0; k < 4; ++k) {
        fields[k]->setMaxLength(5);
        fields[k]->setFixedWidth(56);
        rangeLabels_[static_cast<std::size_t>(k)] = new QLabel(tr(fieldLabels[k]), modeGroup);
        const int row = k < 2 ? 1 : 3;
        const int column = (k % 2) * 2;
        // The run's fields read "label field"; the range reads "field 번 프레임부터".
        if (k < 2) {
            modeGrid->addWidget(rangeLabels_[static_cast<std::size_t>(k)], row, column);
            modeGrid->addWidget(fields[k], row, column + 1);
        } else {
            modeGrid->addWidget(fields[k], row, column);
            modeGrid->addWidget(rangeLabels_[static_cast<std::size_t>(k)], row, column + 1);
        }
    }
    upper->addWidget(modeGroup, 1);

    auto* kindBox = new QVBoxLayout;
    kindBox->addWidget(new QLabel(tr("애니메이션 효과 종류"), this));
    kinds_ = NewEffectKindList(this, ui_, 170);
    kindBox->addWidget(kinds_);
    upper->addLayout(kindBox);
    top->addLayout(upper);

    auto* groups = new QHBoxLayout;
    const char* const groupTitles[] = {"첫 프레임", "마지막 프레임"};
    for (std::size_t g = 0; g < 2; ++g) {
        auto* group = new QGroupBox(tr(groupTitles[g]), this);
        auto* grid = new QGridLayout(group);
        for (std::size_t r = 0; r < 4; ++r) {
            Row& row = rows_[g][r];
            row = ParameterRow::Add(group, grid, static_cast<int>(r) * 2);
            connect(row.edit, &QLineEdit::textEdited, this, [this] { Configure(true, false); });
            connect(row.slider, &QSlider::valueChanged, this, [this, g, r](int value) {
                if (writing_) return;
                // The slider writes its position into its field, which then follows the rules.
                rows_[g][r].edit->setText(QString::number(value));
                Configure(true, false);
            });
        }
        groups->addWidget(group);
    }
    top->addLayout(groups);

    warning_ = new QLabel(
        tr("선택된 효과는 투명 기능이 활성화된 경우에 이미지가 제대로 표현되지 않을 수 있습니다."),
        this);
    warning_->setWordWrap(true);
    warning_->setStyleSheet(QStringLiteral("color: #b00000"));
    top->addWidget(warning_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    ok_ = new QPushButton(tr("확인"), this);
    cancel_ = new QPushButton(tr("취소"), this);
    ok_->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    cancel_->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    ok_->setDefault(true);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    top->addLayout(buttons);
    connect(ok_, &QPushButton::clicked, this, &AdvancedAnimationDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &AdvancedAnimationDialog::reject);

    connect(kinds_, &QListWidget::currentRowChanged, this, &AdvancedAnimationDialog::KindChanged);
    connect(newRun_, &QRadioButton::clicked, this, [this] { ModeChosen(0); });
    connect(existing_, &QRadioButton::clicked, this, [this] { ModeChosen(1); });
    connect(toEdit_, &QLineEdit::textEdited, this, [this] { Configure(false, false); });
    for (QLineEdit* edit : {countEdit_, delayEdit_}) {
        connect(edit, &QLineEdit::textEdited, this, [this] { Configure(true, false); });
    }

    // Show: the defaults, the stored kind, the rules with reset, then the first radio's handler.
    form_.Show(currentFrame, frameCount, ReadIntSetting(ui_, iniPath_, "initialframeEffectkind"));
    WriteControls();
    ModeChosen(0);
}

void AdvancedAnimationDialog::ReadControls() {
    form_.mode = existing_->isChecked() ? 1 : 0;
    form_.countText = countEdit_->text().toStdString();
    form_.delayText = delayEdit_->text().toStdString();
    form_.fromText = fromEdit_->text().toStdString();
    form_.toText = toEdit_->text().toStdString();
    form_.listIndex = effects::StoredListIndex(kinds_->currentRow());
    for (std::size_t r = 0; r < 4; ++r) {
        form_.first.texts[r] = rows_[0][r].edit->text().toStdString();
        form_.last.texts[r] = rows_[1][r].edit->text().toStdString();
    }
}

void AdvancedAnimationDialog::WriteControls() {
    writing_ = true;
    const auto setText = [](QLineEdit* edit, const std::string& text, bool select) {
        if (edit->text() != Text(text)) edit->setText(Text(text));
        if (select) edit->selectAll();
    };
    newRun_->setChecked(form_.mode == 0);
    existing_->setChecked(form_.mode == 1);
    existing_->setEnabled(form_.ModeOneEnabled());
    setText(countEdit_, form_.countText, form_.countRewritten);
    setText(delayEdit_, form_.delayText, form_.delayRewritten);
    setText(fromEdit_, form_.fromText, false);
    setText(toEdit_, form_.toText, form_.toRewritten);
    countEdit_->setEnabled(form_.CountFieldsEnabled());
    delayEdit_->setEnabled(form_.CountFieldsEnabled());
    fromEdit_->setEnabled(form_.RangeFieldsEnabled());
    toEdit_->setEnabled(form_.RangeFieldsEnabled());
    for (std::size_t k = 0; k < 4; ++k) {
        rangeLabels_[k]->setEnabled(k < 2 ? form_.CountFieldsEnabled()
                                          : form_.RangeFieldsEnabled());
    }
    if (kinds_->currentRow() != form_.listIndex) kinds_->setCurrentRow(form_.listIndex);
    const effects::EffectKind& kind = form_.KindInfo();
    for (std::size_t g = 0; g < 2; ++g) {
        const effects::ParameterGroup& group = g == 0 ? form_.first : form_.last;
        for (std::size_t r = 0; r < 4; ++r) {
            Row& row = rows_[g][r];
            const effects::EffectParameter& p = kind.parameters[r];
            const bool visible = form_.RowVisible(static_cast<int>(r));
            row.label->setText(tr(p.label));
            row.minimum->setText(QString::number(p.minimum));
            row.maximum->setText(QString::number(p.maximum));
            setText(row.edit, group.texts[r], group.rewritten[r]);
            row.slider->setRange(p.minimum, p.maximum);
            row.slider->setValue(TextToInt(group.texts[r]));
            for (QWidget* w :
                 {static_cast<QWidget*>(row.label), static_cast<QWidget*>(row.edit),
                  static_cast<QWidget*>(row.slider), static_cast<QWidget*>(row.minimum),
                  static_cast<QWidget*>(row.maximum)}) {
                w->setVisible(visible);
            }
        }
    }
    warning_->setVisible(form_.WarningVisible());
    writing_ = false;
}

void AdvancedAnimationDialog::Configure(bool clamp, bool reset) {
    if (writing_) return;
    ReadControls();
    form_.Configure(clamp, reset);
    WriteControls();
    if (clamp && reset && rows_[0][0].edit->isVisible()) rows_[0][0].edit->setFocus();
}

void AdvancedAnimationDialog::KindChanged(int index) {
    if (writing_ || index < 0) return;
    WriteIntSetting(ui_, iniPath_, "initialframeEffectkind", index);
    Configure(true, true);
}

void AdvancedAnimationDialog::ModeChosen(int mode) {
    if (writing_) return;
    writing_ = true;
    newRun_->setChecked(mode == 0);
    existing_->setChecked(mode == 1);
    writing_ = false;
    Configure(true, false);
    QLineEdit* focus = mode == 0 ? countEdit_ : toEdit_;
    focus->setFocus();
    focus->selectAll();
}

void AdvancedAnimationDialog::accept() {
    ReadControls();
    if (const auto refusal = form_.CheckOk()) {
        ui_.ShowMessage(*refusal);
        return;
    }
    result_ = 1;
    QDialog::accept();
}

void AdvancedAnimationDialog::reject() {
    result_ = 2;
    QDialog::reject();
}

}  // namespace vorla
