#include "engine/foundation/SQLMemCompressedBLOBStream.h"

#include <algorithm>
#include <cstring>

#include "engine/foundation/SQLMemCompression.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemDecUtil.h"
#include "engine/foundation/SQLMemExcept.h"
#include "vcl/rtl/CheckedInt.h"

namespace {

constexpr Int64 kHeaderSize = CompressedBlockHeader::kSize;
// Below this many bytes per block, a damaged or careless block size would turn a few writes into
// thousands of blocks, each with a fresh coder.
constexpr Integer kMinBlockSize = 512;

// The header as it lies in the base stream: little-endian, no padding.
void PutLE(Byte* p, UInt64 v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<Byte>(v >> (8 * i));
}

UInt64 GetLE(const Byte* p, int bytes) {
  UInt64 v = 0;
  for (int i = 0; i < bytes; ++i) v |= static_cast<UInt64>(p[i]) << (8 * i);
  return v;
}

void EncodeHeader(const CompressedBlockHeader& h, Byte* out) {
  PutLE(out, static_cast<Cardinal>(h.CompressedSize), 4);
  PutLE(out + 4, static_cast<Cardinal>(h.UncompressedSize), 4);
  PutLE(out + 8, h.Crc32, 4);
  PutLE(out + 12, static_cast<UInt64>(h.NextOffset), 8);
}

CompressedBlockHeader DecodeHeader(const Byte* in) {
  CompressedBlockHeader h;
  h.CompressedSize = static_cast<Integer>(static_cast<Cardinal>(GetLE(in, 4)));
  h.UncompressedSize = static_cast<Integer>(static_cast<Cardinal>(GetLE(in + 4, 4)));
  h.Crc32 = static_cast<Cardinal>(GetLE(in + 8, 4));
  h.NextOffset = static_cast<Int64>(GetLE(in + 12, 8));
  return h;
}

}  // namespace

Integer BlockSizeForMode(Byte mode) {
  if (mode == 0) return StreamDefaults[4];
  if (mode <= 3) return StreamDefaults[5];
  if (mode <= 6) return StreamDefaults[6];
  return StreamDefaults[7];
}

Cardinal BlockChecksum(Cardinal seed, const void* data, Integer length) {
  if (data == nullptr || length <= 0) return seed;
  return Crc32Update(seed, data, length);
}

// ---- construction and the header walk ----

TSQLMemCompressedBLOBStream::TSQLMemCompressedBLOBStream(TStream& baseStream, const CompressedBLOBDescriptor& descriptor,
                                                         bool isNew, bool tolerant)
    : tolerant_(tolerant),
      mode_(descriptor.Mode),
      algorithm_(descriptor.Algorithm),
      baseStream_(baseStream),
      descriptor_(descriptor) {
  const Int64 start = descriptor_.StartPosition;
  if (start < 0) {
    SQLMemError(10103, SQLMemCannotSetStreamPosition, {start, baseStream_.GetPosition(), baseStream_.GetSize()});
  }
  StreamSeekChecked(baseStream_, 10103, start);
  blockSize_ = descriptor_.BlockSize;
  baseOffset_ = start;
  if (algorithm_ != 0) {
    if (isNew) {
      // 0 asks for the mode's block size; a negative or tiny size is as unusable as none.
      if (descriptor_.BlockSize < kMinBlockSize) descriptor_.BlockSize = BlockSizeForMode(mode_);
      descriptor_.BlockCount = 0;
    }
    blockSize_ = descriptor_.BlockSize;
    LoadBlockHeaders();
    // An empty chain without a usable block size takes the mode's, so that appending can start.
    if (headers_.Count() == 0 && blockSize_ < kMinBlockSize) {
      descriptor_.BlockSize = BlockSizeForMode(mode_);
      blockSize_ = descriptor_.BlockSize;
    }
    // The descriptor describes the chain from now on (a new BLOB's old length is gone).
    descriptor_.UncompressedSize = size_;
    currentBlock_ = 0;
    position_ = 0;
  } else {
    if (baseStream_.GetPosition() != start) {
      SQLMemError(10079, SQLMemCannotSetStreamPosition, {start, baseStream_.GetPosition(), baseStream_.GetSize()});
    }
    if (isNew) {
      size_ = 0;
      descriptor_.BlockCount = 0;
    } else {
      size_ = descriptor_.UncompressedSize;
      const Int64 baseSize = baseStream_.GetSize();
      if (size_ < 0 || (!tolerant_ && baseSize - start < size_)) {
        SQLMemError(10081, SQLMemStreamSizeTooSmall, {baseSize, CheckedAdd(start, std::max<Int64>(size_, 0))});
      }
      // A tolerant stream keeps what the base holds, as it keeps the whole blocks of a chain.
      size_ = std::clamp<Int64>(baseSize - start, 0, size_);
    }
    descriptor_.UncompressedSize = size_;
  }
  UpdateSizes();
}

TSQLMemCompressedBLOBStream::~TSQLMemCompressedBLOBStream() = default;

// Every header is checked before it is used: its compressed bytes must lie inside the base stream and
// the next header right behind them, and its block must hold exactly BlockSize bytes unless it is the
// last, which holds 1 to BlockSize. So reads never leave a block's buffer, the walk always moves
// forward, and nothing is allocated beyond what the base stream holds or a block can hold.
void TSQLMemCompressedBLOBStream::LoadBlockHeaders() {
  size_ = 0;
  compressedSize_ = 0;
  const Int64 start = descriptor_.StartPosition;
  if (baseStream_.GetPosition() != start) {
    SQLMemError(10080, SQLMemCannotSetStreamPosition, {start, baseStream_.GetPosition(), baseStream_.GetSize()});
  }
  headers_.SetSize(0);
  const Int64 baseSize = baseStream_.GetSize();
  Int64 i = 0;
  bool stoppedEarly = false;
  for (; i < descriptor_.BlockCount; ++i) {
    const Int64 at = baseStream_.GetPosition();
    if (baseSize - at < kHeaderSize) {
      if (!tolerant_) SQLMemError(10082, SQLMemStreamSizeTooSmall, {baseSize, CheckedAdd(at, kHeaderSize)});
      stoppedEarly = true;
      break;
    }
    Byte raw[kHeaderSize];
    StreamReadChecked(raw, static_cast<Integer>(kHeaderSize), baseStream_, 10082);
    const CompressedBlockHeader header = DecodeHeader(raw);

    const bool chained = header.CompressedSize >= 0 && header.NextOffset == kHeaderSize + header.CompressedSize;
    if (!chained) {
      SQLMemError(10083, SQLMemCannotSetStreamPosition,
                  {WrappingAdd(at, header.NextOffset), baseStream_.GetPosition(), baseSize});
    }
    if (header.NextOffset > baseSize - at) {  // the block's bytes run past the end of the base
      if (!tolerant_) {
        SQLMemError(10083, SQLMemCannotSetStreamPosition, {at + header.NextOffset, baseStream_.GetPosition(), baseSize});
      }
      stoppedEarly = true;
      break;
    }
    if (blockSize_ < kMinBlockSize || header.UncompressedSize < 1 || header.UncompressedSize > blockSize_) {
      SQLMemError(10088, SQLMemDecompressSizeMismatch, {blockSize_, header.UncompressedSize});
    }
    if (i > 0) {
      const Integer previous = headers_.GetHeader(i - 1).UncompressedSize;
      if (previous != blockSize_) SQLMemError(10088, SQLMemDecompressSizeMismatch, {blockSize_, previous});
    }
    size_ += header.UncompressedSize;
    compressedSize_ += header.CompressedSize;
    headers_.Append(header, at);
    StreamSeekChecked(baseStream_, 10083, at + header.NextOffset);
  }
  if (stoppedEarly) descriptor_.BlockCount = i;
}

// ---- blocks ----

CompressedBlockHeader TSQLMemCompressedBLOBStream::CompressBlock(const Byte* data, Integer length, THeapBlock& out) {
  Integer outSize = 0;
  if (!CompressBuffer(algorithm_, mode_, data, length, out, outSize)) {
    SQLMemError(10085, SQLMemCompressBufferFailed, {algorithm_, mode_, length, outSize});
  }
  CompressedBlockHeader header;
  header.CompressedSize = outSize;
  header.UncompressedSize = length;
  header.Crc32 = BlockChecksum(0, data, length);
  header.NextOffset = kHeaderSize + outSize;
  return header;
}

void TSQLMemCompressedBLOBStream::DecompressBlock(Int64 index, THeapBlock& out) {
  const CompressedBlockHeader header = headers_.GetHeader(index);
  const Int64 at = headers_.GetPosition(index) + kHeaderSize;
  StreamSeekChecked(baseStream_, 10086, at);
  TSQLMemStreamBuffer packed(std::max(header.CompressedSize, 1));
  const Integer got = header.CompressedSize > 0 ? baseStream_.Read(packed.Data(), header.CompressedSize) : 0;
  if (got != header.CompressedSize) {
    SQLMemError(10086, SQLMemCannotReadBlockFromStream, {at, baseStream_.GetSize(), header.CompressedSize, got});
  }
  Integer outSize = header.UncompressedSize;
  // The block size bounds the output, whatever a damaged block decodes to.
  if (!DecompressBuffer(algorithm_, packed.Data(), header.CompressedSize, outSize, out, blockSize_)) {
    SQLMemError(10087, SQLMemDecompressBufferFailed, {algorithm_, header.CompressedSize, header.UncompressedSize});
  }
  if (outSize != header.UncompressedSize) {
    out.Reset();
    SQLMemError(10088, SQLMemDecompressSizeMismatch, {outSize, header.UncompressedSize});
  }
  const Cardinal crc = BlockChecksum(0, out.Data(), outSize);
  if (crc != header.Crc32) {
    out.Reset();
    SQLMemError(10089, SQLMemDecompressCheckSumMismatch, {crc, header.Crc32});
  }
}

void TSQLMemCompressedBLOBStream::WriteBlockAt(Int64 position, const CompressedBlockHeader& header,
                                               const THeapBlock& data, Integer seekCode, Integer headerCode,
                                               Integer dataCode, bool plainMessage) {
  StreamSeekChecked(baseStream_, seekCode, position);
  Byte raw[kHeaderSize];
  EncodeHeader(header, raw);
  auto put = [&](const void* bytes, Integer count, Integer code) {
    if (!plainMessage) {
      StreamWriteChecked(bytes, count, baseStream_, code);
    } else if (baseStream_.Write(bytes, count) != count) {
      SQLMemError(code, SQLMemErrorWritingToStream);
    }
  };
  put(raw, static_cast<Integer>(kHeaderSize), headerCode);
  put(data.Data(), header.CompressedSize, dataCode);
}

// ---- reading and writing ----

Integer TSQLMemCompressedBLOBStream::Read(void* buffer, Integer count) {
  if (count <= 0 || position_ < 0 || position_ >= size_) return 0;
  auto* out = static_cast<Byte*>(buffer);
  if (algorithm_ == 0) {
    StreamSeekChecked(baseStream_, 10086, CheckedAdd(baseOffset_, position_));
    const Integer wanted = static_cast<Integer>(std::min<Int64>(count, size_ - position_));
    const Integer got = std::max(baseStream_.Read(out, wanted), 0);
    position_ += got;
    return got;
  }
  Integer copied = 0;
  currentBlock_ = position_ / blockSize_;
  while (position_ < size_ && copied < count) {
    const THeapBlock& block = KeptBlock(currentBlock_);
    const Int64 offset = position_ % blockSize_;
    const Int64 n = std::min({blockSize_ - offset, Int64{count - copied}, size_ - position_});
    if (n <= 0) SQLMemError(10090, SQLMemCannotReadFromStream, {n});
    if (offset + n > static_cast<Int64>(block.Size())) {
      SQLMemError(10088, SQLMemDecompressSizeMismatch, {static_cast<Int64>(block.Size()), offset + n});
    }
    std::memcpy(out + copied, block.Data() + offset, static_cast<size_t>(n));
    copied += static_cast<Integer>(n);
    position_ += n;
    if (copied < count) ++currentBlock_;
  }
  return copied;
}

const THeapBlock& TSQLMemCompressedBLOBStream::KeptBlock(Int64 index) {
  if (index != keptIndex_) {
    keptIndex_ = -1;
    THeapBlock block;
    DecompressBlock(index, block);
    keptBlock_ = std::move(block);
    keptIndex_ = index;
  }
  return keptBlock_;
}

Integer TSQLMemCompressedBLOBStream::Write(const void* buffer, Integer count) {
  keptIndex_ = -1;
  if (count <= 0 || position_ < 0) return 0;
  const auto* in = static_cast<const Byte*>(buffer);
  if (algorithm_ == 0) {
    if (position_ > size_) ZeroBase(size_, position_);
    StreamSeekChecked(baseStream_, 10091, CheckedAdd(baseOffset_, position_));
    const Integer put = std::max(baseStream_.Write(in, count), 0);
    position_ += put;
    size_ = std::max(size_, position_);
    descriptor_.UncompressedSize = size_;
    UpdateSizes();
    return put;
  }
  if (position_ < size_) return 0;  // data is only ever added at the end
  if (position_ > size_) {
    const Int64 target = position_;
    Extend(target);
    if (size_ != target) SQLMemError(10092, SQLMemInvalidStreamSize, {size_, target});
    if (position_ != target) SQLMemError(10091, SQLMemCannotSetStreamPosition, {target, position_, size_});
  }
  Append(in, count);
  return count;
}

void TSQLMemCompressedBLOBStream::Advance(Integer count) {
  size_ += count;
  position_ += count;
  descriptor_.BlockCount = headers_.Count();
  descriptor_.UncompressedSize = size_;
  compressionRatio_ = size_ > 0 ? (1.0 - static_cast<double>(compressedSize_) / static_cast<double>(size_)) * 100.0 : 0;
}

void TSQLMemCompressedBLOBStream::Append(const Byte* data, Integer count) {
  Integer done = 0;
  const Int64 filled = size_ % blockSize_;
  if (filled > 0) {
    // The last block is partly filled: it is rewritten in place with the new bytes behind its own.
    const Int64 last = headers_.Count() - 1;
    currentBlock_ = last;
    THeapBlock old;
    DecompressBlock(last, old);
    const Integer n = static_cast<Integer>(std::min<Int64>(count, blockSize_ - filled));
    TSQLMemStreamBuffer merged(static_cast<Integer>(filled + n));
    std::memcpy(merged.Data(), old.Data(), static_cast<size_t>(filled));
    std::memcpy(merged.Data() + filled, data, static_cast<size_t>(n));
    THeapBlock packed;
    const CompressedBlockHeader header = CompressBlock(merged.Data(), static_cast<Integer>(filled + n), packed);
    const CompressedBlockHeader before = headers_.GetHeader(last);
    WriteBlockAt(headers_.GetPosition(last), header, packed, 10099, 10100, 10101, false);
    headers_.SetHeader(last, header);
    compressedSize_ += Int64{header.CompressedSize} - before.CompressedSize;
    Advance(n);
    done = n;
  }
  if (done < count) {
    const Int64 blocks = headers_.Count();
    Int64 at = blocks > 0 ? headers_.GetPosition(blocks - 1) + headers_.GetHeader(blocks - 1).NextOffset
                          : descriptor_.StartPosition;
    StreamSeekChecked(baseStream_, 10102, at);
    while (done < count) {
      const Integer n = std::min<Integer>(blockSize_, count - done);
      THeapBlock packed;
      const CompressedBlockHeader header = CompressBlock(data + done, n, packed);
      WriteBlockAt(at, header, packed, 10099, 10100, 10101, false);
      headers_.Append(header, at);
      at += header.NextOffset;
      compressedSize_ += header.CompressedSize;
      Advance(n);
      done += n;
    }
  }
  currentBlock_ = position_ / blockSize_;
}

Int64 TSQLMemCompressedBLOBStream::Seek(Int64 offset, TSeekOrigin origin) {
  const Int64 target = SeekTarget(offset, origin, position_, size_);
  if (algorithm_ == 0) {
    baseStream_.Seek(CheckedAdd(baseOffset_, target), soBeginning);
    position_ = baseStream_.GetPosition() - baseOffset_;
    return position_;
  }
  if (target <= 0) {
    position_ = 0;
    currentBlock_ = 0;
  } else {
    position_ = target;
    currentBlock_ = size_ == 0 ? 0 : position_ / blockSize_;
  }
  return position_;
}

// ---- size changes ----

void TSQLMemCompressedBLOBStream::SetSize(Int64 newSize) {
  keptIndex_ = -1;
  if (newSize < 0) RaiseRangeError();
  if (algorithm_ != 0) {
    if (newSize > size_) {
      Extend(newSize);
    } else if (newSize < size_) {
      Truncate(newSize);
    }
  } else {
    baseStream_.SetSize(CheckedAdd(baseOffset_, newSize));
    if (newSize > size_) ZeroBase(size_, newSize);
  }
  size_ = newSize;
  descriptor_.UncompressedSize = newSize;
  if (algorithm_ != 0) descriptor_.BlockCount = headers_.Count();
  UpdateSizes();
  if (position_ > size_) position_ = size_;
}

// Zero bytes are appended block by block; the position ends at the new end.
void TSQLMemCompressedBLOBStream::Extend(Int64 newSize) {
  const Int64 extension = newSize - size_;
  if (extension <= 0) SQLMemError(10098, SQLMemInvalidExtensionSize, {newSize, size_, extension});
  position_ = size_;
  TSQLMemStreamBuffer zeros(static_cast<Integer>(std::min<Int64>(blockSize_, extension)), true);
  for (Int64 left = extension; left > 0;) {
    const Integer piece = static_cast<Integer>(std::min<Int64>(zeros.Size(), left));
    const Int64 before = position_;
    const Integer put = Write(zeros.Data(), piece);
    if (put != piece) SQLMemError(10097, SQLMemCannotWriteBlockToStream, {before, size_, piece, put});
    left -= piece;
  }
}

// The blocks below the new end stay; the part of the block the end falls into is compressed anew and
// written behind them, and the base stream is cut there. Nothing changes before that block has been
// read and compressed.
void TSQLMemCompressedBLOBStream::Truncate(Int64 newSize) {
  const Int64 kept = newSize / blockSize_;
  const Int64 rest = newSize % blockSize_;
  const Int64 at = headers_.GetPosition(kept);
  if (rest > 0) {
    THeapBlock old;
    DecompressBlock(kept, old);
    THeapBlock packed;
    const CompressedBlockHeader header = CompressBlock(old.Data(), static_cast<Integer>(rest), packed);
    baseStream_.SetSize(at);
    if (baseStream_.GetSize() != at) SQLMemError(10093, SQLMemInvalidStreamSize, {baseStream_.GetSize(), at});
    WriteBlockAt(at, header, packed, 10094, 10095, 10096, true);
    headers_.SetHeader(kept, header);
    headers_.SetPosition(kept, at);
    headers_.SetSize(kept + 1);
  } else {
    // Whole blocks only: the chain ends at block kept, whose bytes are no longer needed.
    baseStream_.SetSize(at);
    if (baseStream_.GetSize() != at) SQLMemError(10093, SQLMemInvalidStreamSize, {baseStream_.GetSize(), at});
    headers_.SetSize(kept);
  }
}

// The base stream grows without clearing what it adds; a BLOB's new bytes read as zeros.
void TSQLMemCompressedBLOBStream::ZeroBase(Int64 from, Int64 to) {
  StreamSeekChecked(baseStream_, 10091, CheckedAdd(baseOffset_, from));
  const TSQLMemStreamBuffer zeros(static_cast<Integer>(std::min<Int64>(to - from, 1 << 16)), true);
  for (Int64 left = to - from; left > 0;) {
    const Integer piece = static_cast<Integer>(std::min<Int64>(zeros.Size(), left));
    StreamWriteChecked(zeros.Data(), piece, baseStream_, 10097);
    left -= piece;
  }
}

void TSQLMemCompressedBLOBStream::UpdateSizes() {
  if (algorithm_ != 0 && size_ > 0) {
    Int64 total = 0;
    for (Int64 i = 0; i < headers_.Count(); ++i) total += headers_.GetHeader(i).CompressedSize;
    compressedSize_ = total;
    compressionRatio_ = (1.0 - static_cast<double>(compressedSize_) / static_cast<double>(size_)) * 100.0;
  } else {
    compressedSize_ = size_;
    compressionRatio_ = 0;
  }
}

Int64 TSQLMemCompressedBLOBStream::GetBaseStreamSize() { return baseStream_.GetSize(); }
