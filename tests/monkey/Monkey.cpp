#include "Monkey.h"

#include <QApplication>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <cstdio>

#include "gui/app/CMainFrame.h"
#include "gui/commands/Commands.h"

namespace vorla::monkey {

namespace {

// Time allowed for closing every dialog and ending the program after the last action: enough
// for a long effect under the sanitizers to reach its next pump and be cancelled.
constexpr qint64 kFinishBudgetMs = 90000;

}  // namespace

const std::vector<Monkey::FreeAction>& Monkey::FreeActions() {
    // Weights in parts of the total; keys and strip clicks dominate, as in real use.
    static const std::vector<FreeAction> actions = {
        {"key", 22, &Monkey::PressCatalogueKey},
        {"plainkey", 7, &Monkey::PressPlainKey},
        {"click", 15, &Monkey::ClickStrip},
        {"dclick", 5, &Monkey::DoubleClickStrip},
        {"rclick", 9, &Monkey::RightClickStrip},
        {"drag", 7, &Monkey::DragFrames},
        {"menubar", 8, &Monkey::OpenMainMenu},
        {"toolbar", 4, &Monkey::ClickToolBar},
        {"titlebar", 3, &Monkey::UseTitleBar},
        {"window", 3, &Monkey::ClickOtherWindow},
        {"anywhere", 3, &Monkey::ClickAnywhere},
        {"scroll", 3, &Monkey::UseScrollBar},
        {"secondstart", 1, &Monkey::StartSecondCopy},
        {"dropfiles", 1, &Monkey::DropFiles},
        {"clipboard", 2, &Monkey::PutImageOnClipboard},
        {"idle", 3, &Monkey::Idle},
    };
    return actions;
}

QStringList Monkey::ActionNames() {
    QStringList names;
    for (const FreeAction& action : FreeActions()) names << QString::fromLatin1(action.name);
    return names << QStringLiteral("popup") << QStringLiteral("modal");
}

Monkey::Monkey(CMainFrame& frame, const MonkeyFiles& files, const MonkeyOptions& options)
    : frame_(frame), files_(files), options_(options), rng_(options.seed) {
    runClock_.start();
    for (const CommandInfo& info : AllCommands()) {
        // Exit ends the run; it is pressed once, after the last action.
        if (info.id == CommandId::AppExit) continue;
        const QString keys = QString::fromUtf8(info.shortcuts);
        for (const QString& part : keys.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString name =
                *info.menuText ? QString::fromUtf8(info.menuText) : QString::number(int(info.id));
            catalogueKeys_.append(
                {QKeySequence::fromString(part, QKeySequence::PortableText), name});
        }
    }
    for (const FreeAction& action : FreeActions()) {
        if (!options_.skipped.count(action.name)) totalWeight_ += action.weight;
    }
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (!finishing_) {
            quitByItself_ = true;
            Log(QStringLiteral("the program is quitting by itself"));
        }
        ended_ = true;
    });
}

Monkey::~Monkey() {
    if (secondStart_) {
        secondStart_->waitForFinished(10000);
        delete secondStart_;
    }
}

void Monkey::Start() {
    Schedule(0);
}

int Monkey::Result() const {
    if (quitByItself_) return 4;
    if (step_ < options_.actions) return 3;
    return problems_ > 0 ? 5 : 0;
}

void Monkey::Log(const QString& what) const {
    // stderr is unbuffered: the line is out before the action can kill the process.
    // The time since the start (s) shows where a run spends itself and how long a stall lasted.
    std::fprintf(stderr, "monkey seed=%u step=%d depth=%d t=%.3f: %s\n", options_.seed, step_,
                 depth_, static_cast<double>(runClock_.elapsed()) / 1000.0,
                 what.toUtf8().constData());
}

bool Monkey::Chance(int percent) {
    return Pick(100) < percent;
}

int Monkey::Pick(int count) {
    if (count <= 1) return 0;
    return std::uniform_int_distribution<int>(0, count - 1)(rng_);
}

void Monkey::Schedule(int delayMs) {
    // A new single-shot timer each time: a timer whose own slot is still running (waiting in a
    // nested loop) would not fire again, a fresh one does.
    QTimer::singleShot(delayMs, this, &Monkey::Step);
}

void Monkey::Step() {
    if (ended_) return;
    ++depth_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{depth_};

    if (finishing_) {
        if (finishClock_.elapsed() > kFinishBudgetMs) {
            Log(QStringLiteral("could not end the program within %1 s after the last action")
                    .arg(kFinishBudgetMs / 1000));
            std::_Exit(3);
        }
        Schedule(5);
        FinishStep();
        return;
    }
    if (step_ >= options_.actions) {
        finishing_ = true;
        finishClock_.start();
        Log(QStringLiteral("all %1 actions done: closing dialogs and exiting").arg(step_));
        Schedule(5);
        return;
    }
    ++step_;
    if (step_ == options_.crashAtStep) {
        Log(QStringLiteral("self-test: a deliberate crash"));
        static volatile int* volatile nowhere = nullptr;
        *nowhere = 1;
    }
    if (NoticeShowing()) {
        // A notice holds the user's input back until it closes; so does the monkey.
        Log(QStringLiteral("wait: a notice is showing"));
        Schedule(100);
        return;
    }
    int delay = Pick(options_.maxIntervalMs + 1);
    if (QApplication::activePopupWidget() || QApplication::activeModalWidget()) {
        Schedule(delay);
        ActOnFront();
        return;
    }
    int roll = Pick(totalWeight_);
    for (const FreeAction& action : FreeActions()) {
        if (options_.skipped.count(action.name)) continue;
        if (roll < action.weight) {
            // Idling lets playback, the worker's deferred drops and notices run their course.
            if (action.run == &Monkey::Idle) delay = 200 + Pick(1000);
            Schedule(delay);
            (this->*action.run)();
            return;
        }
        roll -= action.weight;
    }
    Schedule(delay);
}

}  // namespace vorla::monkey
