#include "vcl/rtl/Stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "common/TempDir.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/TextConv.h"

namespace {

// ---- the same semantics for every kind of stream ----

struct StreamKind {
  const char* name;
  std::function<std::unique_ptr<TStream>(const TempDir&)> make;
};

const StreamKind kKinds[] = {
    {"memory", [](const TempDir&) { return std::make_unique<TMemoryStream>(); }},
    {"file", [](const TempDir& d) { return std::make_unique<TFileStream>(d / u"s.dat", fmCreate); }},
    {"string", [](const TempDir&) { return std::make_unique<TStringStream>(); }},
};

void PrintTo(const StreamKind& kind, std::ostream* os) { *os << kind.name; }

class EveryStream : public testing::TestWithParam<StreamKind> {
 protected:
  TempDir dir_;
  std::unique_ptr<TStream> s_ = GetParam().make(dir_);
};

INSTANTIATE_TEST_SUITE_P(Kinds, EveryStream, testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.name); });

enum class Op { Write, Read, Seek, Seek32, SetSize, SetSize32, Check };

// One step of a script: what is done, with what, and what it must give. For Check, arg is the expected
// Size and result the expected Position. Read compares the bytes with data.
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
    {Op::Read, 4, 0, "", 0},                    // nothing to read in an empty stream
    {Op::Write, 0, 0, "hello", 5},
    {Op::Check, 5, 0, nullptr, 5},
    {Op::Seek, 0, 0, nullptr, 0},
    {Op::Read, 3, 0, "hel", 3},
    {Op::Read, 10, 0, "lo", 2},                 // a short read at the end
    {Op::Read, 10, 0, "", 0},
    {Op::Seek, -2, 2, nullptr, 3},              // from the end
    {Op::Seek, 1, 1, nullptr, 4},               // from the current position
    {Op::Seek32, 0, 2, nullptr, 5},
    {Op::Seek, 8, 0, nullptr, 8},               // beyond the end: allowed, the size stays
    {Op::Check, 5, 0, nullptr, 8},
    {Op::Read, 1, 0, "", 0},
    {Op::Write, 0, 0, "!", 1},                  // writing there fills the gap with zeros
    {Op::Check, 9, 0, nullptr, 9},
    {Op::Seek, 4, 0, nullptr, 4},
    {Op::Read, 5, 0, "o\0\0\0!", 5},
    {Op::SetSize, 3, 0, nullptr, 0},            // cutting below the position moves it to the end
    {Op::Check, 3, 0, nullptr, 3},
    {Op::Seek, 1, 0, nullptr, 1},
    {Op::SetSize32, 6, 0, nullptr, 0},          // growing keeps the position; new bytes are zeros
    {Op::Check, 6, 0, nullptr, 1},
    {Op::Read, 9, 0, "el\0\0\0", 5},
    {Op::Seek, 1, 0, nullptr, 1},
    {Op::Write, 0, 0, "ip", 2},                 // overwriting inside keeps the size
    {Op::Check, 6, 0, nullptr, 3},
    {Op::Seek, 0, 0, nullptr, 0},
    {Op::Read, 6, 0, "hip\0\0\0", 6},
    {Op::SetSize, 0, 0, nullptr, 0},
    {Op::Check, 0, 0, nullptr, 0},
};
// clang-format on

TEST_P(EveryStream, SeekSizeReadAndWriteFollowTheScript) {
  TStream& s = *s_;
  int index = 0;
  for (const Step& step : kScript) {
    SCOPED_TRACE("step " + std::to_string(index++));
    switch (step.op) {
      case Op::Write: {
        const Integer n = static_cast<Integer>(std::strlen(step.data));
        EXPECT_EQ(s.Write(step.data, n), step.result);
        break;
      }
      case Op::Read: {
        std::string buffer(static_cast<size_t>(step.arg), '\x7F');
        const Integer n = s.Read(buffer.data(), static_cast<Integer>(step.arg));
        EXPECT_EQ(n, step.result);
        EXPECT_EQ(buffer.substr(0, static_cast<size_t>(std::max(n, 0))),
                  std::string(step.data, static_cast<size_t>(step.result)));
        break;
      }
      case Op::Seek:
        EXPECT_EQ(s.Seek(step.arg, static_cast<TSeekOrigin>(step.origin)), step.result);
        break;
      case Op::Seek32:
        EXPECT_EQ(s.Seek(static_cast<Integer>(step.arg), static_cast<Word>(step.origin)), step.result);
        break;
      case Op::SetSize: s.SetSize(step.arg); break;
      case Op::SetSize32: s.SetSize(static_cast<Integer>(step.arg)); break;
      case Op::Check:
        EXPECT_EQ(s.GetSize(), step.arg);
        EXPECT_EQ(s.GetPosition(), step.result);
        break;
    }
  }
}

TEST_P(EveryStream, ReadBufferAndWriteBufferAreAllOrError) {
  TStream& s = *s_;
  s.WriteBuffer("abcdef", 6);
  s.SetPosition(2);
  char buf[8] = {};
  s.ReadBuffer(buf, 4);
  EXPECT_EQ(std::string(buf, 4), "cdef");
  s.ReadBuffer(buf, 0);  // nothing asked, nothing raised
  s.SetPosition(4);
  try {
    s.ReadBuffer(buf, 3);
    ADD_FAILURE() << "a short read must raise";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
  EXPECT_THROW(s.ReadBuffer(buf, -1), EReadError);
}

TEST_P(EveryStream, TheThirtyTwoBitSeekRaisesBeyondItsRange) {
  TStream& s = *s_;
  const Int64 far = Int64{1} << 32;  // nothing is written, so no memory or disk is used
  EXPECT_EQ(s.Seek(far, soFromBeginning), far);  // the 64-bit seek with a Word origin
  EXPECT_EQ(s.GetPosition(), far);
  EXPECT_THROW(s.Seek(0, soFromCurrent), ERangeError);
  EXPECT_EQ(s.Seek(Integer{7}, soFromBeginning), 7);
}

TEST_P(EveryStream, CopyFromWithCountZeroCopiesTheWholeSource) {
  TMemoryStream source;
  std::vector<Byte> bytes(200000);  // more than one copy piece
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<Byte>(i * 7 + i / 256);
  source.WriteBuffer64(bytes.data(), static_cast<Int64>(bytes.size()));  // source left at its end

  TStream& s = *s_;
  s.WriteBuffer("head", 4);
  EXPECT_EQ(s.CopyFrom(source, 0), 200000);
  EXPECT_EQ(s.GetSize(), 200004);
  EXPECT_EQ(s.GetPosition(), 200004);
  std::vector<Byte> back(bytes.size());
  s.SetPosition(4);
  s.ReadBuffer64(back.data(), static_cast<Int64>(back.size()));
  EXPECT_EQ(back, bytes);

  source.SetPosition(199990);  // a count copies from the current position
  s.SetPosition(0);
  EXPECT_EQ(s.CopyFrom(source, 10), 10);
  EXPECT_EQ(s.GetPosition(), 10);
  source.SetPosition(199995);
  EXPECT_THROW(s.CopyFrom(source, 10), EReadError);  // the source has only 5 more
}

// ---- a random walk against a model, for each stream kind ----

TEST_P(EveryStream, RandomOperationsMatchAVectorModel) {
  const unsigned seed = 0x5EED0 + static_cast<unsigned>(std::string(GetParam().name).size());
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  auto pick = [&](Int64 lo, Int64 hi) { return std::uniform_int_distribution<Int64>(lo, hi)(rng); };

  TStream& s = *s_;
  std::vector<Byte> model;
  Int64 pos = 0;
  std::vector<Byte> buffer;
  for (int i = 0; i < 1500; ++i) {
    SCOPED_TRACE("operation " + std::to_string(i));
    const Int64 size = static_cast<Int64>(model.size());
    switch (pick(0, 5)) {
      case 0:
      case 1: {  // write
        const Integer n = static_cast<Integer>(pick(0, 3000));
        buffer.resize(static_cast<size_t>(n));
        for (Byte& b : buffer) b = static_cast<Byte>(pick(0, 255));
        ASSERT_EQ(s.Write(buffer.data(), n), n);
        if (pos + n > size) model.resize(static_cast<size_t>(pos + n), 0);
        std::copy(buffer.begin(), buffer.end(), model.begin() + pos);
        pos += n;
        break;
      }
      case 2: {  // read
        const Integer n = static_cast<Integer>(pick(0, 3000));
        buffer.assign(static_cast<size_t>(n), 0xEE);
        const Integer expected = static_cast<Integer>(std::clamp<Int64>(size - pos, 0, n));
        ASSERT_EQ(s.Read(buffer.data(), n), expected);
        ASSERT_TRUE(std::equal(buffer.begin(), buffer.begin() + expected, model.begin() + pos));
        pos += expected;
        break;
      }
      case 3: {  // seek, sometimes beyond the end
        const int origin = static_cast<int>(pick(0, 2));
        const Int64 target = pick(0, size + 100);
        const Int64 offset = target - (origin == 0 ? 0 : origin == 1 ? pos : size);
        ASSERT_EQ(s.Seek(offset, static_cast<TSeekOrigin>(origin)), target);
        pos = target;
        break;
      }
      case 4: {  // set size, either slot
        const Int64 newSize = pick(0, size + 4000);
        if (pick(0, 1)) s.SetSize(newSize);
        else s.SetSize(static_cast<Integer>(newSize));
        model.resize(static_cast<size_t>(newSize), 0);
        pos = std::min(pos, newSize);
        break;
      }
      case 5:
        ASSERT_EQ(s.GetSize(), size);
        ASSERT_EQ(s.GetPosition(), pos);
        break;
    }
  }
  ASSERT_EQ(s.GetSize(), static_cast<Int64>(model.size()));
  std::vector<Byte> all(model.size());
  s.SetPosition(0);
  s.ReadBuffer64(all.data(), static_cast<Int64>(all.size()));
  EXPECT_EQ(all, model);
}

// ---- the memory stream ----

TEST(MemoryStream, MemoryAndCapacity) {
  TMemoryStream s;
  EXPECT_EQ(s.Memory(), nullptr);
  s.WriteBuffer("abc", 3);
  ASSERT_NE(s.Memory(), nullptr);
  EXPECT_EQ(std::memcmp(s.Memory(), "abc", 3), 0);
  EXPECT_GE(s.GetCapacity(), 3);
  for (int i = 0; i < 10000; ++i) s.WriteBuffer("0123456789", 10);
  EXPECT_GE(s.GetCapacity(), s.GetSize());

  s.SetCapacity(2);  // a capacity below the size cuts the stream
  EXPECT_EQ(s.GetSize(), 2);
  EXPECT_EQ(s.GetPosition(), 100003);  // the position is kept, beyond the end
  EXPECT_EQ(std::memcmp(s.Memory(), "ab", 2), 0);

  s.Clear();
  EXPECT_EQ(s.Memory(), nullptr);
  EXPECT_EQ(s.GetSize(), 0);
  EXPECT_EQ(s.GetPosition(), 0);
  EXPECT_THROW(s.SetSize(Int64{-1}), ERangeError);
  EXPECT_THROW(s.SetCapacity(-1), ERangeError);
}

TEST(MemoryStream, ANegativePositionReadsAndWritesNothing) {
  TMemoryStream s;
  s.WriteBuffer("abc", 3);
  EXPECT_EQ(s.Seek(Int64{-5}, soEnd), -2);
  char c = 0;
  EXPECT_EQ(s.Read(&c, 1), 0);
  EXPECT_EQ(s.Write("x", 1), 0);
  EXPECT_THROW(s.WriteBuffer("x", 1), EWriteError);
  EXPECT_EQ(s.GetSize(), 3);
}

TEST(MemoryStream, LoadAndSaveThroughStreamsAndFiles) {
  TempDir dir;
  const AnsiString word = Utf8ToCp1250("árvíz");
  TMemoryStream a;
  a.WriteBuffer(word.data(), 5);
  a.SetPosition(2);
  TStringStream text("prefix:");
  text.Seek(Int64{0}, soEnd);
  a.SaveToStream(text);  // writes everything, at dest's position
  EXPECT_EQ(text.DataString(), "prefix:" + word);
  EXPECT_EQ(a.GetPosition(), 2);

  TMemoryStream b;
  b.WriteBuffer("old content that is longer", 26);
  b.LoadFromStream(text);
  EXPECT_EQ(b.GetSize(), 12);
  EXPECT_EQ(b.GetPosition(), 0);
  EXPECT_EQ(std::string(static_cast<const char*>(b.Memory()), 12), "prefix:" + word);

  const AnsiString name = dir.Ansi(u"tükör.dat");  // a Windows-1250 name
  b.SaveToFile(name);
  TMemoryStream c;
  c.LoadFromFile(dir / u"tükör.dat");
  EXPECT_EQ(std::string(static_cast<const char*>(c.Memory()), 12), "prefix:" + word);
  EXPECT_THROW(c.LoadFromFile(dir / u"none.dat"), EFOpenError);
}

TEST(MemoryStream, SavingIntoItselfAppendsACopy) {
  TMemoryStream s;
  for (int i = 0; i < 1000; ++i) s.WriteBuffer("0123456789", 10);
  s.SaveToStream(s);  // grows the block while its old content is written
  ASSERT_EQ(s.GetSize(), 20000);
  EXPECT_EQ(std::memcmp(s.Memory(), static_cast<const Byte*>(s.Memory()) + 10000, 10000), 0);
  s.LoadFromStream(s);
  EXPECT_EQ(s.GetSize(), 20000);
  EXPECT_EQ(s.GetPosition(), 0);
}

// ---- file streams: open modes, share modes, errors ----

struct ModeCase {
  Word first;
  Word second;
  bool secondOpens;
};

constexpr ModeCase kModeCases[] = {
    {fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyWrite, true},
    {fmOpenRead | fmShareDenyWrite, fmOpenReadWrite | fmShareDenyNone, false},
    {fmOpenReadWrite | fmShareDenyNone, fmOpenRead | fmShareDenyWrite, false},
    {fmOpenRead | fmShareExclusive, fmOpenRead | fmShareDenyNone, false},
    {fmOpenRead | fmShareDenyNone, fmOpenRead | fmShareExclusive, false},
    {fmOpenRead | fmShareDenyRead, fmOpenWrite | fmShareDenyNone, true},
    {fmOpenRead | fmShareDenyRead, fmOpenRead | fmShareDenyNone, false},
    {fmOpenRead | fmShareCompat, fmOpenReadWrite | fmShareCompat, true},
    {fmOpenWrite | fmShareDenyNone, fmOpenWrite | fmShareDenyNone, true},
    {fmCreate, fmOpenRead | fmShareDenyNone, false},
    {fmOpenRead | fmShareDenyNone, fmCreate, false},
};

TEST(FileStream, ShareModesDecideWhetherASecondStreamOpens) {
  TempDir dir;
  const WideString name = dir / u"data.dat";
  TFileStream(name, fmCreate).WriteBuffer("content", 7);
  for (const ModeCase& c : kModeCases) {
    SCOPED_TRACE("modes " + std::to_string(c.first) + " then " + std::to_string(c.second));
    TFileStream first(name, c.first);
    if (c.secondOpens) {
      EXPECT_NO_THROW(TFileStream(name, c.second));
    } else if (c.second == fmCreate) {
      EXPECT_THROW(TFileStream(name, c.second), EFCreateError);
    } else {
      EXPECT_THROW(TFileStream(name, c.second), EFOpenError);
    }
    if (c.first == fmCreate) first.WriteBuffer("content", 7);  // fmCreate emptied it
  }
}

TEST(FileStream, FailuresNameTheFileAndTheReason) {
  TempDir dir;
  const WideString name = dir / u"árvíz.dat";
  TFileStream(name, fmCreate).WriteBuffer("x", 1);
  TFileStream holder(name, fmOpenRead | fmShareExclusive);
  try {
    TFileStream(name, fmOpenRead | fmShareDenyNone);
    ADD_FAILURE() << "the second open must fail";
  } catch (const EFOpenError& e) {
    const AnsiString expected = "Cannot open file \"" + Utf16ToCp1250(name) + "\". ";
    EXPECT_EQ(e.Message().substr(0, expected.size()), expected);
    EXPECT_EQ(e.Message().substr(expected.size()), os::SysErrorMessage(os::kErrorSharingViolation));
  }
  try {
    TFileStream(dir / u"missing/new.dat", fmCreate);
    ADD_FAILURE() << "creating in a missing folder must fail";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message().substr(0, 19), "Cannot create file ");
  }
  EXPECT_THROW(TFileStream(dir / u"none.dat", fmOpenRead), EFOpenError);
  EXPECT_THROW(TFileStream(name, fmOpenRead | 0x0050), EFOpenError);  // no such share mode
  EXPECT_THROW(TFileStream(name, 0x0003), EFOpenError);               // no such access
}

TEST(FileStream, AccessModesAndCreation) {
  TempDir dir;
  const WideString name = dir / u"f.dat";
  TFileStream(name, fmCreate).WriteBuffer("abcdef", 6);
  {
    TFileStream reader(name, fmOpenRead);
    EXPECT_EQ(reader.GetSize(), 6);
    EXPECT_THROW(reader.WriteBuffer("x", 1), EWriteError);
    EXPECT_EQ(reader.FileName(), name);
  }
  {
    TFileStream writer(name, fmOpenWrite);
    char c;
    EXPECT_EQ(writer.Read(&c, 1), 0);
    writer.Seek(Int64{0}, soEnd);
    writer.WriteBuffer("g", 1);
  }
  EXPECT_EQ(TFileStream(name, fmOpenRead).GetSize(), 7);
  EXPECT_EQ(TFileStream(name, fmCreate).GetSize(), 0);  // fmCreate empties an existing file
}

TEST(HandleStream, WrapsAHandleWithoutOwningIt) {
  TempDir dir;
  const WideString name = dir / u"h.dat";
  const os::FileHandle h = os::FileOpen(name, os::kAccessReadWrite, os::kShareNone, os::FileCreation::CreateAlways);
  ASSERT_NE(h, os::kInvalidFile);
  {
    THandleStream s(h);
    s.WriteBuffer("abc", 3);
    EXPECT_EQ(s.Handle(), h);
  }
  EXPECT_EQ(os::FileSeek(h, 0, 1), 3);  // still open after the stream is gone
  os::FileClose(h);
}

// ---- the string stream ----

TEST(StringStream, ReadAndWriteStrings) {
  TStringStream s("hello world");
  EXPECT_EQ(s.ReadString(5), "hello");
  EXPECT_EQ(s.ReadString(100), " world");
  EXPECT_EQ(s.ReadString(1), "");
  s.SetPosition(6);
  s.WriteString("there, friend");
  EXPECT_EQ(s.DataString(), "hello there, friend");
  s.SetPosition(30);
  EXPECT_EQ(s.ReadString(3), "");
}

}  // namespace
