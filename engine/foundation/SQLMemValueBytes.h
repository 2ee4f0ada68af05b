// Typed loads and stores inside engine blocks and value buffers. Engine blocks start 9 bytes after
// their allocation, so nothing in them is aligned: every typed access goes through memcpy here,
// never through a cast pointer. Extended values are the 10 significant bytes of the x86 80-bit float.
#pragma once
#include <cstring>
#include <type_traits>
#include "vcl/rtl/SysTypes.h"

template <class T>
  requires std::is_trivially_copyable_v<T>
T LoadValue(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <class T>
  requires std::is_trivially_copyable_v<T>
void StoreValue(void* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

// Bytes of an Extended value as stored (the x87 format without the padding of long double).
inline constexpr int kExtendedBytes = 10;
static_assert(sizeof(long double) >= kExtendedBytes, "Extended needs the 80-bit long double of x86");

inline long double LoadExtended(const void* p) {
  long double v = 0;
  unsigned char raw[sizeof(long double)] = {};
  std::memcpy(raw, p, kExtendedBytes);
  std::memcpy(&v, raw, sizeof v);
  return v;
}

inline void StoreExtended(void* p, long double v) {
  unsigned char raw[sizeof(long double)];
  std::memcpy(raw, &v, sizeof v);
  std::memcpy(p, raw, kExtendedBytes);
}

// An engine block of the process memory manager together with its size, freed when the holder goes.
// Conversions hand their results out in one, so that a failure between allocation and hand-over
// leaks nothing; Release gives the block to a new owner.
class TSQLMemBlock {
 public:
  TSQLMemBlock() = default;
  TSQLMemBlock(void* data, Integer size) noexcept : data_(data), size_(size) {}
  // A new block of size bytes (size > 0), zeroed when zeroFill is set.
  static TSQLMemBlock Allocate(Integer size, bool zeroFill);
  TSQLMemBlock(TSQLMemBlock&& other) noexcept : data_(other.data_), size_(other.size_) {
    other.data_ = nullptr;
    other.size_ = 0;
  }
  TSQLMemBlock& operator=(TSQLMemBlock&& other) noexcept;
  TSQLMemBlock(const TSQLMemBlock&) = delete;
  TSQLMemBlock& operator=(const TSQLMemBlock&) = delete;
  ~TSQLMemBlock() { Reset(); }

  void* Data() const noexcept { return data_; }
  Integer Size() const noexcept { return size_; }
  explicit operator bool() const noexcept { return data_ != nullptr; }

  // Hands the block to the caller, who frees it with MemoryManager().FreeMem.
  void* Release() noexcept {
    void* p = data_;
    data_ = nullptr;
    size_ = 0;
    return p;
  }
  // Frees the block now. A damaged block (overrun tail) is still released; the error is dropped
  // because this runs in destructors.
  void Reset() noexcept;

 private:
  void* data_ = nullptr;
  Integer size_ = 0;
};
