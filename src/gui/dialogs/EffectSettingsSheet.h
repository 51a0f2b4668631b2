// "효과 세부 설정": the tabbed sheet in which the user edits the transition effects' settings,
// pages "밝기 변화", "흩뿌리기" and "오버랩". The sheet only collects texts; the checks and how
// they are stored are effects::StoreSheetTexts. OK with a refused page shows its message and
// keeps the sheet open with the texts as the user left them (pages before it are stored).
#pragma once

#include <QDialog>
#include <array>

#include "core/effects/EffectSettings.h"

class QLineEdit;
class QTabWidget;

namespace vorla {

class UserInterface;

class EffectSettingsSheet : public QDialog {
    Q_OBJECT

public:
    static constexpr int kFieldCount = 8;

    EffectSettingsSheet(effects::EffectSettings& settings, UserInterface& ui, int startPage,
                        QWidget* parent = nullptr);

    QTabWidget* Pages() const { return pages_; }
    // The edit fields in page order: brightness frames, delay, percent; scatter frames, delay,
    // preservation; overlap frames, delay.
    QLineEdit* Field(int i) const { return fields_[static_cast<std::size_t>(i)]; }

    void accept() override;

private:
    effects::EffectSheetTexts Texts() const;

    effects::EffectSettings& settings_;
    UserInterface& ui_;
    QTabWidget* pages_;
    std::array<QLineEdit*, kFieldCount> fields_{};
};

// Runs the sheet modally on page startPage; false when the user cancelled it.
bool EditEffectSettings(effects::EffectSettings& settings, UserInterface& ui, int startPage,
                        QWidget* parent);

}  // namespace vorla
