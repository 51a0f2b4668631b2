#include "gui/app/HandOver.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "core/model/CommandLine.h"
#include "core/model/Settings.h"
#include "core/port/UserInterface.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/SingleInstance.h"

namespace vorla {

QStringList CommandLineFiles(const QStringList& arguments) {
    std::vector<std::string> after;
    for (const QString& argument : arguments.mid(1)) after.push_back(argument.toStdString());
    QStringList files;
    for (const std::string& path : ParseCommandLine(after).paths)
        files.append(QString::fromStdString(path));
    return files;
}

QString MissingFileMessage(const QString& path) {
    return QCoreApplication::translate("vorla::HandOver", "%1를 찾을 수 없습니다.")
        .arg(QFileInfo(path).fileName());
}

void HandOverToRunningCopy(const QStringList& files, const std::string& generalIni,
                           UserInterface& ui, SingleInstance& runningCopy) {
    runningCopy.SendToRunning(std::nullopt);
    for (const QString& path : files) {
        const QFileInfo file(path);
        if (!file.exists()) {
            ui.ShowMessage(MissingFileMessage(path).toStdString());
            continue;
        }
        // The running copy may have another working folder: hand over the full path.
        if (!WriteSetting(ui, generalIni, "urgentfileToopen",
                          file.absoluteFilePath().toStdString()))
            return;
        WaitForFileAccess(path.toStdString());
        runningCopy.SendToRunning(static_cast<int>(MainFrameRequest::OpenHandedOverFile));
    }
}

}  // namespace vorla
