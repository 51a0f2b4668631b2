// A document view without a main window: a fake ViewServices gives it the program, records what
// the view tells the program, and a command runs through a collaborator and back through undo.
#include "GuiFixture.h"
#include "support/FakeViewServices.h"

using namespace vorla;
using namespace vorla::guitest;

class tst_ViewServices : public QObject {
    Q_OBJECT

private slots:
    void viewRunsACommandWithoutAMainWindow();
};

void tst_ViewServices::viewRunsACommandWithoutAMainWindow() {
    RecordingUi ui;
    test::FakeViewServices services(ui);
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
    QVERIFY(ui.unexpected.empty());

    delete view;
    QCOMPARE(services.forgotten.size(), 1);
    QCOMPARE(services.documentSlots.FirstFreeSlot(), 0);
}

QTEST_MAIN(tst_ViewServices)
#include "tst_viewservices.moc"
