#include "core/port/NoticeThrottle.h"

namespace vorla {

NoticeThrottle::Tick NoticeThrottle::SteadyNow() {
    return std::chrono::duration_cast<Tick>(std::chrono::steady_clock::now().time_since_epoch());
}

bool NoticeThrottle::Allows(const std::string& text, Tick now) const {
    if (!any_ || text != lastText_) return true;
    const Tick elapsed = now - lastTime_;
    // A clock that went backwards cannot say how long ago the notice was; show it.
    return elapsed < Tick(0) || elapsed >= kQuietInterval;
}

void NoticeThrottle::Shown(const std::string& text, Tick now) {
    any_ = true;
    lastText_ = text;
    lastTime_ = now;
}

}  // namespace vorla
