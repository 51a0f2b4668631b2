#include "gui/dialogs/HelpWindow.h"

#include <QFileInfo>
#include <QLabel>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace vorla {

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(tr("Vorla 도움말"));
    setModal(false);
    reason_ = new QLabel(tr("웹 브라우저를 실행할 수 없어 도움말을 이 창에 보여 줍니다."), this);
    reason_->setWordWrap(true);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    // Pages link to each other by relative names; links to the web are left to the desktop.
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(reason_);
    layout->addWidget(browser_, 1);
    resize(720, 640);
}

void HelpWindow::ShowPage(const QString& page) {
    browser_->setSearchPaths({QFileInfo(page).absolutePath()});
    browser_->setSource(QUrl::fromLocalFile(page));
    show();
    raise();
    activateWindow();
}

}  // namespace vorla
