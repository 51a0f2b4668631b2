// The system clipboard shared with another X11 program (xclip), on a real X server: an image put
// there by xclip pastes as a frame, and a frame copied by the editor reads back through xclip with
// the same pixels. Runs on a private Xvfb (with_xvfb.sh) on the xcb platform.
#include <QClipboard>
#include <QProcess>
#include <QStandardPaths>

#include "GuiFixture.h"
#include "gui/commands/Commands.h"

using namespace vorla;
using namespace vorla::guitest;

class tst_XClip : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
            QSKIP("xclip is not installed");
        if (QGuiApplication::platformName() != QStringLiteral("xcb"))
            QSKIP("needs an X server (run under x11/with_xvfb.sh)");
    }
    void imageFromXclipPastesAsAFrame();
    void frameCopiedByTheEditorReadsBackThroughXclip();
};

void tst_XClip::imageFromXclipPastesAsAFrame() {
    MainFrameFixture f;
    CAnvoView* view = f.Open(f.MakeGif(QStringLiteral("a.gif"), 2, 6, 4));
    QVERIFY(view);
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(QColor(30, 60, 90));
    image.setPixelColor(5, 3, QColor(200, 100, 0));
    const QString png = f.File(QStringLiteral("in.png"));
    QVERIFY(image.save(png));
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", "image/png", "-i", png});
    QVERIFY(xclip.waitForFinished(5000));  // xclip forks a server that owns the selection
    QTRY_VERIFY_WITH_TIMEOUT(QApplication::clipboard()->mimeData()->hasImage(), 5000);
    view->Table().gapAfterLastSelected = true;
    f.frame.Dispatch(CommandId::EditPasteFromClipboard);
    const FrameTable& table = view->Table();
    QCOMPARE(table.frameCount, 3);
    QCOMPARE(table.PaletteColor(2, table.frameImages[2].Index(0, 0)), MakeRgb(30, 60, 90));
    QCOMPARE(table.PaletteColor(2, table.frameImages[2].Index(5, 3)), MakeRgb(200, 100, 0));
}

void tst_XClip::frameCopiedByTheEditorReadsBackThroughXclip() {
    MainFrameFixture f;
    CAnvoView* view = f.Open(f.MakeGif(QStringLiteral("b.gif"), 3, 7, 5));
    QVERIFY(view);
    view->Table().entries[1].selected = 1;
    f.frame.Dispatch(CommandId::EditCopyToClipboard);
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", "image/png", "-o"});
    // The editor serves the selection from its event loop while xclip reads it.
    QTRY_COMPARE_WITH_TIMEOUT(xclip.state(), QProcess::NotRunning, 10000);
    QCOMPARE(xclip.exitCode(), 0);
    QImage read;
    QVERIFY(read.loadFromData(xclip.readAllStandardOutput(), "PNG"));
    QCOMPARE(read.size(), QSize(7, 5));
    const CDib& frame = view->Table().frameImages[1];
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            const Colorref c = frame.PaletteColor(frame.Index(x, y));
            QCOMPARE(read.pixelColor(x, y), QColor(RedOf(c), GreenOf(c), BlueOf(c)));
        }
    }
}

QTEST_MAIN(tst_XClip)
#include "tst_xclip.moc"
