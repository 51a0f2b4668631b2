// A stand-in for the program around a document view: what every document shares, owned here,
// no other documents, no dialogs (every file dialog is cancelled), and a record of the
// notifications a view sends. For tests and timings of a view without a main window.
#pragma once

#include <QMenu>
#include <QTemporaryDir>

#include "core/edit/FrameClipboard.h"
#include "core/effects/EffectRandom.h"
#include "core/effects/EffectSettings.h"
#include "core/model/ApplicationState.h"
#include "core/model/DocumentSlots.h"
#include "gui/view/StripArt.h"
#include "gui/view/ViewCursors.h"
#include "gui/view/ViewServices.h"
#include "imaging/MagickImaging.h"

namespace vorla::test {

class FakeViewServices : public ViewServices {
public:
    explicit FakeViewServices(UserInterface& userInterface)
        : ui(userInterface), state(home.path().toStdString() + "/", ui, 1200) {}

    ApplicationState& App() override { return state; }
    UserInterface& Ui() override { return ui; }
    Imaging& Images() override { return imaging; }
    const std::vector<std::uint8_t>& TemplateBuffer() const override { return blank; }
    DocumentSlots& Slots() override { return documentSlots; }
    FrameClipboard& Clipboard() override { return clipboard; }
    effects::EffectSettings& Effects() override { return effectSettings; }
    effects::EffectRandom& EffectRandomNumbers() override { return random; }
    DragState& Drag() override { return drag; }
    const StripArt& Art() const override { return art; }
    const ViewCursors& Cursors() const override { return cursors; }
    QList<CAnvoView*> Views() const override { return {}; }
    CAnvoView* ViewAt(const QPoint&) const override { return nullptr; }
    void RepaintAllDocuments() override {}
    bool FrameDialogOpen() const override { return false; }
    void UpdateCommandStates() override { ++commandRefreshes; }
    void RefuseWhileBusy() override { ++refusals; }
    void Dispatch(CommandId) override {}
    std::unique_ptr<QMenu> ContextMenuFor(CAnvoView*, const HitResult&) override {
        return std::make_unique<QMenu>();
    }
    int PickMode() const override { return 0; }
    void StartPick(CAnvoView*, int, const QString&, const QString&) override {}
    void FinishPick(CAnvoView*, const HitResult&) override {}
    CAnvoView* PaneView() const override { return nullptr; }
    void SetPaneView(CAnvoView*) override {}
    void FitPaneToView() override {}
    void RefreshPane() override {}
    bool PaneDrawing() const override { return true; }
    void ForgetView(CAnvoView* view) override { forgotten.append(view); }
    int MainWindowHeight() const override { return 700; }
    QPoint CascadePosition() const override { return {}; }
    void AdvanceCascade() override {}
    void RetreatCascade() override {}
    QString AskSavePath(const QString&) override { return {}; }
    QString AskFrameSavePath(const QString&) override { return {}; }
    QString AskImagePath(const QString&) override { return {}; }
    QString AskLinkPath(const QString&, const QString&) override { return {}; }
    void DocumentSaved(const QString&) override {}
    std::unique_ptr<CollectRequest> TakePendingCollect() override { return nullptr; }
    std::unique_ptr<VideoImportResult> TakePendingVideo() override { return nullptr; }
    bool IsDropping() const override { return false; }

    QTemporaryDir home;
    UserInterface& ui;
    ApplicationState state;
    MagickImaging imaging;
    std::vector<std::uint8_t> blank;
    DocumentSlots documentSlots;
    FrameClipboard clipboard;
    effects::EffectSettings effectSettings;
    effects::EffectRandom random;
    DragState drag;
    StripArt art;
    ViewCursors cursors;
    int commandRefreshes = 0;
    int refusals = 0;
    QList<CAnvoView*> forgotten;
};

}  // namespace vorla::test
