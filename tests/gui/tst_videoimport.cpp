// 동영상 가져오기 from a dropped clip: the dialog's defaults taken with Return make a new
// document, marked imported, of the frames the dialog announced; a clip past the frame limit
// keeps OK off until one of the offered ways brings it under.
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTimer>

#include "GuiFixture.h"
#include "gui/dialogs/VideoImportDialog.h"
#include "gui/dialogs/WorkProgressDialog.h"
#include "imaging/LibavVideoSource.h"

using namespace vorla;
using namespace vorla::guitest;

class tst_VideoImport : public QObject {
    Q_OBJECT

private slots:
    void droppedClipBecomesTheAnnouncedFrames();
    void fileMenuCommandAsksForTheClipThenImports();
    void cancelDuringTheImportLeavesNoDocument();
    void previewsArriveWhileTheDialogStaysLive();
};

namespace {

// testsrc2 of `seconds` at 25 fps as H.264 in path; true when ffmpeg made it.
bool MakeClip(const QString& path, int seconds) {
    return QProcess::execute(QStringLiteral("ffmpeg"),
                             {"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                              "testsrc2=size=160x120:rate=25", "-t", QString::number(seconds),
                              "-c:v", "libx264", "-pix_fmt", "yuv420p", path}) == 0;
}

// Runs `act` on the first dialog of type D once it is up (it runs modally).
template <typename D = VideoImportDialog>
void WhenTheDialogShows(const std::function<void(D&)>& act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        poll->stop();
        poll->deleteLater();
        act(*dialog);
    });
    poll->start(10);
}

int AnnouncedFrames(const QDialog& dialog) {
    const QString text = dialog.findChild<QLabel*>(QStringLiteral("summary"))->text();
    return QRegularExpression(QStringLiteral("(\\d+)개")).match(text).captured(1).toInt();
}

}  // namespace

void tst_VideoImport::droppedClipBecomesTheAnnouncedFrames() {
    MainFrameFixture f;
    // 31 s at 10 frames a second: 310 frames, over the limit until the rate is lowered.
    const QString clip = f.File(QStringLiteral("clip.mp4"));
    QVERIFY2(MakeClip(clip, 31), "ffmpeg could not make the clip");
    int announced = 0;
    WhenTheDialogShows<VideoImportDialog>([&](VideoImportDialog& dialog) {
        QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        QPushButton* lower = nullptr;
        for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
            if (button->text() == QStringLiteral("프레임 속도 낮추기")) lower = button;
        }
        QVERIFY(lower != nullptr && lower->isVisible() && !ok->isEnabled());
        QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("summary"))->text().contains("310개"));
        QTest::mouseClick(lower, Qt::LeftButton);
        QVERIFY(ok->isEnabled());
        announced = AnnouncedFrames(dialog);
        QTest::keyClick(&dialog, Qt::Key_Return);
    });
    f.frame.App().zoomPercent = 5;  // the last zoom used; a new document chooses its own
    f.frame.OpenDroppedFiles({clip});
    QCOMPARE(f.frame.OpenDocumentCount(), 1);
    CAnvoView* view = f.frame.Views().first();
    QVERIFY(announced > 0 && announced <= FrameTable::kMaxFrames);
    QCOMPARE(view->Table().frameCount, announced);
    QCOMPARE(view->Table().frameImages[0].Width(), 160);
    QCOMPARE(view->Table().zoomFactor, 1.0);  // as a 160-pixel-wide file opens
    QVERIFY(view->Document().imported);
    QVERIFY(view->Document().IsUntitled());
    QVERIFY2(f.ui.asked.empty(), qPrintable(f.ui.Texts().join(QLatin1Char('\n'))));
}

void tst_VideoImport::fileMenuCommandAsksForTheClipThenImports() {
    MainFrameFixture f;
    const QString clip = f.File(QStringLiteral("menu.mp4"));
    QVERIFY2(MakeClip(clip, 2), "ffmpeg could not make the clip");
    QAction* command = nullptr;
    for (QAction* menu : f.frame.menuBar()->actions()) {
        for (QAction* item : menu->menu() ? menu->menu()->actions() : QList<QAction*>()) {
            if (item->text().startsWith(QStringLiteral("동영상 가져오기"))) command = item;
        }
    }
    QVERIFY(command != nullptr && command->isEnabled());
    WhenTheDialogShows<QFileDialog>([&](QFileDialog& dialog) {
        // Typed into the name field and taken with Return, as a user does.
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name != nullptr);
        name->setFocus();
        name->setText(clip);
        QTest::keyClick(name, Qt::Key_Return);
        WhenTheDialogShows<VideoImportDialog>(
            [](VideoImportDialog& import) { QTest::keyClick(&import, Qt::Key_Return); });
    });
    command->trigger();
    QTRY_COMPARE(f.frame.OpenDocumentCount(), 1);
    QCOMPARE(f.frame.Views().first()->Table().frameCount, 20);  // 2 s at 10 frames a second
}

void tst_VideoImport::cancelDuringTheImportLeavesNoDocument() {
    MainFrameFixture f;
    const QString clip = f.File(QStringLiteral("long.mp4"));
    QVERIFY2(MakeClip(clip, 20), "ffmpeg could not make the clip");
    // Cancel is clicked as soon as the progress shows, while the worker makes the frames; just
    // before, closing the main window is refused, as while any command runs.
    bool cancelled = false;
    bool closed = false;
    f.ui.onPump = [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<WorkProgressDialog*>(widget);
            if (cancelled || progress == nullptr || !progress->isVisible()) continue;
            closed = f.frame.close();
            QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
            cancelled = progress->Cancelled();
        }
    };
    WhenTheDialogShows<VideoImportDialog>(
        [](VideoImportDialog& import) { QTest::keyClick(&import, Qt::Key_Return); });
    QCOMPARE(f.frame.ImportVideoFile(clip), nullptr);
    QVERIFY(cancelled);
    QVERIFY(!closed);
    QCOMPARE(f.frame.OpenDocumentCount(), 0);
    QCOMPARE(f.frame.App().busyGuard, 0);  // the animations play again
    QVERIFY2(f.ui.asked.empty(), qPrintable(f.ui.Texts().join(QLatin1Char('\n'))));
}

void tst_VideoImport::previewsArriveWhileTheDialogStaysLive() {
    MainFrameFixture f;
    const QString clip = f.File(QStringLiteral("preview.mp4"));
    QVERIFY2(MakeClip(clip, 6), "ffmpeg could not make the clip");
    LibavVideoSource source;
    VideoInfo info;
    QCOMPARE(source.Open(clip.toStdString(), info), VideoFault::None);
    VideoImportDialog dialog(clip, info, source);
    auto* preview = dialog.findChild<QLabel*>(QStringLiteral("preview"));
    QTRY_VERIFY(!dialog.PreviewPending());
    QVERIFY(!preview->pixmap().isNull());
    // A burst of moves by keys: the dialog answers at once, the last position's picture follows.
    auto* slider = dialog.findChildren<QSlider*>().first();
    const QImage before = preview->pixmap().toImage();
    for (int step = 0; step < 10; ++step) QTest::keyClick(slider, Qt::Key_PageUp);
    QTest::keyClick(slider, Qt::Key_End);
    QCOMPARE(slider->value(), slider->maximum());
    QTRY_VERIFY(!dialog.PreviewPending());
    QVERIFY(preview->pixmap().toImage() != before);
    QTest::keyClick(&dialog, Qt::Key_Escape);  // ends the preview thread
}

QTEST_MAIN(tst_VideoImport)
#include "tst_videoimport.moc"
