// CPU time for the benchmarks that set the program beside other tools run as processes.
#pragma once

#include <sys/resource.h>

#include <ctime>

namespace vorla::bench {

// This process's CPU time in ms, every thread.
inline double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The user + system CPU time in ms of the child processes waited for so far.
inline double ChildCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto ms = [](const timeval& v) {
        return static_cast<double>(v.tv_sec) * 1e3 + static_cast<double>(v.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

}  // namespace vorla::bench
