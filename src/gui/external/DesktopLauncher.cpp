#include "gui/external/DesktopLauncher.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "core/port/UserInterface.h"

namespace vorla {

const QStringList& BrowserCandidates() {
    static const QStringList browsers = {
        QStringLiteral("x-www-browser"), QStringLiteral("sensible-browser"),
        QStringLiteral("firefox"),       QStringLiteral("firefox-esr"),
        QStringLiteral("chromium"),      QStringLiteral("chromium-browser"),
        QStringLiteral("google-chrome"), QStringLiteral("epiphany-browser"),
        QStringLiteral("konqueror"),     QStringLiteral("falkon"),
    };
    return browsers;
}

bool OpenLocalFileInDesktop(const QString& path) {
    const QUrl url = QUrl::fromLocalFile(path);
    if (QDesktopServices::openUrl(url)) return true;
    // The platform may have no services of its own; ask the freedesktop tool directly.
    QStringList programs{QStringLiteral("xdg-open")};
    programs += BrowserCandidates();
    for (const QString& program : programs) {
        const QString found = QStandardPaths::findExecutable(program);
        if (found.isEmpty()) continue;
        if (QProcess::startDetached(found, {url.toString()})) return true;
    }
    return false;
}

bool OpenLocalFileOrSay(UserInterface& ui, const QString& path) {
    if (OpenLocalFileInDesktop(path)) return true;
    ui.ShowMessage(
        QCoreApplication::translate(
            "vorla::DesktopLauncher",
            "웹 브라우저를 실행할 수 없습니다. 브라우저로 다음 파일을 직접 여십시오.\n%1")
            .arg(path)
            .toStdString());
    return false;
}

}  // namespace vorla
