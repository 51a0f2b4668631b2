#include "gui/app/HandOver.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "core/model/Settings.h"
#include "core/port/UserInterface.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/SingleInstance.h"

namespace vorla {

QString CommandLineFile(const QStringList& arguments) {
    QString file = arguments.mid(1).join(QLatin1Char(' ')).trimmed();
    if (file.size() >= 2 && file.startsWith(QLatin1Char('"')) && file.endsWith(QLatin1Char('"'))) {
        file = file.mid(1, file.size() - 2);
    }
    return file;
}

void HandOverToRunningCopy(const QString& commandLineFile, const std::string& generalIni,
                           UserInterface& ui, SingleInstance& runningCopy) {
    if (commandLineFile.isEmpty()) {
        runningCopy.SendToRunning(std::nullopt);
        return;
    }
    const QFileInfo file(commandLineFile);
    if (!file.exists()) {
        runningCopy.SendToRunning(std::nullopt);
        ui.ShowMessage(QCoreApplication::translate("vorla::HandOver", "%1를 찾을 수 없습니다.")
                           .arg(commandLineFile)
                           .toStdString());
        return;
    }
    // The running copy may have another working folder: hand over the full path.
    if (!WriteSetting(ui, generalIni, "urgentfileToopen", file.absoluteFilePath().toStdString())) {
        runningCopy.SendToRunning(std::nullopt);
        return;
    }
    WaitForFileAccess(commandLineFile.toStdString());
    runningCopy.SendToRunning(static_cast<int>(MainFrameRequest::OpenHandedOverFile));
}

}  // namespace vorla
