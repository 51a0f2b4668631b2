// vorla_monkey: the real program (its application object, start-up and main window) under a
// seeded random user. Usage:
//   vorla_monkey --seed N [--actions N] [--interval MS] [--skip a,b] [--second-start PATH|none]
//                [--crash-at-step N] [--list-actions]
// Runs under X11 (a private Xvfb) or offscreen. Every step is logged to stderr; exit 0 when every
// action was done and the program then ended through its own Exit command.
#include <execinfo.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Monkey.h"
#include "MonkeyFiles.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/VorlaApplication.h"
#include "gui/view/CAnvoView.h"

using namespace vorla;
using namespace vorla::monkey;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Without the sanitizer's own report, a fatal signal at least leaves a stack behind.
void OnFatalSignal(int signal) {
    char line[96];
    const int length = std::snprintf(line, sizeof line, "monkey: fatal signal %d (%s); stack:\n",
                                     signal, sigabbrev_np(signal) ? sigabbrev_np(signal) : "?");
    if (length > 0) {
        const ssize_t written = ::write(2, line, static_cast<size_t>(length));
        static_cast<void>(written);
    }
    void* frames[64];
    const int count = backtrace(frames, 64);
    backtrace_symbols_fd(frames, count, 2);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void InstallCrashReport() {
    if (kSanitized) return;
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        std::signal(signal, OnFatalSignal);
}

bool WriteFile(const QString& path, const QByteArray& bytes, bool executable = false) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return false;
    file.close();
    if (executable) file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return true;
}

// Everything the program may touch outside itself goes into work: its program folder, the
// profile, the single-instance socket; browsers and paint programs are stubs that only write
// down that they were started.
bool PrepareEnvironment(const QString& work) {
    const QString home = work + QStringLiteral("/home");
    const QString runtime = work + QStringLiteral("/runtime");
    const QString bin = work + QStringLiteral("/bin");
    const QString program = home + QStringLiteral("/vorla");
    for (const QString& folder : {home + QStringLiteral("/.config"),
                                  home + QStringLiteral("/.local/share"), runtime, bin, program}) {
        if (!QDir().mkpath(folder)) return false;
    }
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray stub = "#!/bin/sh\necho \"$0 $*\" >> '" +
                            QFile::encodeName(work + QStringLiteral("/launched.log")) +
                            "'\nexit 0\n";
    for (const char* name : {"xdg-open", "gio", "kde-open", "kde-open5", "gnome-open",
                             "x-www-browser", "sensible-browser", "firefox", "chromium",
                             "kolourpaint", "pinta", "mtpaint", "gimp", "krita"}) {
        if (!WriteFile(bin + QLatin1Char('/') + QLatin1String(name), stub, true)) return false;
    }
    qputenv("VORLA_HOME", QFile::encodeName(program));
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + QStringLiteral("/.config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home + QStringLiteral("/.local/share")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    qputenv("PATH", QFile::encodeName(bin) + ":/usr/bin:/bin");
    for (const char* name :
         {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
          "BROWSER", "DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORMTHEME", "SESSION_MANAGER"}) {
        qunsetenv(name);
    }
    return true;
}

int Usage(const char* program) {
    std::fprintf(stderr,
                 "usage: %s --seed N [--actions N] [--interval MS] [--skip a,b]\n"
                 "          [--second-start PATH|none] [--crash-at-step N] [--list-actions]\n",
                 program);
    return 2;
}

// Waits, running events, until the three start documents are loaded; false after 60 s.
bool WaitForStartDocuments(CMainFrame& frame, const MonkeyFiles& files) {
    QDeadlineTimer deadline(60000);
    QList<int> wanted = files.startFrameCounts;
    std::sort(wanted.begin(), wanted.end());
    QList<int> have;
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        have.clear();
        bool idle = true;
        for (CAnvoView* view : frame.Views()) {
            have << view->Table().frameCount;
            idle = idle && !view->IsBusy();
        }
        std::sort(have.begin(), have.end());
        if (idle && have == wanted) return true;
    }
    QStringList counts;
    for (int count : have) counts << QString::number(count);
    std::fprintf(stderr, "monkey: the start documents did not load: frame counts [%s]\n",
                 counts.join(QLatin1Char(',')).toUtf8().constData());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    MonkeyOptions options;
    bool seeded = false;
    options.secondStartProgram = QStringLiteral(VORLA_PROGRAM_DIR "/vorla");
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--list-actions") {
            for (const QString& name : Monkey::ActionNames())
                std::printf("%s\n", name.toUtf8().constData());
            return 0;
        } else if (arg == "--seed" && hasValue) {
            options.seed = static_cast<unsigned>(std::stoul(argv[++i]));
            seeded = true;
        } else if (arg == "--actions" && hasValue) {
            options.actions = std::stoi(argv[++i]);
        } else if (arg == "--interval" && hasValue) {
            options.maxIntervalMs = std::stoi(argv[++i]);
        } else if (arg == "--crash-at-step" && hasValue) {
            options.crashAtStep = std::stoi(argv[++i]);
        } else if (arg == "--second-start" && hasValue) {
            const QString program = QString::fromLocal8Bit(argv[++i]);
            options.secondStartProgram = program == QStringLiteral("none") ? QString() : program;
        } else if (arg == "--skip" && hasValue) {
            const QStringList names = QString::fromLocal8Bit(argv[++i]).split(QLatin1Char(','));
            for (const QString& name : names) {
                if (!Monkey::ActionNames().contains(name)) {
                    std::fprintf(stderr, "unknown action %s\n", name.toUtf8().constData());
                    return 2;
                }
                options.skipped.insert(name.toStdString());
            }
        } else {
            return Usage(argv[0]);
        }
    }
    if (!seeded) return Usage(argv[0]);
    if (!options.secondStartProgram.isEmpty() &&
        !QFileInfo(options.secondStartProgram).isExecutable()) {
        std::fprintf(stderr, "monkey: no program for second starts at %s\n",
                     options.secondStartProgram.toUtf8().constData());
        return 2;
    }
    InstallCrashReport();

    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/vorla-monkey-XXXXXX"));
    if (!work.isValid() || !PrepareEnvironment(work.path())) {
        std::fprintf(stderr, "monkey: cannot prepare a work folder\n");
        return 2;
    }
    // The first document comes from the command line, as when a file is opened from a file
    // manager; the program's arguments are the program's own, not the monkey's.
    const QString filesFolder = work.path() + QStringLiteral("/files");
    static QByteArray firstFile = QFile::encodeName(filesFolder + QStringLiteral("/walk.gif"));
    static std::vector<char*> programArguments = {argv[0], firstFile.data(), nullptr};
    static int programArgumentCount = 2;

    VorlaApplication app(programArgumentCount, programArguments.data());
    const MonkeyFiles files = MakeMonkeyFiles(filesFolder, work.path() + QStringLiteral("/out"));
    if (files.folder.isEmpty() || files.startGifs.value(0) != filesFolder + "/walk.gif") {
        std::fprintf(stderr, "monkey: cannot write the test files\n");
        return 2;
    }
    if (!app.InitInstance()) {
        std::fprintf(stderr, "monkey: the program did not start (another copy claimed it?)\n");
        return 2;
    }
    CMainFrame& frame = *app.MainFrame();
    // The other two as the Open command opens chosen files.
    frame.OpenFiles({files.startGifs[1], files.startGifs[2]});
    if (!WaitForStartDocuments(frame, files)) return 2;

    std::fprintf(stderr, "monkey: seed %u, %d actions, platform %s, work folder %s, %s\n",
                 options.seed, options.actions,
                 QGuiApplication::platformName().toUtf8().constData(),
                 work.path().toUtf8().constData(), kSanitized ? "sanitized" : "not sanitized");
    QElapsedTimer clock;
    clock.start();
    int result = 0;
    int steps = 0;
    {
        Monkey monkey(frame, files, options);
        monkey.Start();
        app.exec();
        result = monkey.Result();
        steps = monkey.Steps();
    }
    const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    if (result == 0) {
        std::fprintf(stderr, "monkey: seed %u survived %d actions in %.1f s\n", options.seed, steps,
                     seconds);
    } else {
        static const char* const kWhy[] = {
            "", "", "", "stopped early", "quit by itself", "a second start failed"};
        std::fprintf(stderr, "monkey: seed %u FAILED after %d actions in %.1f s: %s\n",
                     options.seed, steps, seconds, kWhy[result]);
    }
    return result;
}
