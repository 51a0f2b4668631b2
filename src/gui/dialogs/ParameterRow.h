// One parameter of the advanced effect dialogs: its name, a number field and a slider between
// labels for the least and the greatest value, on two lines of a grid.
#pragma once

class QGridLayout;
class QLabel;
class QLineEdit;
class QSlider;
class QWidget;

namespace vorla {

struct ParameterRow {
    QLabel* label = nullptr;
    QLineEdit* edit = nullptr;
    QSlider* slider = nullptr;
    QLabel* minimum = nullptr;
    QLabel* maximum = nullptr;

    // Makes the row's widgets in parent and places them on lines line and line + 1 of grid.
    static ParameterRow Add(QWidget* parent, QGridLayout* grid, int line);
};

}  // namespace vorla
