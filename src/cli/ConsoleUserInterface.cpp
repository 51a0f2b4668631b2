#include "cli/ConsoleUserInterface.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace vorla {
namespace {

// A progress line on a terminal that has no line end yet: whatever is written next on standard
// error ends it first. (One standard error, so one flag.)
bool lineOpen = false;

void EndOpenLine() {
    if (lineOpen) std::fputc('\n', stderr);
    lineOpen = false;
}

class ConsoleProgress : public WorkProgress {
public:
    ConsoleProgress() : terminal_(isatty(fileno(stderr)) == 1) {}
    ~ConsoleProgress() override { EndLine(); }
    ConsoleProgress(const ConsoleProgress&) = delete;
    ConsoleProgress& operator=(const ConsoleProgress&) = delete;

    void SetTitle(const std::string&) override {}
    void SetStatusText(const std::string& text) override {
        if (text == status_) return;
        EndLine();
        status_ = text;
        Print();
    }
    void SetRange(int minimum, int maximum) override {
        minimum_ = minimum;
        maximum_ = maximum;
        Print();
    }
    void SetPosition(int position) override {
        position_ = position;
        Print();
    }
    void Show() override {
        shown_ = true;
        Print();
    }
    bool IsShown() const override { return shown_; }
    bool Cancelled() const override { return false; }

private:
    int Percent() const {
        if (maximum_ <= minimum_) return 0;
        const long long done = static_cast<long long>(position_) - minimum_;
        return static_cast<int>(std::clamp(done * 100 / (maximum_ - minimum_), 0LL, 100LL));
    }
    void Print() {
        if (!shown_) return;
        const int percent = Percent();
        // On a terminal every change of the figure; in a log only each new tenth.
        const int step = terminal_ ? percent : percent / 10;
        if (step == printedStep_) return;
        printedStep_ = step;
        std::fprintf(stderr, terminal_ ? "\rvorla: %s %d%%" : "vorla: %s %d%%\n", status_.c_str(),
                     percent);
        std::fflush(stderr);
        lineOpen = terminal_;
    }
    // A new status starts its own line, counted from nothing.
    void EndLine() {
        EndOpenLine();
        printedStep_ = -1;
    }

    const bool terminal_;
    std::string status_;
    int minimum_ = 0;
    int maximum_ = 0;
    int position_ = 0;
    bool shown_ = false;
    int printedStep_ = -1;  // -1: nothing printed for this status
};

}  // namespace

ConsoleUserInterface::ConsoleUserInterface()
    : HeadlessUserInterface([](const std::string& text) {
          EndOpenLine();
          std::fprintf(stderr, "vorla: %s\n", text.c_str());
      }) {}

std::unique_ptr<WorkProgress> ConsoleUserInterface::CreateProgress() {
    return std::make_unique<ConsoleProgress>();
}

}  // namespace vorla
