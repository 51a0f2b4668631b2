// The files a random-input run works on: real animated GIFs written at start-up (one with
// transparency, sub-rectangles, local colour tables and interlacing), still images to paste, a
// damaged GIF, and a folder for whatever the program saves.
#pragma once

#include <QString>
#include <QStringList>

namespace vorla::monkey {

struct MonkeyFiles {
    QString folder;         // every input file
    QString outFolder;      // where save dialogs are answered
    QStringList startGifs;  // opened at start-up: the first from the command line
    QList<int> startFrameCounts;
    QStringList stills;  // PNG and BMP pictures
    QStringList extras;  // a one-frame GIF and a damaged one

    // Every file a file dialog, a drop or a later start may name.
    QStringList All() const { return startGifs + stills + extras; }
};

// Writes the files into folder (created when missing); an empty result folder means failure.
// Needs a QGuiApplication for the still pictures.
MonkeyFiles MakeMonkeyFiles(const QString& folder, const QString& outFolder);

}  // namespace vorla::monkey
