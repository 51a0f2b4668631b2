// A second thread for work split into jobs that do not touch each other: each job writes only
// its own result, and the caller merges the results in a fixed order afterwards, so what comes
// out does not depend on which thread ran which job (the optimiser's bytes are the same with one
// lane or two).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace vorla::optimizer {

class JobLanes {
public:
    // Lane 0 is the caller's thread; lane 1 a thread of its own when two lanes are asked for and
    // the machine has more than one core, started by the first Run that shares its jobs.
    explicit JobLanes(bool twoLanes);
    ~JobLanes();
    JobLanes(const JobLanes&) = delete;
    JobLanes& operator=(const JobLanes&) = delete;

    int Lanes() const { return twoLanes_ ? 2 : 1; }

    using Job = std::function<void(std::size_t index, int lane)>;
    // Calls job for every index below count, each once, on either lane; returns when all have
    // returned. A job must not throw, and two jobs running at once must share nothing they
    // write except through their lane (scratch of that lane) and their index (their result).
    void Run(std::size_t count, const Job& job);

private:
    void Drain(int lane);
    void Work();

    std::mutex mutex_;
    std::condition_variable wake_;  // the worker: a batch is waiting, or stop
    std::condition_variable done_;  // the caller: the worker has left the batch
    const Job* job_ = nullptr;
    std::size_t count_ = 0;
    std::atomic<std::size_t> next_{0};  // the next index to take
    std::uint64_t batch_ = 0;           // counts batches handed to the worker
    bool workerBusy_ = false;
    bool stop_ = false;
    const bool twoLanes_;
    std::thread worker_;
};

}  // namespace vorla::optimizer
