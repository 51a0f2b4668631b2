#include "gui/view/FrameByteCosts.h"

#include <memory>

#include "core/edit/OptimizedSave.h"
#include "core/model/FrameTable.h"

namespace vorla {

FrameByteCosts::FrameByteCosts(const FrameTable& table, std::function<bool()> canWork,
                               QObject* parent)
    : QObject(parent), table_(table), canWork_(std::move(canWork)) {
    timer_.setSingleShot(true);
    timer_.setInterval(kPauseMs);
    connect(&timer_, &QTimer::timeout, this, &FrameByteCosts::Start);
}

FrameByteCosts::~FrameByteCosts() {
    stop_ = true;
    if (worker_.joinable()) worker_.join();
}

void FrameByteCosts::Touch() {
    ++generation_;
    fingerprintValid_ = false;
    timer_.start();
}

std::int64_t FrameByteCosts::Cost(int k) const {
    if (!known_ || k < 0 || k >= static_cast<int>(costs_.size())) return -1;
    return costs_[static_cast<std::size_t>(k)];
}

std::uint64_t FrameByteCosts::Fingerprint() const {
    std::uint64_t h = 1469598103934665603ull;
    auto mix = [&h](std::uint64_t v) { h = (h ^ v) * 1099511628211ull; };
    mix(static_cast<std::uint64_t>(table_.frameCount));
    mix(static_cast<std::uint64_t>(table_.settings.screenWidth));
    mix(static_cast<std::uint64_t>(table_.settings.screenHeight));
    mix(table_.settings.loopForever);
    for (int i = 0; i < table_.frameCount; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        const FrameEntry& e = table_.entries[slot];
        for (const std::uint8_t byte : e.Serialize()) mix(byte);
        const CDib& image = table_.frameImages[slot];
        mix(reinterpret_cast<std::uintptr_t>(image.Bits().data()));
        mix(image.Bits().size());
        // A few sampled bytes catch edits made in place.
        const std::size_t n = image.Bits().size();
        for (std::size_t at = 0; n > 0 && at < n; at += n / 16 + 1) mix(image.Bits()[at]);
        for (const RgbQuad& q : image.ColorTable()) mix(q.ToColorref());
    }
    return h;
}

void FrameByteCosts::Start() {
    if (working_) return;  // Deliver looks again
    if (!canWork_ || !canWork_()) {
        timer_.start(1000);
        return;
    }
    if (table_.frameCount <= 0) {
        costs_.clear();
        known_ = false;
        return;
    }
    const std::uint64_t print = Fingerprint();
    if (known_ && fingerprintValid_ && print == fingerprint_) return;
    if (known_ && print == fingerprint_) {
        // Touched, but nothing that a file holds changed (a repaint, a selection).
        fingerprintValid_ = true;
        return;
    }
    fingerprint_ = print;
    fingerprintValid_ = true;
    known_ = false;
    emit Changed();

    // The worker owns copies: the table may change while it works.
    auto copies = std::make_shared<std::vector<CDib>>(
        table_.frameImages.begin(), table_.frameImages.begin() + table_.frameCount);
    auto source = std::make_shared<GifSourceAnimation>(optimized::SourceOf(table_));
    for (std::size_t i = 0; i < copies->size(); ++i) source->frames[i].image = &(*copies)[i];
    if (worker_.joinable()) worker_.join();
    working_ = true;
    workGeneration_ = generation_;
    const std::uint64_t generation = generation_;
    worker_ = std::thread([this, copies, source, generation] {
        const optimized::Report report =
            optimized::Measure(*source, [this](int, int) { return !stop_; });
        {
            std::lock_guard<std::mutex> lock(mutex_);
            result_.assign(report.frameBytes.begin(), report.frameBytes.end());
            if (report.outcome != optimized::Outcome::Written) result_.clear();
            resultGeneration_ = generation;
        }
        if (!stop_) QMetaObject::invokeMethod(this, &FrameByteCosts::Deliver, Qt::QueuedConnection);
    });
}

void FrameByteCosts::Deliver() {
    working_ = false;
    if (worker_.joinable()) worker_.join();
    std::vector<std::int64_t> result;
    std::uint64_t generation = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        result.swap(result_);
        generation = resultGeneration_;
    }
    if (generation != generation_ && Fingerprint() != fingerprint_) {
        // The frames changed while the worker ran: its costs describe frames gone.
        fingerprintValid_ = false;
        timer_.start();
        return;
    }
    costs_ = std::move(result);
    known_ = !costs_.empty();
    computedFor_ = generation;
    emit Changed();
}

}  // namespace vorla
