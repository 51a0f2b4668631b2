// The UserInterface port over real widgets: the shared question dialog, message boxes and the
// event loop.
#pragma once

#include <QObject>
#include <QPointer>

#include "core/port/UserInterface.h"
#include "gui/dialogs/ChoiceDialog.h"

class QWidget;

namespace vorla {

class QtUserInterface : public QObject, public UserInterface {
    Q_OBJECT

public:
    explicit QtUserInterface(QObject* parent = nullptr);

    // The window raised before questions that ask for it and the parent of every box.
    void SetMainWindow(QWidget* mainWindow);

    ChoiceAnswer Choose(const ChoiceRequest& request, bool bringMainToTop) override;
    void ShowMessage(const std::string& text) override;
    // false once the application has been asked to quit; the caller then ends its loop.
    bool PumpMessages() override;
    std::unique_ptr<WorkProgress> CreateProgress() override;

private:
    QPointer<QWidget> mainWindow_;
    QPointer<ChoiceDialog> dialog_;
    bool quitting_ = false;
};

}  // namespace vorla
