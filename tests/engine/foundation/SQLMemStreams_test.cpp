#include "engine/foundation/SQLMemStreams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "common/TempDir.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemSettings.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/TextConv.h"

namespace {

// Runs f, which must raise ESQLMemException, and returns the exception's code and full message.
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

std::vector<Byte> Pattern(Int64 size, unsigned seed) {
  std::vector<Byte> v(static_cast<size_t>(size));
  std::mt19937 rng(seed);
  for (Byte& b : v) b = static_cast<Byte>(rng());
  return v;
}

std::vector<Byte> ReadAll(TStream& s) {
  std::vector<Byte> all(static_cast<size_t>(s.GetSize()));
  s.SetPosition(0);
  s.ReadBuffer64(all.data(), static_cast<Int64>(all.size()));
  return all;
}

// Names of the engine's temporary files ("ACR*.tmp") in a folder.
std::vector<std::filesystem::path> AcrFiles(const WideString& folder) {
  std::vector<std::filesystem::path> found;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(folder))) {
    const std::u16string name = entry.path().filename().u16string();
    if (name.rfind(u"ACR", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == u".tmp") found.push_back(entry.path());
  }
  return found;
}

// The engine is started, its temporary files go to a folder of the test's own, and no engine block
// outlives the test.
class EngineStreamTest : public testing::Test {
 protected:
  void SetUp() override {
    InitializeEngineFoundation();
    savedTempFolder_ = EngineTempFolder;
    EngineTempFolder = dir_.Path();
    allocatedBefore_ = MemoryManager().Allocated();
  }
  void TearDown() override {
    EngineWipeMemory = false;
    MemoryManager().SetMemoryLimit(0);
    EXPECT_EQ(MemoryManager().Allocated(), allocatedBefore_) << "engine blocks left allocated";
    EXPECT_TRUE(AcrFiles(dir_.Path()).empty()) << "temporary files left behind";
    EngineTempFolder = savedTempFolder_;
  }

  TempDir dir_;

 private:
  WideString savedTempFolder_;
  Int64 allocatedBefore_ = 0;
};

// A stream that accepts at most writeRoom bytes in all and gives at most readPiece bytes per Read,
// to make the bulk copies and the checked routines fail.
class ShortStream : public TStream {
 public:
  ShortStream(Int64 writeRoom, Integer readPiece, std::vector<Byte> content = {})
      : writeRoom_(writeRoom), readPiece_(readPiece) {
    if (!content.empty()) inner_.WriteBuffer64(content.data(), static_cast<Int64>(content.size()));
    inner_.SetPosition(0);
  }
  using TStream::Seek;
  using TStream::SetSize;
  Integer Read(void* buffer, Integer count) override { return inner_.Read(buffer, std::min(count, readPiece_)); }
  Integer Write(const void* buffer, Integer count) override {
    const Integer n = static_cast<Integer>(std::clamp<Int64>(writeRoom_, 0, count));
    writeRoom_ -= n;
    return inner_.Write(buffer, n);
  }
  Int64 Seek(Int64 offset, TSeekOrigin origin) override { return inner_.Seek(offset, origin); }
  void SetSize(Int64 newSize) override { inner_.SetSize(newSize); }

 private:
  TMemoryStream inner_;
  Int64 writeRoom_;
  Integer readPiece_;
};

// ---- the same semantics for every kind of engine stream ----

struct StreamKind {
  const char* name;
  std::function<std::unique_ptr<TSQLMemStream>(const TempDir&)> make;
  bool growZeroes;  // bytes added by a grow read as zero (else they are undefined)
  bool wipe;        // run with EngineWipeMemory set
};

std::unique_ptr<TSQLMemStream> SpilledTemporaryStream() {
  auto s = std::make_unique<TSQLMemTemporaryStream>();
  s->SetSize(Int64{s->Threshold()} + 1);
  s->SetSize(Int64{0});
  return s;
}

const StreamKind kKinds[] = {
    {"memory", [](const TempDir&) { return std::make_unique<TSQLMemMemoryStream>(); }, false, false},
    {"file", [](const TempDir& d) { return std::make_unique<TSQLMemFileStream>(d / u"s.dat", SQLMemFileModeCreate); }, true, false},
    {"tempfile", [](const TempDir&) { return std::make_unique<TSQLMemTempFileStream>(); }, true, false},
    {"tempfile_wiping", [](const TempDir&) { return std::make_unique<TSQLMemTempFileStream>(); }, true, true},
    {"temporary", [](const TempDir&) { return std::make_unique<TSQLMemTemporaryStream>(); }, false, false},
    {"temporary_on_file", [](const TempDir&) { return SpilledTemporaryStream(); }, true, false},
};

void PrintTo(const StreamKind& kind, std::ostream* os) { *os << kind.name; }

class EveryEngineStream : public EngineStreamTest, public testing::WithParamInterface<StreamKind> {
 protected:
  void SetUp() override {
    EngineStreamTest::SetUp();
    EngineWipeMemory = GetParam().wipe;
    s_ = GetParam().make(dir_);
  }
  void TearDown() override {
    s_.reset();
    EngineStreamTest::TearDown();
  }
  std::unique_ptr<TSQLMemStream> s_;
};

INSTANTIATE_TEST_SUITE_P(Kinds, EveryEngineStream, testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.name); });

enum class Op { Write, Read, Seek, SetSize, Check };

// One step: for Check, arg is the expected Size and result the expected Position. Read compares the
// bytes it got with data (length = result). Offsets near 32768 cross the temporary file's blocks.
struct Step {
  Op op;
  Int64 arg;
  int origin;
  const char* data;
  Int64 result;
};

// clang-format off
constexpr Step kScript[] = {
    {Op::Check, 0, 0, nullptr, 0},
    {Op::Read, 4, 0, "", 0},                     // nothing to read in an empty stream
    {Op::Write, 0, 0, "hello", 5},
    {Op::Check, 5, 0, nullptr, 5},
    {Op::Seek, 0, 0, nullptr, 0},
    {Op::Read, 3, 0, "hel", 3},
    {Op::Read, 10, 0, "lo", 2},                  // a short read gives exactly what is left
    {Op::Read, 10, 0, "", 0},
    {Op::Seek, -2, 2, nullptr, 3},               // from the end
    {Op::Seek, 1, 1, nullptr, 4},                // from the current position
    {Op::Seek, 105, 0, nullptr, 105},            // beyond the end: allowed, the size stays
    {Op::Check, 5, 0, nullptr, 105},
    {Op::Read, 1, 0, "", 0},
    {Op::Write, 0, 0, "!", 1},                   // writing there extends the stream
    {Op::Check, 106, 0, nullptr, 106},
    {Op::Seek, 32766, 0, nullptr, 32766},        // a write across a block boundary, beyond the end
    {Op::Write, 0, 0, "abcd", 4},
    {Op::Check, 32770, 0, nullptr, 32770},
    {Op::Seek, 32766, 0, nullptr, 32766},
    {Op::Read, 10, 0, "abcd", 4},
    {Op::Seek, 3, 0, nullptr, 3},
    {Op::Write, 0, 0, "LO", 2},                  // overwriting inside keeps the size
    {Op::Check, 32770, 0, nullptr, 5},
    {Op::Seek, 0, 0, nullptr, 0},
    {Op::Read, 5, 0, "helLO", 5},
    {Op::SetSize, 32767, 0, nullptr, 0},         // cutting below the position moves it to the end
    {Op::Seek, 0, 1, nullptr, 5},
    {Op::Seek, 40000, 0, nullptr, 40000},
    {Op::SetSize, 32768, 0, nullptr, 0},
    {Op::Check, 32768, 0, nullptr, 32768},
    {Op::Seek, -2, 2, nullptr, 32766},
    {Op::Read, 1, 0, "a", 1},                    // the cut kept the bytes below it
    {Op::Seek, 1, 0, nullptr, 1},
    {Op::SetSize, 70000, 0, nullptr, 0},         // growing keeps the position
    {Op::Check, 70000, 0, nullptr, 1},
    {Op::Read, 4, 0, "elLO", 4},
    {Op::Seek, 69998, 0, nullptr, 69998},
    {Op::Write, 0, 0, "yz", 2},
    {Op::Seek, -2, 2, nullptr, 69998},
    {Op::Read, 5, 0, "yz", 2},
    {Op::SetSize, 0, 0, nullptr, 0},
    {Op::Check, 0, 0, nullptr, 0},
    {Op::Write, 0, 0, "again", 5},
    {Op::Seek, 0, 0, nullptr, 0},
    {Op::Read, 9, 0, "again", 5},
};
// clang-format on

TEST_P(EveryEngineStream, SeekSizeReadAndWriteFollowTheScript) {
  TStream& s = *s_;
  for (size_t i = 0; i < std::size(kScript); ++i) {
    const Step& st = kScript[i];
    SCOPED_TRACE("step " + std::to_string(i));
    switch (st.op) {
      case Op::Write:
        EXPECT_EQ(s.Write(st.data, static_cast<Integer>(st.result)), st.result);
        break;
      case Op::Read: {
        std::vector<char> got(static_cast<size_t>(st.arg) + 1, '#');
        ASSERT_EQ(s.Read(got.data(), static_cast<Integer>(st.arg)), st.result);
        EXPECT_EQ(std::string(got.data(), static_cast<size_t>(st.result)), std::string(st.data, static_cast<size_t>(st.result)));
        break;
      }
      case Op::Seek:
        EXPECT_EQ(s.Seek(st.arg, static_cast<TSeekOrigin>(st.origin)), st.result);
        break;
      case Op::SetSize:
        s.SetSize(st.arg);
        break;
      case Op::Check:
        EXPECT_EQ(s.GetSize(), st.arg);
        EXPECT_EQ(s.GetPosition(), st.result);
        break;
    }
  }
}

TEST_P(EveryEngineStream, TheThirtyTwoBitSlotsWorkAndRaiseBeyondTheirRange) {
  TStream& s = *s_;
  s.SetSize(Integer{100});
  EXPECT_EQ(s.GetSize(), 100);
  EXPECT_EQ(s.Seek(Integer{-10}, soFromEnd), 90);
  s.Seek(Int64{5000000000}, soBeginning);
  EXPECT_THROW(s.Seek(Integer{0}, soFromCurrent), ERangeError);
  EXPECT_EQ(s.GetPosition(), 5000000000);
  Byte b = 0;
  EXPECT_EQ(s.Read(&b, 1), 0);
}

// A random walk of writes, reads, seeks and size changes, compared with a byte vector. Bytes whose
// content the stream leaves undefined (gaps and grows of memory parts) are not compared.
TEST_P(EveryEngineStream, RandomOperationsMatchAByteModel) {
  const StreamKind& kind = GetParam();
  const unsigned seed = 0xE5E0 + static_cast<unsigned>(std::string(kind.name).size());
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  auto pick = [&](Int64 lo, Int64 hi) { return lo + static_cast<Int64>(rng() % static_cast<unsigned>(hi - lo + 1)); };

  TStream& s = *s_;
  const bool temporary = dynamic_cast<TSQLMemTemporaryStream*>(&s) != nullptr;
  std::vector<Byte> model;
  std::vector<bool> defined;
  Int64 pos = 0;
  auto grow = [&](Int64 newSize) {
    model.resize(static_cast<size_t>(newSize), 0);
    defined.resize(static_cast<size_t>(newSize), kind.growZeroes);
  };
  std::vector<Byte> buffer;
  for (int i = 0; i < 800; ++i) {
    SCOPED_TRACE("operation " + std::to_string(i));
    const Int64 size = static_cast<Int64>(model.size());
    switch (pick(0, 6)) {
      case 0:
      case 1: {  // write, sometimes across several 32 KB blocks
        const Integer n = static_cast<Integer>(pick(0, 1) ? pick(0, 300) : pick(0, 100000));
        buffer.resize(static_cast<size_t>(n));
        for (Byte& b : buffer) b = static_cast<Byte>(rng());
        ASSERT_EQ(s.Write(buffer.data(), n), n);
        if (n > 0) {
          if (pos + n > size) grow(pos + n);
          std::copy(buffer.begin(), buffer.end(), model.begin() + pos);
          std::fill(defined.begin() + pos, defined.begin() + pos + n, true);
          pos += n;
        }
        break;
      }
      case 2:
      case 3: {  // read
        const Integer n = static_cast<Integer>(pick(0, 1) ? pick(0, 300) : pick(0, 100000));
        buffer.assign(static_cast<size_t>(n), 0xEE);
        const Integer expected = static_cast<Integer>(std::clamp<Int64>(size - pos, 0, n));
        ASSERT_EQ(s.Read(buffer.data(), n), expected);
        for (Integer k = 0; k < expected; ++k) {
          if (defined[static_cast<size_t>(pos + k)]) {
            ASSERT_EQ(buffer[static_cast<size_t>(k)], model[static_cast<size_t>(pos + k)]) << "at " << pos + k;
          }
        }
        pos += expected;
        break;
      }
      case 4: {  // seek, sometimes beyond the end
        const int origin = static_cast<int>(pick(0, 2));
        const Int64 target = pick(0, size + 40000);
        const Int64 offset = target - (origin == 0 ? 0 : origin == 1 ? pos : size);
        ASSERT_EQ(s.Seek(offset, static_cast<TSeekOrigin>(origin)), target);
        pos = target;
        break;
      }
      case 5: {  // set size; the temporary stream is now and then sized past its threshold
        Int64 newSize = pick(0, 3) == 0 ? pick(0, size) : pick(0, size + 80000);
        if (temporary && pick(0, 15) == 0) newSize = 1048576 + pick(1, 5000);
        s.SetSize(newSize);
        if (newSize > size) {
          grow(newSize);
        } else {
          model.resize(static_cast<size_t>(newSize));
          defined.resize(static_cast<size_t>(newSize));
        }
        pos = std::min(pos, newSize);
        break;
      }
      case 6:
        ASSERT_EQ(s.GetSize(), size);
        ASSERT_EQ(s.GetPosition(), pos);
        break;
    }
  }
  ASSERT_EQ(s.GetSize(), static_cast<Int64>(model.size()));
  const std::vector<Byte> all = ReadAll(s);
  for (size_t k = 0; k < all.size(); ++k) {
    if (defined[k]) {
      ASSERT_EQ(all[k], model[k]) << "at " << k;
    }
  }
}

TEST_P(EveryEngineStream, SaveAndLoadCopyTheWholeContentAndRestorePositions) {
  TSQLMemStream& s = *s_;
  const std::vector<Byte> data = Pattern(250000, 7);
  TSQLMemMemoryStream source;
  source.WriteBuffer64(data.data(), static_cast<Int64>(data.size()));
  source.SetPosition(17);
  s.SetPosition(5);
  s.LoadWholeStream(source);
  EXPECT_EQ(source.GetPosition(), 17);
  EXPECT_EQ(s.GetPosition(), 5);
  EXPECT_EQ(ReadAll(s), data);

  TSQLMemMemoryStream dest;
  dest.WriteBuffer("head", 4);
  s.SetPosition(99);
  s.SaveToStream(dest);
  EXPECT_EQ(s.GetPosition(), 99);
  EXPECT_EQ(dest.GetPosition(), 4);
  std::vector<Byte> expected = {'h', 'e', 'a', 'd'};
  expected.insert(expected.end(), data.begin(), data.end());
  EXPECT_EQ(ReadAll(dest), expected);
}

// ---- bulk copies ----

class BulkCopy : public EngineStreamTest {};

TEST_F(BulkCopy, ProgressRunsFromZeroToOneHundredInBlockPieces) {
  TSQLMemMemoryStream s;
  const std::vector<Byte> data = Pattern(250000, 1);
  s.WriteBuffer64(data.data(), static_cast<Int64>(data.size()));
  std::vector<double> seen;
  s.OnProgress = [&](TSQLMemStream& sender, double percent, bool&) {
    EXPECT_EQ(&sender, &s);
    seen.push_back(percent);
  };
  TSQLMemMemoryStream dest;
  s.SaveToStream(dest);
  EXPECT_EQ(seen, (std::vector<double>{0, 40.96, 81.92, 100, 100}));

  seen.clear();
  TSQLMemMemoryStream empty;
  empty.OnProgress = [&](TSQLMemStream&, double percent, bool&) { seen.push_back(percent); };
  empty.SaveToStream(dest);
  EXPECT_EQ(seen, (std::vector<double>{0, 100}));
  EXPECT_EQ(dest.GetSize(), 250000);  // nothing was added

  // Loading: the percentage is the source's position within the source's size.
  seen.clear();
  TSQLMemMemoryStream target;
  target.OnProgress = [&](TSQLMemStream&, double percent, bool&) { seen.push_back(percent); };
  target.CopyFromStream(s, 150000, 50000);
  EXPECT_EQ(seen, (std::vector<double>{0, 60.96, 80, 100}));
  EXPECT_EQ(ReadAll(target), std::vector<Byte>(data.begin() + 50000, data.begin() + 200000));
}

TEST_F(BulkCopy, CancelStopsAfterThePieceInProgressWithoutAFinalReport) {
  TSQLMemMemoryStream s;
  const std::vector<Byte> data = Pattern(250000, 2);
  s.WriteBuffer64(data.data(), static_cast<Int64>(data.size()));
  std::vector<double> seen;
  s.OnProgress = [&](TSQLMemStream&, double percent, bool& cancel) {
    seen.push_back(percent);
    if (percent > 0) cancel = true;
  };
  TSQLMemMemoryStream dest;
  s.SaveToStream(dest);
  EXPECT_EQ(seen, (std::vector<double>{0, 40.96}));
  EXPECT_EQ(dest.GetSize(), 102400);

  seen.clear();
  TSQLMemMemoryStream target;
  target.OnProgress = [&](TSQLMemStream&, double percent, bool& cancel) {
    seen.push_back(percent);
    if (percent > 0) cancel = true;
  };
  target.LoadWholeStream(s);
  EXPECT_EQ(seen, (std::vector<double>{0, 40.96}));
  EXPECT_EQ(target.GetSize(), 102400);
}

struct CopyFailureCase {
  const char* name;
  bool save;          // SaveToStream, else CopyFromStream
  Integer blockSize;
  Int64 writeRoom;    // of the short stream
  Integer readPiece;  // of the short stream
  Integer code;
  const char* message;
};

const CopyFailureCase kCopyFailures[] = {
    {"save_block_size_zero", true, 0, 1 << 30, 1 << 30, 10418, "Stream block size = 0 is not allowed - Native error: 10418"},
    {"load_block_size_zero", false, 0, 1 << 30, 1 << 30, 10419, "Stream block size = 0 is not allowed - Native error: 10419"},
    {"save_short_write", true, 1000, 2500, 1 << 30, 10147,
     "Cannot write to stream. Position = 2000, Stream size = 2500, Block size = 1000, Bytes Write = 500 - Native error: 10147"},
    {"load_short_read", false, 1000, 1 << 30, 700, 10148,
     "Cannot read from stream. Position = 0, Stream size = 3000, Block size = 1000, Bytes Read = 700 - Native error: 10148"},
};

void PrintTo(const CopyFailureCase& c, std::ostream* os) { *os << c.name; }

class CopyFailure : public EngineStreamTest, public testing::WithParamInterface<CopyFailureCase> {};
INSTANTIATE_TEST_SUITE_P(Cases, CopyFailure, testing::ValuesIn(kCopyFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(CopyFailure, RaisesItsCodeAndRestoresBothPositions) {
  const CopyFailureCase& c = GetParam();
  const std::vector<Byte> data = Pattern(3000, 3);
  TSQLMemMemoryStream s;
  s.SetBlockSize(c.blockSize);
  ShortStream other(c.writeRoom, c.readPiece, c.save ? std::vector<Byte>{} : data);
  if (c.save) s.WriteBuffer(data.data(), 3000);
  s.SetPosition(11);
  other.SetPosition(0);
  const auto [code, message] = EngineErrorOf([&] {
    if (c.save) {
      s.SaveToStream(other);
    } else {
      s.CopyFromStream(other, 3000, 0);
    }
  });
  EXPECT_EQ(code, c.code);
  EXPECT_EQ(message, c.message);
  EXPECT_EQ(s.GetPosition(), 11);
  EXPECT_EQ(other.GetPosition(), 0);
}

// An engine stream that takes at most room bytes in all.
class FullEngineStream : public TSQLMemMemoryStream {
 public:
  explicit FullEngineStream(Int64 room) : room_(room) {}
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

TEST_F(BulkCopy, AShortWriteIntoThisStreamRaises10149) {
  TSQLMemMemoryStream source;
  const std::vector<Byte> data = Pattern(3000, 4);
  source.WriteBuffer(data.data(), 3000);
  source.SetPosition(0);
  FullEngineStream s(1200);
  s.SetBlockSize(1000);
  const auto [code, message] = EngineErrorOf([&] { s.CopyFromStream(source, 3000, 0); });
  EXPECT_EQ(code, 10149);
  EXPECT_EQ(message,
            "Cannot write to stream. Position = 1000, Stream size = 1200, Block size = 1000, Bytes Write = 200 - Native error: 10149");
  EXPECT_EQ(source.GetPosition(), 0);
}

// ---- checked access ----

TEST_F(EngineStreamTest, CheckedRoutinesRaiseTheCallersCodeWithPositionsAndCounts) {
  TSQLMemMemoryStream s;
  s.WriteBuffer("0123456789", 10);
  char buf[8] = {};

  s.SetPosition(2);
  StreamReadChecked(buf, 4, s, 12345);
  EXPECT_EQ(std::string(buf, 4), "2345");
  s.SetPosition(8);
  auto [code, message] = EngineErrorOf([&] { StreamReadChecked(buf, 4, s, 12345); });
  EXPECT_EQ(code, 12345);
  EXPECT_EQ(message, "Cannot read from stream. Position = 8, Stream size = 10, Block size = 4, Bytes Read = 2 - Native error: 12345");

  // Positions and sizes beyond 32 bits print in full.
  s.Seek(Int64{5000000000}, soBeginning);
  std::tie(code, message) = EngineErrorOf([&] { StreamReadChecked(buf, 1, s, 7); });
  EXPECT_EQ(message, "Cannot read from stream. Position = 5000000000, Stream size = 10, Block size = 1, Bytes Read = 0 - Native error: 00007");

  ShortStream full(3, 100);
  StreamWriteChecked("ab", 2, full, 1);
  std::tie(code, message) = EngineErrorOf([&] { StreamWriteChecked("cd", 2, full, 20001); });
  EXPECT_EQ(message, "Cannot write to stream. Position = 2, Stream size = 3, Block size = 2, Bytes Write = 1 - Native error: 20001");

  StreamSeekChecked(s, 1, 3);
  EXPECT_EQ(s.GetPosition(), 3);
  TSQLMemFileStream file(dir_ / u"seek.dat", SQLMemFileModeCreate);
  file.WriteBuffer("xyz", 3);
  std::tie(code, message) = EngineErrorOf([&] { StreamSeekChecked(file, 10103, -5); });
  EXPECT_EQ(message, "Cannot set stream position to -5. Position = 3, Size = 3 - Native error: 10103");
}

// ---- memory stream ----

struct CapacityCase {
  const char* name;
  Int64 adopted;               // size of an adopted engine block, 0 for none
  std::vector<Int64> sizes;    // SetSize calls in order
  Int64 capacity;
  Int64 growth;
  Integer resizeCount;
};

const CapacityCase kCapacities[] = {
    {"one_byte_gets_1024", 0, {1}, 1024, 0, 0},
    {"four_bytes_get_1024", 0, {4}, 1024, 0, 0},
    {"a_large_first_block_is_exact", 0, {5000}, 5000, 0, 0},
    {"adopted_four_grows_to_1024", 4, {5}, 1024, 1020, 0},
    {"growth_by_the_step", 0, {1024, 1025}, 2048, 1024, 0},
    {"growth_by_the_need_rounded_to_4", 0, {1024, 3001}, 3004, 1980, 0},
    {"step_of_10240_above_10k", 0, {20000, 20001}, 30240, 10240, 0},
    {"within_capacity_counts", 0, {10, 20, 30, 1000}, 1024, 0, 3},
    {"shrink_less_than_a_step_keeps", 50000, {45000}, 50000, 0, 0},
    {"shrink_by_a_step_reallocates", 50000, {30000}, 30000, 0, 0},
    {"empty_frees", 50000, {0}, 0, 0, 0},
    {"negative_frees", 0, {300, -1}, 0, 0, 0},
};

void PrintTo(const CapacityCase& c, std::ostream* os) { *os << c.name; }

class MemoryStreamCapacity : public EngineStreamTest, public testing::WithParamInterface<CapacityCase> {};
INSTANTIATE_TEST_SUITE_P(Cases, MemoryStreamCapacity, testing::ValuesIn(kCapacities),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(MemoryStreamCapacity, FollowsTheAllocationSteps) {
  const CapacityCase& c = GetParam();
  void* block = c.adopted > 0 ? MemoryManager().GetMem(c.adopted) : nullptr;
  if (block) std::memset(block, 0x5A, static_cast<size_t>(c.adopted));
  TSQLMemMemoryStream s(block);
  EXPECT_EQ(s.GetSize(), c.adopted);
  for (Int64 size : c.sizes) s.SetSize(size);
  EXPECT_EQ(s.Capacity(), c.capacity);
  EXPECT_EQ(s.Growth(), c.growth);
  EXPECT_EQ(s.ResizeCount(), c.resizeCount);
  EXPECT_EQ(s.GetSize(), std::max<Int64>(c.sizes.back(), 0));
  if (c.capacity == 0) {
    EXPECT_EQ(s.Memory(), nullptr);
  } else {
    EXPECT_EQ(MemoryManager().GetBlockSize(s.Memory()), c.capacity);
    // Content below both the old and the new size survives every reallocation.
    const Int64 kept = std::min(c.adopted, s.GetSize());
    EXPECT_EQ(std::count(s.Memory(), s.Memory() + kept, Byte{0x5A}), kept);
  }
}

TEST_F(EngineStreamTest, MemoryStreamAdoptsABlockWithAGivenSize) {
  void* block = MemoryManager().GetMem(64);
  std::memcpy(block, "adopted", 7);
  {
    TSQLMemMemoryStream s(block, 7);
    EXPECT_EQ(s.GetSize(), 7);
    EXPECT_EQ(s.Capacity(), 7);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 8), 7);
    EXPECT_STREQ(buf, "adopted");
  }  // the stream freed the block; the fixture checks that nothing is left

  void* other = MemoryManager().GetMem(16);
  EXPECT_THROW(TSQLMemMemoryStream(other, 17), ERangeError);
  MemoryManager().FreeMem(other);  // a refused block stays with the caller
}

TEST_F(EngineStreamTest, MemoryStreamGapAndNegativePositions) {
  TSQLMemMemoryStream s;
  s.WriteBuffer("abc", 3);
  s.Seek(Int64{100}, soCurrent);
  Byte b = 0;
  EXPECT_EQ(s.Read(&b, 1), 0);
  EXPECT_EQ(s.Write("!", 1), 1);
  EXPECT_EQ(s.GetSize(), 104);
  EXPECT_EQ(s.GetPosition(), 104);
  s.Seek(Int64{-500}, soEnd);
  EXPECT_EQ(s.GetPosition(), -396);
  EXPECT_EQ(s.Read(&b, 1), 0);
  EXPECT_EQ(s.Write("x", 1), 0);
  EXPECT_EQ(s.GetSize(), 104);
}

TEST_F(EngineStreamTest, MemoryStreamUnderAMemoryLimitFailsWithoutLosingItsContent) {
  TSQLMemMemoryStream s;
  s.WriteBuffer("keep", 4);
  MemoryManager().SetMemoryLimit(MemoryManager().Allocated() + 2000);
  EXPECT_THROW(s.SetSize(Int64{100000}), ESQLMemException);
  EXPECT_EQ(s.GetSize(), 4);
  EXPECT_EQ(s.Capacity(), 1024);
  s.SetPosition(0);
  char buf[4];
  s.ReadBuffer(buf, 4);
  EXPECT_EQ(std::string(buf, 4), "keep");
}

// Room reserved for appends: the content, size and position stay, later writes within the room keep the
// block, a smaller room changes nothing, and a room past the memory limit fails leaving all as it was.
TEST_F(EngineStreamTest, MemoryStreamReservesRoomWithoutChangingItsContent) {
  TSQLMemMemoryStream s;
  s.Reserve(10);
  EXPECT_EQ(s.Capacity(), 12) << "a multiple of 4";
  EXPECT_EQ(s.GetSize(), 0);
  s.WriteBuffer("keep", 4);
  s.SetPosition(2);
  s.Reserve(Int64{100001});
  EXPECT_EQ(s.Capacity(), 100004);
  EXPECT_EQ(s.GetSize(), 4);
  EXPECT_EQ(s.GetPosition(), 2);
  const Byte* block = s.Memory();
  s.SetPosition(4);
  const std::vector<Byte> data = Pattern(99000, 3);
  s.WriteBuffer64(data.data(), static_cast<Int64>(data.size()));
  EXPECT_EQ(s.Memory(), block) << "writes within the room keep the block";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.Memory()), 4), "keep");
  s.Reserve(10);
  EXPECT_EQ(s.Capacity(), 100004);
  MemoryManager().SetMemoryLimit(MemoryManager().Allocated() + 2000);
  EXPECT_THROW(s.Reserve(Int64{1000000}), ESQLMemException);
  EXPECT_EQ(s.Capacity(), 100004);
  EXPECT_EQ(s.GetSize(), 99004);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), s.Memory() + 4));
}

// ---- file stream ----

class FileStream : public EngineStreamTest {};

TEST_F(FileStream, OpenModesGiveTheirAccess) {
  const WideString name = dir_ / u"modes.dat";
  {
    TSQLMemFileStream s(name, SQLMemFileModeCreate);
    EXPECT_EQ(s.BlockSize(), 102400);
    EXPECT_EQ(s.WideFileName(), name);
    EXPECT_TRUE(s.FileName().empty());
    s.WriteBuffer("content", 7);
  }
  char buf[8] = {};
  {
    TSQLMemFileStream s(name, 0x00);  // read
    EXPECT_EQ(s.Write("x", 1), 0);
    EXPECT_EQ(s.Read(buf, 8), 7);
  }
  {
    TSQLMemFileStream s(name, 0x01);  // write
    EXPECT_EQ(s.Read(buf, 1), 0);
    EXPECT_EQ(s.Write("C", 1), 1);
  }
  {
    TSQLMemFileStream s(name, 0x02);  // read and write
    s.Seek(Int64{0}, soEnd);
    EXPECT_EQ(s.Write("!", 1), 1);
    s.SetPosition(0);
    EXPECT_EQ(s.Read(buf, 8), 8);
    EXPECT_EQ(std::string(buf, 8), "Content!");
  }
  {
    TSQLMemFileStream s(name, SQLMemFileModeCreate);  // create empties an existing file
    EXPECT_EQ(s.GetSize(), 0);
  }
}

TEST_F(FileStream, EightBitNamesAreWindows1250) {
  const AnsiString name = dir_.Ansi(u"napló-ő.dat");
  {
    TSQLMemFileStream s(name, SQLMemFileModeCreate);
    EXPECT_EQ(s.FileName(), name);
    EXPECT_TRUE(s.WideFileName().empty());
    s.WriteBuffer("x", 1);
  }
  EXPECT_TRUE(FileExistsAnsiOrWide("", dir_ / u"napló-ő.dat"));
}

TEST_F(FileStream, MissingOrUncreatableFilesRaiseTheirCodes) {
  const AnsiString missing = dir_.Ansi(u"missing.dat");
  auto [code, message] = EngineErrorOf([&] { TSQLMemFileStream s(missing, 0x20); });
  EXPECT_EQ(code, 10105);
  EXPECT_EQ(message, "Cannot open file. FileName = " + missing + ", Mode = 32 - Native error: 10105");

  const WideString inMissingFolder = dir_ / u"no/such/folder.dat";
  std::tie(code, message) = EngineErrorOf([&] { TSQLMemFileStream s(inMissingFolder, SQLMemFileModeCreate); });
  EXPECT_EQ(code, 10104);
  EXPECT_EQ(message, "Cannot create file. FileName = " + Utf16ToCp1250(inMissingFolder) + " - Native error: 10104");
}

TEST_F(FileStream, SetSizeCutsAndExtendsKeepingThePositionWhereItCan) {
  TSQLMemFileStream s(dir_ / u"size.dat", SQLMemFileModeCreate);
  s.WriteBuffer("0123456789", 10);
  s.SetPosition(4);
  s.SetSize(Int64{20});
  EXPECT_EQ(s.GetSize(), 20);
  EXPECT_EQ(s.GetPosition(), 4);
  s.SetSize(Int64{2});
  EXPECT_EQ(s.GetSize(), 2);
  EXPECT_EQ(s.GetPosition(), 2);
  EXPECT_THROW(s.SetSize(Int64{-1}), EOSError);
  EXPECT_EQ(s.GetSize(), 2);
  EXPECT_EQ(s.GetPosition(), 2);
}

// Two opens of one file: the first one's mode, then whether a second open with another mode succeeds.
struct ShareCase {
  Word first;
  Word second;
  bool secondOpens;
};

const ShareCase kShares[] = {
    {0xFFFF, 0x00, false},  // a file being created is shared with no one
    {0x10, 0x00, false},    // exclusive read
    {0x00, 0x10, false},    // exclusive asked while someone reads
    {0x20, 0x20, true},     // readers that deny writing
    {0x20, 0x02, false},    // a writer while writing is denied
    {0x20, 0x01, false},
    {0x02, 0x20, false},    // denying writing while someone writes
    {0x00, 0x02, true},     // full sharing
    {0x01, 0x00, true},
    {0x02, 0x22, false},
    {0x00, 0x22, true},     // the first only reads, so the second may deny writing
    {0x00, 0xFFFF, false},  // creating needs the file to itself
};

void PrintTo(const ShareCase& c, std::ostream* os) { *os << c.first << " then " << c.second; }

class FileShare : public EngineStreamTest, public testing::WithParamInterface<ShareCase> {};
INSTANTIATE_TEST_SUITE_P(Cases, FileShare, testing::ValuesIn(kShares), [](const auto& info) {
  return "first_" + std::to_string(info.param.first) + "_second_" + std::to_string(info.param.second);
});

TEST_P(FileShare, ConflictingOpensRaiseAndCompatibleOnesSucceed) {
  const ShareCase& c = GetParam();
  const WideString name = dir_ / u"shared.dat";
  { TSQLMemFileStream create(name, SQLMemFileModeCreate); }
  TSQLMemFileStream first(name, c.first);
  if (c.secondOpens) {
    EXPECT_NO_THROW(TSQLMemFileStream(name, c.second));
  } else {
    const auto [code, message] = EngineErrorOf([&] { TSQLMemFileStream second(name, c.second); });
    EXPECT_EQ(code, c.second == SQLMemFileModeCreate ? 10104 : 10105);
  }
}

TEST_F(FileStream, ExistenceIsTestedWithoutOpeningTheFile) {
  EXPECT_FALSE(FileExistsAnsiOrWide("", u""));
  EXPECT_FALSE(FileExistsAnsiOrWide(dir_.Ansi(u"none.dat"), u""));
  const WideString name = dir_ / u"here.dat";
  TSQLMemFileStream held(name, SQLMemFileModeCreate);  // open and shared with no one
  EXPECT_TRUE(FileExistsAnsiOrWide("", name));
  EXPECT_TRUE(FileExistsAnsiOrWide(dir_.Ansi(u"here.dat"), u""));
  EXPECT_FALSE(FileExistsAnsiOrWide(dir_.Ansi(u"here.dat"), dir_ / u"none.dat"));  // the wide name wins
  EXPECT_FALSE(FileExistsAnsiOrWide("", dir_.Path()));                              // a folder is no file
}

// ---- temporary files ----

class TempFiles : public EngineStreamTest {};

TEST_F(TempFiles, NamesAreReservedInTheEngineTempFolder) {
  const WideString name = CreateTempFileName();
  ASSERT_FALSE(name.empty());
  EXPECT_EQ(name.rfind(EngineTempFolder, 0), 0u);
  const auto files = AcrFiles(dir_.Path());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(std::filesystem::file_size(files[0]), 0u);
  EXPECT_NE(CreateTempFileName(), name);
  for (const auto& f : AcrFiles(dir_.Path())) std::filesystem::remove(f);

  EngineTempFolder.clear();
  EXPECT_TRUE(CreateTempFileName().empty());
}

TEST_F(TempFiles, TheTempFileStreamLivesInOneFileThatGoesWithIt) {
  {
    TSQLMemTempFileStream s;
    EXPECT_EQ(s.BlockSize(), 32768);
    const auto files = AcrFiles(dir_.Path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0], std::filesystem::path(s.TempFileName()));
    const std::vector<Byte> data = Pattern(100000, 9);
    s.WriteBuffer64(data.data(), 100000);
    s.Lock(true);  // no lock: ignored
    s.Unlock();
    EXPECT_EQ(ReadAll(s), data);
  }
  // The fixture checks that the file is gone.
}

TEST_F(TempFiles, ACachedBlockKeepsItsWritesAcrossOtherBlocks) {
  TSQLMemTempFileStream s;
  const std::vector<Byte> data = Pattern(3 * 32768, 10);
  s.WriteBuffer64(data.data(), static_cast<Int64>(data.size()));
  s.SetPosition(100);
  s.WriteBuffer("0123456789", 10);  // block 0, left dirty
  s.SetPosition(70000);
  char other[4];
  s.ReadBuffer(other, 4);           // loads block 2
  EXPECT_EQ(std::memcmp(other, data.data() + 70000, 4), 0);
  s.SetPosition(98);
  char back[14];
  s.ReadBuffer(back, 14);
  EXPECT_EQ(std::memcmp(back, data.data() + 98, 2), 0);
  EXPECT_EQ(std::string(back + 2, 10), "0123456789");
  EXPECT_EQ(std::memcmp(back + 12, data.data() + 110, 2), 0);

  s.SetPosition(s.GetSize() - 5);
  std::vector<Byte> tail(50);
  EXPECT_EQ(s.Read(tail.data(), 50), 5);
}

TEST_F(TempFiles, ConstructionFailuresLeaveNoFile) {
  EngineTempFolder.clear();
  auto [code, message] = EngineErrorOf([] { TSQLMemTempFileStream s; });
  EXPECT_EQ(code, 10104);
  EngineTempFolder = dir_.Path();

  // The file is made, then the block buffer is refused: the file goes again.
  MemoryManager().SetMemoryLimit(MemoryManager().Allocated() + 1000);
  std::tie(code, message) = EngineErrorOf([] { TSQLMemTempFileStream s; });
  EXPECT_EQ(code, 30004);
  MemoryManager().SetMemoryLimit(0);
  EXPECT_TRUE(AcrFiles(dir_.Path()).empty());
}

// ---- temporary stream ----

class TemporaryStream : public EngineStreamTest {};

TEST_F(TemporaryStream, WritesStayInMemoryAndSetSizePastTheThresholdMovesToAFile) {
  TSQLMemTemporaryStream s;
  EXPECT_EQ(s.BlockSize(), 32768);
  EXPECT_EQ(s.Threshold(), 1048576);
  const std::vector<Byte> data = Pattern(2 * 1048576, 11);
  s.WriteBuffer64(data.data(), static_cast<Int64>(data.size()));
  EXPECT_TRUE(s.InMemory());
  EXPECT_TRUE(AcrFiles(dir_.Path()).empty());

  s.SetSize(Int64{1048576});  // at the threshold: still memory
  EXPECT_TRUE(s.InMemory());
  s.SetPosition(1000);
  s.SetSize(Int64{1048577});
  EXPECT_FALSE(s.InMemory());
  const auto files = AcrFiles(dir_.Path());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0], std::filesystem::path(s.TempFileName()));
  EXPECT_EQ(s.GetSize(), 1048577);
  EXPECT_EQ(s.GetPosition(), 1000);  // carried over
  const std::vector<Byte> all = ReadAll(s);
  EXPECT_TRUE(std::equal(data.begin(), data.begin() + 1048576, all.begin()));

  s.SetSize(Int64{0});  // no way back
  EXPECT_FALSE(s.InMemory());
  EXPECT_EQ(AcrFiles(dir_.Path()).size(), 1u);
}

TEST_F(TemporaryStream, RoomIsReservedInMemoryOnly) {
  TSQLMemTemporaryStream s;
  s.Reserve(Int64{4000000});
  EXPECT_EQ(s.Capacity(), 4000000);
  EXPECT_TRUE(s.InMemory()) << "room is no size: the stream stays in memory";
  EXPECT_EQ(s.GetSize(), 0);
  s.SetSize(Int64{s.Threshold()} + 1);
  ASSERT_FALSE(s.InMemory());
  s.Reserve(Int64{8000000});
  EXPECT_EQ(s.Capacity(), 0);
  EXPECT_EQ(s.GetSize(), Int64{s.Threshold()} + 1);
}

TEST_F(TemporaryStream, TheFileGoesWhenAnErrorUnwindsTheStream) {
  try {
    TSQLMemTemporaryStream s;
    s.WriteBuffer("x", 1);
    s.SetSize(Int64{3000000});
    ASSERT_EQ(AcrFiles(dir_.Path()).size(), 1u);
    throw std::runtime_error("unwind");
  } catch (const std::runtime_error&) {
  }
  EXPECT_TRUE(AcrFiles(dir_.Path()).empty());
}

TEST_F(TemporaryStream, AFailedMoveLeavesTheStreamInMemoryAndNoFile) {
  TSQLMemTemporaryStream s;
  const std::vector<Byte> data = Pattern(5000, 12);
  s.WriteBuffer(data.data(), 5000);
  s.SetPosition(10);

  // No file can be made.
  EngineTempFolder = dir_ / u"missing/";
  EXPECT_THROW(s.SetSize(Int64{2000000}), ESQLMemException);
  EngineTempFolder = dir_.Path();
  // The file is made, but its block buffer is refused.
  MemoryManager().SetMemoryLimit(MemoryManager().Allocated() + 1000);
  EXPECT_THROW(s.SetSize(Int64{2000000}), ESQLMemException);
  MemoryManager().SetMemoryLimit(0);

  EXPECT_TRUE(s.InMemory());
  EXPECT_TRUE(AcrFiles(dir_.Path()).empty());
  EXPECT_EQ(s.GetPosition(), 10);
  EXPECT_EQ(ReadAll(s), data);
}

// ---- locking ----

TEST_F(EngineStreamTest, AnExclusiveLockHoldsOffReadersOfOtherThreads) {
  TSQLMemMemoryStream s;
  s.Lock(true);
  std::atomic<bool> granted{false};
  std::thread reader([&] {
    s.Lock(false);
    granted = true;
    s.Unlock();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(granted);
  s.Unlock();
  reader.join();
  EXPECT_TRUE(granted);
}

// The lock is made by the first Lock call; threads that lock a new stream at once share one lock.
TEST_F(EngineStreamTest, ThreadsLockingANewStreamAtOnceExcludeEachOther) {
  for (int round = 0; round < 20; ++round) {
    TSQLMemMemoryStream s;
    constexpr int kThreads = 4;
    std::atomic<int> ready{0}, inside{0}, most{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&] {
        ready.fetch_add(1);
        while (ready.load() < kThreads) {
        }
        s.Lock(true);
        const int now = inside.fetch_add(1) + 1;
        int seen = most.load();
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        inside.fetch_sub(1);
        s.Unlock();
      });
    }
    for (std::thread& t : threads) t.join();
    ASSERT_EQ(most.load(), 1) << "round " << round;
  }
}

}  // namespace
