#include "gui/dialogs/FileDialogFilters.h"

#include <QFileDialog>
#include <QStringList>

#include "core/model/FileFilters.h"

namespace vorla {

void ApplyFileDialogFilters(QFileDialog& dialog, const std::string& filter) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    QStringList entries;
    for (const std::string& entry : FilterStringToQtFilters(filter)) {
        entries.append(QString::fromStdString(entry));
    }
    dialog.setNameFilters(entries);
}

}  // namespace vorla
