// One BLOB value as an engine stream whose bytes lie in another stream (the base stream) as a chain of
// independently compressed blocks, each behind a 20-byte header with its sizes and a CRC-32. Data is
// only ever added at the end; the stream can also be cut or extended with zeros, and a stored chain is
// reopened from its descriptor. Algorithm 0 keeps the bytes uncompressed at an offset of the base.
#pragma once
#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemHeapBlock.h"
#include "engine/foundation/SQLMemStreams.h"
#include "vcl/rtl/SysTypes.h"

// Describes one stored BLOB. The caller fills it; the stream keeps its own copy describing what it
// holds from the moment it is opened, and the owner stores that copy afterwards.
struct CompressedBLOBDescriptor {
  Integer BlockSize = 0;        // uncompressed bytes per block; 0 for a new BLOB: the mode's size
  Int64 BlockCount = 0;         // blocks in the chain
  Int64 UncompressedSize = 0;   // the BLOB's length
  Int64 StartPosition = 0;      // offset of the first block header in the base (algorithm 0: of the first byte)
  Byte Algorithm = 0;           // CompressionAlgorithm id
  Byte Mode = 0;                // compression mode passed to CompressBuffer
};

// Uncompressed block size of a new BLOB by compression mode: 0: 102400; 1-3: 524288; 4-6: 1048576;
// 7 and above: 1572864.
Integer BlockSizeForMode(Byte mode);

// The raw CRC-32 register of the block checks (no inversion), started from seed; the seed comes back
// unchanged for no data or length <= 0. "abc" from 0 gives 0xCA6598D0.
Cardinal BlockChecksum(Cardinal seed, const void* data, Integer length);

class TSQLMemCompressedBLOBStream : public TSQLMemStream {
 public:
  // isNew: the BLOB gets new content (no blocks yet); otherwise the chain the descriptor names is
  // read and checked. Every header must describe a block the base stream holds whole, of exactly
  // BlockSize bytes except the last (1..BlockSize); a chain's BlockSize must be at least 512 (a new or
  // empty chain with a smaller one takes the mode's). A tolerant stream accepts a base stream that ends
  // early and keeps the complete blocks before that point (algorithm 0: the bytes the base holds).
  // Raises 10103 when the base does not reach StartPosition, 10081 when an uncompressed BLOB's base is
  // too short, 10082 when a header is missing, 10083 when a header's sizes or offset are impossible,
  // 10088 when a block's length or the block size is.
  TSQLMemCompressedBLOBStream(TStream& baseStream, const CompressedBLOBDescriptor& descriptor, bool isNew,
                              bool tolerant = false);
  ~TSQLMemCompressedBLOBStream() override;

  using TStream::Seek;
  using TStream::SetSize;
  // Decompresses each block it touches; the last block decompressed is kept until the next write or size
  // change, so small reads within one block decompress it once. A damaged block raises 10086 (compressed bytes missing),
  // 10087 (refused by the decompressor), 10088 (wrong length) or 10089 (checksum mismatch).
  Integer Read(void* buffer, Integer count) override;
  // Appends: at a position inside the content nothing is written and the result is 0; beyond the end
  // the gap is filled with zeros first. (Algorithm 0 writes anywhere, as its base stream does.) The partly filled last block is filled before new blocks are
  // added. A refused compression raises 10085. After a failure the chain holds the blocks written
  // so far and the stream's size and descriptor describe them.
  Integer Write(const void* buffer, Integer count) override;
  // No limit at the end; a compressed stream turns a negative position into 0.
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  // Growing writes zero blocks and leaves the position at the new end (algorithm 0: zero bytes, the
  // position stays); cutting re-compresses the part of the block that stays and cuts the base stream
  // behind it. A negative size raises ERangeError.
  void SetSize(Int64 newSize) override;
  Int64 GetSize() override { return size_; }

  Int64 GetBaseStreamSize();
  const CompressedBLOBDescriptor& Descriptor() const noexcept { return descriptor_; }
  Int64 CompressedSize() const noexcept { return compressedSize_; }
  // (1 - CompressedSize / Size) x 100; 0 for algorithm 0 or an empty stream.
  double CompressionRatio() const noexcept { return compressionRatio_; }
  Int64 CurrentBlock() const noexcept { return currentBlock_; }

 private:
  void LoadBlockHeaders();
  // Compresses length bytes into out and returns the block's header; a refusal raises 10085.
  CompressedBlockHeader CompressBlock(const Byte* data, Integer length, THeapBlock& out);
  // The uncompressed bytes of block index, checked against its header.
  void DecompressBlock(Int64 index, THeapBlock& out);
  // Block index uncompressed, from the kept block when it is that one.
  const THeapBlock& KeptBlock(Int64 index);
  // Writes a header and its compressed bytes at position of the base stream.
  void WriteBlockAt(Int64 position, const CompressedBlockHeader& header, const THeapBlock& data, Integer seekCode,
                    Integer headerCode, Integer dataCode, bool plainMessage);
  // Appends count bytes at the end (the position is the size), filling the last block first.
  void Append(const Byte* data, Integer count);
  void Advance(Integer count);
  void Extend(Int64 newSize);
  void Truncate(Int64 newSize);
  void ZeroBase(Int64 from, Int64 to);  // algorithm 0: zeros over [from, to) of the BLOB
  void UpdateSizes();

  bool tolerant_;
  TSQLMemCompressedStreamBlockHeadersArray headers_;
  Int64 size_ = 0;
  Int64 compressedSize_ = 0;
  Int64 baseOffset_ = 0;
  Int64 currentBlock_ = 0;
  Int64 position_ = 0;
  Byte mode_;
  Byte algorithm_;
  double compressionRatio_ = 0;
  TStream& baseStream_;
  CompressedBLOBDescriptor descriptor_;
  THeapBlock keptBlock_;      // the last block Read decompressed (checked), or nothing
  Int64 keptIndex_ = -1;      // its index; -1 after any change to the chain
};
