// Starting external editors: a process with an argument list, never through a shell, so that a
// file name with blanks, quotes or '$' reaches the program as it is.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "core/port/ProgramLauncher.h"

class QProcess;
class QObject;

namespace vorla {

class ProcessLauncher : public ProgramLauncher {
public:
    // Starts the program detached: it outlives the window that started it.
    bool Start(const std::string& program, const std::vector<std::string>& arguments) override;

    // Tests and tools may stand in for every start (true: handled as started).
    static std::function<bool(const std::string&, const std::vector<std::string>&)>& Hook();
};

// The paint program of slot 1: the first of the known paint programs on PATH; "" when none is.
QString FindPaintProgram();

// Starts program on one file as a child of owner, so that it can be ended with the edit it
// serves; null when it could not be started.
QProcess* StartOwnedProcess(QObject* owner, const QString& program, const QString& file);

}  // namespace vorla
