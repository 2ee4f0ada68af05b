// Page faults per iteration beside a pair's times: the first touch of a fresh page costs tens of
// microseconds on the machines the benchmarks run on, so a side whose memory goes back to the system
// between iterations pays for it again on every one. tools/bench prints the counter beside each pair.
#pragma once
#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace bench {

// Counts the process's minor and major page faults from construction to destruction and stores them,
// per iteration, in the state's "faults" counter. Make one before the timing loop.
class PageFaults {
 public:
  explicit PageFaults(benchmark::State& state) : state_(state), start_(Now()) {}
  ~PageFaults() {
    const double iterations = state_.iterations() > 0 ? static_cast<double>(state_.iterations()) : 1.0;
    state_.counters["faults"] = static_cast<double>(Now() - start_) / iterations;
  }
  PageFaults(const PageFaults&) = delete;
  PageFaults& operator=(const PageFaults&) = delete;

 private:
  static long Now() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt + usage.ru_majflt;
  }
  benchmark::State& state_;
  long start_;
};

}  // namespace bench
