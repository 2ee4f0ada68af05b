#include "engine/foundation/SQLMemHeapBlock.h"

#include <cstdlib>
#include <utility>
#include "vcl/rtl/Exceptions.h"

THeapBlock::~THeapBlock() { std::free(data_); }

THeapBlock::THeapBlock(THeapBlock&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

THeapBlock& THeapBlock::operator=(THeapBlock&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

THeapBlock THeapBlock::Allocate(std::size_t size, bool zeroFill) {
  THeapBlock block;
  if (size == 0) return block;
  void* p = zeroFill ? std::calloc(size, 1) : std::malloc(size);
  if (!p) throw EOutOfMemory("Out of memory");
  block.data_ = static_cast<std::uint8_t*>(p);
  block.size_ = size;
  return block;
}

void THeapBlock::Resize(std::size_t size) {
  if (size == 0) {
    Reset();
    return;
  }
  void* p = std::realloc(data_, size);
  if (!p) throw EOutOfMemory("Out of memory");
  data_ = static_cast<std::uint8_t*>(p);
  size_ = size;
}

void THeapBlock::Reset() noexcept {
  std::free(data_);
  data_ = nullptr;
  size_ = 0;
}
