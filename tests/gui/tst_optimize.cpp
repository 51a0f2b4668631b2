// "최적화하여 저장" in the running window, chosen from the File menu with the mouse: the plain
// optimised save writes a smaller file showing the same frames; with a limit below the
// optimised size the four ways are offered with their sizes (the lossy level first), and the
// chosen one writes a file under the limit. The dialogs are answered by a timer as a user would,
// while they run.
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "GuiFixture.h"
#include "core/edit/OptimizedSave.h"
#include "gui/commands/Commands.h"
#include "gui/dialogs/OptimizedSaveDialog.h"
#include "support/TestGifs.h"

using namespace vorla;
using namespace vorla::guitest;

namespace {

test::Bytes ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    return test::Bytes(bytes.begin(), bytes.end());
}

// A square moving over a still picture: only the square's way changes. repeats: frames at the
// end that show the last screen again.
test::Bytes MovingGif(int repeats = 0) {
    test::GifBuilder gif;
    std::vector<test::Rgb> colors;
    for (int i = 0; i < 64; ++i) {
        colors.push_back({static_cast<std::uint8_t>(i * 4), static_cast<std::uint8_t>(255 - i * 4),
                          static_cast<std::uint8_t>(i * 9)});
    }
    gif.Screen(80, 60, colors).Loop(0);
    for (int frame = 0; frame < 8 + repeats; ++frame) {
        const int k = std::min(frame, 7);
        test::Bytes pixels(80 * 60);
        for (int y = 0; y < 60; ++y) {
            for (int x = 0; x < 80; ++x) {
                const bool square = x >= 4 + 8 * k && x < 14 + 8 * k && y >= 20 && y < 30;
                pixels[y * 80 + x] = static_cast<std::uint8_t>(square ? 63 : (x * 3 + y * 5) % 60);
            }
        }
        gif.Control(1, 6).Image(0, 0, 80, 60, pixels);
    }
    return gif.Trailer().Get();
}

// Clicks the File menu's item with the mouse.
void ClickFileMenuItem(CMainFrame& frame, const QString& text) {
    QMenuBar* bar = frame.menuBar();
    QAction* file = bar->actions().value(0);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file).center());
    QMenu* menu = nullptr;
    QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
    for (QAction* action : menu->actions()) {
        if (action->text() == text) {
            QVERIFY2(action->isEnabled(), qPrintable(text));
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            return;
        }
    }
    QFAIL(qPrintable("no menu item " + text));
}

// Answers the optimising save's dialogs as they open.
struct DialogAnswers {
    bool limitOn = false;
    int limitKb = 0;
    bool mergeRepeats = true;
    int chooseWay = -1;   // the way to click in the choice dialog; -1: the first fitting
    QStringList offered;  // the choice dialog's lines, as shown
    bool settingsSeen = false;
    bool choiceSeen = false;
    QTimer timer;

    DialogAnswers() {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this] { Answer(); });
        timer.start();
    }

    void Answer() {
        auto* dialog = qobject_cast<OptimizedSaveDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) return;
        if (dialog->objectName() == QStringLiteral("optimizedSaveSettings")) {
            settingsSeen = true;
            auto* limit = dialog->findChild<QCheckBox*>(QStringLiteral("limit"));
            if (limit->isChecked() != limitOn) QTest::mouseClick(limit, Qt::LeftButton);
            auto* kb = dialog->findChild<QSpinBox*>(QStringLiteral("kilobytes"));
            if (limitOn) kb->setValue(limitKb);
            auto* merge = dialog->findChild<QCheckBox*>(QStringLiteral("mergeRepeats"));
            if (merge->isChecked() != mergeRepeats) QTest::mouseClick(merge, Qt::LeftButton);
        } else {
            choiceSeen = true;
            offered.clear();
            for (QRadioButton* b : dialog->findChildren<QRadioButton*>()) offered << b->text();
            if (chooseWay >= 0) {
                auto* way =
                    dialog->findChild<QRadioButton*>(QStringLiteral("way%1").arg(chooseWay));
                QTest::mouseClick(way, Qt::LeftButton);
            }
        }
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
    }
};

}  // namespace

class tst_Optimize : public QObject {
    Q_OBJECT

private slots:
    void menuSavesTheSameFramesSmaller();
    void limitOffersTheWaysAndTheChosenOneFits();
    void stripKnowsEachFramesBytesAndFollowsEdits();
};

void tst_Optimize::menuSavesTheSameFramesSmaller() {
    MainFrameFixture f;
    f.frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
    const test::Bytes moving = MovingGif(1);  // the last frame repeated
    const QString original = f.Write(QStringLiteral("moving.gif"), moving);
    CAnvoView* view = f.Open(original);
    QVERIFY(view);
    const QString target = f.File(QStringLiteral("moving.small.gif"));
    f.frame.savePathAnswer = [&](const QString&) { return target; };

    DialogAnswers answers;
    ClickFileMenuItem(f.frame, QStringLiteral("최적화하여 저장..."));
    QTRY_VERIFY(!f.ui.notices.empty());
    QCOMPARE(f.ui.notices.back(), std::string("저장되었습니다."));
    QVERIFY(answers.settingsSeen);
    QVERIFY2(!answers.choiceSeen, "no limit, no choice");
    QVERIFY2(f.ui.Texts().isEmpty(), qPrintable(f.ui.Texts().join('\n')));

    const test::Bytes written = ReadFile(target);
    QVERIFY(!written.empty());
    QVERIFY2(written.size() * 3 < ReadFile(original).size(),
             qPrintable(QString::number(written.size())));
    QCOMPARE(VerifyOptimizedGif(test::DecodedGif(moving).source, written), std::string());
    QCOMPARE(test::DecodedGif(written).source.frames.size(), 8u);  // the repeat joined
    QVERIFY2(!view->Document().modified && view->Table().frameCount == 9,
             "the document on screen does not change");

    // With the check box cleared it stays an image of its own.
    answers.timer.stop();
    f.ui.notices.clear();
    DialogAnswers keep;
    keep.mergeRepeats = false;
    ClickFileMenuItem(f.frame, QStringLiteral("최적화하여 저장..."));
    QTRY_VERIFY(!f.ui.notices.empty());
    QCOMPARE(test::DecodedGif(ReadFile(target)).source.frames.size(), 9u);
}

void tst_Optimize::limitOffersTheWaysAndTheChosenOneFits() {
    MainFrameFixture f;
    f.frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
    CAnvoView* view = f.Open(f.Write(QStringLiteral("noise.gif"), test::NoisyGif()));
    QVERIFY(view);
    const optimized::Report plain = optimized::Measure(optimized::SourceOf(view->Table()));
    QVERIFY(plain.bytes > 20000);
    const int limitKb = static_cast<int>(plain.bytes / 1024 * 2 / 3);

    // The lossy way may or may not reach the limit on noise; the others do.
    for (int way = 1; way < 4; ++way) {
        const QString target = f.File(QStringLiteral("fit%1.gif").arg(way));
        f.frame.savePathAnswer = [&](const QString&) { return target; };
        f.ui.notices.clear();
        DialogAnswers answers;
        answers.limitOn = true;
        answers.limitKb = limitKb;
        answers.chooseWay = way;
        ClickFileMenuItem(f.frame, QStringLiteral("최적화하여 저장..."));
        QTRY_VERIFY2_WITH_TIMEOUT(!f.ui.notices.empty() || !f.ui.asked.empty(),
                                  qPrintable(answers.offered.join('|')), 60000);
        QVERIFY2(f.ui.asked.empty(), qPrintable(f.ui.Texts().join('\n')));
        QVERIFY(answers.choiceSeen);
        QCOMPARE(answers.offered.size(), 5);
        const QStringList starts = {QStringLiteral("손실 압축 ("), QStringLiteral("색 수 줄이기 ("),
                                    QStringLiteral("프레임 솎아내기 ("),
                                    QStringLiteral("크기 줄이기 (")};
        QVERIFY2(answers.offered[0].startsWith(starts[0]), qPrintable(answers.offered[0]));
        for (int i = 1; i < 4; ++i) {
            QVERIFY2(answers.offered[i].startsWith(starts[i]), qPrintable(answers.offered[i]));
            QVERIFY2(answers.offered[i].contains(QStringLiteral(" KB")),
                     qPrintable(answers.offered[i]));
            QVERIFY2(!answers.offered[i].contains(QStringLiteral("제한 초과")),
                     qPrintable(answers.offered[i]));
        }
        const qint64 size = QFileInfo(target).size();
        QVERIFY2(size > 0 && size <= qint64{limitKb} * 1024,
                 qPrintable(QStringLiteral("way %1 wrote %2 bytes, limit %3 KB")
                                .arg(way)
                                .arg(size)
                                .arg(limitKb)));
        // The size the dialog showed is the size written.
        QVERIFY2(answers.offered[way].endsWith(QString::number((size + 1023) / 1024) +
                                               QStringLiteral(" KB")),
                 qPrintable(answers.offered[way]));
    }
    QCOMPARE(view->Table().frameCount, 6);
}

void tst_Optimize::stripKnowsEachFramesBytesAndFollowsEdits() {
    MainFrameFixture f;
    f.frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
    CAnvoView* view = f.Open(f.Write(QStringLiteral("moving.gif"), MovingGif()));
    QVERIFY(view);
    QVERIFY2(!view->ByteCosts().Known(), "nothing is measured while the strip first paints");
    QTRY_VERIFY(view->ByteCosts().Known());
    auto expected = [&] {
        return optimized::Measure(optimized::SourceOf(view->Table())).frameBytes;
    };
    // Estimates at first: a moved square costs far less than the first picture.
    QVERIFY(view->ByteCosts().Estimated());
    QVERIFY2(view->ByteCosts().Cost(1) * 4 < view->ByteCosts().Cost(0),
             qPrintable(QStringLiteral("%1 and %2")
                            .arg(view->ByteCosts().Cost(0))
                            .arg(view->ByteCosts().Cost(1))));
    // An optimising measure (파일 용량) puts its exact figures in their place.
    f.frame.Dispatch(CommandId::ShowSavedSize);
    std::vector<std::size_t> want = expected();
    QCOMPARE(static_cast<int>(want.size()), 8);
    QVERIFY(!view->ByteCosts().Estimated());
    for (int k = 0; k < 8; ++k) QCOMPARE(view->ByteCosts().Cost(k), std::int64_t(want[k]));

    // Delete frame 1 with the key: the figures follow after a pause, frame 2 now comes after 0.
    view->Table().entries[1].selected = 1;
    f.frame.UpdateCommandStates();
    f.ui.answers.push_back({true, 0});
    QApplication::setActiveWindow(&f.frame);  // the progress window of the measure took it
    view->setFocus();
    QTest::keyClick(&f.frame, Qt::Key_Delete);
    QCOMPARE(view->Table().frameCount, 7);
    QTRY_VERIFY(view->ByteCosts().Known() && view->ByteCosts().Cost(7) < 0 &&
                view->ByteCosts().Cost(1) >= 0);
    QVERIFY(view->ByteCosts().Estimated());
    QCOMPARE(view->ByteCosts().Cost(0), std::int64_t(want[0]));  // frame 0 did not change
}

QTEST_MAIN(tst_Optimize)
#include "tst_optimize.moc"
