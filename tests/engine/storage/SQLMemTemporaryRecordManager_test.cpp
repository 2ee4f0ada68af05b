#include "engine/storage/SQLMemTemporaryRecordManager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemStreams.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "tests/engine/foundation/EngineTestSupport.h"
#include "vcl/rtl/FileUtils.h"

namespace {

constexpr Integer kRecordSize = 12;

// Record n: its number in the first 8 bytes, then a byte pattern of it.
std::vector<Byte> RecordOf(Int64 n) {
  std::vector<Byte> record(kRecordSize);
  StoreValue<Int64>(record.data(), n);
  for (Integer i = 8; i < kRecordSize; ++i) record[i] = static_cast<Byte>(n * 7 + i);
  return record;
}

void AppendRecords(TSQLMemTemporaryRecordManager& records, Int64 from, Int64 to) {
  for (Int64 n = from; n < to; ++n) {
    TSQLMemRecordID id;
    ASSERT_TRUE(records.AppendRecord(RecordOf(n).data(), id, -1));
    ASSERT_EQ(TemporaryRecordIdToNumber(id), n);
  }
}

// Walks the store with the navigation requests a table makes, from the first record forward (or from
// the last backward); the numbers stored in the records met.
std::vector<Int64> Walk(TSQLMemTemporaryRecordManager& records, bool forward) {
  std::vector<Int64> numbers;
  std::vector<Byte> buffer(kRecordSize);
  TSQLMemNavigationRequest request;
  request.Direction = forward ? ndNext : ndPrior;
  (forward ? request.First : request.Last) = 1;
  request.RecordBuffer = buffer.data();
  for (records.NavigateRecord(request); request.Result == nrFound; records.NavigateRecord(request)) {
    EXPECT_EQ(TemporaryRecordIdToNumber(request.RecordId), LoadValue<Int64>(buffer.data()));
    EXPECT_EQ(buffer, RecordOf(LoadValue<Int64>(buffer.data())));
    numbers.push_back(LoadValue<Int64>(buffer.data()));
  }
  return numbers;
}

std::vector<Int64> Range(Int64 from, Int64 to, bool forward = true) {
  std::vector<Int64> numbers;
  for (Int64 n = from; n < to; ++n) numbers.push_back(n);
  if (!forward) std::reverse(numbers.begin(), numbers.end());
  return numbers;
}

}  // namespace

class TemporaryRecordManagerTest : public EngineBlocksTest {};

TEST_F(TemporaryRecordManagerTest, IdsAreSequenceNumbersInSixBytes) {
  for (Int64 n : {Int64{0}, Int64{1}, Int64{0x7FFFFFFF}, Int64{0xFFFFFFFF}, Int64{0x123456789ABC}, (Int64{1} << 48) - 1}) {
    const TSQLMemRecordID id = TemporaryNumberToRecordId(n);
    Byte bytes[6];
    StoreRecordID(bytes, id);
    Int64 fromBytes = 0;
    std::memcpy(&fromBytes, bytes, 6);  // the six bytes as one little-endian number
    EXPECT_EQ(fromBytes, n);
    EXPECT_EQ(TemporaryRecordIdToNumber(id), n);
  }
  EXPECT_EQ(TemporaryNumberToRecordId(Int64{1} << 48), TemporaryNumberToRecordId(0)) << "only the low six bytes";
}

TEST_F(TemporaryRecordManagerTest, CreationChecksTheRecordSizeAndTakesTheLimitFromTheAvailableMemory) {
  EXPECT_EQ(NativeErrorOf([] { TSQLMemTemporaryRecordManager(0, 1000, 10); }), 10124);
  TAvailableMemorySource previous = SetAvailableMemorySource([] { return Int64{240000}; });
  TSQLMemTemporaryRecordManager records(kRecordSize, 1000, 0);
  SetAvailableMemorySource(previous);
  EXPECT_EQ(records.MemoryLimit(), 240000 / 10 / kRecordSize);
  EXPECT_EQ(records.WriteBufferCapacity(), 1) << "a capacity of 0 is taken as 1";
}

TEST_F(TemporaryRecordManagerTest, BelowTheLimitTheMemoryAreaGrowsByStepsAndNothingSpills) {
  TSQLMemTemporaryRecordManager records(kRecordSize, 1000, 10, 2000);
  AppendRecords(records, 0, 1000);
  EXPECT_EQ(records.MemoryCapacity(), 1000);
  AppendRecords(records, 1000, 1500);
  EXPECT_EQ(records.MemoryCapacity(), 2000);
  EXPECT_EQ(records.MemoryCount(), 1500);
  EXPECT_TRUE(records.SpillFileName().empty());
  EXPECT_EQ(Walk(records, true), Range(0, 1500));
}

TEST_F(TemporaryRecordManagerTest, PastTheLimitRecordsSpillThroughAOneRecordWriteBuffer) {
  TSQLMemTemporaryRecordManager records(kRecordSize, 3, 10, 7);
  AppendRecords(records, 0, 8);
  EXPECT_EQ(records.MemoryCapacity(), 7) << "the last step stops at the limit";
  EXPECT_EQ(records.MemoryCount(), 7);
  EXPECT_EQ(records.WriteBufferCount(), 1);
  const WideString file = records.SpillFileName();
  ASSERT_FALSE(file.empty());
  EXPECT_TRUE(FileExists(file));
  AppendRecords(records, 8, 40);
  EXPECT_EQ(records.WriteBufferCount(), 1) << "each append flushes the one before";
  EXPECT_EQ(Walk(records, true), Range(0, 40));
  EXPECT_EQ(records.WriteBufferCount(), 0) << "reading a spilled record flushes the buffer";
  EXPECT_EQ(Walk(records, false), Range(0, 40, false));
  records.EmptyRecords(-1);
  EXPECT_FALSE(FileExists(file));
  EXPECT_EQ(records.GetRecordCount(), 0);
  EXPECT_EQ(records.MemoryCapacity(), 0);
  AppendRecords(records, 0, 10);
  EXPECT_EQ(Walk(records, true), Range(0, 10));
}

TEST_F(TemporaryRecordManagerTest, WithALimitOfZeroEveryRecordSpillsAndReadingTheFirstFlushes) {
  WideString file;
  {
    TSQLMemTemporaryRecordManager records(kRecordSize, 1000, 10, 0);
    AppendRecords(records, 0, 1);
    EXPECT_EQ(records.MemoryCapacity(), 0);
    EXPECT_EQ(records.WriteBufferCount(), 1);
    std::vector<Byte> buffer(kRecordSize);
    records.ReadRecord(0, buffer.data());
    EXPECT_EQ(buffer, RecordOf(0));
    EXPECT_EQ(records.WriteBufferCount(), 0);
    AppendRecords(records, 1, 5);
    EXPECT_EQ(Walk(records, true), Range(0, 5));
    file = records.SpillFileName();
    EXPECT_TRUE(FileExists(file));
  }
  EXPECT_FALSE(FileExists(file)) << "the spill file goes with the store";
}

TEST_F(TemporaryRecordManagerTest, NavigationAnswersAndPositions) {
  TSQLMemTemporaryRecordManager empty(kRecordSize, 1000, 10, 2);
  TSQLMemNavigationRequest request;
  request.Direction = ndNext;
  request.First = 1;
  empty.NavigateRecord(request);
  EXPECT_EQ(request.Result, nrAfterLast) << "no records";

  TSQLMemTemporaryRecordManager records(kRecordSize, 1000, 10, 2);
  AppendRecords(records, 0, 4);  // records 2 and 3 spill
  struct Case {
    Byte direction, first, last;
    Int64 from;
    Byte result;
    Int64 position;  // the request's id afterwards
  } cases[] = {
      {ndNext, 1, 0, 3, nrFound, 0},        {ndPrior, 1, 0, 3, nrBeforeFirst, 3},
      {ndCurrent, 1, 0, 3, nrNotFound, 3},  {ndPrior, 0, 1, 0, nrFound, 3},
      {ndNext, 0, 1, 0, nrAfterLast, 0},    {ndCurrent, 0, 1, 0, nrNotFound, 0},
      {ndNext, 0, 0, 1, nrFound, 2},        {ndNext, 0, 0, 3, nrAfterLast, 3},
      {ndNext, 0, 0, 9, nrAfterLast, 9},    {ndPrior, 0, 0, 2, nrFound, 1},
      {ndPrior, 0, 0, 0, nrBeforeFirst, 0}, {ndCurrent, 0, 0, 3, nrFound, 3},
      {ndCurrent, 0, 0, 4, nrNotFound, 4},  {7, 0, 0, 1, nrNotFound, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "direction " << int{c.direction} << " first " << int{c.first} << " last "
                                    << int{c.last} << " from " << c.from);
    std::vector<Byte> buffer(kRecordSize, 0xEE);
    TSQLMemNavigationRequest step;
    step.Direction = c.direction;
    step.First = c.first;
    step.Last = c.last;
    step.RecordId = TemporaryNumberToRecordId(c.from);
    step.RecordBuffer = buffer.data();
    records.NavigateRecord(step);
    EXPECT_EQ(step.Result, c.result);
    EXPECT_EQ(TemporaryRecordIdToNumber(step.RecordId), c.position);
    if (c.result == nrFound) {
      EXPECT_EQ(buffer, RecordOf(c.position));
      EXPECT_EQ(step.First + step.Last, 0) << "a found record clears the end flags";
    }
  }
  EXPECT_TRUE(records.RecordExists(TemporaryNumberToRecordId(3), 0));
  EXPECT_FALSE(records.RecordExists(TemporaryNumberToRecordId(4), 0));
  EXPECT_EQ(records.GetRecordNo(TemporaryNumberToRecordId(2), 0), 3);
  EXPECT_EQ(records.GetRecordNo(TemporaryNumberToRecordId(4), 0), -1);
  EXPECT_FALSE(records.UpdateRecord(RecordOf(9).data(), TemporaryNumberToRecordId(1), 0));
  EXPECT_FALSE(records.DeleteRecord(TemporaryNumberToRecordId(1), 0));
}

TEST_F(TemporaryRecordManagerTest, TheStreamFormCarriesMemoryAndSpilledRecords) {
  TSQLMemTemporaryRecordManager records(kRecordSize, 4, 10, 6);
  AppendRecords(records, 0, 9);  // 6 in memory, 3 spilled, the last still in the write buffer
  TSQLMemMemoryStream stream;
  records.SaveToStream(stream);
  EXPECT_EQ(records.WriteBufferCount(), 0) << "saving flushes the write buffer";
  const Byte* bytes = stream.Memory();
  EXPECT_EQ(LoadValue<Integer>(bytes), kRecordSize);
  EXPECT_EQ(LoadValue<Int64>(bytes + 4), 9);
  EXPECT_EQ(LoadValue<Integer>(bytes + 12), 10);               // write-buffer capacity
  EXPECT_EQ(LoadValue<Integer>(bytes + 16), 10 * kRecordSize);  // write-buffer bytes
  EXPECT_EQ(LoadValue<Integer>(bytes + 20), 6);                 // memory count
  EXPECT_EQ(LoadValue<Integer>(bytes + 24), 6);                 // memory capacity (4, then the limit)
  EXPECT_EQ(LoadValue<Integer>(bytes + 28), 6);                 // memory limit
  EXPECT_EQ(LoadValue<Integer>(bytes + 32), 4);                 // growth step
  EXPECT_EQ(std::memcmp(bytes + 36, RecordOf(0).data(), kRecordSize), 0);
  const Integer spillAt = 36 + 6 * kRecordSize;
  EXPECT_EQ(LoadValue<Int64>(bytes + spillAt), 3 * kRecordSize);
  EXPECT_EQ(std::memcmp(bytes + spillAt + 8, RecordOf(6).data(), kRecordSize), 0);
  EXPECT_EQ(stream.GetSize(), spillAt + 8 + 3 * kRecordSize);
  EXPECT_EQ(stream.GetPosition(), stream.GetSize());

  TSQLMemTemporaryRecordManager loaded(kRecordSize, 1000, 1, 100);
  stream.Seek(0, soBeginning);
  loaded.LoadFromStream(stream);
  EXPECT_EQ(stream.GetPosition(), stream.GetSize());
  EXPECT_EQ(loaded.MemoryLimit(), 6) << "the stored limit keeps the records in their places";
  EXPECT_EQ(loaded.WriteBufferCapacity(), 10);
  EXPECT_EQ(Walk(loaded, true), Range(0, 9));
  AppendRecords(loaded, 9, 12);
  EXPECT_EQ(Walk(loaded, false), Range(0, 12, false));
}

TEST_F(TemporaryRecordManagerTest, ADamagedStreamFormRaisesTheReadCodeOfItsFigure) {
  TSQLMemTemporaryRecordManager records(kRecordSize, 4, 10, 6);
  AppendRecords(records, 0, 9);
  TSQLMemMemoryStream saved;
  records.SaveToStream(saved);
  const std::vector<Byte> good(saved.Memory(), saved.Memory() + saved.GetSize());
  const Integer spillAt = 36 + 6 * kRecordSize;
  struct Case {
    const char* what;
    Integer offset;   // where a figure is changed (-1: none)
    Int64 value;
    Integer width;
    Int64 cutTo;      // the stream's length (-1: whole)
    Integer code;
  } cases[] = {
      {"another record size", 0, kRecordSize + 1, 4, -1, 11217},
      {"a negative record count", 4, -1, 8, -1, 11218},
      {"no write buffer", 12, 0, 4, -1, 11219},
      {"write-buffer bytes of another size", 16, 5, 4, -1, 11220},
      {"more in memory than its capacity", 20, 7, 4, -1, 11224},
      {"a capacity above the limit", 24, 7, 4, -1, 11224},
      {"a record count the memory does not match", 4, 5, 8, -1, 11224},
      {"a spill of another size", spillAt, 2 * kRecordSize, 8, -1, 11227},
      {"cut inside the memory records", -1, 0, 0, 50, 11225},
      {"cut inside the spilled bytes", -1, 0, 0, spillAt + 8 + kRecordSize, 11227},
      {"cut inside the header", -1, 0, 0, 22, 11221},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Byte> bytes = good;
    if (c.offset >= 0) std::memcpy(bytes.data() + c.offset, &c.value, static_cast<std::size_t>(c.width));
    if (c.cutTo >= 0) bytes.resize(static_cast<std::size_t>(c.cutTo));
    TSQLMemMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
    stream.Seek(0, soBeginning);
    TSQLMemTemporaryRecordManager loaded(kRecordSize, 1000, 10, 100);
    EXPECT_EQ(NativeErrorOf([&] { loaded.LoadFromStream(stream); }), c.code);
  }
}
