// Puts the program's "name|patterns|" filters on a QFileDialog so that patterns match without
// regard to case, as the filters were written for ("*.gif;*.GIF" must also find "a.Gif").
#pragma once

#include <string>

class QFileDialog;

namespace vorla {

// Native dialogs on Linux (GTK, the desktop portal) compare patterns case-sensitively and ignore
// any request to do otherwise. Qt's own dialog filters through QFileSystemModel, which compares
// without regard to case unless QDir::CaseSensitive is set. So this selects Qt's own dialog and
// clears that flag; the pattern list is hidden, as the names already show the extensions. The
// dialog tells files' types by their names, never by reading them (see the .cpp).
void ApplyFileDialogFilters(QFileDialog& dialog, const std::string& filter);

}  // namespace vorla
