// The content of the floating "도구 창": the three external editors. Each row holds the editor's
// button (its name), the format of the files it is given and a ".." button that picks the
// program; slot 1 (the paint program) cannot be changed. The pane is enabled while the active
// document has a selected frame; an editor button hands the selected frames to that editor.
#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <functional>

#include "core/external/EditorSlots.h"

class QLabel;
class QPushButton;

namespace vorla {

class CMainFrame;

class ExternalToolPane : public QWidget {
    Q_OBJECT

public:
    explicit ExternalToolPane(CMainFrame& mainFrame, QWidget* parent = nullptr);

    // Slot 1..3.
    const external::EditorSlot& Slot(int slot) const;
    QPushButton* EditorButton(int slot) const { return editorButtons_.at(Index(slot)); }
    QPushButton* ConfigureButton(int slot) const { return configureButtons_.at(Index(slot)); }
    QLabel* FormatLabel(int slot) const { return formatLabels_.at(Index(slot)); }

    void SetFrameSelected(bool selected);
    // ".." of slot 2 or 3: the program, then its name and format; the settings are written.
    void ConfigureSlot(int slot);
    // An editor button: the active view's selected frames go to that editor.
    void HandToSlot(int slot);

    // The program dialog; tests answer instead ("" cancels).
    std::function<QString(const QString& title)> programPathAnswer;

private:
    static std::size_t Index(int slot) { return static_cast<std::size_t>(slot - 1); }
    void ShowSlot(int slot);
    QString AskProgramPath(const QString& title, const QString& current);

    CMainFrame& main_;
    std::array<external::EditorSlot, 3> slots_;
    std::array<QPushButton*, 3> editorButtons_{};
    std::array<QLabel*, 3> formatLabels_{};
    std::array<QPushButton*, 3> configureButtons_{};
};

}  // namespace vorla
