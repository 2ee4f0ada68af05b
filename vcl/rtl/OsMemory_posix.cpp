// Memory functions of the OS seam on POSIX systems: /proc/meminfo (sysinfo as a fallback) for the
// memory status, malloc for the "global" blocks and anonymous mappings for the committed pages.
#include <sys/mman.h>
#include <sys/sysinfo.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "vcl/rtl/OsSeam.h"

namespace os {

namespace {

// Reads "MemTotal:" and "MemAvailable:" (kB) from /proc/meminfo; false when either is missing
// (kernels before 3.14 have no MemAvailable).
bool ReadProcMemInfo(MemoryStatus& status) {
  std::ifstream in("/proc/meminfo");
  if (!in) return false;
  bool haveTotal = false;
  bool haveAvail = false;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string key;
    UInt64 kb = 0;
    if (!(fields >> key >> kb)) continue;
    if (key == "MemTotal:") {
      status.totalPhys = kb * 1024;
      haveTotal = true;
    } else if (key == "MemAvailable:") {
      status.availPhys = kb * 1024;
      haveAvail = true;
    }
  }
  return haveTotal && haveAvail;
}

}  // namespace

MemoryStatus GetMemoryStatus() {
  MemoryStatus status;
  if (ReadProcMemInfo(status)) return status;
  struct sysinfo info{};
  if (sysinfo(&info) == 0) {
    const UInt64 unit = info.mem_unit == 0 ? 1 : info.mem_unit;
    status.totalPhys = static_cast<UInt64>(info.totalram) * unit;
    // Free memory plus buffers is the nearest that sysinfo comes to "available".
    status.availPhys = (static_cast<UInt64>(info.freeram) + info.bufferram) * unit;
  }
  return status;
}

// A request of 0 bytes gives nullptr on both sides of the seam; no caller asks for one.
void* GlobalAllocFixed(std::size_t size) {
  if (size == 0) return nullptr;
  return std::malloc(size);
}

void GlobalFreeBlock(void* p) noexcept { std::free(p); }

void* VirtualAllocCommit(std::size_t size) {
  if (size == 0) return nullptr;
  // Anonymous pages arrive zero-filled, as committed pages do on Windows.
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

void VirtualFreeRelease(void* p, std::size_t size) noexcept {
  if (p != nullptr) munmap(p, size);
}

}  // namespace os
