// Opening a GIF longer than a document: the real dialog answered with keys, the real reader.
#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "MenuDriving.h"
#include "core/edit/DocumentLoader.h"
#include "core/edit/FrameEditRules.h"
#include "core/model/ApplicationState.h"
#include "core/model/ByteStream.h"
#include "core/model/CAnvoDoc.h"
#include "core/model/FrameTable.h"
#include "core/port/Headless.h"
#include "gui/app/QtUserInterface.h"
#include "gui/dialogs/LongGifDialog.h"
#include "imaging/MagickImaging.h"
#include "support/GifBuilder.h"

using namespace vorla;

class tst_LongGif : public QObject {
    Q_OBJECT

private slots:
    void everyKthChosenWithKeysTakesTheWholeFile();
};

void tst_LongGif::everyKthChosenWithKeysTakesTheWholeFile() {
    // 320 one-pixel patches of 2 cs each on a 4x4 screen.
    QTemporaryDir dir;
    test::GifBuilder gif;
    gif.Screen(4, 4, {{0, 0, 0}, {255, 255, 255}}).Loop(0);
    for (int i = 0; i < 320; ++i)
        gif.Control(1, 2).Image(i % 4, (i / 4) % 4, 1, 1, {1}, false, {}, 2);
    const std::string path = dir.filePath("long.gif").toStdString();
    QVERIFY(WriteFileAtomically(path, gif.Trailer().Get()));

    QString shown;
    QTimer answer;
    guitest::WhenModal<LongGifDialog>(answer, [&](LongGifDialog& dialog) {
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        const auto key = [&](Qt::Key k) { QTest::keyClick(dialog.focusWidget(), k); };
        // 처음 300개 -> 시작 이미지부터 -> k개마다; Tab to k, which shows 2 (ceil(320 / 300)).
        key(Qt::Key_Down);
        key(Qt::Key_Down);
        key(Qt::Key_Tab);
        key(Qt::Key_5);
        shown = dialog.findChild<QLabel*>("result")->text();
        key(Qt::Key_Return);
    });
    QtUserInterface ui;
    MagickImaging imaging;
    ApplicationState app(dir.path().toStdString() + "/", ui, 0);
    DetachedHost host;
    FrameTable table(app, ui, imaging, host, {}, 0);
    CAnvoDoc document;
    DocumentLoader loader(table, document, ui);
    QVERIFY(loader.LoadDocument(path, nullptr, false));
    QCOMPARE(loader.RunDeferredGifLoad(), DocumentLoader::GifLoad::Complete);
    QCOMPARE(shown, QStringLiteral("프레임 64개로 불러옵니다."));
    QCOMPARE(table.frameCount, 64);
    QCOMPARE(edit::DelayOf(table.entries[63]), 10);  // its own and four skipped images' 2 cs
    QVERIFY(document.IsPartial());
}

QTEST_MAIN(tst_LongGif)
#include "tst_longgif.moc"
