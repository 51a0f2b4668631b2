#include "gui/external/DesktopLauncher.h"

#include <QCoreApplication>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include "core/port/UserInterface.h"

namespace vorla {

namespace {

// One attempt to open a page: the launchers left to try and the one running now. It deletes
// itself once the outcome is known, except that a launcher still running then keeps its
// process object alive (unparented) so that the browser is not killed with it.
class LaunchChain : public QObject {
public:
    LaunchChain(QStringList programs, QString argument, QObject* context,
                std::function<void()> onFailure)
        : programs_(std::move(programs)),
          argument_(std::move(argument)),
          context_(context),
          onFailure_(std::move(onFailure)) {
        grace_.setSingleShot(true);
        grace_.setInterval(kLauncherGraceMs);
        connect(&grace_, &QTimer::timeout, this, [this] { Succeeded(); });
    }

    void TryNext() {
        if (programs_.isEmpty()) {
            Failed();
            return;
        }
        const QString program = programs_.takeFirst();
        auto* process = new QProcess;
        process_ = process;
        // A browser that writes to a pipe nobody reads would block: its output goes nowhere.
        process->setStandardInputFile(QProcess::nullDevice());
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        connect(process, &QProcess::finished, process,
                [this, process](int exitCode, QProcess::ExitStatus status) {
                    process->deleteLater();
                    if (process_ != process) return;  // counted as success already
                    process_ = nullptr;
                    grace_.stop();
                    if (status == QProcess::NormalExit && exitCode == 0) {
                        Succeeded();
                    } else {
                        TryNext();
                    }
                });
        connect(process, &QProcess::errorOccurred, process,
                [this, process](QProcess::ProcessError error) {
                    if (error != QProcess::FailedToStart || process_ != process) return;
                    process_ = nullptr;
                    grace_.stop();
                    process->deleteLater();
                    TryNext();
                });
        grace_.start();
        process->start(program, {argument_});
    }

private:
    void Succeeded() {
        // A launcher still running stays in its own object, deleted when it ends.
        process_ = nullptr;
        deleteLater();
    }

    void Failed() {
        deleteLater();
        QPointer<QObject> context = context_;
        std::function<void()> onFailure = std::move(onFailure_);
        // Told from the event loop, never from inside a process signal.
        QTimer::singleShot(0, QCoreApplication::instance(), [context, onFailure] {
            if (context && onFailure) onFailure();
        });
    }

    QStringList programs_;
    QString argument_;
    QPointer<QObject> context_;
    std::function<void()> onFailure_;
    QProcess* process_ = nullptr;  // the launcher being watched
    QTimer grace_;
};

}  // namespace

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

bool OpenLocalFileInDesktop(const QString& path, QObject* context,
                            std::function<void()> onFailure) {
    QStringList found;
    for (const QString& program : QStringList{QStringLiteral("xdg-open")} + BrowserCandidates()) {
        const QString executable = QStandardPaths::findExecutable(program);
        if (!executable.isEmpty() && !found.contains(executable)) found.append(executable);
    }
    if (found.isEmpty()) return false;
    auto* chain =
        new LaunchChain(found, QUrl::fromLocalFile(path).toString(), context, std::move(onFailure));
    chain->TryNext();
    return true;
}

QString BrowserFailureText(const QString& path) {
    return QCoreApplication::translate(
               "vorla::DesktopLauncher",
               "웹 브라우저를 실행할 수 없습니다. 브라우저로 다음 파일을 직접 여십시오.\n%1")
        .arg(path);
}

bool OpenLocalFileOrSay(UserInterface& ui, const QString& path, QObject* context) {
    auto say = [&ui, path] { ui.ShowMessage(BrowserFailureText(path).toStdString()); };
    if (OpenLocalFileInDesktop(path, context, say)) return true;
    say();
    return false;
}

}  // namespace vorla
