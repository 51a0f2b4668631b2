// Undo and saving in the running window: delete a frame, undo it, save with Ctrl+S; a read-only
// target keeps its bytes and the window keeps its frames; the size preview and the browser page.
#include <sys/stat.h>

#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>

#include "GuiFixture.h"
#include "MenuDriving.h"
#include "core/gif/GifDecoder.h"
#include "gui/commands/Commands.h"
#include "gui/app/QtUserInterface.h"
#include "gui/dialogs/ChoiceDialog.h"
#include "gui/dialogs/LongGifDialog.h"
#include "gui/dialogs/TwoChoiceDialog.h"

using namespace vorla;
using namespace vorla::guitest;

namespace {

test::Bytes ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    return test::Bytes(bytes.begin(), bytes.end());
}

int CountImages(const test::Bytes& gif) {
    int count = 0;
    GifDecoder::DecodeAllImages(gif, 1000, [&](const GifPageInfo&, CDib&&) {
        ++count;
        return true;
    });
    return count;
}

}  // namespace

class tst_Save : public QObject {
    Q_OBJECT

private slots:
    void deleteUndoAndSaveWithCtrlS();
    void readOnlyTargetKeepsItsBytes();
    void sizePreviewShowsTheSavedSize();
    void closingAChangedDocumentAsks();
    void returnOnTheQuitQuestionSavesAfterAnOverwriteAnswer();
    void cancelInAnyQuestionStopsQuitAndCloseAll();
    void longFileSaysWhatLoadedAndSaveAsksBeforeDroppingTheRest();
    void saveAsProposesTheDocumentsOwnFolder();
    void saveDialogsForNewPicturesOpenInTheUsersFolders();
    void frameSaveWritesTheFormatTheNameSays();
    void unreadablePictureShowsBothBoxesInOrder();
};

void tst_Save::deleteUndoAndSaveWithCtrlS() {
    MainFrameFixture f;
    f.frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
    const QString path = f.MakeGif(QStringLiteral("five.gif"), 5, 20, 10);
    CAnvoView* view = f.Open(path);
    QVERIFY(view);
    QVERIFY2(!f.frame.Action(CommandId::Undo)->isEnabled(), "nothing to undo right after the load");

    view->Table().entries[1].selected = 1;
    f.frame.UpdateCommandStates();
    f.ui.answers.push_back({true, 0});
    view->setFocus();
    QTest::keyClick(&f.frame, Qt::Key_Delete);
    QCOMPARE(view->Table().frameCount, 4);
    QVERIFY(f.frame.Action(CommandId::Undo)->isEnabled());
    QTest::keyClick(&f.frame, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(view->Table().frameCount, 5);
    QCOMPARE(view->Table().entries[1].delay, 10);
    QTest::keyClick(&f.frame, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.ui.notices.back(), std::string("더 이상 실행취소를 할 수 없습니다."));
    QTest::keyClick(&f.frame, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(view->Table().frameCount, 4);
    QTest::keyClick(&f.frame, Qt::Key_Z, Qt::ControlModifier);

    QTest::keyClick(&f.frame, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(f.ui.notices.back(), std::string("저장되었습니다."));
    QCOMPARE(CountImages(ReadFile(path)), 5);
    QVERIFY(!view->Document().modified);
    QCOMPARE(QString::fromStdString(view->Document().sourcePath), path);
}

void tst_Save::readOnlyTargetKeepsItsBytes() {
    MainFrameFixture f;
    const QString path = f.MakeGif(QStringLiteral("locked.gif"), 3, 12, 8);
    const test::Bytes before = ReadFile(path);
    CAnvoView* view = f.Open(path);
    QVERIFY(view);
    view->Table().entries[0].selected = 1;
    f.ui.answers.push_back({true, 0});
    view->DeleteSelection();
    QCOMPARE(view->Table().frameCount, 2);
    QCOMPARE(::chmod(path.toLocal8Bit().constData(), 0444), 0);
    int dialogs = 0;
    f.frame.savePathAnswer = [&](const QString& proposed) {
        ++dialogs;
        Q_UNUSED(proposed);
        return QString();  // the user cancels the dialog that follows the failure
    };
    f.frame.Dispatch(CommandId::FileSave);
    QCOMPARE(f.ui.Texts().last(), path + QStringLiteral("에 저장할 수 없습니다."));
    QCOMPARE(dialogs, 1);
    QCOMPARE(ReadFile(path), before);
    QCOMPARE(view->Table().frameCount, 2);
    QVERIFY(view->Document().modified);
    ::chmod(path.toLocal8Bit().constData(), 0644);
}

void tst_Save::sizePreviewShowsTheSavedSize() {
    MainFrameFixture f;
    CAnvoView* view = f.Open(f.MakeGif(QStringLiteral("size.gif"), 2, 12, 8));
    QVERIFY(view);
    f.frame.Dispatch(CommandId::ShowSavedSize);
    QCOMPARE(f.ui.asked.back().title, std::string("파일 용량"));
    QVERIFY(QString::fromStdString(f.ui.asked.back().message)
                .startsWith(QStringLiteral("저장시 파일 크기: ")));
    // The ordinary save first, then the optimised one.
    QVERIFY(QString::fromStdString(f.ui.asked.back().message)
                .contains(QStringLiteral(" bytes\n\n최적화하여 저장시 파일 크기: ")));
    QVERIFY(QString::fromStdString(f.ui.asked.back().message).endsWith(QStringLiteral(" bytes")));
}

void tst_Save::closingAChangedDocumentAsks() {
    MainFrameFixture f;
    CAnvoView* view = f.Open(f.MakeGif(QStringLiteral("keep.gif"), 3, 12, 8));
    QVERIFY(view);
    view->Table().entries[2].selected = 1;
    f.ui.answers.push_back({true, 0});
    view->DeleteSelection();
    f.ui.twoChoiceAnswers.push_back(kTwoChoiceCancel);
    QVERIFY(!view->parentWidget()->close());
    QCOMPARE(f.frame.OpenDocumentCount(), 1);
    QCOMPARE(f.ui.asked.back().message, std::string("keep.gif의 변경 내용을 저장하시겠습니까?"));
    f.ui.twoChoiceAnswers.push_back(kTwoChoiceSecond);
    QVERIFY(view->parentWidget()->close());
    QTRY_COMPARE(f.frame.OpenDocumentCount(), 0);
}

// A key as the user types it: to the widget that has the focus in the dialog.
void TypeIntoDialog(QDialog& dialog, Qt::Key key) {
    QWidget* target = dialog.focusWidget() ? dialog.focusWidget() : &dialog;
    QTest::keyClick(target, key);
}

// The offscreen platform does not give the activation back after a box closes by itself; the
// closing box's deactivation arrives late, so it is let through first.
void ActivateAfterBox(QWidget& window) {
    QTest::qWait(30);
    window.activateWindow();
    QTRY_VERIFY(window.isActiveWindow());
}

void tst_Save::returnOnTheQuitQuestionSavesAfterAnOverwriteAnswer() {
    // The program's own dialogs, answered with real keys and clicks.
    QTemporaryDir home;
    const QString path = WriteSolidGif(home.filePath(QStringLiteral("long.gif")), 303, 6, 4);
    QtUserInterface ui;
    ApplicationState state(home.path().toStdString() + "/", ui, 1200);
    MagickImaging imaging;
    CMainFrame frame(state, imaging, QStringLiteral(VORLA_PROGRAM_DIR));
    ui.SetMainWindow(&frame);
    frame.resize(1000, 700);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QTimer answer;
    // 긴 GIF 열기: Return keeps its default, the first 300 images.
    WhenModal<LongGifDialog>(answer, [](LongGifDialog& d) { TypeIntoDialog(d, Qt::Key_Return); });
    CAnvoView* view = frame.OpenDocumentFile(path);
    QVERIFY(view);
    view->RunPendingLoad();
    QCOMPARE(view->Table().frameCount, 300);

    auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        ActivateAfterBox(frame);
        view->setFocus();
        QTest::keyClick(&frame, key, modifiers);
    };
    // Ctrl+S, and 덮어쓰기 clicked with the mouse.
    WhenModal<TwoChoiceDialog>(answer, [](TwoChoiceDialog& d) {
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("button1099")), Qt::LeftButton);
    });
    press(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(CountImages(ReadFile(path)), 300);
    view->Table().entries[1].selected = 1;
    frame.UpdateCommandStates();
    WhenModal<ChoiceDialog>(answer, [](ChoiceDialog& d) { TypeIntoDialog(d, Qt::Key_Return); });
    press(Qt::Key_Delete, Qt::NoModifier);
    QCOMPARE(view->Table().frameCount, 299);
    // Ctrl+Q: Return answers the save question with its default, 저장.
    WhenModal<TwoChoiceDialog>(answer,
                               [](TwoChoiceDialog& d) { TypeIntoDialog(d, Qt::Key_Return); });
    press(Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(CountImages(ReadFile(path)), 299);
    QTRY_COMPARE(frame.OpenDocumentCount(), 0);
}

void tst_Save::cancelInAnyQuestionStopsQuitAndCloseAll() {
    MainFrameFixture f;
    f.frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
    QList<CAnvoView*> views;
    for (const char* name : {"a.gif", "b.gif", "c.gif"}) {
        views << f.Open(f.MakeGif(QString::fromLatin1(name), 3, 12, 8));
        QVERIFY(views.back());
    }
    for (CAnvoView* changed : {views[0], views[2]}) {
        changed->Table().entries[0].selected = 1;
        f.ui.answers.push_back({true, 0});
        changed->DeleteSelection();
    }
    // 종료 answered 취소 for a.gif; 모든 창 닫기 answered 저장 안 함 for a.gif, then 취소 for
    // c.gif.
    using Answers = std::deque<int>;
    for (const auto& [key, modifiers, answers] :
         {std::tuple{Qt::Key_Q, Qt::KeyboardModifiers(Qt::ControlModifier),
                     Answers{kTwoChoiceCancel}},
          std::tuple{Qt::Key_X, Qt::ControlModifier | Qt::AltModifier,
                     Answers{kTwoChoiceSecond, kTwoChoiceCancel}}}) {
        f.ui.twoChoiceAnswers = answers;
        views[1]->setFocus();
        QTest::keyClick(&f.frame, key, modifiers);
        QVERIFY(f.ui.twoChoiceAnswers.empty());
        QCOMPARE(f.ui.asked.back().message, std::string(answers.size() == 1 ? "a" : "c") +
                                                ".gif의 변경 내용을 저장하시겠습니까?");
        QCOMPARE(f.frame.OpenDocumentCount(), 3);
    }
    // Answered all the way, the command closes every window.
    f.ui.twoChoiceAnswers = {kTwoChoiceSecond, kTwoChoiceSecond};
    QTest::keyClick(&f.frame, Qt::Key_X, Qt::ControlModifier | Qt::AltModifier);
    QTRY_COMPARE(f.frame.OpenDocumentCount(), 0);
    QVERIFY(f.ui.unexpected.empty());
}

void tst_Save::longFileSaysWhatLoadedAndSaveAsksBeforeDroppingTheRest() {
    MainFrameFixture f;
    f.frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
    const QString path = f.MakeGif(QStringLiteral("long.gif"), 321, 6, 4);
    const test::Bytes before = ReadFile(path);
    CAnvoView* view = f.Open(path);
    QVERIFY(view);
    QCOMPARE(view->Table().frameCount, 300);
    QCOMPARE(f.ui.Texts(), QStringList{QStringLiteral(
                               "이 파일에는 이미지가 321개 있습니다. 한 문서에는 300개까지만 "
                               "담을 수 있어 처음 300개만 불러왔습니다.")});

    // Ctrl+S asks; the first (default) answer leads to Save As, which the user cancels.
    QStringList proposals;
    f.frame.savePathAnswer = [&](const QString& proposed) {
        proposals << proposed;
        return QString();
    };
    f.ui.twoChoiceAnswers.push_back(kTwoChoiceFirst);
    view->setFocus();
    QTest::keyClick(&f.frame, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(f.ui.asked.back().message,
             std::string("이 파일의 이미지 321개 중 300개만 불러왔습니다. 저장하면 나머지 이미지 "
                         "21개가 파일에서 사라집니다. 덮어쓰겠습니까?"));
    QCOMPARE(proposals, QStringList{path});
    QVERIFY(f.ui.notices.empty());
    QCOMPARE(ReadFile(path), before);

    // Cancel writes nothing and shows no dialog.
    f.ui.twoChoiceAnswers.push_back(kTwoChoiceCancel);
    QTest::keyClick(&f.frame, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(proposals.size(), 1);
    QCOMPARE(ReadFile(path), before);

    // Save As onto the same file asks again; another name saves there.
    const QString copy = f.File(QStringLiteral("first300.gif"));
    QStringList answers{path, copy};
    f.frame.savePathAnswer = [&](const QString&) { return answers.takeFirst(); };
    f.ui.twoChoiceAnswers.push_back(kTwoChoiceFirst);
    f.frame.Dispatch(CommandId::FileSaveAs);
    QVERIFY(answers.isEmpty());
    QCOMPARE(ReadFile(path), before);
    QCOMPARE(CountImages(ReadFile(copy)), 300);
    QVERIFY(f.ui.unexpected.empty());
}

void tst_Save::saveAsProposesTheDocumentsOwnFolder() {
    MainFrameFixture f;
    const QString path = f.MakeGif(QStringLiteral("anim.old.gif"), 2, 6, 4);
    CAnvoView* view = f.Open(path);
    QVERIFY(view);
    QString proposed;
    f.frame.savePathAnswer = [&](const QString& name) {
        proposed = name;
        return QString();
    };
    f.frame.Dispatch(CommandId::FileSaveAs);
    QCOMPARE(proposed, f.File(QStringLiteral("anim.old.gif")));
    // So does a frame's file, from the frame's context menu.
    f.frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
    QVERIFY(PickFromContextMenu(view, FramePoint(view, 1), CommandId::FrameMenuSaveFrame));
    QCOMPARE(proposed, f.File(QStringLiteral("anim.old[002].bmp")));

    // A new picture has no folder of its own: the title only.
    CAnvoView* fresh = f.frame.NewDocument();
    QVERIFY(fresh);
    fresh->OnFileSaveAs();
    QCOMPARE(proposed, QStringLiteral("무제"));
}

void tst_Save::saveDialogsForNewPicturesOpenInTheUsersFolders() {
    // A program started from a menu has an arbitrary working folder (often "/"): a new picture's
    // save dialog must not open there, but where the user last chose a file, or else in their
    // pictures or home folder.
    MainFrameFixture f;
    f.frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
    const QString before = QDir::currentPath();
    const QString elsewhere = f.File(QStringLiteral("elsewhere"));
    QVERIFY(QDir().mkpath(elsewhere));
    QVERIFY(QDir::setCurrent(elsewhere));
    // Answers the next file dialog once it is up: notes its folder, then picks file or cancels.
    QString shownFolder;
    QTimer poll;
    auto answer = [&](const QString& pick) {
        WhenModal<QFileDialog>(poll, [&shownFolder, pick](QFileDialog& dialog) {
            shownFolder = dialog.directory().absolutePath();
            if (pick.isEmpty()) return dialog.reject();
            // As a user does: the name typed into the dialog's field, then Return.
            auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(pick);
            QTest::keyClick(name, Qt::Key_Return);
        });
    };

    CAnvoView* fresh = f.frame.NewDocument();
    QVERIFY(fresh);
    answer(QString());
    fresh->OnFileSaveAs();
    QString expected = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (expected.isEmpty() || !QFileInfo(expected).isDir()) expected = QDir::homePath();
    QCOMPARE(shownFolder, QDir(expected).absolutePath());

    // A document whose folder has gone since it was opened: as for a new picture.
    QVERIFY(QDir().mkpath(f.File(QStringLiteral("gone"))));
    const QString moved = f.MakeGif(QStringLiteral("gone/moved.gif"), 2, 6, 4);
    CAnvoView* orphan = f.Open(moved);
    QVERIFY(orphan);
    QVERIFY(QDir(f.File(QStringLiteral("gone"))).removeRecursively());
    answer(QString());
    orphan->OnFileSaveAs();
    QCOMPARE(shownFolder, QDir(expected).absolutePath());

    // A file opened through the Open dialog from another folder: the next new picture's save
    // dialog opens there.
    const QString gif = f.MakeGif(QStringLiteral("picked.gif"), 2, 6, 4);
    answer(gif);
    f.frame.Dispatch(CommandId::FileOpen);
    QTRY_VERIFY(f.frame.OpenDocumentCount() >= 3);
    answer(QString());
    fresh->OnFileSaveAs();
    QCOMPARE(shownFolder, QFileInfo(gif).absolutePath());

    QVERIFY(QDir::setCurrent(before));
}

void tst_Save::frameSaveWritesTheFormatTheNameSays() {
    MainFrameFixture f;
    test::GifBuilder gif;
    gif.Screen(5, 3, {{0, 0, 0}, {200, 30, 40}, {10, 180, 90}, {60, 70, 230}});
    gif.Control(1, 10).Image(0, 0, 5, 3, {1, 2, 3, 0, 1, 2, 2, 3, 3, 0, 0, 1, 3, 2, 1}, false, {},
                             2);
    gif.Control(1, 10).Image(0, 0, 5, 3, test::Bytes(15, 2), false, {}, 2);
    CAnvoView* view = f.Open(f.Write(QStringLiteral("pattern.gif"), gif.Trailer().Get()));
    QVERIFY(view);
    const QString target = f.File(QStringLiteral("frame.png"));
    f.frame.savePathAnswer = [&](const QString&) { return target; };
    view->Table().menuFrame = 0;
    view->SaveFrame(false);
    const test::Bytes bytes = ReadFile(target);
    QVERIFY2(bytes.size() > 8 && bytes[0] == 0x89 && bytes[1] == 'P' && bytes[2] == 'N' &&
                 bytes[3] == 'G',
             "a .png name gives PNG bytes");
    QImage png;
    QVERIFY(png.load(target, "PNG"));
    QCOMPARE(png.size(), QSize(5, 3));
    const CDib& frame = view->Table().frameImages[0];
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            const Colorref want = frame.PixelColor(x, y);
            const QRgb have = png.pixel(x, y);
            QVERIFY2(qRed(have) == RedOf(want) && qGreen(have) == GreenOf(want) &&
                         qBlue(have) == BlueOf(want),
                     qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
        }
    }
}

void tst_Save::unreadablePictureShowsBothBoxesInOrder() {
    MainFrameFixture f;
    const QString path =
        f.Write(QStringLiteral("broken.png"), {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 1, 2});
    QVERIFY(!f.Open(path));
    QCOMPARE(f.ui.Texts(),
             (QStringList{QStringLiteral("읽을 수 없는 파일입니다."),
                          QStringLiteral("지원하지 않는 형식이거나 손상된 파일입니다.")}));
    QCOMPARE(f.ui.asked.back().title, std::string("broken.png"));
    QCOMPARE(f.frame.OpenDocumentCount(), 0);
}

QTEST_MAIN(tst_Save)
#include "tst_save.moc"
