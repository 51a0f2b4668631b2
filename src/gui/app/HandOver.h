// What a start of the program does while another copy already runs, and the command-line file
// both kinds of start open.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

namespace vorla {

class SingleInstance;
class UserInterface;

// The file named on the command line: every argument after the program joined by blanks (a name
// with blanks may arrive unquoted), with one pair of enclosing double quotes removed. "" when
// none was given.
QString CommandLineFile(const QStringList& arguments);

// Raises the running copy's window. With an existing file: writes its full path as
// "urgentfileToopen" into generalIni, waits until the file can be read and asks the running copy
// to open it (request -16). A file that does not exist is only named in a message.
void HandOverToRunningCopy(const QString& commandLineFile, const std::string& generalIni,
                           UserInterface& ui, SingleInstance& runningCopy);

}  // namespace vorla
