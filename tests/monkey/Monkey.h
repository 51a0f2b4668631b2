// A seeded random user: from a timer it presses the catalogue's keys, clicks, double-clicks and
// right-clicks the frame strips, picks context-menu and main-menu items, drags frames between
// windows, answers whatever dialog is in front and now and then starts the program a second
// time. Every input is a real window-system event on the real main window, sent through Qt's
// input path (modality, popups, grabs and shortcuts apply as for a user).
//
// Each step is logged to stderr before it is performed, so the last lines name what killed the
// program. The next step is always scheduled before the current one acts: when an action enters
// a nested event loop (a modal dialog, QMenu::exec, a progress pump) the following steps run
// inside it, as a user's clicks would.
#pragma once

#include <QElapsedTimer>
#include <QKeySequence>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "MonkeyFiles.h"

class QFileDialog;
class QMenu;
class QProcess;
class QWidget;

namespace vorla {
class CAnvoView;
class CMainFrame;
}  // namespace vorla

namespace vorla::monkey {

struct MonkeyOptions {
    unsigned seed = 1;
    int actions = 1000;             // steps before the orderly end
    int maxIntervalMs = 15;         // pause between two steps: 0..max, longer when idling
    int crashAtStep = -1;           // a deliberate crash at this step, to check the reporting
    std::set<std::string> skipped;  // action names left out (to get past a known crash)
    QString secondStartProgram;     // the program a later start runs; empty: no hand-overs
};

class Monkey : public QObject {
    Q_OBJECT

public:
    Monkey(CMainFrame& frame, const MonkeyFiles& files, const MonkeyOptions& options);
    ~Monkey() override;

    // Schedules the first step.
    void Start();
    // 0: every step done and the program ended through its own Exit command.
    int Result() const;
    int Steps() const { return step_; }
    // Names of the free actions, for --skip.
    static QStringList ActionNames();

private:
    struct FreeAction {
        const char* name;
        int weight;
        void (Monkey::*run)();
    };
    static const std::vector<FreeAction>& FreeActions();

    void Step();
    void Schedule(int delayMs);
    void Log(const QString& what) const;
    bool Chance(int percent);
    int Pick(int count);  // 0..count-1
    template <typename T>
    const T& PickFrom(const QList<T>& list) {
        return list[Pick(static_cast<int>(list.size()))];
    }

    // What is in front (Monkey_Front.cpp).
    bool ActOnFront();
    void ActOnPopup(QWidget* popup);
    void ActOnModal(QWidget* modal);
    void ActOnFileDialog(QFileDialog* dialog);
    void TypeIntoSomeField(QWidget* dialog);
    bool FinishStep();

    // Free actions (Monkey_Actions.cpp).
    void PressCatalogueKey();
    void PressPlainKey();
    void ClickStrip();
    void DoubleClickStrip();
    void RightClickStrip();
    void DragFrames();
    void OpenMainMenu();
    void ClickToolBar();
    void UseTitleBar();
    void ClickOtherWindow();
    void ClickAnywhere();
    void UseScrollBar();
    void StartSecondCopy();
    void DropFiles();
    void PutImageOnClipboard();
    void Idle();

    // Input helpers (Monkey_Input.cpp).
    void ActivateLikeAWindowManager(QWidget* widget);
    void Key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier);
    void Click(QWidget* widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers mods = Qt::NoModifier);
    void DoubleClick(QWidget* widget, QPoint pos);
    // Press at from, move in a few steps to the global point to, release there.
    void Drag(QWidget* widget, QPoint from, QPoint toGlobal, Qt::KeyboardModifiers mods = {});
    QWidget* KeyTarget() const;
    QList<CAnvoView*> VisibleViews() const;
    // A point on a frame, a gap or (rarely) anywhere in the view's viewport, in viewport
    // coordinates; describes it in `where`. false: nothing of the view is visible.
    bool StripPoint(CAnvoView* view, QPoint& point, QString& where);
    QString Describe(CAnvoView* view) const;
    static QString Describe(const QWidget* widget);
    bool NoticeShowing() const;

    CMainFrame& frame_;
    MonkeyFiles files_;
    MonkeyOptions options_;
    std::mt19937 rng_;
    QList<std::pair<QKeySequence, QString>> catalogueKeys_;  // key, command text
    int totalWeight_ = 0;

    int step_ = 0;
    int depth_ = 0;  // steps on the call stack: more than one while an action waits in a loop
    bool finishing_ = false;
    QElapsedTimer finishClock_;
    QElapsedTimer runClock_;
    int exitRequests_ = 0;
    bool quitByItself_ = false;
    bool ended_ = false;
    int problems_ = 0;  // second starts that failed
    QPointer<QWidget> frontModal_;
    int frontModalSteps_ = 0;
    QPointer<QProcess> secondStart_;
    int saveCounter_ = 0;
};

}  // namespace vorla::monkey
