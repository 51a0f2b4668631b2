// What each frame costs in the optimised file, for the strip's rows. Computed lazily: a change
// to the frames only restarts a short timer; when it fires, and the view is not busy, the frames
// are copied and optimised on a worker thread, so neither painting nor playback waits for it.
// A newer change while it works makes its result stale: it is dropped and the work starts again.
#pragma once

#include <QObject>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vorla {

class FrameTable;

class FrameByteCosts : public QObject {
    Q_OBJECT

public:
    // canWork: false while the frames may not be read (busy, loading): tried again later.
    FrameByteCosts(const FrameTable& table, std::function<bool()> canWork,
                   QObject* parent = nullptr);
    ~FrameByteCosts() override;

    // The frames (or their images) may have changed.
    void Touch();
    // Bytes of frame k in the optimised file; -1 while unknown or stale.
    std::int64_t Cost(int k) const;
    bool Known() const { return known_; }

    static constexpr int kPauseMs = 400;  // from the last change to the start of the work

signals:
    void Changed();  // new costs are known

private:
    void Start();
    void Deliver();
    // A cheap fingerprint of the entries and image buffers, to skip work for repaints only.
    std::uint64_t Fingerprint() const;

    const FrameTable& table_;
    std::function<bool()> canWork_;
    QTimer timer_;
    std::vector<std::int64_t> costs_;
    bool known_ = false;
    std::uint64_t generation_ = 0;  // bumped by Touch
    std::uint64_t computedFor_ = ~std::uint64_t{0};
    std::uint64_t fingerprint_ = 0;
    bool fingerprintValid_ = false;

    std::thread worker_;
    std::atomic<bool> stop_{false};
    bool working_ = false;
    std::mutex mutex_;  // guards result_ and resultGeneration_
    std::vector<std::int64_t> result_;
    std::uint64_t resultGeneration_ = 0;
    std::uint64_t workGeneration_ = 0;
};

}  // namespace vorla
