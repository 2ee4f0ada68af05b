#include "engine/foundation/SQLMemValueBytes.h"

#include "engine/foundation/SQLMemMemory.h"

TSQLMemBlock TSQLMemBlock::Allocate(Integer size, bool zeroFill) {
  void* p = zeroFill ? MemoryManager().AllocMem(size) : MemoryManager().GetMem(size);
  return TSQLMemBlock(p, size);
}

TSQLMemBlock& TSQLMemBlock::operator=(TSQLMemBlock&& other) noexcept {
  if (this != &other) {
    Reset();
    data_ = other.data_;
    size_ = other.size_;
    other.data_ = nullptr;
    other.size_ = 0;
  }
  return *this;
}

void TSQLMemBlock::Reset() noexcept {
  if (data_ == nullptr) return;
  try {
    MemoryManager().FreeMem(data_);
  } catch (...) {
    // FreeMem has released the block or refused a foreign pointer; either way it is no longer ours.
  }
  data_ = nullptr;
  size_ = 0;
}
