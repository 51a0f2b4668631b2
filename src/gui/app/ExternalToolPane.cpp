#include "gui/app/ExternalToolPane.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "core/model/ApplicationState.h"
#include "core/port/UserInterface.h"
#include "gui/app/CMainFrame.h"
#include "gui/dialogs/FileDialogFilters.h"
#include "gui/external/ProcessLauncher.h"
#include "gui/view/CAnvoView.h"

namespace vorla {

ExternalToolPane::ExternalToolPane(CMainFrame& mainFrame, QWidget* parent)
    : QWidget(parent), main_(mainFrame) {
    slots_[0] = external::PaintSlot(FindPaintProgram().toStdString());
    for (int slot = external::kFirstUserSlot; slot <= external::kLastUserSlot; ++slot)
        slots_[Index(slot)] = external::ReadUserSlot(main_.Ui(), main_.App().WindowIni(), slot);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setVerticalSpacing(6);
    for (int slot = 1; slot <= 3; ++slot) {
        const std::size_t i = Index(slot);
        editorButtons_[i] = new QPushButton(this);
        editorButtons_[i]->setObjectName(QStringLiteral("editor%1").arg(slot));
        editorButtons_[i]->setMinimumHeight(28);
        formatLabels_[i] = new QLabel(this);
        formatLabels_[i]->setAlignment(Qt::AlignCenter);
        configureButtons_[i] = new QPushButton(QStringLiteral(".."), this);
        configureButtons_[i]->setObjectName(QStringLiteral("configure%1").arg(slot));
        configureButtons_[i]->setFixedWidth(26);
        grid->addWidget(editorButtons_[i], slot - 1, 0);
        grid->addWidget(formatLabels_[i], slot - 1, 1);
        grid->addWidget(configureButtons_[i], slot - 1, 2);
        connect(editorButtons_[i], &QPushButton::clicked, this, [this, slot] { HandToSlot(slot); });
        connect(configureButtons_[i], &QPushButton::clicked, this,
                [this, slot] { ConfigureSlot(slot); });
        ShowSlot(slot);
    }
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(3, 1);
    configureButtons_[0]->setEnabled(false);  // the paint program is not the user's to change
    SetFrameSelected(false);
}

const external::EditorSlot& ExternalToolPane::Slot(int slot) const {
    return slots_.at(Index(slot));
}

void ExternalToolPane::ShowSlot(int slot) {
    const external::EditorSlot& value = slots_[Index(slot)];
    editorButtons_[Index(slot)]->setText(value.name.empty() ? tr("(없음)")
                                                            : QString::fromStdString(value.name));
    formatLabels_[Index(slot)]->setText(QString::fromStdString(value.format));
    editorButtons_[Index(slot)]->setToolTip(QString::fromStdString(value.path));
}

void ExternalToolPane::SetFrameSelected(bool selected) {
    setEnabled(selected);
    // Slot 1's ".." stays off whatever the pane's state.
    configureButtons_[0]->setEnabled(false);
}

QString ExternalToolPane::AskProgramPath(const QString& title, const QString& current) {
    if (programPathAnswer) return programPathAnswer(title);
    QFileDialog dialog(&main_, title);
    dialog.setFileMode(QFileDialog::ExistingFile);
    ApplyFileDialogFilters(dialog, external::kProgramFilter);
    dialog.setDirectory(current.isEmpty() ? QStringLiteral("/usr/bin")
                                          : QFileInfo(current).absolutePath());
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

void ExternalToolPane::ConfigureSlot(int slot) {
    if (slot < external::kFirstUserSlot || slot > external::kLastUserSlot) return;
    UserInterface& ui = main_.Ui();
    external::EditorSlot& value = slots_[Index(slot)];
    QString path = AskProgramPath(QString::fromStdString(external::ConfigureDialogTitle(value)),
                                  QString::fromStdString(value.path));
    // Cancel keeps the current program; with none the configuration ends.
    if (path.isEmpty()) path = QString::fromStdString(value.path);
    if (path.isEmpty()) return;
    NumberRequest request = external::SlotPropertiesRequest(path.toStdString());
    if (!ui.AskNumbers(request)) return;
    value = external::SlotFromAnswer(path.toStdString(), request);
    external::WriteUserSlot(ui, main_.App().WindowIni(), slot, value);
    ShowSlot(slot);
}

void ExternalToolPane::HandToSlot(int slot) {
    if (slot < 1 || slot > 3) {
        ReportProgramError(main_.Ui(), "02743", false);
        return;
    }
    CAnvoView* view = main_.ActiveView();
    if (!view) {
        ReportProgramError(main_.Ui(), "83212", false);
        return;
    }
    if (view->IsBusy()) {
        main_.RefuseWhileBusy();
        return;
    }
    external::EditorSlot& value = slots_[Index(slot)];
    if (slot == external::kPaintSlot && value.Empty()) {
        value = external::PaintSlot(FindPaintProgram().toStdString());
        if (value.Empty()) {
            main_.Ui().ShowMessage("그림판 프로그램을 찾을 수 없습니다.");
            return;
        }
        ShowSlot(slot);
    }
    CAnvoView::BusyScope busy(*view);
    view->HandFramesToEditor(value);
}

}  // namespace vorla
