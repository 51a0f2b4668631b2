// The program's filters on Qt's file dialog find files whatever the case of their extension.
#include <QAbstractFileIconProvider>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <QtTest>

#include "core/model/ApplicationState.h"
#include "gui/app/QtUserInterface.h"
#include "gui/dialogs/FileDialogFilters.h"

class tst_FileDialogFilters : public QObject {
    Q_OBJECT

private slots:
    void patternsMatchWithoutRegardToCase();
};

void tst_FileDialogFilters::patternsMatchWithoutRegardToCase() {
    QTemporaryDir dir;
    for (const char* name : {"a.gif", "b.GIF", "c.Gif", "d.png", "e.TGA"}) {
        QFile(dir.filePath(QString::fromLatin1(name))).open(QIODevice::WriteOnly);
    }
    vorla::QtUserInterface ui;
    vorla::ApplicationState state("/nonexistent/", ui, 0);

    QFileDialog dialog;
    vorla::ApplyFileDialogFilters(
        dialog, state.allImagesWithGifFilter + state.gifFilter + state.perFormatFilter);
    QCOMPARE(dialog.nameFilters().size(), 13);
    QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
    auto* model = dialog.findChild<QFileSystemModel*>();
    QVERIFY(model);
    QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);
    dialog.setDirectory(dir.path());

    const auto shownFiles = [&](const QString& filter) {
        dialog.selectNameFilter(filter);
        QStringList names;
        const QModelIndex root = model->index(dir.path());
        for (int row = 0; row < model->rowCount(root); ++row) {
            names.append(model->index(row, 0, root).data().toString());
        }
        names.sort();
        return names;
    };
    QTRY_VERIFY(loaded.count() > 0);
    QTRY_COMPARE(shownFiles(dialog.nameFilters().at(1)), QStringList({"a.gif", "b.GIF", "c.Gif"}));
    // "*.TGA*.gif" is one pattern; TGA files come in through the "*.tga" before it.
    QTRY_COMPARE(shownFiles(dialog.nameFilters().at(0)),
                 QStringList({"a.gif", "b.GIF", "c.Gif", "d.png", "e.TGA"}));

    // Types come from names, never from reading (a read may never return): a PNG under a name
    // of no known type is listed as unknown data.
    QFile named(dir.filePath(QStringLiteral("x.unknowntype")));
    QVERIFY(named.open(QIODevice::WriteOnly));
    named.write("\x89PNG\r\n\x1a\n");
    named.close();
    QCOMPARE(dialog.iconProvider()->type(QFileInfo(named.fileName())),
             QMimeDatabase().mimeTypeForName(QStringLiteral("application/octet-stream")).comment());
}

QTEST_MAIN(tst_FileDialogFilters)
#include "tst_filedialogfilters.moc"
