#include "gui/view/FrameByteCosts.h"

#include <pthread.h>
#include <sched.h>

#include <memory>

#include "core/edit/OptimizedSave.h"
#include "core/gif/GifByteEstimate.h"
#include "core/model/FrameTable.h"

namespace vorla {

namespace {

void Mix(std::uint64_t& h, std::uint64_t v) {
    h = (h ^ v) * 1099511628211ull;
}

// The worker runs only when nothing else wants the processor: the figures are a convenience.
void LowerThisThread() {
    sched_param none{};
    none.sched_priority = 0;
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &none);
}

}  // namespace

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
    timer_.start();
}

void FrameByteCosts::SetExact(const std::vector<std::size_t>& frameBytes) {
    if (static_cast<int>(frameBytes.size()) != table_.frameCount) return;
    costs_.assign(frameBytes.begin(), frameBytes.end());
    frameFingerprints_.clear();
    for (int k = 0; k < table_.frameCount; ++k) frameFingerprints_.push_back(FrameFingerprint(k));
    screenFingerprint_ = ScreenFingerprint();
    known_ = true;
    estimated_ = false;
    emit Changed();
}

std::int64_t FrameByteCosts::Cost(int k) const {
    if (!known_ || k < 0 || k >= static_cast<int>(costs_.size())) return -1;
    return costs_[static_cast<std::size_t>(k)];
}

std::uint64_t FrameByteCosts::ScreenFingerprint() const {
    std::uint64_t h = 1469598103934665603ull;
    Mix(h, static_cast<std::uint64_t>(table_.settings.screenWidth));
    Mix(h, static_cast<std::uint64_t>(table_.settings.screenHeight));
    return h;
}

std::uint64_t FrameByteCosts::FrameFingerprint(int k) const {
    std::uint64_t h = 1469598103934665603ull;
    const auto slot = static_cast<std::size_t>(k);
    // Selection is no part of the file.
    FrameEntry entry = table_.entries[slot];
    entry.selected = entry.gapSelected = 0;
    for (const std::uint8_t byte : entry.Serialize()) Mix(h, byte);
    const CDib& image = table_.frameImages[slot];
    Mix(h, reinterpret_cast<std::uintptr_t>(image.Bits().data()));
    Mix(h, image.Bits().size());
    // A few sampled bytes catch edits made in place.
    const std::size_t n = image.Bits().size();
    for (std::size_t at = 0; n > 0 && at < n; at += n / 16 + 1) Mix(h, image.Bits()[at]);
    for (const RgbQuad& q : image.ColorTable()) Mix(h, q.ToColorref());
    return h;
}

void FrameByteCosts::Start() {
    if (working_) return;  // Deliver looks again
    if (!canWork_ || !canWork_()) {
        timer_.start(1000);
        return;
    }
    const int count = table_.frameCount;
    if (count <= 0) {
        costs_.clear();
        known_ = false;
        return;
    }
    std::vector<std::uint64_t> prints;
    for (int k = 0; k < count; ++k) prints.push_back(FrameFingerprint(k));
    const std::uint64_t screen = ScreenFingerprint();
    // A frame's figure can have changed when it changed or the frame before it did; frames
    // inserted or removed shift everything behind them, which the comparison by place catches.
    const bool sameScreen = known_ && screen == screenFingerprint_;
    auto changed = [&](std::size_t at) {
        return !sameScreen || at >= frameFingerprints_.size() ||
               prints[at] != frameFingerprints_[at];
    };
    std::vector<bool> estimate(static_cast<std::size_t>(count), true);
    bool any = false;
    for (std::size_t at = 0; at < estimate.size(); ++at) {
        estimate[at] = changed(at) || (at > 0 && changed(at - 1));
        any = any || estimate[at];
    }
    const bool sameCount = static_cast<int>(costs_.size()) == count;
    if (known_ && !any && sameCount) return;  // a repaint only

    // The figures that may be wrong disappear until they are made again; the others stay (also
    // when frames were added or removed behind them).
    auto figures = std::make_shared<std::vector<std::int64_t>>(static_cast<std::size_t>(count), -1);
    for (std::size_t at = 0; at < figures->size(); ++at)
        if (!estimate[at] && at < costs_.size()) (*figures)[at] = costs_[at];
    costs_ = *figures;
    emit Changed();
    // The worker owns copies: the table may change while it works.
    auto copies = std::make_shared<std::vector<CDib>>(table_.frameImages.begin(),
                                                      table_.frameImages.begin() + count);
    auto source = std::make_shared<GifSourceAnimation>(optimized::SourceOf(table_));
    for (std::size_t i = 0; i < copies->size(); ++i) source->frames[i].image = &(*copies)[i];
    if (worker_.joinable()) worker_.join();
    working_ = true;
    workFingerprints_ = prints;
    workScreen_ = screen;
    const std::uint64_t generation = generation_;
    worker_ = std::thread([this, copies, source, figures, estimate, generation] {
        LowerThisThread();
        GifByteEstimator estimator;
        int compressed = 0;
        const bool ok = estimator.Estimate(*source, estimate, *figures, compressed,
                                           [this] { return !stop_.load(); });
        {
            std::lock_guard<std::mutex> lock(mutex_);
            result_ = *figures;
            resultOk_ = ok;
            resultCompressed_ = compressed;
            resultGeneration_ = generation;
        }
        if (!stop_) QMetaObject::invokeMethod(this, &FrameByteCosts::Deliver, Qt::QueuedConnection);
    });
}

void FrameByteCosts::Deliver() {
    working_ = false;
    if (worker_.joinable()) worker_.join();
    std::vector<std::int64_t> result;
    bool ok = false;
    int compressed = 0;
    std::uint64_t generation = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        result.swap(result_);
        ok = resultOk_;
        compressed = resultCompressed_;
        generation = resultGeneration_;
    }
    if (!ok) return;
    costs_ = std::move(result);
    frameFingerprints_ = workFingerprints_;
    screenFingerprint_ = workScreen_;
    known_ = true;
    estimated_ = true;
    lastCompressed_ = compressed;
    emit Changed();
    // Frames changed while the worker ran: their figures are made again from what they are now.
    if (generation != generation_) timer_.start();
}

}  // namespace vorla
