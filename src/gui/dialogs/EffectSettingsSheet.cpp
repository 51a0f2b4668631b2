#include "gui/dialogs/EffectSettingsSheet.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "core/port/UserInterface.h"

namespace vorla {
namespace {

struct Row {
    const char* label;
    const char* unit;  // "" for none
};

}  // namespace

EffectSettingsSheet::EffectSettingsSheet(effects::EffectSettings& settings, UserInterface& ui,
                                         int startPage, QWidget* parent)
    : QDialog(parent), settings_(settings), ui_(ui), pages_(new QTabWidget) {
    setWindowTitle(tr("효과 세부 설정"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const Row frames{"추가될 프레임 수", "프레임"};
    const Row delay{"한 프레임 지연시간", "[1/100]초"};
    struct Page {
        const char* caption;
        std::vector<Row> rows;
    };
    const Page pages[] = {
        {"밝기 변화", {frames, delay, {"가장 어두울 때 밝기 (표준값: 60%)", "%"}}},
        {"흩뿌리기", {frames, delay, {"이미지 보존도(2-100 : 표준값 10)", ""}}},
        {"오버랩", {frames, delay}},
    };
    std::size_t field = 0;
    for (const Page& page : pages) {
        auto* widget = new QWidget;
        auto* grid = new QGridLayout(widget);
        int row = 0;
        for (const Row& r : page.rows) {
            auto* edit = new QLineEdit;
            edit->setMaximumWidth(80);
            grid->addWidget(new QLabel(tr(r.label)), row, 0);
            grid->addWidget(edit, row, 1);
            if (*r.unit) grid->addWidget(new QLabel(tr(r.unit)), row, 2);
            fields_[field++] = edit;
            ++row;
        }
        grid->setRowStretch(row, 1);
        grid->setColumnStretch(3, 1);
        pages_->addTab(widget, tr(page.caption));
    }

    const effects::EffectSheetTexts texts = effects::EffectSheetTexts::From(settings_);
    const std::string* values[kFieldCount] = {
        &texts.fadeFrames,   &texts.fadeDelay,    &texts.darkestPercent, &texts.scatterFrames,
        &texts.scatterDelay, &texts.preservation, &texts.overlapFrames,  &texts.overlapDelay};
    for (std::size_t i = 0; i < fields_.size(); ++i)
        fields_[i]->setText(QString::fromStdString(*values[i]));
    pages_->setCurrentIndex(std::clamp(startPage, 0, pages_->count() - 1));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &EffectSettingsSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &EffectSettingsSheet::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

effects::EffectSheetTexts EffectSettingsSheet::Texts() const {
    auto text = [this](int i) { return Field(i)->text().toStdString(); };
    return {text(0), text(1), text(2), text(3), text(4), text(5), text(6), text(7)};
}

void EffectSettingsSheet::accept() {
    const effects::SheetCheck check = effects::StoreSheetTexts(Texts(), settings_);
    if (!check.Passed()) {
        pages_->setCurrentIndex(check.failedPage);
        ui_.ShowMessage(check.message);
        return;  // open, with the texts as they are
    }
    QDialog::accept();
}

bool EditEffectSettings(effects::EffectSettings& settings, UserInterface& ui, int startPage,
                        QWidget* parent) {
    EffectSettingsSheet sheet(settings, ui, startPage, parent);
    return sheet.exec() == QDialog::Accepted;
}

}  // namespace vorla
