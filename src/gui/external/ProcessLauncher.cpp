#include "gui/external/ProcessLauncher.h"

#include <QProcess>
#include <QStringList>

#include "core/external/EditorSlots.h"

namespace vorla {

std::function<bool(const std::string&, const std::vector<std::string>&)>& ProcessLauncher::Hook() {
    static std::function<bool(const std::string&, const std::vector<std::string>&)> hook;
    return hook;
}

bool ProcessLauncher::Start(const std::string& program, const std::vector<std::string>& arguments) {
    if (Hook()) return Hook()(program, arguments);
    QStringList list;
    for (const std::string& argument : arguments) list << QString::fromStdString(argument);
    return QProcess::startDetached(QString::fromStdString(program), list);
}

QString FindPaintProgram() {
    return QString::fromStdString(external::FindPaintProgram(
        qEnvironmentVariable("PATH").toStdString(), external::IsExecutableFile));
}

QProcess* StartOwnedProcess(QObject* owner, const QString& program, const QString& file) {
    if (ProcessLauncher::Hook()) {
        ProcessLauncher::Hook()(program.toStdString(), {file.toStdString()});
        return nullptr;
    }
    auto* process = new QProcess(owner);
    process->setProgram(program);
    process->setArguments({file});
    // The program's own output is of no use here.
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted(3000)) {
        delete process;
        return nullptr;
    }
    // A finished process deletes itself, so the owner keeps only live ones.
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    return process;
}

}  // namespace vorla
