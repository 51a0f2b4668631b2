// The user interface of work run from the command line without a window: every message and
// notice is a line on standard error ("vorla: ..."), every question is declined (nobody is
// there to answer, so nothing is done that was not asked for on the command line), and a shown
// progress dialog is a percentage on standard error: one line rewritten in place on a terminal,
// a line at every tenth otherwise (a log stays short).
#pragma once

#include <memory>

#include "core/port/Headless.h"

namespace vorla {

class ConsoleUserInterface : public HeadlessUserInterface {
public:
    ConsoleUserInterface();
    std::unique_ptr<WorkProgress> CreateProgress() override;
};

}  // namespace vorla
