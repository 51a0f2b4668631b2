#include "core/gif/JobLanes.h"

namespace vorla::optimizer {

JobLanes::JobLanes(bool twoLanes)
    : twoLanes_(twoLanes && std::thread::hardware_concurrency() > 1) {}

JobLanes::~JobLanes() {
    if (!worker_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    worker_.join();
}

void JobLanes::Run(std::size_t count, const Job& job) {
    if (!twoLanes_ || count < 2) {
        for (std::size_t i = 0; i < count; ++i) job(i, 0);
        return;
    }
    if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job_ = &job;
        count_ = count;
        next_.store(0, std::memory_order_relaxed);
        workerBusy_ = true;
        ++batch_;
    }
    wake_.notify_one();
    Drain(0);
    // The worker may still be inside its last job, or not yet awake: either way job_ must stay
    // valid until it has left the batch.
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return !workerBusy_; });
    job_ = nullptr;
}

void JobLanes::Drain(int lane) {
    for (std::size_t i = next_.fetch_add(1); i < count_; i = next_.fetch_add(1)) (*job_)(i, lane);
}

void JobLanes::Work() {
    std::uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stop_ || batch_ != seen; });
        if (stop_) return;
        seen = batch_;
        lock.unlock();
        Drain(1);
        lock.lock();
        workerBusy_ = false;
        done_.notify_one();
    }
}

}  // namespace vorla::optimizer
