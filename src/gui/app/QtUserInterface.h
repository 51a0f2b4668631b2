// The UserInterface port over real widgets: the shared question dialog, message boxes, the small
// dialogs (notice, two-choice question, colour chooser, number dialog) and the event loop. Each
// dialog is created on first use and reused; SetMainWindow makes the main window their parent.
#pragma once

#include <QObject>
#include <QPointer>

#include "core/port/UserInterface.h"
#include "gui/dialogs/CMyColorDialog.h"
#include "gui/dialogs/ChoiceDialog.h"
#include "gui/dialogs/NoticeDialog.h"
#include "gui/dialogs/NumberDialog.h"
#include "gui/dialogs/TwoChoiceDialog.h"

class QWidget;

namespace vorla {

class QtUserInterface : public QObject, public UserInterface {
    Q_OBJECT

public:
    explicit QtUserInterface(QObject* parent = nullptr);
    // Deletes the boxes that have no main window to go with.
    ~QtUserInterface() override;

    // The window raised before questions that ask for it and the parent of every box.
    void SetMainWindow(QWidget* mainWindow);

    ChoiceAnswer Choose(const ChoiceRequest& request, bool bringMainToTop) override;
    void ShowMessage(const std::string& text) override;
    // The 800 ms rule holds for the whole process, whichever instance shows the notice.
    void ShowNotice(const std::string& text, int milliseconds, int style) override;
    int AskTwoChoice(const std::string& message, const std::string& title,
                     const std::string& firstLabel, const std::string& secondLabel,
                     const std::string& disableMask) override;
    // One chooser serves every caller: the result colour it opens with is the caller's.
    bool ChooseColor(Colorref& colour, const std::string& caption) override;
    bool AskNumbers(NumberRequest& request) override;
    // A dialog of its own for each question: asked while a file loads, never reused meanwhile.
    std::optional<LongGifWay> AskLongGifWay(const LongGifQuestion& question) override;
    // false once the application has been asked to quit; the caller then ends its loop.
    bool PumpMessages() override;
    std::unique_ptr<WorkProgress> CreateProgress() override;

private:
    QPointer<QWidget> mainWindow_;
    QPointer<ChoiceDialog> dialog_;
    QPointer<NoticeDialog> notice_;
    QPointer<TwoChoiceDialog> twoChoice_;
    QPointer<CMyColorDialog> colorChooser_;
    QPointer<NumberDialog> numbers_;
    bool quitting_ = false;
};

}  // namespace vorla
