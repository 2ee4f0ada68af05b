// A block of the ordinary C heap (malloc, realloc, free) owned by its holder. The buffer compression
// routines hand their output to the caller in one: it is not an engine memory manager block, and it
// grows and shrinks in place where the heap allows. A block of several megabytes asks the system for
// huge pages where it grants them on request (Linux), so that its first writing faults in few pages.
#pragma once
#include <cstddef>
#include <cstdint>

class THeapBlock {
 public:
  THeapBlock() noexcept = default;
  ~THeapBlock();
  THeapBlock(THeapBlock&& other) noexcept;
  THeapBlock& operator=(THeapBlock&& other) noexcept;
  THeapBlock(const THeapBlock&) = delete;
  THeapBlock& operator=(const THeapBlock&) = delete;

  // A block of size bytes, zero-filled when asked; size 0 gives an empty block. Raises EOutOfMemory
  // when the heap refuses.
  static THeapBlock Allocate(std::size_t size, bool zeroFill);

  // Changes the size; the content up to the smaller of the two sizes is kept, added bytes are
  // undefined. Size 0 releases the memory. Raises EOutOfMemory (the block is then unchanged).
  void Resize(std::size_t size);
  void Reset() noexcept;

  std::uint8_t* Data() noexcept { return data_; }
  const std::uint8_t* Data() const noexcept { return data_; }
  std::size_t Size() const noexcept { return size_; }
  bool Empty() const noexcept { return size_ == 0; }

 private:
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};
