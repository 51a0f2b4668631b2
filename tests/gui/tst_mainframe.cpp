// The main window with real documents: the five-window limit and its messages, dropped files,
// placement, the panes' check marks, loading GIFs and still images, collect-and-open.
#include <QAction>
#include <QDockWidget>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <QProcess>
#include "gui/play/CAnimationBar.h"

#include "GuiFixture.h"
#include "core/model/Settings.h"
#include "gui/commands/Commands.h"

using namespace vorla;
using namespace vorla::guitest;

class tst_MainFrame : public QObject {
    Q_OBJECT

private slots:
    void fiveWindowsAtMostWithThreeMessages();
    void droppingFourFilesOnThreeWindowsAsksAboutTwo();
    void placementFallsBackToTheDefault();
    void paneCheckMarksFollowThePanes();
    void gifWithMoreThanThreeHundredImagesLoadsThreeHundredFrames();
    void filesOpenedTogetherStartAsOneOpenedAlone();
    void gifWithoutControlBlocksLoadsEveryImage();
    void progressDialogOnlyAboveThreeHundredThousandBytes();
    void damagedGifClosesItsWindow();
    void stillImageOpensAsOneFrame();
    void foldersAndMissingFiles();
    void collectAndOpenTakesFilesInAlphabeticalOrder();
    void everyFormatOfTheOpenFilterOpens();
};

void tst_MainFrame::fiveWindowsAtMostWithThreeMessages() {
    MainFrameFixture f;
    const QString gif = f.MakeGif(QStringLiteral("a.gif"), 2);
    QStringList six;
    for (int i = 0; i < 6; ++i) six << gif;
    f.frame.OpenFiles(six);
    QCOMPARE(f.frame.OpenDocumentCount(), 5);
    QCOMPARE(f.ui.Texts().last(), QStringLiteral("창은 5개까지만 열 수 있습니다."));
    QCOMPARE(f.frame.Slots().UsedSlots(), 5);

    f.frame.OpenDroppedFiles({gif});
    QCOMPARE(f.ui.Texts().last(), QStringLiteral("더 이상의 창을 열 수 없습니다."));
    f.frame.OnCollectOpen();
    QCOMPARE(f.ui.Texts().last(), QStringLiteral("하나 이상의 창을 닫은 후에 재시도하세요."));
    f.frame.OnFileOpen();
    QCOMPARE(f.ui.Texts().last(), QStringLiteral("하나 이상의 창을 닫은 후에 재시도하세요."));
    QCOMPARE(f.frame.OpenDocumentCount(), 5);

    // Closing a window frees its slot for the next document.
    f.frame.MdiArea()->subWindowList().first()->close();
    QTRY_COMPARE(f.frame.OpenDocumentCount(), 4);
    QCOMPARE(f.frame.Slots().UsedSlots(), 4);
    QVERIFY(f.Open(gif));
}

void tst_MainFrame::droppingFourFilesOnThreeWindowsAsksAboutTwo() {
    MainFrameFixture f;
    QStringList names;
    for (int i = 0; i < 4; ++i) names << f.MakeGif(QStringLiteral("d%1.gif").arg(i), 1 + i);
    for (int i = 0; i < 3; ++i) QVERIFY(f.frame.OpenDocumentFile(names[0]));
    f.ui.answers.push_back({true, 0});
    f.frame.OpenDroppedFiles(names);
    QCOMPARE(f.ui.asked.back().title, std::string("파일 로드"));
    QCOMPARE(f.ui.asked.back().message,
             std::string("2개의 파일이 제외되어 로드될 것입니다. 계속하시겠습니까? "));
    QCOMPARE(f.frame.OpenDocumentCount(), 5);
    // The first two dropped files were opened, in drop order.
    const QList<CAnvoView*> views = f.frame.Views();
    QStringList opened;
    for (CAnvoView* view : views) opened << QString::fromStdString(view->Document().sourcePath);
    QCOMPARE(opened.count(names[0]), 4);
    QCOMPARE(opened.count(names[1]), 1);

    // Answering No opens nothing.
    MainFrameFixture g;
    for (int i = 0; i < 4; ++i) QVERIFY(g.frame.OpenDocumentFile(names[0]));
    g.ui.answers.push_back({false, 0});
    g.frame.OpenDroppedFiles(names);
    QCOMPARE(g.frame.OpenDocumentCount(), 4);
}

void tst_MainFrame::placementFallsBackToTheDefault() {
    const QSize max(1280, 800);
    QCOMPARE(CMainFrame::ChoosePlacement(QRect(-11, 40, 600, 400), max), QRect(35, 35, 1210, 680));
    QCOMPARE(CMainFrame::ChoosePlacement(QRect(-10, -10, 1300, 820), max),
             QRect(-10, -10, 1300, 820));
    QCOMPARE(CMainFrame::ChoosePlacement(QRect(100, 100, 1200, 400), max),
             QRect(35, 35, 1210, 680));
    QCOMPARE(CMainFrame::ChoosePlacement(QRect(0, 0, 0, 0), max), QRect(35, 35, 1210, 680));

    // The saved rectangle is read from "usanre.ini" and written back when the window closes.
    MainFrameFixture f;
    f.frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
    f.frame.setGeometry(50, 60, 700, 500);
    QVERIFY(f.frame.close());
    const std::string ini = f.state.WindowIni();
    QCOMPARE(ReadIntSetting(f.ui, ini, "windowx"), 50);
    QCOMPARE(ReadIntSetting(f.ui, ini, "windowcy"), 500);
}

void tst_MainFrame::paneCheckMarksFollowThePanes() {
    MainFrameFixture f;
    f.frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
    QTRY_VERIFY(f.frame.AnimationPane()->isVisible());
    QDockWidget* animation = f.frame.AnimationPane();
    QDockWidget* tools = f.frame.ToolPane();
    QVERIFY(animation->isFloating() && tools->isFloating());
    QCOMPARE(animation->windowTitle(), QStringLiteral("애니메이션 창"));
    QCOMPARE(tools->windowTitle(), QStringLiteral("도구 창"));
    QCOMPARE(tools->size(), QSize(148, 220));
    QAction* animationAction = f.frame.Action(CommandId::ToggleAnimationPane);
    QAction* toolAction = f.frame.Action(CommandId::ToggleToolPane);
    QVERIFY(animationAction->isChecked());
    animationAction->trigger();
    QVERIFY(!animation->isVisible());
    QVERIFY(!animationAction->isChecked());
    animationAction->trigger();
    QTRY_VERIFY(animation->isVisible());
    QVERIFY(animationAction->isChecked());
    // The pane's own close button.
    QVERIFY(toolAction->isChecked());
    tools->close();
    QTRY_VERIFY(!toolAction->isChecked());
}

void tst_MainFrame::gifWithMoreThanThreeHundredImagesLoadsThreeHundredFrames() {
    MainFrameFixture f;
    CAnvoView* view = f.Open(f.MakeGif(QStringLiteral("many.gif"), 320, 4, 3));
    QVERIFY(view);
    QCOMPARE(view->Table().frameCount, 300);
    QCOMPARE(view->Table().entries[299].delay, 10);
    QVERIFY(!view->Table().busy);
    QVERIFY(!view->Document().modified);
}

void tst_MainFrame::gifWithoutControlBlocksLoadsEveryImage() {
    MainFrameFixture f;
    test::GifBuilder gif("87a");
    gif.Screen(8, 8, {{0, 0, 0}, {255, 255, 255}});
    for (int k = 0; k < 3; ++k)
        gif.Image(0, 0, 8, 8, test::Bytes(64, static_cast<std::uint8_t>(k % 2)), false, {}, 2);
    // One control block too many, at the end: the images are still all there.
    gif.Control(1, 5).Trailer();
    CAnvoView* view = f.Open(f.Write(QStringLiteral("old.gif"), gif.Get()));
    QVERIFY(view);
    QCOMPARE(view->Table().frameCount, 3);
    QCOMPARE(view->Table().entries[0].delay, 50);  // no control block: the default delay
}

void tst_MainFrame::progressDialogOnlyAboveThreeHundredThousandBytes() {
    for (int size : {300000, 300001}) {
        MainFrameFixture f;
        test::GifBuilder gif;
        gif.Screen(8, 8, {{0, 0, 0}, {255, 255, 255}});
        for (int k = 0; k < 4; ++k) {
            gif.Control(1, 10);
            gif.Image(0, 0, 8, 8, test::Bytes(64, static_cast<std::uint8_t>(k % 2)), false, {}, 2);
        }
        // Pad with a comment to the exact size: header of 3, sub-blocks of 255 + 1, terminator.
        test::Bytes bytes = gif.Get();
        const int room =
            size - static_cast<int>(bytes.size()) - 1 /* trailer */ - 3 /* 21 FE ... 00 */;
        bytes.push_back(0x21);
        bytes.push_back(0xFE);
        int left = room;
        while (left > 0) {
            int block = std::min(255, left - 1);
            if (block <= 0) break;
            bytes.push_back(static_cast<std::uint8_t>(block));
            bytes.insert(bytes.end(), static_cast<std::size_t>(block), 'x');
            left -= block + 1;
        }
        bytes.push_back(0);
        bytes.push_back(';');
        // A last block of one length byte cannot be split; top up the comment with the difference.
        while (static_cast<int>(bytes.size()) < size) bytes.insert(bytes.end() - 2, {1, 'y'});
        QCOMPARE(static_cast<int>(bytes.size()), size);
        const QString path = f.Write(QStringLiteral("big.gif"), bytes);

        bool sawProgress = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (qobject_cast<WorkProgressDialog*>(w) && w->isVisible()) sawProgress = true;
            }
        });
        watch.start(0);
        CAnvoView* view = f.Open(path);
        watch.stop();
        QVERIFY(view);
        QCOMPARE(view->Table().frameCount, 4);
        QCOMPARE(sawProgress, size > 300000);
    }
}

void tst_MainFrame::filesOpenedTogetherStartAsOneOpenedAlone() {
    MainFrameFixture f;
    f.state.zoomPercent = 5;  // a first start: the absent "lookratio" reads as 5
    // Both windows exist before either file is read, as with two files on the command line.
    CAnvoView* a = f.frame.OpenDocumentFile(f.MakeGif(QStringLiteral("a.gif"), 2, 120, 80));
    CAnvoView* b = f.frame.OpenDocumentFile(f.MakeGif(QStringLiteral("b.gif"), 2, 120, 80));
    QVERIFY(a && b);
    a->RunPendingLoad();
    b->RunPendingLoad();
    QCOMPARE(f.state.zoomPercent, 100);
    QCOMPARE(ReadIntSetting(f.ui, f.state.GeneralIni(), "lookratio"), 100);
}

void tst_MainFrame::damagedGifClosesItsWindow() {
    MainFrameFixture f;
    test::GifBuilder broken;
    broken.Screen(8, 8, {{0, 0, 0}, {255, 255, 255}});
    broken.Control(1, 10).Image(0, 0, 8, 8, test::Bytes(64, 1), false, {}, 2);
    broken.Control(1, 10).Descriptor(0, 0, 8, 8).Raw({12, 0});  // code size 12: not decodable
    test::GifBuilder pastTable;  // a 2 x 2 image whose first code, 7, lies past the table
    pastTable.Screen(2, 2, {{0, 0, 0}, {255, 255, 255}}).Descriptor(0, 0, 2, 2);
    pastTable.Codes(2, {7, 1, 5}).Trailer();
    for (const auto& [name, bytes] : {std::pair{QStringLiteral("broken.gif"), broken.Get()},
                                      std::pair{QStringLiteral("past.gif"), pastTable.Get()}}) {
        const QString path = f.Write(name, bytes);
        CAnvoView* view = f.frame.OpenDocumentFile(path);
        QVERIFY(view);
        view->RunPendingLoad();
        QCOMPARE(f.ui.asked.back().title, name.toStdString());
        QCOMPARE(f.ui.asked.back().message, std::string("손상된 GIF파일입니다."));
        QTRY_COMPARE(f.frame.OpenDocumentCount(), 0);
        QCOMPARE(f.frame.Slots().UsedSlots(), 0);
    }
}

void tst_MainFrame::stillImageOpensAsOneFrame() {
    MainFrameFixture f;
    const QString bmp = f.File(QStringLiteral("still.bmp"));
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(QColor(10, 200, 30));
    QVERIFY(image.save(bmp, "BMP"));
    CAnvoView* view = f.Open(bmp);
    QVERIFY(view);
    const FrameTable& table = view->Table();
    QCOMPARE(table.frameCount, 1);
    QCOMPARE(table.entries[0].delay, 50);
    QCOMPARE(table.entries[0].transparent, 0);
    QCOMPARE(table.entries[0].Disposal(), 1);
    QCOMPARE(table.settings.screenWidth, 30);
    QCOMPARE(table.PaletteColor(0, table.frameImages[0].Index(5, 5)), MakeRgb(10, 200, 30));
    QVERIFY(view->Document().imported);
}

void tst_MainFrame::foldersAndMissingFiles() {
    MainFrameFixture f;
    QVERIFY(!f.frame.OpenDocumentFile(f.files.path()));
    QVERIFY2(f.ui.asked.empty(), "a folder fails without a message");
    QVERIFY(!f.frame.OpenDocumentFile(f.File(QStringLiteral("없음.gif"))));
    QCOMPARE(f.ui.Texts().last(), QStringLiteral("없음.gif를 찾을 수 없습니다."));
    QCOMPARE(f.frame.OpenDocumentCount(), 0);
    QCOMPARE(f.frame.Slots().UsedSlots(), 0);
}

void tst_MainFrame::collectAndOpenTakesFilesInAlphabeticalOrder() {
    MainFrameFixture f;
    QStringList paths;
    // Widths tell the frames apart: c 30, a 10, b 20.
    for (auto [name, width] : {std::pair{"c.png", 30}, {"a.png", 10}, {"b.png", 20}}) {
        QImage image(width, 8, QImage::Format_RGB32);
        image.fill(Qt::white);
        QVERIFY(image.save(f.File(QString::fromLatin1(name))));
        paths << f.File(QString::fromLatin1(name));
    }
    f.frame.CollectAndOpen(paths);
    QCOMPARE(f.frame.OpenDocumentCount(), 1);
    const FrameTable& table = f.frame.Views().first()->Table();
    QCOMPARE(table.frameCount, 3);
    QCOMPARE(table.entries[0].width, 10);
    QCOMPARE(table.entries[1].width, 20);
    QCOMPARE(table.entries[2].width, 30);
    QCOMPARE(table.settings.screenWidth, 30);
    QVERIFY(f.frame.Views().first()->Document().IsUntitled());

    // "새 그림" clicked while a collect is still loading (its pumps run every event) used to
    // destroy the file list the load was reading: now it opens a blank picture beside it.
    QAction* newPicture = f.frame.Action(CommandId::FileNew);
    QVERIFY(newPicture);
    int pumps = 0;
    f.ui.onPump = [&] {
        if (pumps++ == 0) newPicture->trigger();
    };
    f.frame.CollectAndOpen(paths);
    f.ui.onPump = nullptr;
    QVERIFY(pumps > 0);
    QCOMPARE(f.frame.OpenDocumentCount(), 3);
    QMultiMap<int, int> widthsByFrames;  // frame count -> width of frame 0
    for (CAnvoView* view : f.frame.Views())
        widthsByFrames.insert(view->Table().frameCount, view->Table().entries[0].width);
    QCOMPARE(widthsByFrames.values(3), QList<int>({10, 10}));  // both collects whole
    QCOMPARE(widthsByFrames.count(1), 1);                      // and the blank picture
}

void tst_MainFrame::everyFormatOfTheOpenFilterOpens() {
    MainFrameFixture f;
    if (QProcess::execute(QStringLiteral("convert"), {QStringLiteral("-version")}) != 0) {
        QSKIP("ImageMagick's convert is not installed");
    }
    const QStringList formats = {"gif", "bmp", "cur", "ico", "jpg",
                                 "pcx", "png", "psd", "tga", "tif"};
    for (const QString& format : formats) {
        const QString path = f.File(QStringLiteral("pic.") + format);
        QCOMPARE(QProcess::execute(QStringLiteral("convert"),
                                   {QStringLiteral("-size"), QStringLiteral("24x16"),
                                    QStringLiteral("gradient:red-blue"), path}),
                 0);
        CAnvoView* view = f.Open(path);
        QVERIFY2(view, qPrintable(path));
        QCOMPARE(view->Table().frameCount, 1);
        QCOMPARE(view->Table().settings.screenWidth, 24);
        view->parentWidget()->close();
        QTRY_COMPARE(f.frame.OpenDocumentCount(), 0);
    }
    if (QProcess::execute(QStringLiteral("ffmpeg"), {QStringLiteral("-version")}) == 0) {
        const QString avi = f.File(QStringLiteral("clip.avi"));
        QCOMPARE(QProcess::execute(QStringLiteral("ffmpeg"),
                                   {"-loglevel", "quiet", "-f", "lavfi", "-i",
                                    "testsrc=size=32x24:rate=5", "-frames:v", "3", avi}),
                 0);
        CAnvoView* view = f.Open(avi);
        QVERIFY(view);
        QCOMPARE(view->Table().settings.screenWidth, 32);
    }
    QVERIFY(f.ui.asked.empty());
}

QTEST_MAIN(tst_MainFrame)
#include "tst_mainframe.moc"
