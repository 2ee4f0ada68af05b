// The parts of the OS seam that are the same on every platform: the process-wide random generator and
// the OS error exception.
#include "vcl/rtl/OsSeam.h"

#include <chrono>
#include <mutex>

#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Format.h"

namespace os {
namespace {

UInt64 SplitMix64(UInt64& state) {
  UInt64 z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

UInt64 Rotl(UInt64 x, int k) { return (x << k) | (x >> (64 - k)); }

class Xoshiro256 {
 public:
  explicit Xoshiro256(UInt64 seed) { Seed(seed); }

  void Seed(UInt64 seed) {
    UInt64 sm = seed;
    for (UInt64& w : s_) w = SplitMix64(sm);  // never all zero: splitmix64 is a bijection of a counter
  }

  UInt64 Next() {
    const UInt64 result = Rotl(s_[1] * 5, 7) * 9;
    const UInt64 t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = Rotl(s_[3], 45);
    return result;
  }

 private:
  UInt64 s_[4];
};

std::mutex& RandomMutex() {
  static std::mutex m;
  return m;
}

Xoshiro256& Generator() {
  static Xoshiro256 g(0);
  return g;
}

}  // namespace

void RandSeed(UInt64 seed) {
  std::lock_guard lock(RandomMutex());
  Generator().Seed(seed);
}

void Randomize() {
  const auto now = std::chrono::system_clock::now().time_since_epoch().count();
  const auto steady = std::chrono::steady_clock::now().time_since_epoch().count();
  RandSeed(static_cast<UInt64>(now) ^ Rotl(static_cast<UInt64>(steady), 32) ^ CurrentThreadId());
}

Cardinal RandomInt(Cardinal range) {
  if (range == 0) return 0;
  std::lock_guard lock(RandomMutex());
  // Lemire's multiply-and-reject: unbiased for every range, one multiplication in the common case.
  const UInt64 threshold = (0x100000000ull - range) % range;  // 2^32 mod range
  for (;;) {
    const UInt64 m = (Generator().Next() >> 32) * range;
    if ((m & 0xFFFFFFFFull) >= threshold) return static_cast<Cardinal>(m >> 32);
  }
}

double RandomFloat() {
  std::lock_guard lock(RandomMutex());
  return static_cast<double>(Generator().Next() >> 11) * 0x1.0p-53;
}

void RaiseOSError(Cardinal code) {
  throw EOSError(Format("System Error.  Code: %d.\r\n%s", {code, SysErrorMessage(code)}), code);
}

void RaiseLastOSError() { RaiseOSError(LastError()); }

}  // namespace os
