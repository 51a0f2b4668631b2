// The help pages inside the program, for desktops where no web browser can be started: a plain
// window with a text browser that follows the links between the pages. Not modal, so the user
// can keep it open beside the work.
#pragma once

#include <QDialog>

class QLabel;
class QTextBrowser;

namespace vorla {

class HelpWindow : public QDialog {
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows page (a local HTML file) and says why the help is shown here.
    void ShowPage(const QString& page);
    QTextBrowser* Browser() const { return browser_; }

private:
    QLabel* reason_;
    QTextBrowser* browser_;
};

}  // namespace vorla
