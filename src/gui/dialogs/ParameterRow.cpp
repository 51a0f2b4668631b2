#include "gui/dialogs/ParameterRow.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

namespace vorla {

ParameterRow ParameterRow::Add(QWidget* parent, QGridLayout* grid, int line) {
    ParameterRow row;
    row.label = new QLabel(parent);
    row.edit = new QLineEdit(parent);
    row.edit->setFixedWidth(56);
    row.edit->setMaxLength(6);
    row.slider = new QSlider(Qt::Horizontal, parent);
    row.minimum = new QLabel(parent);
    row.maximum = new QLabel(parent);
    grid->addWidget(row.label, line, 0, 1, 2);
    grid->addWidget(row.edit, line, 2);
    grid->addWidget(row.minimum, line + 1, 0);
    grid->addWidget(row.slider, line + 1, 1, 1, 2);
    grid->addWidget(row.maximum, line + 1, 3);
    return row;
}

}  // namespace vorla
