// A document view without a main window: a fake ViewServices gives it the program, records what
// the view tells the program, and a command runs through a collaborator and back through undo.
#include <QMenu>

#include "GuiFixture.h"
#include "core/edit/FrameClipboard.h"
#include "core/effects/EffectRandom.h"
#include "core/effects/EffectSettings.h"
#include "core/model/DocumentSlots.h"
#include "gui/view/StripArt.h"
#include "gui/view/ViewCursors.h"
#include "gui/view/ViewServices.h"

using namespace vorla;
using namespace vorla::guitest;

namespace {

class FakeServices : public ViewServices {
public:
    FakeServices() : state(home.path().toStdString() + "/", ui, 1200) {}

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
    RecordingUi ui;
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

}  // namespace

class tst_ViewServices : public QObject {
    Q_OBJECT

private slots:
    void viewRunsACommandWithoutAMainWindow();
};

void tst_ViewServices::viewRunsACommandWithoutAMainWindow() {
    FakeServices services;
    QTemporaryDir files;
    auto* view = new CAnvoView(services);
    QVERIFY(view->LoadDocument(WriteSolidGif(files.filePath(QStringLiteral("a.gif")), 3)));
    view->RunPendingLoad();
    FrameTable& table = view->Table();
    QCOMPARE(table.frameCount, 3);

    // Frame 3 (palette index 2) copied into the fake's clipboard, pasted before frame 1.
    table.entries[2].selected = 1;
    view->CopySelection();
    QCOMPARE(services.clipboard.Count(), 1);
    table.entries[2].selected = 0;
    table.gapAfterLastSelected = false;
    table.entries[0].gapSelected = 1;
    const int refreshesBefore = services.commandRefreshes;
    view->PasteRouted();
    QCOMPARE(table.frameCount, 4);
    QCOMPARE(int(table.frameImages[0].Index(0, 0)), 2);
    QVERIFY(services.commandRefreshes > refreshesBefore);
    QVERIFY(view->Document().modified);

    view->Undo();
    QCOMPARE(table.frameCount, 3);
    QCOMPARE(int(table.frameImages[0].Index(0, 0)), 0);
    QVERIFY(services.ui.unexpected.empty());

    delete view;
    QCOMPARE(services.forgotten.size(), 1);
    QCOMPARE(services.documentSlots.FirstFreeSlot(), 0);
}

QTEST_MAIN(tst_ViewServices)
#include "tst_viewservices.moc"
