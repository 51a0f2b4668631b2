// The number dialog: a title, up to two labelled number fields with optional ranges and one
// labelled combo box. The owner sets `request`, shows the dialog modally and, after OK, reads the
// entered texts back from `request`; Cancel leaves it as it was. A field asked to clamp while
// typing replaces an out-of-range number with the nearest end of its range at once.
#pragma once

#include <QDialog>
#include <array>

#include "core/port/UserInterface.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vorla {

class NumberDialog : public QDialog {
    Q_OBJECT

public:
    explicit NumberDialog(QWidget* parent = nullptr);

    NumberRequest request;

    void setVisible(bool visible) override;
    void accept() override;  // stores the texts of the enabled rows

private:
    void ApplyFieldsToControls();
    void Typed(std::size_t row, const QString& text);

    std::array<QLabel*, 2> labels_{};
    std::array<QLineEdit*, 2> edits_{};
    std::array<QLabel*, 2> ranges_{};
    QLabel* comboLabel_;
    QComboBox* combo_;
    QPushButton* okButton_;
    QPushButton* cancelButton_;
};

}  // namespace vorla
