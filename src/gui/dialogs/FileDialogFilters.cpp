#include "gui/dialogs/FileDialogFilters.h"

#include <QFileDialog>
#include <QFileIconProvider>
#include <QMimeDatabase>
#include <QStringList>

#include "core/model/FileFilters.h"

namespace vorla {

namespace {

// Names and icons of files from their names only. Qt's own provider reads the start of every
// listed file to tell its type, in the interface thread: a file that never answers a read (a
// pipe, a device, /proc/kmsg, a stalled network mount) would freeze the program with the dialog.
class TypeByNameProvider : public QFileIconProvider {
public:
    QIcon icon(const QFileInfo& info) const override {
        return info.isFile() ? QFileIconProvider::icon(QAbstractFileIconProvider::File)
                             : QFileIconProvider::icon(info);
    }
    QString type(const QFileInfo& info) const override {
        if (!info.isFile()) return QFileIconProvider::type(info);
        return QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension).comment();
    }
};

}  // namespace

void ApplyFileDialogFilters(QFileDialog& dialog, const std::string& filter) {
    static TypeByNameProvider provider;  // outlives every dialog
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setIconProvider(&provider);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    QStringList entries;
    for (const std::string& entry : FilterStringToQtFilters(filter)) {
        entries.append(QString::fromStdString(entry));
    }
    dialog.setNameFilters(entries);
}

}  // namespace vorla
