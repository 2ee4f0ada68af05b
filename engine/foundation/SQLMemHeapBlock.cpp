#include "engine/foundation/SQLMemHeapBlock.h"

#include <cstdint>
#include <cstdlib>
#include <utility>
#include "vcl/rtl/Exceptions.h"
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

// A block of many megabytes (a table stream's body, its compressed form) is written once from end to end
// right after it is allocated. Page by page, the first touch of fresh memory costs more than the coder
// spends on the bytes; on Linux the block asks for huge pages instead (where the system grants them on
// request), so it faults in 2 MiB at a time. Elsewhere, and for smaller blocks, this does nothing.
constexpr std::size_t kLargeBlock = std::size_t{4} << 20;

void AdviseLargeBlock([[maybe_unused]] void* data, [[maybe_unused]] std::size_t size) noexcept {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (size < kLargeBlock) return;
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kHugePage - 1);
  // Advice only: a refusal leaves ordinary pages.
  if (end > begin) (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

}  // namespace

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
  AdviseLargeBlock(p, size);
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
  if (size > size_) AdviseLargeBlock(p, size);
  data_ = static_cast<std::uint8_t*>(p);
  size_ = size;
}

void THeapBlock::Reset() noexcept {
  std::free(data_);
  data_ = nullptr;
  size_ = 0;
}
