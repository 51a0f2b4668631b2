// What a start of the program does while another copy already runs, and the command-line file
// both kinds of start open.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

namespace vorla {

class SingleInstance;
class UserInterface;

// The files named on the command line: every argument after the program is one path (empty
// arguments are skipped).
QStringList CommandLineFiles(const QStringList& arguments);

// Raises the running copy's window. Then each existing file in turn: writes its full path as
// "urgentfileToopen" into generalIni, waits until the file can be read and asks the running copy
// to open it (request -16), waiting until the running copy has taken it before the next. A file
// that does not exist is only named in a message.
void HandOverToRunningCopy(const QStringList& files, const std::string& generalIni,
                           UserInterface& ui, SingleInstance& runningCopy);

// The message for a file that is not there: its name without the folder, as Open names it.
QString MissingFileMessage(const QString& path);

}  // namespace vorla
