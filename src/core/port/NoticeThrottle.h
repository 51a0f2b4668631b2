// The rule that keeps a notice from flashing twice: the same text again within 800 ms of the
// previous notice is not shown. Only the last notice counts, so a different text in between
// lets the first one show again at once.
#pragma once

#include <chrono>
#include <string>

namespace vorla {

class NoticeThrottle {
public:
    // A reading of a monotonic clock; only differences between readings matter.
    using Tick = std::chrono::milliseconds;

    static Tick SteadyNow();

    // false: this text was the last notice and at most 799 ms have passed since it was shown.
    bool Allows(const std::string& text, Tick now) const;
    // Call once a notice has been displayed: the quiet interval counts from its end, and a
    // notice that was held back does not move it.
    void Shown(const std::string& text, Tick now);

private:
    static constexpr Tick kQuietInterval{800};

    bool any_ = false;  // nothing shown yet: every text is allowed, the empty one too
    std::string lastText_;
    Tick lastTime_{0};
};

}  // namespace vorla
