// The fuzz programs' view of one input: small numbers are taken from its front, the rest is data.
// Past the end every number is 0, so any input is valid.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

class TFuzzInput {
 public:
  TFuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::uint16_t Word() { return static_cast<std::uint16_t>(Byte() | Byte() << 8); }
  std::uint32_t Dword() { return static_cast<std::uint32_t>(Word() | std::uint32_t{Word()} << 16); }
  bool Flag() { return (Byte() & 1) != 0; }

  // The bytes not taken yet.
  const std::uint8_t* Rest() const { return data_ + pos_; }
  std::size_t RestSize() const { return size_ - pos_; }
  std::string_view RestText() const { return {reinterpret_cast<const char*>(Rest()), RestSize()}; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// A property the code promises was broken: libFuzzer reports the crash with the input that did it.
#define FUZZ_CHECK(condition)                                                             \
  do {                                                                                    \
    if (!(condition)) {                                                                   \
      std::fprintf(stderr, "%s:%d: FUZZ_CHECK(%s) failed\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                       \
    }                                                                                     \
  } while (false)
