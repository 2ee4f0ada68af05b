// The median time of a piece of GUI work in the Windows timing programs: one warm-up run, then `rounds`
// timed runs, each ended by GdiFlush so that queued drawing counts.
#pragma once
#include <windows.h>

#include <algorithm>
#include <functional>
#include <vector>

inline double MedianMs(int rounds, const std::function<void()>& work) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  work();
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    QueryPerformanceCounter(&start);
    work();
    GdiFlush();
    QueryPerformanceCounter(&end);
    times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}
