#include "engine/foundation/SQLMemCompressedBLOBStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemCompression.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemSettings.h"
#include "vcl/rtl/Exceptions.h"

namespace {

template <class F>
std::pair<Integer, AnsiString> EngineErrorOf(F&& f) {
  try {
    f();
  } catch (const ESQLMemException& e) {
    return {e.NativeError(), e.Message()};
  }
  ADD_FAILURE() << "no ESQLMemException raised";
  return {0, ""};
}

// Text-like bytes: compressible, but not trivially.
std::vector<Byte> Sample(Int64 size, unsigned seed) {
  static const char* const kWords[] = {"napló ", "bejegyzés ", "holnap ", "ma ", "esik ", "az ", "eső ", "\r\n", "séta "};
  std::mt19937 rng(seed);
  std::vector<Byte> v;
  while (static_cast<Int64>(v.size()) < size) {
    const char* w = kWords[rng() % std::size(kWords)];
    v.insert(v.end(), w, w + std::strlen(w));
  }
  v.resize(static_cast<size_t>(size));
  return v;
}

std::vector<Byte> ReadAll(TStream& s) {
  std::vector<Byte> all(static_cast<size_t>(s.GetSize()));
  s.SetPosition(0);
  s.ReadBuffer64(all.data(), static_cast<Int64>(all.size()));
  return all;
}

std::vector<Byte> BaseBytes(TStream& base) {
  const Int64 position = base.GetPosition();
  std::vector<Byte> all = ReadAll(base);
  base.SetPosition(position);
  return all;
}

// A bitwise CRC-32 register (reflected 0xEDB88320, no inversion), independent of the engine's table.
Cardinal ReferenceCrc(const Byte* p, size_t n) {
  Cardinal crc = 0;
  for (size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc;
}

template <class T>
T LoadLE(const std::vector<Byte>& b, size_t at) {
  using U = std::make_unsigned_t<T>;
  U v = 0;
  for (size_t i = 0; i < sizeof(T); ++i) v |= static_cast<U>(static_cast<U>(b[at + i]) << (8 * i));
  return static_cast<T>(v);
}

template <class T>
void StoreLE(std::vector<Byte>& b, size_t at, T value) {
  using U = std::make_unsigned_t<T>;
  const U v = static_cast<U>(value);
  for (size_t i = 0; i < sizeof(T); ++i) b[at + i] = static_cast<Byte>(v >> (8 * i));
}

struct StoredBlock {
  size_t at;  // header position in the base
  Integer compressedSize;
  Integer uncompressedSize;
  Cardinal crc;
  Int64 nextOffset;
};

// Walks a stored chain from the raw bytes, checks its layout and decompresses every block on its own,
// as a reader of the stored format would. Returns the BLOB's bytes.
std::vector<Byte> DecodeChain(const std::vector<Byte>& base, const CompressedBLOBDescriptor& d,
                              std::vector<StoredBlock>* blocks = nullptr) {
  std::vector<Byte> content;
  size_t at = static_cast<size_t>(d.StartPosition);
  for (Int64 i = 0; i < d.BlockCount; ++i) {
    StoredBlock b{at, LoadLE<Integer>(base, at), LoadLE<Integer>(base, at + 4), LoadLE<Cardinal>(base, at + 8),
                  LoadLE<Int64>(base, at + 12)};
    EXPECT_EQ(b.nextOffset, 20 + b.compressedSize) << "block " << i;
    EXPECT_LE(at + 20 + static_cast<size_t>(b.compressedSize), base.size());
    if (i + 1 < d.BlockCount) {
      EXPECT_EQ(b.uncompressedSize, d.BlockSize) << "block " << i;
    }
    THeapBlock out;
    Integer outSize = b.uncompressedSize;
    EXPECT_TRUE(DecompressBuffer(d.Algorithm, base.data() + at + 20, b.compressedSize, outSize, out));
    EXPECT_EQ(outSize, b.uncompressedSize);
    EXPECT_EQ(ReferenceCrc(out.Data(), static_cast<size_t>(outSize)), b.crc) << "block " << i;
    content.insert(content.end(), out.Data(), out.Data() + outSize);
    if (blocks) blocks->push_back(b);
    at += static_cast<size_t>(b.nextOffset);
  }
  EXPECT_EQ(static_cast<Int64>(content.size()), d.UncompressedSize);
  return content;
}

class BlobStreamTest : public testing::Test {
 protected:
  void SetUp() override {
    InitializeEngineFoundation();
    allocatedBefore_ = MemoryManager().Allocated();
  }
  void TearDown() override { EXPECT_EQ(MemoryManager().Allocated(), allocatedBefore_) << "engine blocks left allocated"; }

  static CompressedBLOBDescriptor NewDescriptor(Byte algorithm, Byte mode, Integer blockSize = 0, Int64 start = 0) {
    CompressedBLOBDescriptor d;
    d.Algorithm = algorithm;
    d.Mode = mode;
    d.BlockSize = blockSize;
    d.StartPosition = start;
    return d;
  }

 private:
  Int64 allocatedBefore_ = 0;
};

}  // namespace

// ---- block sizes and checksums ----

TEST(BlobBlocks, BlockSizeFollowsTheMode) {
  const std::pair<Byte, Integer> cases[] = {{0, 102400},  {1, 524288},  {3, 524288},  {4, 1048576},
                                            {6, 1048576}, {7, 1572864}, {9, 1572864}, {255, 1572864}};
  for (const auto& [mode, size] : cases) EXPECT_EQ(BlockSizeForMode(mode), size) << int{mode};
}

TEST(BlobBlocks, ChecksumIsTheRawCrcRegister) {
  EXPECT_EQ(BlockChecksum(0, "abc", 3), 0xCA6598D0u);
  EXPECT_EQ(BlockChecksum(BlockChecksum(0, "ab", 2), "c", 1), 0xCA6598D0u);
  EXPECT_EQ(BlockChecksum(1234, nullptr, 5), 1234u);
  EXPECT_EQ(BlockChecksum(1234, "abc", 0), 1234u);
  EXPECT_EQ(BlockChecksum(1234, "abc", -1), 1234u);
  const std::vector<Byte> data = Sample(5000, 1);
  EXPECT_EQ(BlockChecksum(0, data.data(), 5000), ReferenceCrc(data.data(), 5000));
}

// ---- appending ----

TEST_F(BlobStreamTest, ANewStreamTakesItsModesBlockSize) {
  TSQLMemMemoryStream base;
  TSQLMemCompressedBLOBStream byMode(base, NewDescriptor(1, 5), true);
  EXPECT_EQ(byMode.Descriptor().BlockSize, 1048576);
  EXPECT_EQ(byMode.BlockSize(), 1048576);
  TSQLMemCompressedBLOBStream given(base, NewDescriptor(1, 5, 1000), true);
  EXPECT_EQ(given.Descriptor().BlockSize, 1000);
}

TEST_F(BlobStreamTest, AppendsFillTheLastBlockBeforeAddingBlocks) {
  TSQLMemMemoryStream base;
  const std::vector<Byte> data = Sample(3200, 2);
  TSQLMemCompressedBLOBStream s(base, NewDescriptor(1, 6, 1000), true);
  EXPECT_EQ(s.Write(data.data(), 2500), 2500);
  EXPECT_EQ(s.Descriptor().BlockCount, 3);
  std::vector<StoredBlock> blocks;
  DecodeChain(BaseBytes(base), s.Descriptor(), &blocks);
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[2].uncompressedSize, 500);
  const size_t firstTwo = blocks[2].at;

  EXPECT_EQ(s.Write(data.data() + 2500, 700), 700);
  EXPECT_EQ(s.Descriptor().BlockCount, 4);
  EXPECT_EQ(s.Descriptor().UncompressedSize, 3200);
  EXPECT_EQ(s.GetSize(), 3200);
  EXPECT_EQ(s.GetPosition(), 3200);
  blocks.clear();
  const std::vector<Byte> stored = BaseBytes(base);
  EXPECT_EQ(DecodeChain(stored, s.Descriptor(), &blocks), data);
  ASSERT_EQ(blocks.size(), 4u);
  EXPECT_EQ(blocks[2].at, firstTwo);  // the third block was rewritten in place
  EXPECT_EQ(blocks[2].uncompressedSize, 1000);
  EXPECT_EQ(blocks[3].uncompressedSize, 200);
  EXPECT_EQ(static_cast<Int64>(stored.size()), s.GetBaseStreamSize());
  EXPECT_EQ(blocks[3].at + 20 + static_cast<size_t>(blocks[3].compressedSize), stored.size());

  Int64 compressed = 0;
  for (const StoredBlock& b : blocks) compressed += b.compressedSize;
  EXPECT_EQ(s.CompressedSize(), compressed);
  EXPECT_DOUBLE_EQ(s.CompressionRatio(), (1.0 - static_cast<double>(compressed) / 3200.0) * 100.0);
  EXPECT_GT(s.CompressionRatio(), 0);
}

// Reads keep the last block they decompressed; every change to the chain must drop it, or a read
// after an append to that block, a cut or a growth would return the old bytes.
TEST_F(BlobStreamTest, ReadsAfterEachChangeSeeTheNewBytes) {
  TSQLMemMemoryStream base;
  const std::vector<Byte> data = Sample(3000, 7);
  TSQLMemCompressedBLOBStream s(base, NewDescriptor(1, 6, 1000), true);
  auto readSecondBlock = [&] {  // small reads within block 1 only, so the kept block stays block 1
    std::vector<Byte> got(static_cast<size_t>(s.GetSize() - 1000));
    s.SetPosition(1000);
    for (size_t at = 0; at < got.size(); at += 100) {
      const Integer n = static_cast<Integer>(std::min<size_t>(100, got.size() - at));
      EXPECT_EQ(s.Read(got.data() + at, n), n);
    }
    return got;
  };
  ASSERT_EQ(s.Write(data.data(), 1500), 1500);
  EXPECT_EQ(readSecondBlock(), std::vector<Byte>(data.begin() + 1000, data.begin() + 1500));
  s.SetPosition(1500);
  ASSERT_EQ(s.Write(data.data() + 1500, 300), 300);  // fills more of the kept block
  EXPECT_EQ(readSecondBlock(), std::vector<Byte>(data.begin() + 1000, data.begin() + 1800));
  s.SetSize(1200);  // cuts inside it
  EXPECT_EQ(readSecondBlock(), std::vector<Byte>(data.begin() + 1000, data.begin() + 1200));
  s.SetSize(1600);  // and grows it with zeros
  std::vector<Byte> expected(data.begin() + 1000, data.begin() + 1200);
  expected.resize(600, 0);
  EXPECT_EQ(readSecondBlock(), expected);
}

TEST_F(BlobStreamTest, WritingInsideTheContentReturnsZeroAndChangesNothing) {
  TSQLMemMemoryStream base;
  TSQLMemCompressedBLOBStream s(base, NewDescriptor(1, 6, 1000), true);
  const std::vector<Byte> data = Sample(1500, 3);
  s.WriteBuffer(data.data(), 1500);
  const std::vector<Byte> before = BaseBytes(base);
  s.SetPosition(10);
  EXPECT_EQ(s.Write("xyz", 3), 0);
  EXPECT_EQ(BaseBytes(base), before);
  EXPECT_EQ(s.GetSize(), 1500);
  EXPECT_EQ(s.GetPosition(), 10);
}

TEST_F(BlobStreamTest, WritingBeyondTheEndFillsTheGapWithZeros) {
  TSQLMemMemoryStream base;
  TSQLMemCompressedBLOBStream s(base, NewDescriptor(2, 1, 1000), true);
  s.WriteBuffer("ab", 2);
  s.SetPosition(2700);
  s.WriteBuffer("cd", 2);
  EXPECT_EQ(s.GetSize(), 2702);
  std::vector<Byte> expected(2702, 0);
  expected[0] = 'a';
  expected[1] = 'b';
  expected[2700] = 'c';
  expected[2701] = 'd';
  EXPECT_EQ(ReadAll(s), expected);
  EXPECT_EQ(DecodeChain(BaseBytes(base), s.Descriptor()), expected);
}

TEST_F(BlobStreamTest, ExtendingWritesZeroBlocksAndLeavesThePositionAtTheEnd) {
  TSQLMemMemoryStream base;
  TSQLMemCompressedBLOBStream s(base, NewDescriptor(1, 1, 1000), true);
  s.WriteBuffer("x", 1);
  s.SetPosition(0);
  s.SetSize(Int64{2500});
  EXPECT_EQ(s.GetPosition(), 2500);
  EXPECT_EQ(s.Descriptor().BlockCount, 3);
  s.WriteBuffer("y", 1);
  std::vector<Byte> expected(2501, 0);
  expected[0] = 'x';
  expected[2500] = 'y';
  EXPECT_EQ(ReadAll(s), expected);
}

TEST_F(BlobStreamTest, TruncatingToOneAndAHalfBlocksThenAppendingReopensTheSame) {
  TSQLMemTemporaryStream base;
  base.WriteBuffer("prefix", 6);
  const std::vector<Byte> data = Sample(4000, 4);
  CompressedBLOBDescriptor stored;
  std::vector<Byte> expected;
  {
    TSQLMemCompressedBLOBStream s(base, NewDescriptor(1, 9, 1000, 6), true);
    s.WriteBuffer(data.data(), 3000);
    s.SetSize(Int64{1500});
    EXPECT_EQ(s.Descriptor().BlockCount, 2);
    EXPECT_EQ(s.GetPosition(), 1500);
    s.WriteBuffer(data.data() + 3000, 1000);
    expected.assign(data.begin(), data.begin() + 1500);
    expected.insert(expected.end(), data.begin() + 3000, data.end());
    EXPECT_EQ(ReadAll(s), expected);
    stored = s.Descriptor();
    // The base holds the prefix and the chain, nothing behind it.
    std::vector<StoredBlock> blocks;
    const std::vector<Byte> bytes = BaseBytes(base);
    EXPECT_EQ(DecodeChain(bytes, stored, &blocks), expected);
    EXPECT_EQ(blocks.back().at + 20 + static_cast<size_t>(blocks.back().compressedSize), bytes.size());
  }
  TSQLMemCompressedBLOBStream reopened(base, stored, false);
  EXPECT_EQ(reopened.GetSize(), 2500);
  EXPECT_EQ(ReadAll(reopened), expected);
  std::vector<Byte> prefix(6);
  base.SetPosition(0);
  base.ReadBuffer(prefix.data(), 6);
  EXPECT_EQ(std::string(prefix.begin(), prefix.end()), "prefix");
}

TEST_F(BlobStreamTest, CuttingAtABlockBoundaryDropsTheBlocksBehind) {
  TSQLMemMemoryStream base;
  TSQLMemCompressedBLOBStream s(base, NewDescriptor(1, 6, 1000), true);
  const std::vector<Byte> data = Sample(2500, 5);
  s.WriteBuffer(data.data(), 2500);
  std::vector<StoredBlock> blocks;
  DecodeChain(BaseBytes(base), s.Descriptor(), &blocks);
  s.SetSize(Int64{2000});
  EXPECT_EQ(s.Descriptor().BlockCount, 2);
  EXPECT_EQ(s.GetBaseStreamSize(), static_cast<Int64>(blocks[2].at));
  s.SetSize(Int64{0});
  EXPECT_EQ(s.Descriptor().BlockCount, 0);
  EXPECT_EQ(s.GetBaseStreamSize(), 0);
  EXPECT_EQ(s.CompressedSize(), 0);
  EXPECT_EQ(s.CompressionRatio(), 0);
  s.WriteBuffer(data.data(), 1200);
  EXPECT_EQ(ReadAll(s), std::vector<Byte>(data.begin(), data.begin() + 1200));
}

TEST_F(BlobStreamTest, SeekingClampsAtZeroAndFindsTheBlock) {
  TSQLMemMemoryStream base;
  TSQLMemCompressedBLOBStream s(base, NewDescriptor(1, 6, 1000), true);
  const std::vector<Byte> data = Sample(2500, 6);
  s.WriteBuffer(data.data(), 2500);
  EXPECT_EQ(s.Seek(Int64{-5}, soBeginning), 0);
  EXPECT_EQ(s.CurrentBlock(), 0);
  EXPECT_EQ(s.Seek(Int64{-600}, soEnd), 1900);
  EXPECT_EQ(s.CurrentBlock(), 1);
  Byte b[700];
  EXPECT_EQ(s.Read(b, 700), 600);  // across the last two blocks, up to the end
  EXPECT_EQ(std::memcmp(b, data.data() + 1900, 600), 0);
  EXPECT_EQ(s.Seek(Int64{100}, soCurrent), 2600);
  EXPECT_EQ(s.Read(b, 1), 0);
}

// ---- algorithm 0: plain bytes at an offset ----

TEST_F(BlobStreamTest, AlgorithmZeroReadsAndWritesTheBaseOneToOne) {
  TSQLMemMemoryStream base;
  base.WriteBuffer("HEAD", 4);
  CompressedBLOBDescriptor stored;
  {
    TSQLMemCompressedBLOBStream s(base, NewDescriptor(0, 0, 0, 4), true);
    s.WriteBuffer("hello world", 11);
    EXPECT_EQ(s.GetSize(), 11);
    EXPECT_EQ(s.CompressedSize(), 11);
    EXPECT_EQ(s.CompressionRatio(), 0);
    stored = s.Descriptor();
    EXPECT_EQ(stored.UncompressedSize, 11);
    EXPECT_EQ(s.Seek(Int64{-5}, soEnd), 6);
    char w[5];
    s.ReadBuffer(w, 5);
    EXPECT_EQ(std::string(w, 5), "world");
    s.SetSize(Int64{5});
    EXPECT_EQ(s.GetPosition(), 5);
    stored = s.Descriptor();
  }
  const std::vector<Byte> bytes = BaseBytes(base);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "HEADhello");
  TSQLMemCompressedBLOBStream reopened(base, stored, false);
  const std::vector<Byte> all = ReadAll(reopened);
  EXPECT_EQ(std::string(all.begin(), all.end()), "hello");

  stored.UncompressedSize = 6;  // more than the base holds
  const auto [code, message] = EngineErrorOf([&] { TSQLMemCompressedBLOBStream s(base, stored, false); });
  EXPECT_EQ(code, 10081);
  EXPECT_EQ(message, "Stream size = 9 too small. Should be at least = 10 - Native error: 10081");
  EXPECT_NO_THROW(TSQLMemCompressedBLOBStream(base, stored, false, true));
}

// ---- reopening across algorithms, against a model ----

struct AlgorithmCase {
  const char* name;
  Byte algorithm;
  Byte mode;
  Integer blockSize;
};

void PrintTo(const AlgorithmCase& c, std::ostream* os) { *os << c.name; }

const AlgorithmCase kAlgorithms[] = {
    {"none", 0, 0, 0},           {"zlib_stored", 1, 0, 1000}, {"zlib_fast", 1, 1, 1500},
    {"zlib_best", 1, 9, 4096},   {"bzip_small", 2, 1, 1000},  {"bzip_large", 2, 9, 3000},
    {"ppm_low", 3, 1, 2000},     {"ppm_order3", 3, 2, 5000},
};

class BlobAlgorithms : public BlobStreamTest, public testing::WithParamInterface<AlgorithmCase> {};
INSTANTIATE_TEST_SUITE_P(Algorithms, BlobAlgorithms, testing::ValuesIn(kAlgorithms),
                         [](const auto& info) { return std::string(info.param.name); });

// Random appends (also beyond the end), refused writes inside, reads, seeks, extensions and cuts,
// compared with a byte vector; every so often the stream is dropped and reopened from its descriptor
// over the same base, which must give the same bytes.
TEST_P(BlobAlgorithms, RandomEditsMatchAModelAndReopenByteIdentical) {
  const AlgorithmCase& c = GetParam();
  const unsigned seed = 0xB10B + c.algorithm * 16u + c.mode;
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  auto pick = [&](Int64 lo, Int64 hi) { return lo + static_cast<Int64>(rng() % static_cast<unsigned>(hi - lo + 1)); };

  TSQLMemTemporaryStream base;
  base.WriteBuffer("stored before the BLOB", 22);
  auto s = std::make_unique<TSQLMemCompressedBLOBStream>(base, NewDescriptor(c.algorithm, c.mode, c.blockSize, 22), true);
  std::vector<Byte> model;
  Int64 pos = 0;
  const std::vector<Byte> source = Sample(200000, seed);
  for (int i = 0; i < 160; ++i) {
    SCOPED_TRACE("operation " + std::to_string(i));
    const Int64 size = static_cast<Int64>(model.size());
    switch (pick(0, 7)) {
      case 0:
      case 1: {  // append at the end, or a little beyond it (compressed: the gap reads as zeros)
        const Int64 at = c.algorithm != 0 && pick(0, 3) == 0 ? size + pick(1, 2000) : size;
        const Integer n = static_cast<Integer>(pick(1, 9000));
        const Integer from = static_cast<Integer>(pick(0, 200000 - n));
        s->SetPosition(at);
        ASSERT_EQ(s->Write(source.data() + from, n), n);
        model.resize(static_cast<size_t>(at), 0);
        model.insert(model.end(), source.begin() + from, source.begin() + from + n);
        pos = at + n;
        break;
      }
      case 2: {  // inside the content a compressed stream writes nothing; algorithm 0 overwrites
        if (size < 10) break;
        pos = pick(0, size - 10);
        s->SetPosition(pos);
        if (c.algorithm != 0) {
          ASSERT_EQ(s->Write(source.data(), 10), 0);
        } else {
          ASSERT_EQ(s->Write(source.data(), 10), 10);
          std::copy(source.begin(), source.begin() + 10, model.begin() + pos);
          pos += 10;
        }
        break;
      }
      case 3:
      case 4: {  // read from somewhere
        pos = pick(0, size + 10);
        s->SetPosition(pos);
        const Integer n = static_cast<Integer>(pick(0, 7000));
        std::vector<Byte> got(static_cast<size_t>(n));
        const Integer expected = static_cast<Integer>(std::clamp<Int64>(size - pos, 0, n));
        ASSERT_EQ(s->Read(got.data(), n), expected);
        ASSERT_TRUE(std::equal(got.begin(), got.begin() + expected, model.begin() + pos));
        pos += expected;
        break;
      }
      case 5: {  // cut or extend (algorithm 0 grows by the base's rules, so it is only cut)
        const Int64 newSize = c.algorithm == 0 || pick(0, 1) ? pick(0, size) : size + pick(0, 5000);
        s->SetSize(newSize);
        model.resize(static_cast<size_t>(newSize), 0);
        if (newSize > size && c.algorithm != 0) pos = newSize;
        pos = std::min(pos, newSize);
        ASSERT_EQ(s->GetPosition(), pos);
        break;
      }
      case 6: {  // reopen
        const CompressedBLOBDescriptor d = s->Descriptor();
        ASSERT_EQ(d.UncompressedSize, size);
        const Int64 compressed = s->CompressedSize();
        s.reset();
        s = std::make_unique<TSQLMemCompressedBLOBStream>(base, d, false);
        ASSERT_EQ(s->GetSize(), size);
        ASSERT_EQ(s->CompressedSize(), compressed);
        ASSERT_EQ(ReadAll(*s), model);
        s->SetPosition(0);
        pos = 0;
        break;
      }
      case 7:
        ASSERT_EQ(s->GetSize(), size);
        ASSERT_EQ(s->GetPosition(), pos);
        break;
    }
  }
  const CompressedBLOBDescriptor d = s->Descriptor();
  EXPECT_EQ(ReadAll(*s), model);
  s.reset();
  const std::vector<Byte> bytes = BaseBytes(base);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 22), "stored before the BLOB");
  if (c.algorithm != 0) {
    EXPECT_EQ(DecodeChain(bytes, d), model);
  } else {
    EXPECT_TRUE(std::equal(model.begin(), model.end(), bytes.begin() + 22));
  }
}

// ---- damaged chains ----

// A stored chain of three 1000-byte blocks (the last 700) behind a 5-byte prefix, with its raw bytes
// and the position of each block.
struct StoredChain {
  std::vector<Byte> bytes;
  CompressedBLOBDescriptor descriptor;
  std::vector<StoredBlock> blocks;
  std::vector<Byte> content;
};

StoredChain MakeChain(Byte algorithm = 1, Byte mode = 6) {
  StoredChain chain;
  TSQLMemMemoryStream base;
  base.WriteBuffer("12345", 5);
  chain.content = Sample(2700, 7);
  CompressedBLOBDescriptor d;
  d.Algorithm = algorithm;
  d.Mode = mode;
  d.BlockSize = 1000;
  d.StartPosition = 5;
  TSQLMemCompressedBLOBStream s(base, d, true);
  s.WriteBuffer(chain.content.data(), 2700);
  chain.descriptor = s.Descriptor();
  chain.bytes = BaseBytes(base);
  DecodeChain(chain.bytes, chain.descriptor, &chain.blocks);
  return chain;
}

// Opens the chain and reads it whole; returns the bytes read.
std::vector<Byte> OpenAndRead(const std::vector<Byte>& bytes, const CompressedBLOBDescriptor& d, bool tolerant = false) {
  TSQLMemMemoryStream base;
  base.WriteBuffer64(bytes.data(), static_cast<Int64>(bytes.size()));
  TSQLMemCompressedBLOBStream s(base, d, false, tolerant);
  return ReadAll(s);
}

struct DamageCase {
  const char* name;
  std::function<void(StoredChain&)> damage;
  Integer code;
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

const DamageCase kDamages[] = {
    {"compressed_byte_flipped", [](StoredChain& c) { c.bytes[c.blocks[1].at + 20 + 5] ^= 0x10; }, 0},
    {"checksum_flipped", [](StoredChain& c) { c.bytes[c.blocks[1].at + 8] ^= 0x01; }, 10089},
    {"compressed_size_negative", [](StoredChain& c) { StoreLE<Integer>(c.bytes, c.blocks[0].at, -1); }, 10083},
    {"next_offset_off_by_one", [](StoredChain& c) { StoreLE<Int64>(c.bytes, c.blocks[1].at + 12, c.blocks[1].nextOffset + 1); }, 10083},
    {"compressed_size_past_the_end",
     [](StoredChain& c) {
       StoreLE<Integer>(c.bytes, c.blocks[2].at, 0x7FFFFFEB);
       StoreLE<Int64>(c.bytes, c.blocks[2].at + 12, Int64{0x7FFFFFFF});
     },
     10083},
    {"next_offset_huge", [](StoredChain& c) { StoreLE<Int64>(c.bytes, c.blocks[0].at + 12, Int64{0x7FFFFFFFFFFFFFFF}); }, 10083},
    {"uncompressed_size_zero", [](StoredChain& c) { StoreLE<Integer>(c.bytes, c.blocks[2].at + 4, 0); }, 10088},
    {"uncompressed_size_above_block", [](StoredChain& c) { StoreLE<Integer>(c.bytes, c.blocks[2].at + 4, 1001); }, 10088},
    {"uncompressed_size_negative", [](StoredChain& c) { StoreLE<Integer>(c.bytes, c.blocks[0].at + 4, -1000); }, 10088},
    {"inner_block_short", [](StoredChain& c) { StoreLE<Integer>(c.bytes, c.blocks[0].at + 4, 999); }, 10088},
    {"last_block_says_less", [](StoredChain& c) { StoreLE<Integer>(c.bytes, c.blocks[2].at + 4, 600); }, 10088},
    {"block_count_one_too_many", [](StoredChain& c) { c.descriptor.BlockCount = 4; }, 10082},
    {"block_size_zero", [](StoredChain& c) { c.descriptor.BlockSize = 0; }, 10088},
    {"block_size_negative", [](StoredChain& c) { c.descriptor.BlockSize = -1000; }, 10088},
    {"block_size_smaller", [](StoredChain& c) { c.descriptor.BlockSize = 700; }, 10088},
    {"start_before_the_base", [](StoredChain& c) { c.descriptor.StartPosition = -1; }, 10103},
    {"start_past_the_base", [](StoredChain& c) { c.descriptor.StartPosition = 100000; }, 10082},
    {"start_one_byte_late", [](StoredChain& c) { c.descriptor.StartPosition = 6; }, 0},
    {"cut_inside_the_last_data", [](StoredChain& c) { c.bytes.resize(c.blocks[2].at + 25); }, 10083},
    {"cut_inside_the_last_header", [](StoredChain& c) { c.bytes.resize(c.blocks[2].at + 10); }, 10082},
    {"algorithm_unknown", [](StoredChain& c) { c.descriptor.Algorithm = 9; }, 10087},
    {"algorithm_swapped", [](StoredChain& c) { c.descriptor.Algorithm = 2; }, 10087},
};

class DamagedChain : public BlobStreamTest, public testing::WithParamInterface<DamageCase> {};
INSTANTIATE_TEST_SUITE_P(Cases, DamagedChain, testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

// Code 0 in the table: any of the decompression failures, whichever the damage trips first.
TEST_P(DamagedChain, RaisesACodedError) {
  StoredChain chain = MakeChain();
  GetParam().damage(chain);
  const auto [code, message] = EngineErrorOf([&] { OpenAndRead(chain.bytes, chain.descriptor); });
  if (GetParam().code != 0) {
    EXPECT_EQ(code, GetParam().code) << message;
  } else {
    EXPECT_TRUE(code >= 10082 && code <= 10089) << code << " " << message;
  }
}

TEST_F(BlobStreamTest, ATolerantStreamKeepsTheWholeBlocksOfAShortBase) {
  const StoredChain chain = MakeChain();
  for (size_t cut : {chain.blocks[2].at + 10, chain.blocks[2].at + 25}) {
    std::vector<Byte> bytes(chain.bytes.begin(), chain.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    TSQLMemMemoryStream base;
    base.WriteBuffer64(bytes.data(), static_cast<Int64>(bytes.size()));
    TSQLMemCompressedBLOBStream s(base, chain.descriptor, false, true);
    EXPECT_EQ(s.Descriptor().BlockCount, 2);
    EXPECT_EQ(s.GetSize(), 2000);
    EXPECT_EQ(ReadAll(s), std::vector<Byte>(chain.content.begin(), chain.content.begin() + 2000));
  }
}

TEST_F(BlobStreamTest, TheMessagesOfDamagedBlocksNameTheValues) {
  StoredChain chain = MakeChain();
  StoreLE<Integer>(chain.bytes, chain.blocks[0].at + 4, 999);
  auto [code, message] = EngineErrorOf([&] { OpenAndRead(chain.bytes, chain.descriptor); });
  EXPECT_EQ(message, "Decompress buffer failed. UncompSize = 1000, Header.UncompSize = 999 - Native error: 10088");

  chain = MakeChain();
  chain.bytes[chain.blocks[1].at + 8] ^= 0x01;
  std::tie(code, message) = EngineErrorOf([&] { OpenAndRead(chain.bytes, chain.descriptor); });
  EXPECT_EQ(message, "Decompress buffer failed. CheckSum = " + std::to_string(chain.blocks[1].crc) +
                         ", Header.Crc32 = " + std::to_string(chain.blocks[1].crc ^ 1u) + " - Native error: 10089");

  chain = MakeChain();
  chain.descriptor.BlockCount = 4;
  std::tie(code, message) = EngineErrorOf([&] { OpenAndRead(chain.bytes, chain.descriptor); });
  EXPECT_EQ(message, "Stream size = " + std::to_string(chain.bytes.size()) + " too small. Should be at least = " +
                         std::to_string(chain.bytes.size() + 20) + " - Native error: 10082");
}

// Every single-bit flip anywhere in a stored chain (prefix excepted), and every cut, either raises a
// coded error or reads back the original bytes; none crashes, reads out of bounds or hangs.
TEST_F(BlobStreamTest, EveryBitFlipAndEveryCutIsCaught) {
  for (Byte algorithm : {Byte{1}, Byte{2}, Byte{3}}) {
    SCOPED_TRACE("algorithm " + std::to_string(algorithm));
    const StoredChain chain = MakeChain(algorithm, 1);
    const std::set<Integer> codes = {10082, 10083, 10086, 10087, 10088, 10089};
    int raised = 0;
    int flips = 0;
    // zlib: every bit; bzip2: one bit a byte, each bit position in turn; PPM, whose model is costly
    // to set up, the same on every third byte.
    for (size_t at = 5; at < chain.bytes.size(); at += algorithm == 3 ? 3 : 1) {
      for (int bit = algorithm == 1 ? 0 : static_cast<int>(at % 8); bit < 8; bit += algorithm == 1 ? 1 : 8) {
        std::vector<Byte> bytes = chain.bytes;
        bytes[at] ^= static_cast<Byte>(1u << bit);
        ++flips;
        try {
          if (OpenAndRead(bytes, chain.descriptor) != chain.content) ADD_FAILURE() << "silent damage at " << at;
        } catch (const ESQLMemException& e) {
          ++raised;
          if (!codes.count(e.NativeError())) ADD_FAILURE() << "code " << e.NativeError() << " at " << at;
        }
      }
    }
    // Flips of padding bits in a coder's last byte change nothing; all others are caught.
    EXPECT_GT(raised, flips * 9 / 10);
    for (size_t cut = 5; cut < chain.bytes.size(); ++cut) {
      const std::vector<Byte> bytes(chain.bytes.begin(), chain.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
      const auto [code, message] = EngineErrorOf([&] { OpenAndRead(bytes, chain.descriptor); });
      EXPECT_TRUE(code == 10082 || code == 10083) << "cut at " << cut << ": " << message;
    }
  }
}

// ---- refused compression ----

TEST_F(BlobStreamTest, ARefusedCompressionRaises10085AndWritesNothing) {
  TSQLMemMemoryStream base;
  TSQLMemCompressedBLOBStream s(base, NewDescriptor(2, 0, 1000), true);  // bzip2 has no block size 0
  const auto [code, message] = EngineErrorOf([&] { s.Write("abc", 3); });
  EXPECT_EQ(code, 10085);
  EXPECT_EQ(message, "Compress buffer failed. CompAlg = 2, CompMode = 0, InSize = 3, OutSize = 0 - Native error: 10085");
  EXPECT_EQ(base.GetSize(), 0);
  EXPECT_EQ(s.GetSize(), 0);
  EXPECT_EQ(s.Descriptor().BlockCount, 0);

  TSQLMemCompressedBLOBStream unknown(base, NewDescriptor(9, 1, 1000), true);
  EXPECT_EQ(EngineErrorOf([&] { unknown.Write("abc", 3); }).first, 10085);
}

// A base stream that takes at most room more bytes.
class LimitedBase : public TSQLMemMemoryStream {
 public:
  explicit LimitedBase(Int64 room) : room_(room) {}
  using TStream::Seek;
  using TStream::SetSize;
  Integer Write(const void* buffer, Integer count) override {
    const Integer n = static_cast<Integer>(std::clamp<Int64>(room_, 0, count));
    room_ -= n;
    return TSQLMemMemoryStream::Write(buffer, n);
  }

 private:
  Int64 room_;
};

TEST_F(BlobStreamTest, AFailureHalfwayLeavesTheBlocksWrittenSoFarDescribed) {
  const std::vector<Byte> data = Sample(3000, 8);
  THeapBlock packed;
  Integer packedSize = 0;
  ASSERT_TRUE(CompressBuffer(1, 0, data.data(), 1000, packed, packedSize));  // stored: the same size for any text
  LimitedBase base(2 * (20 + packedSize) + 10);
  TSQLMemCompressedBLOBStream s(base, NewDescriptor(1, 0, 1000), true);
  const auto [code, message] = EngineErrorOf([&] { s.Write(data.data(), 3000); });
  EXPECT_EQ(code, 10100);
  EXPECT_EQ(message, "Cannot write to stream. Position = " + std::to_string(2 * (20 + packedSize)) + ", Stream size = " +
                         std::to_string(2 * (20 + packedSize) + 10) + ", Block size = 20, Bytes Write = 10 - Native error: 10100");
  const CompressedBLOBDescriptor d = s.Descriptor();
  EXPECT_EQ(d.BlockCount, 2);
  EXPECT_EQ(d.UncompressedSize, 2000);
  EXPECT_EQ(s.GetSize(), 2000);
  EXPECT_EQ(ReadAll(s), std::vector<Byte>(data.begin(), data.begin() + 2000));
}

// ---- sizes that a caller or a damaged descriptor gets wrong ----

// The owner may store the descriptor of a BLOB that was emptied and never written: it must not carry
// the length of the content the BLOB had before.
TEST_F(BlobStreamTest, AnEmptyStreamsDescriptorSaysEmptyBeforeAnyWrite) {
  for (const Byte algorithm : {0, 1, 2, 3}) {
    for (const bool isNew : {true, false}) {
      SCOPED_TRACE(std::to_string(algorithm) + (isNew ? " new" : " stored without blocks"));
      TSQLMemMemoryStream base;
      CompressedBLOBDescriptor old = NewDescriptor(algorithm, 1, 1000);
      old.UncompressedSize = isNew || algorithm != 0 ? 123456 : 0;  // the length the BLOB had
      old.BlockCount = isNew ? 3 : 0;
      TSQLMemCompressedBLOBStream s(base, old, isNew);
      EXPECT_EQ(s.GetSize(), 0);
      EXPECT_EQ(s.Descriptor().UncompressedSize, 0);
      EXPECT_EQ(s.Descriptor().BlockCount, 0);
    }
  }
}

// A block size too small to be meant (a careless caller's or a damaged descriptor's) gives way to the
// mode's, so a few writes never turn into thousands of blocks; 512 bytes is the smallest kept.
TEST_F(BlobStreamTest, ATinyBlockSizeGivesWayToTheModes) {
  struct Case {
    const char* name;
    bool isNew;
    Integer blockSize;
    Integer expectedBlockSize;
  };
  const std::vector<Byte> data = Sample(5000, 3);
  for (const Case& c : {Case{"new_1", true, 1, BlockSizeForMode(1)}, Case{"new_511", true, 511, BlockSizeForMode(1)},
                        Case{"new_512", true, 512, 512}, Case{"stored_empty_1", false, 1, BlockSizeForMode(1)}}) {
    SCOPED_TRACE(c.name);
    TSQLMemMemoryStream base;
    TSQLMemCompressedBLOBStream s(base, NewDescriptor(1, 1, c.blockSize), c.isNew);
    s.WriteBuffer(data.data(), 5000);
    EXPECT_EQ(s.Descriptor().BlockSize, c.expectedBlockSize);
    EXPECT_EQ(s.Descriptor().BlockCount, (5000 + c.expectedBlockSize - 1) / c.expectedBlockSize);
    EXPECT_EQ(ReadAll(s), data);
  }
}

TEST_F(BlobStreamTest, ATolerantUncompressedBlobKeepsWhatTheBaseHolds) {
  TSQLMemMemoryStream base;
  base.WriteBuffer("0123456789", 10);
  CompressedBLOBDescriptor d = NewDescriptor(0, 0, 0, 4);
  d.UncompressedSize = 2000000000;
  EXPECT_EQ(EngineErrorOf([&] { TSQLMemCompressedBLOBStream strict(base, d, false); }).first, 10081);
  TSQLMemCompressedBLOBStream s(base, d, false, true);
  EXPECT_EQ(s.GetSize(), 6);
  EXPECT_EQ(s.Descriptor().UncompressedSize, 6);
  EXPECT_EQ(ReadAll(s), (std::vector<Byte>{'4', '5', '6', '7', '8', '9'}));
  EXPECT_EQ(base.GetSize(), 10);
}

// The base stream grows without clearing (here over stale bytes of its own block): the bytes a size
// change or a write past the end adds to an uncompressed BLOB read as zeros.
TEST_F(BlobStreamTest, GrowingAnUncompressedBlobAddsZeros) {
  TSQLMemMemoryStream base;
  const std::vector<Byte> stale(100, 0xAB);
  base.WriteBuffer(stale.data(), 100);
  TSQLMemCompressedBLOBStream s(base, NewDescriptor(0, 0, 0, 4), true);
  s.WriteBuffer("abc", 3);
  s.SetSize(40);
  s.Seek(60, soBeginning);
  s.WriteBuffer("xyz", 3);
  std::vector<Byte> expected(63, 0);
  std::memcpy(expected.data(), "abc", 3);
  std::memcpy(expected.data() + 60, "xyz", 3);
  EXPECT_EQ(s.GetSize(), 63);
  EXPECT_EQ(ReadAll(s), expected);
}
