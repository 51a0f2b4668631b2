// What each frame costs in the optimised file, for the strip's rows: an estimate
// (GifByteEstimator) made on a worker thread at idle priority, or the exact figures of the last
// optimising save until the next edit. A change to the frames only restarts a short timer; when
// it fires, and the view is not busy, the frames are copied and estimated, so neither painting
// nor playback waits. Only the frames that changed, and the frame after each (whose changed
// rectangle depends on its predecessor), are compressed again. A newer change while the worker
// runs makes its result stale: it is dropped and the work starts again.
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
    // The exact figures of an optimising save of the frames as they are now; kept until the
    // frames change.
    void SetExact(const std::vector<std::size_t>& frameBytes);
    // Bytes of frame k in the optimised file; -1 while unknown or stale.
    std::int64_t Cost(int k) const;
    bool Known() const { return known_; }
    // The figures come from the estimate, not from an optimising save.
    bool Estimated() const { return estimated_; }
    // Frames the last estimate compressed (the others kept their figures).
    int LastCompressed() const { return lastCompressed_; }

    static constexpr int kPauseMs = 400;  // from the last change to the start of the work

signals:
    void Changed();  // new costs are known

private:
    void Start();
    void Deliver();
    // A cheap fingerprint of one frame's entry and image (sampled bytes, palette).
    std::uint64_t FrameFingerprint(int k) const;
    std::uint64_t ScreenFingerprint() const;

    const FrameTable& table_;
    std::function<bool()> canWork_;
    QTimer timer_;
    std::vector<std::int64_t> costs_;
    bool known_ = false;
    bool estimated_ = true;
    int lastCompressed_ = 0;
    std::uint64_t generation_ = 0;  // bumped by Touch
    // What the figures in costs_ were made for: one fingerprint per frame and the screen's.
    std::vector<std::uint64_t> frameFingerprints_;
    std::uint64_t screenFingerprint_ = 0;

    std::thread worker_;
    std::atomic<bool> stop_{false};
    bool working_ = false;
    std::mutex mutex_;  // guards the worker's result
    std::vector<std::int64_t> result_;
    int resultCompressed_ = 0;
    bool resultOk_ = false;
    std::uint64_t resultGeneration_ = 0;
    std::vector<std::uint64_t> workFingerprints_;
    std::uint64_t workScreen_ = 0;
};

}  // namespace vorla
