// The About box: program title, what the program is, the maker's notice and one button.
#pragma once

#include <QDialog>

namespace vorla {

class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace vorla
