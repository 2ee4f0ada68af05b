// Memory functions of the OS seam on Windows: the memory status and the two kernel32 allocators the
// engine's memory manager draws on besides the runtime heap.
#include <windows.h>

#include "vcl/rtl/OsSeam.h"

namespace os {

MemoryStatus GetMemoryStatus() {
  MEMORYSTATUSEX ex{};
  ex.dwLength = sizeof ex;
  if (GlobalMemoryStatusEx(&ex)) return MemoryStatus{ex.ullTotalPhys, ex.ullAvailPhys};
  // The 32-bit form saturates above 4 GB but never fails.
  MEMORYSTATUS st{};
  st.dwLength = sizeof st;
  GlobalMemoryStatus(&st);
  return MemoryStatus{st.dwTotalPhys, st.dwAvailPhys};
}

// A request of 0 bytes gives nullptr on both sides of the seam (GlobalAlloc would hand out a
// zero-length block, VirtualAlloc fails); no caller asks for one.
void* GlobalAllocFixed(std::size_t size) {
  if (size == 0) return nullptr;
  // With GMEM_FIXED the handle is the block's address.
  return reinterpret_cast<void*>(GlobalAlloc(GMEM_FIXED, size));
}

void GlobalFreeBlock(void* p) noexcept {
  if (p != nullptr) GlobalFree(reinterpret_cast<HGLOBAL>(p));
}

void* VirtualAllocCommit(std::size_t size) {
  if (size == 0) return nullptr;
  // Committed pages are zero-filled by the system.
  return VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

void VirtualFreeRelease(void* p, std::size_t /*size*/) noexcept {
  // MEM_RELEASE frees the whole reservation and requires a size of 0.
  if (p != nullptr) VirtualFree(p, 0, MEM_RELEASE);
}

}  // namespace os
