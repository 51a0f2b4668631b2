// The frame clipboard between two windows and the real system clipboard (in-process).
#include <QClipboard>

#include "GuiFixture.h"
#include "gui/commands/Commands.h"
#include "gui/view/DibImage.h"

using namespace vorla;
using namespace vorla::guitest;

class tst_Clipboard : public QObject {
    Q_OBJECT

private slots:
    void copiedFramesPasteIntoAnotherWindowAfterItCloses();
    void systemClipboardImagePastesAsAFrame();
    void frameCopiedToTheSystemClipboardKeepsItsPixels();
    void pasteFromFileRepeatsUntilCancel();
};

void tst_Clipboard::copiedFramesPasteIntoAnotherWindowAfterItCloses() {
    MainFrameFixture f;
    CAnvoView* source = f.Open(f.MakeGif(QStringLiteral("src.gif"), 4, 10, 6, 33));
    CAnvoView* target = f.Open(f.MakeGif(QStringLiteral("dst.gif"), 2, 10, 6, 7));
    QVERIFY(source && target);
    source->Table().entries[1].selected = 1;
    source->Table().entries[3].selected = 1;
    source->CopySelection();
    QCOMPARE(f.frame.Clipboard().Count(), 2);
    source->parentWidget()->close();
    QTRY_COMPARE(f.frame.OpenDocumentCount(), 1);

    target->Table().gapAfterLastSelected = false;
    target->Table().entries[1].gapSelected = 1;  // between the two frames
    target->PasteRouted();
    const FrameTable& table = target->Table();
    QCOMPARE(table.frameCount, 4);
    QCOMPARE(table.entries[0].delay, 7);
    QCOMPARE(table.entries[1].delay, 33);
    QCOMPARE(table.entries[2].delay, 33);
    QCOMPARE(table.entries[3].delay, 7);
    // Frames 2 and 4 of the source (indices 1 and 3) fill with palette index 1 and 3.
    QCOMPARE(int(table.frameImages[1].Index(0, 0)), 1);
    QCOMPARE(int(table.frameImages[2].Index(0, 0)), 3);
}

void tst_Clipboard::systemClipboardImagePastesAsAFrame() {
    MainFrameFixture f;
    CAnvoView* view = f.Open(f.MakeGif(QStringLiteral("a.gif"), 2, 8, 8));
    QVERIFY(view);
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(QColor(12, 34, 56));
    image.setPixelColor(3, 4, QColor(250, 10, 10));
    QApplication::clipboard()->setImage(image);
    view->Table().gapAfterLastSelected = true;
    f.frame.Dispatch(CommandId::EditPasteFromClipboard);
    const FrameTable& table = view->Table();
    QCOMPARE(table.frameCount, 3);
    QCOMPARE(table.PaletteColor(2, table.frameImages[2].Index(0, 0)), MakeRgb(12, 34, 56));
    QCOMPARE(table.PaletteColor(2, table.frameImages[2].Index(3, 4)), MakeRgb(250, 10, 10));
    QCOMPARE(table.entries[2].delay, 50);
    QVERIFY(table.gapAfterLastSelected);
}

void tst_Clipboard::frameCopiedToTheSystemClipboardKeepsItsPixels() {
    MainFrameFixture f;
    CAnvoView* view = f.Open(f.MakeGif(QStringLiteral("b.gif"), 3, 9, 5));
    QVERIFY(view);
    view->Table().entries[2].selected = 1;
    f.frame.Dispatch(CommandId::EditCopyToClipboard);
    QCOMPARE(f.ui.notices.back(), std::string("3번 프레임을 클립보드에 저장했습니다."));
    const QImage copied = QApplication::clipboard()->image();
    QCOMPARE(copied.size(), QSize(9, 5));
    // Image 3 is palette index 2: green.
    QCOMPARE(copied.pixelColor(4, 2), QColor(0, 255, 0));
}

void tst_Clipboard::pasteFromFileRepeatsUntilCancel() {
    MainFrameFixture f;
    CAnvoView* view = f.Open(f.MakeGif(QStringLiteral("c.gif"), 2, 8, 8));
    QVERIFY(view);
    QStringList files;
    for (int i = 0; i < 3; ++i) {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(QColor(40 * i, 100, 200));
        const QString path = f.File(QStringLiteral("p%1.png").arg(i));
        QVERIFY(image.save(path));
        files << path;
    }
    QStringList titles;
    f.frame.imagePathAnswer = [&](const QString& title) {
        titles << title;
        return files.isEmpty() ? QString() : files.takeFirst();
    };
    view->Table().entries[1].gapSelected = 1;
    f.frame.Dispatch(CommandId::EditPasteFromFile);
    QCOMPARE(titles.size(), 4);
    QCOMPARE(titles[0],
             QStringLiteral(
                 "두 프레임 사이에 붙여넣을 이미지를 선택하세요. 중단하려면 [취소]를 누르세요."));
    const FrameTable& table = view->Table();
    QCOMPARE(table.frameCount, 5);
    // Each image after the previous one, between the two original frames.
    QCOMPARE(table.PaletteColor(1, table.frameImages[1].Index(0, 0)), MakeRgb(0, 100, 200));
    QCOMPARE(table.PaletteColor(2, table.frameImages[2].Index(0, 0)), MakeRgb(40, 100, 200));
    QCOMPARE(table.PaletteColor(3, table.frameImages[3].Index(0, 0)), MakeRgb(80, 100, 200));
}

QTEST_MAIN(tst_Clipboard)
#include "tst_clipboard.moc"
