// Start-up: one copy per user, the hand-over of a later start's file, the command-line file and
// what the first start writes. Later starts run as the real `vorla` program on the offscreen
// platform, with its own program folder (VORLA_HOME) and socket folder (XDG_RUNTIME_DIR).
#include <unistd.h>

#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "core/model/ApplicationState.h"
#include "core/model/Settings.h"
#include "core/port/UserInterface.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/HandOver.h"
#include "gui/app/SingleInstance.h"
#include "gui/app/VorlaApplication.h"
#include "gui/view/CAnvoView.h"
#include "imaging/MagickImaging.h"

using namespace vorla;

namespace {

// Records messages; questions are not expected at start-up.
class RecordingUi : public UserInterface {
public:
    ChoiceAnswer Choose(const ChoiceRequest& request, bool) override {
        messages.append(QString::fromStdString(request.message));
        return {};
    }
    void ShowMessage(const std::string& text) override {
        messages.append(QString::fromStdString(text));
    }
    bool PumpMessages() override { return true; }
    void ShowNotice(const std::string& text, int, int) override {
        messages.append(QString::fromStdString(text));
    }
    int AskTwoChoice(const std::string& message, const std::string&, const std::string&,
                     const std::string&, const std::string&) override {
        messages.append(QString::fromStdString(message));
        return 0;
    }
    bool ChooseColor(Colorref&, const std::string&) override { return false; }
    bool AskNumbers(NumberRequest&) override { return false; }
    QStringList messages;
};

// Where the built program and its assets ("dfnwim.dxt") are.
QString ProgramFolder() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../src/gui");
}

// A 1 x 1 GIF: the smallest file the program opens as an animation.
const QByteArray kTinyGif = QByteArray::fromHex(
    "474946383961010001008000"
    "00ffffff0000002c00000000010001000002024401003b");

QString ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The copy that runs first: its main window and the instance it claimed, with requests from
// later starts connected as the program connects them.
struct RunningCopy {
    RunningCopy(const QString& home, UserInterface& ui)
        : state(home.toStdString() + "/", ui, 1280), frame(state, imaging, ProgramFolder()) {
        claimed = instance.Claim();
        QObject::connect(&instance, &SingleInstance::requestReceived, &frame,
                         &CMainFrame::HandleRequest);
    }
    ApplicationState state;
    MagickImaging imaging;
    CMainFrame frame;
    SingleInstance instance;
    bool claimed = false;
};

}  // namespace

class tst_Startup : public QObject {
    Q_OBJECT

private slots:
    void init();
    void eachArgumentIsOnePath();
    void onlyOneCopyClaimsTheInstance();
    void mainFrameCaptionAndUnknownRequest();
    void secondStartHandsOverAnExistingFile();
    void secondStartWithoutFileOnlyRaisesTheRunningCopy();
    void missingFileIsNamedInAMessage();
    void eachDisplayHasItsOwnCopy();
    void secondStartHandsOverEveryFileInTurn();
    void messageDuringAHandOverOutlivesTheSocket();
    void firstStartWritesVersionAndClampsZoom();
    void optionsAnswerWithoutADisplay();

private:
    // A started `vorla` with this test's folders; finished or killed by the caller.
    void StartVorla(QProcess& process, const QStringList& arguments,
                    const QString& configHome = {});

    std::unique_ptr<QTemporaryDir> runtime_;  // lock and socket of the single instance
    std::unique_ptr<QTemporaryDir> home_;     // program folder with "gnanre.ini"
    RecordingUi ui_;
};

void tst_Startup::init() {
    runtime_ = std::make_unique<QTemporaryDir>();
    home_ = std::make_unique<QTemporaryDir>();
    QVERIFY(runtime_->isValid() && home_->isValid());
    // Read by SingleInstance, here and in the started program alike.
    qputenv("XDG_RUNTIME_DIR", runtime_->path().toUtf8());
    ui_.messages.clear();
}

void tst_Startup::StartVorla(QProcess& process, const QStringList& arguments,
                             const QString& configHome) {
    QString program = qEnvironmentVariable("VORLA_EXECUTABLE");
    if (program.isEmpty()) {
        program = QCoreApplication::applicationDirPath() + QStringLiteral("/../src/gui/vorla");
    }
    QVERIFY2(
        QFileInfo(program).isExecutable(),
        qPrintable(QStringLiteral("build the vorla target first (looked for %1)").arg(program)));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VORLA_HOME"), home_->path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_->path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!configHome.isEmpty()) env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    QVERIFY2(process.waitForStarted(), qPrintable(process.errorString()));
}

void tst_Startup::eachArgumentIsOnePath() {
    QCOMPARE(CommandLineFiles({"vorla"}), QStringList());
    QCOMPARE(CommandLineFiles({"vorla", "/tmp/a b.gif"}), QStringList{"/tmp/a b.gif"});
    QCOMPARE(CommandLineFiles({"vorla", "a.gif", "", "b.gif"}), (QStringList{"a.gif", "b.gif"}));
}

void tst_Startup::onlyOneCopyClaimsTheInstance() {
    // Offscreen here: the platform stands for the display.
    QCOMPARE(SingleInstance::Key(), QStringLiteral("VorlaMutex%1-offscreen").arg(::getuid()));
    auto first = std::make_unique<SingleInstance>();
    QVERIFY(first->Claim());
    SingleInstance second;
    QVERIFY(!second.Claim());
    QSignalSpy raised(first.get(), &SingleInstance::raiseRequested);
    QVERIFY(second.SendToRunning(std::nullopt));
    QTRY_COMPARE(raised.count(), 1);

    // Once the first copy is gone, a new start becomes the running copy.
    first.reset();
    SingleInstance third;
    QVERIFY(third.Claim());
    QSignalSpy raisedThird(&third, &SingleInstance::raiseRequested);
    QVERIFY(second.SendToRunning(std::nullopt));
    QTRY_COMPARE(raisedThird.count(), 1);
}

void tst_Startup::mainFrameCaptionAndUnknownRequest() {
    ApplicationState state(home_->path().toStdString() + "/", ui_, 1280);
    MagickImaging imaging;
    CMainFrame frame(state, imaging, ProgramFolder());
    QCOMPARE(frame.windowTitle(), QStringLiteral("Vorla v1.05 beta1"));
    QCOMPARE(VorlaApplication::VersionText(), QStringLiteral("1.05 beta1"));
    frame.HandleRequest(-3);
    QVERIFY(ui_.messages.isEmpty());
    frame.HandleRequest(-99);
    QCOMPARE(ui_.messages, QStringList{QStringLiteral("프로그램 오류 (11013)")});
}

void tst_Startup::secondStartHandsOverAnExistingFile() {
    RunningCopy copy(home_->path(), ui_);
    QVERIFY(copy.claimed);
    ApplicationState& state = copy.state;
    CMainFrame& frame = copy.frame;
    SingleInstance& running = copy.instance;
    QSignalSpy raised(&running, &SingleInstance::raiseRequested);
    QSignalSpy opened(&frame, &CMainFrame::documentOpened);

    QTemporaryDir files;
    const QString gif = files.filePath(QStringLiteral("움직임 1.gif"));
    WriteFile(gif, kTinyGif);
    QProcess second;
    // Relative to its own working folder: the running copy must still get the full path.
    second.setWorkingDirectory(files.path());
    StartVorla(second, {QStringLiteral("움직임 1.gif")});
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 20000);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);  // ended by itself: it opened no window and ran no loop

    QCOMPARE(ReadSetting(ui_, state.GeneralIni(), "urgentfileToopen"), gif.toStdString());
    QTRY_COMPARE(opened.count(), 1);
    QCOMPARE(frame.Views().size(), 1);
    QCOMPARE(QString::fromStdString(frame.Views().first()->Document().sourcePath), gif);
    QVERIFY(raised.count() >= 1);
    QVERIFY(ui_.messages.isEmpty());
}

void tst_Startup::secondStartWithoutFileOnlyRaisesTheRunningCopy() {
    RunningCopy copy(home_->path(), ui_);
    QVERIFY(copy.claimed);
    ApplicationState& state = copy.state;
    SingleInstance& running = copy.instance;
    QSignalSpy raised(&running, &SingleInstance::raiseRequested);
    QSignalSpy requests(&running, &SingleInstance::requestReceived);

    QProcess second;
    StartVorla(second, {});
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 20000);
    QCOMPARE(second.exitCode(), 0);
    QTRY_COMPARE(raised.count(), 1);
    QCOMPARE(requests.count(), 0);
    QVERIFY(!ReadAll(QString::fromStdString(state.GeneralIni())).contains("urgentfileToopen"));
}

void tst_Startup::missingFileIsNamedInAMessage() {
    SingleInstance running;
    QVERIFY(running.Claim());
    QSignalSpy raised(&running, &SingleInstance::raiseRequested);
    QSignalSpy requests(&running, &SingleInstance::requestReceived);
    SingleInstance second;
    const std::string ini = home_->filePath(QStringLiteral("gnanre.ini")).toStdString();
    const QString missing = home_->filePath(QStringLiteral("없는 파일.gif"));

    HandOverToRunningCopy({missing}, ini, ui_, second);
    QCOMPARE(ui_.messages, QStringList{QStringLiteral("없는 파일.gif를 찾을 수 없습니다.")});
    QTRY_COMPARE(raised.count(), 1);
    QCOMPARE(requests.count(), 0);
    QVERIFY(!QFile::exists(QString::fromStdString(ini)));
}

void tst_Startup::eachDisplayHasItsOwnCopy() {
    QCOMPARE(SingleInstance::SessionSuffix("xcb", ":0.0", ""), QStringLiteral("-_0"));
    QCOMPARE(SingleInstance::SessionSuffix("xcb", ":0", "wayland-0"), QStringLiteral("-_0"));
    QCOMPARE(SingleInstance::SessionSuffix("xcb", "host:10.0", ""), QStringLiteral("-host_10"));
    QCOMPARE(SingleInstance::SessionSuffix("wayland", ":0", "wayland-1"),
             QStringLiteral("-wayland-1"));
    QCOMPARE(SingleInstance::SessionSuffix("xcb", "", ""), QString());
    QVERIFY(SingleInstance::SessionSuffix("xcb", ":99", "") !=
            SingleInstance::SessionSuffix("xcb", ":0", ""));
}

void tst_Startup::secondStartHandsOverEveryFileInTurn() {
    RunningCopy copy(home_->path(), ui_);
    QVERIFY(copy.claimed);
    CMainFrame& frame = copy.frame;
    QSignalSpy opened(&frame, &CMainFrame::documentOpened);

    QTemporaryDir files;
    for (const char* name : {"a.gif", "b.gif"})
        WriteFile(files.filePath(QString::fromLatin1(name)), kTinyGif);
    QProcess second;
    second.setWorkingDirectory(files.path());
    StartVorla(second, {QStringLiteral("a.gif"), QStringLiteral("b.gif")});
    QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 2, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 20000);
    QStringList paths;
    for (CAnvoView* view : frame.Views())
        paths << QFileInfo(QString::fromStdString(view->Document().sourcePath)).fileName();
    paths.sort();
    QCOMPARE(paths, (QStringList{"a.gif", "b.gif"}));
}

void tst_Startup::messageDuringAHandOverOutlivesTheSocket() {
    // The running copy's message box runs a loop of its own, in which the later start's socket
    // disconnects and is deleted; nothing may use it afterwards.
    class LoopingUi : public RecordingUi {
    public:
        void ShowMessage(const std::string& text) override {
            RecordingUi::ShowMessage(text);
            QEventLoop loop;
            QTimer::singleShot(300, &loop, &QEventLoop::quit);
            loop.exec();
        }
    } ui;
    RunningCopy copy(home_->path(), ui);
    QVERIFY(copy.claimed);
    ApplicationState& state = copy.state;
    CMainFrame& frame = copy.frame;

    QTemporaryDir files;
    const QString garbage = files.filePath(QStringLiteral("garbage.gif"));
    WriteFile(garbage, "GIF89a this is not an image at all");
    for (int i = 0; i < 3; ++i) {
        SingleInstance later;
        HandOverToRunningCopy({garbage}, state.GeneralIni(), ui, later);
    }
    QTRY_VERIFY_WITH_TIMEOUT(ui.messages.size() >= 3, 20000);
    QTest::qWait(500);
    QVERIFY(frame.Views().isEmpty());

    // Five windows open: a good file cannot open either, and says so the same way.
    for (int i = 0; i < 5; ++i) QVERIFY(frame.NewDocument());
    const QString good = files.filePath(QStringLiteral("good.gif"));
    WriteFile(good, kTinyGif);
    const qsizetype before = ui.messages.size();
    for (int i = 0; i < 2; ++i) {
        SingleInstance later;
        HandOverToRunningCopy({good}, state.GeneralIni(), ui, later);
    }
    QTRY_VERIFY_WITH_TIMEOUT(ui.messages.size() >= before + 2, 20000);
    QTest::qWait(500);
    QCOMPARE(frame.Views().size(), 5);
}

void tst_Startup::firstStartWritesVersionAndClampsZoom() {
    QTemporaryDir config;
    const std::string ini = home_->filePath(QStringLiteral("gnanre.ini")).toStdString();
    QVERIFY(WriteSetting(ui_, ini, "lookratio", "250"));

    QProcess first;
    StartVorla(first, {}, config.path());
    QTRY_VERIFY_WITH_TIMEOUT(ReadAll(QString::fromStdString(ini)).contains("lookratio=100"), 20000);
    QTRY_VERIFY(ReadAll(config.filePath(QStringLiteral("Tarnwick/Vorla.conf")))
                    .contains(QStringLiteral("Version=1.05 beta1")));
    QCOMPARE(first.state(), QProcess::Running);  // the first copy keeps its window open

    // It is the running copy now: this process cannot claim the instance.
    SingleInstance another;
    QVERIFY(!another.Claim());

    first.kill();
    QVERIFY(first.waitForFinished());
}

void tst_Startup::optionsAnswerWithoutADisplay() {
    const QString program =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../src/gui/vorla");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("VORLA_HOME"), home_->path());
    struct Case {
        QStringList arguments;
        int status;
        QString out;  // the start of standard output
        QString err;  // a part of standard error
    };
    const Case cases[] = {
        {{"--help"}, 0, QStringLiteral("사용법: vorla"), {}},
        {{"--version"}, 0, QStringLiteral("Vorla 1.05 beta1\n"), {}},
        {{"-x.gif"}, 2, {}, QStringLiteral("알 수 없는 옵션입니다: -x.gif")},
    };
    for (const Case& c : cases) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program, c.arguments);
        QVERIFY(process.waitForFinished(10000));
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitCode(), c.status);
        QVERIFY2(out.startsWith(c.out), qPrintable(out));
        QVERIFY2(err.contains(c.err), qPrintable(err));
        if (c.status == 2) QCOMPARE(err.count(QLatin1Char('\n')), 1);  // one line
    }
    // After "--" the same name is a file: the program starts and keeps running.
    const QString file = home_->filePath(QStringLiteral("-x.gif"));
    QVERIFY(QFile::copy(QStringLiteral(VORLA_PROGRAM_DIR) + QStringLiteral("/dfnwim.dxt"), file));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess opened;
    opened.setProcessEnvironment(env);
    opened.setWorkingDirectory(home_->path());
    opened.start(program, {QStringLiteral("--"), QStringLiteral("-x.gif")});
    QVERIFY(opened.waitForStarted());
    QVERIFY2(!opened.waitForFinished(3000), qPrintable(opened.readAllStandardError()));
    opened.kill();
    opened.waitForFinished();
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
