// The About box: program title, what the program is, the maker's notice and one button.
#pragma once

#include <QDialog>

namespace vorla {

class AboutDialog : public QDialog {
    Q_OBJECT

public:
    // title: the program's name and version, as the main window shows it.
    AboutDialog(const QString& title, QWidget* parent = nullptr);
};

}  // namespace vorla
