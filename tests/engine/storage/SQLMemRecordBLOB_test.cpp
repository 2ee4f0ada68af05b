#include "engine/storage/SQLMemRecordBLOB.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/foundation/EngineTestSupport.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemRecordBuffer.h"
#include "engine/storage/SQLMemSchema.h"

namespace {

// Text that compresses, but not to nothing, of any length.
std::string Sample(std::size_t length, unsigned seed = 1) {
  std::string s(length, ' ');
  unsigned x = seed;
  for (std::size_t i = 0; i < length; ++i) {
    x = x * 1103515245u + 12345u;
    s[i] = static_cast<char>('a' + (x >> 16) % 7);
  }
  return s;
}

// A table of an integer, a zlib-compressed memo and an uncompressed BLOB, and the record buffers a
// cursor and the stored record would hold. Every block taken is given back by the end of each test
// (EngineBlocksTest), and the table's block count says exactly which blocks are alive.
class RecordBLOBTest : public EngineBlocksTest {
 protected:
  enum : Integer { kId, kMemo, kBlob };

  void SetUp() override {
    EngineBlocksTest::SetUp();
    fields_.AddFieldDef().SetDataType(sftInteger, 0);
    TSQLMemFieldDef& memo = fields_.AddFieldDef();
    memo.SetDataType(sftMemo, 0);
    memo.BLOBCompressionAlgorithm = 1;
    memo.BLOBCompressionLevel = 6;
    memo.BLOBBlockSize = 65536;
    fields_.AddFieldDef().SetDataType(sftBLOB, 0);
    fields_.UpdateLayout();
    blobs_ = std::make_unique<TSQLMemRecordBLOBs>(&fields_);
    edit_ = NewRecord();
    stored_ = NewRecord();
  }

  void TearDown() override {
    EXPECT_EQ(BlockCount(), 0) << "BLOB blocks left in the table";
    blobs_.reset();
    EngineBlocksTest::TearDown();
  }

  // Zero-filled, every field NULL (as a cursor's fresh buffer).
  std::vector<Byte> NewRecord() {
    std::vector<Byte> record(static_cast<std::size_t>(fields_.RecordSize()), 0);
    for (Integer i = 0; i < fields_.GetCount(); ++i) SetRecordFieldNull(i, true, record.data());
    return record;
  }

  // Opens field in mode, writes text (nothing for a null text), and stores it as closing does.
  void Write(std::vector<Byte>& record, Integer field, const std::string* text, Byte mode = bomWrite) {
    auto stream = blobs_->OpenBLOB(record.data(), mode, field);
    if (text != nullptr) stream->WriteBuffer64(text->data(), static_cast<Int64>(text->size()));
    blobs_->StoreBLOB(record.data(), field, *stream);
  }
  void Write(std::vector<Byte>& record, Integer field, const std::string& text) { Write(record, field, &text); }

  std::string Read(const std::vector<Byte>& record, Integer field) {
    auto stream = blobs_->OpenBLOB(record.data(), bomRead, field);
    std::string text(static_cast<std::size_t>(stream->GetSize()), '\0');
    stream->ReadBuffer64(text.data(), static_cast<Int64>(text.size()));
    return text;
  }

  TSQLMemBLOBHandle Handle(const std::vector<Byte>& record, Integer field) {
    return GetBLOBSlotHandle(record.data(), fields_.GetFieldDef(field));
  }
  bool Live(TSQLMemBLOBHandle handle) {
    try {
      blobs_->Blocks().Block(handle, 1);
      return true;
    } catch (const ESQLMemException&) {
      return false;
    }
  }
  Integer BlockCount() { return blobs_->Blocks().Count(); }

  // Posting a new record: its blocks become the stored record's, which keeps a copy of the buffer.
  void Insert() {
    blobs_->MarkBLOBs(false, edit_.data());
    stored_ = edit_;
  }
  // Posting an edit as the memory record manager stores it: a stored block that the edit replaced or
  // cleared is freed, then the buffer becomes the stored record and its blocks the record's.
  void Update() {
    blobs_->FreeReplacedBLOBs(stored_.data(), edit_.data());
    blobs_->MarkBLOBs(false, edit_.data());
    stored_ = edit_;
  }
  void StartEdit() { edit_ = stored_; }

  TSQLMemFieldDefs fields_;
  std::unique_ptr<TSQLMemRecordBLOBs> blobs_;
  std::vector<Byte> edit_, stored_;
};

TEST_F(RecordBLOBTest, ValuesOfEverySizeRoundTripThroughBothAlgorithms) {
  const struct {
    const char* what;
    std::size_t length;
  } sizes[] = {{"empty", 0}, {"one byte", 1}, {"one block and one byte", 65537}, {"several MB", 3u << 20}};
  for (Integer field : {kMemo, kBlob}) {
    for (const auto& size : sizes) {
      SCOPED_TRACE(std::string(size.what) + (field == kMemo ? " memo" : " blob"));
      const std::string text = Sample(size.length, static_cast<unsigned>(size.length));
      Write(edit_, field, text);
      EXPECT_EQ(IsRecordFieldNull(field, edit_.data()), text.empty());
      EXPECT_EQ(BlockCount(), text.empty() ? 0 : 1);
      if (text.empty()) {
        EXPECT_EQ(Handle(edit_, field), kNoBLOBBlock);
      } else {
        EXPECT_TRUE(blobs_->IsEditBLOB(edit_.data(), field));
        const TSQLMemBLOBBlockHead head = ReadBLOBBlockHead(blobs_->Blocks().Block(Handle(edit_, field), 1));
        EXPECT_EQ(head.UncompressedSize, static_cast<Int64>(text.size()));
        // An uncompressed value is one run of bytes and counts no blocks.
        EXPECT_EQ(head.BlockCount, field == kMemo ? static_cast<Integer>((text.size() + 65535) / 65536) : 0);
        EXPECT_EQ(Read(edit_, field), text);
      }
      blobs_->DiscardNewBLOBs(edit_.data());
      EXPECT_EQ(BlockCount(), 0);
      EXPECT_TRUE(IsRecordFieldNull(field, edit_.data()));
    }
  }
}

// Every size through a record's whole life: insert, a cancelled edit, an update to the next size,
// and the delete, with the stored value read back at each step.
TEST_F(RecordBLOBTest, MemoValuesLiveThroughInsertCancelUpdateAndDelete) {
  const std::string values[] = {"", "x", Sample(3u << 20, 3)};
  for (std::size_t i = 0; i < 3; ++i) {
    const std::string& first = values[i];
    const std::string& second = values[(i + 1) % 3];
    SCOPED_TRACE(std::to_string(first.size()) + " then " + std::to_string(second.size()));
    const Int64 allocatedBefore = MemoryManager().Allocated();
    edit_ = NewRecord();
    Write(edit_, kMemo, first);
    Insert();
    StartEdit();
    Write(edit_, kMemo, "to be cancelled");
    blobs_->DiscardNewBLOBs(edit_.data());
    EXPECT_EQ(IsRecordFieldNull(kMemo, stored_.data()), first.empty());
    if (!first.empty()) {
      EXPECT_EQ(Read(stored_, kMemo), first);
    }
    StartEdit();
    Write(edit_, kMemo, second);
    Update();
    EXPECT_EQ(BlockCount(), second.empty() ? 0 : 1);
    EXPECT_EQ(IsRecordFieldNull(kMemo, stored_.data()), second.empty());
    if (!second.empty()) {
      EXPECT_EQ(Read(stored_, kMemo), second);
    }
    blobs_->FreeRecordBLOBs(stored_.data());
    EXPECT_EQ(BlockCount(), 0);
    EXPECT_EQ(MemoryManager().Allocated(), allocatedBefore);
  }
}

// The slot's bytes as the table stream and a debugger see them.
TEST_F(RecordBLOBTest, SlotHoldsHandleThenZeroThenMarkAtOffsetSix) {
  const TSQLMemFieldDef& memo = fields_.GetFieldDef(kMemo);
  EXPECT_EQ(memo.DataSize, 8);
  EXPECT_EQ(memo.CompactSize, 6);
  Byte* slot = edit_.data() + memo.RecordOffset;
  std::memset(slot, 0xAA, 8);
  SetBLOBSlotHandle(edit_.data(), memo, 0x04030201);
  SetBLOBSlotMark(edit_.data(), memo, kBLOBMarkEdit);
  const Byte expected[8] = {0x01, 0x02, 0x03, 0x04, 0x00, 0x00, 0x0F, 0x0F};
  EXPECT_EQ(std::memcmp(slot, expected, 8), 0);
  SetBLOBSlotMark(edit_.data(), memo, kBLOBMarkStored);
  EXPECT_EQ(slot[6], 0xF0);
  EXPECT_EQ(slot[7], 0xF0);
  EXPECT_EQ(GetBLOBSlotHandle(edit_.data(), memo), 0x04030201u);
  SetBLOBSlotHandle(edit_.data(), memo, kNoBLOBBlock);
  EXPECT_EQ(GetBLOBSlotMark(edit_.data(), memo), kBLOBMarkStored);  // the handle setter leaves the mark
}

TEST_F(RecordBLOBTest, WriteModeStartsEmptyAndTheOldValueStaysUntilStored) {
  Write(edit_, kMemo, "old text");
  const std::vector<Byte> before = edit_;
  auto stream = blobs_->OpenBLOB(edit_.data(), bomWrite, kMemo);
  EXPECT_EQ(stream->GetSize(), 0);
  stream->WriteBuffer("new", 3);
  EXPECT_EQ(edit_, before);
  EXPECT_EQ(Read(edit_, kMemo), "old text");
  blobs_->StoreBLOB(edit_.data(), kMemo, *stream);
  EXPECT_EQ(Read(edit_, kMemo), "new");
  EXPECT_EQ(BlockCount(), 1);
  blobs_->DiscardNewBLOBs(edit_.data());
}

// A read-write stream changes the value only when something changed it; a write-mode stream always
// replaces it, so emptying a memo (open for writing, write nothing) is stored as NULL.
TEST_F(RecordBLOBTest, ClosingAStreamStoresExactlyTheChangedValues) {
  const struct {
    const char* what;
    Byte mode;
    void (*change)(TSQLMemLocalBLOBStream&);
    bool stored;       // the buffer changed
    const char* value;  // afterwards; nullptr for NULL
  } cases[] = {
      {"read-write, untouched", bomReadWrite, [](TSQLMemLocalBLOBStream&) {}, false, "stored text"},
      {"read-write, zero-byte write", bomReadWrite, [](TSQLMemLocalBLOBStream& s) { s.Write("", 0); }, false,
       "stored text"},
      {"read-write, appended", bomReadWrite,
       [](TSQLMemLocalBLOBStream& s) {
         s.Seek(0, soEnd);
         s.WriteBuffer("!", 1);
       },
       true, "stored text!"},
      {"read-write, cut", bomReadWrite, [](TSQLMemLocalBLOBStream& s) { s.SetSize(Int64{6}); }, true, "stored"},
      {"read-write, cut to nothing", bomReadWrite, [](TSQLMemLocalBLOBStream& s) { s.SetSize(Int64{0}); }, true,
       nullptr},
      {"write, nothing written", bomWrite, [](TSQLMemLocalBLOBStream&) {}, true, nullptr},
      {"write, flag cleared by the dataset", bomWrite, [](TSQLMemLocalBLOBStream& s) { s.Modified = false; }, true,
       nullptr},
      {"read", bomRead, [](TSQLMemLocalBLOBStream& s) { s.Modified = true; }, false, "stored text"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    edit_ = NewRecord();
    Write(edit_, kMemo, "stored text");
    Insert();
    StartEdit();
    auto stream = blobs_->OpenBLOB(edit_.data(), c.mode, kMemo);
    c.change(*stream);
    blobs_->StoreBLOB(edit_.data(), kMemo, *stream);
    EXPECT_EQ(edit_ != stored_, c.stored);
    EXPECT_EQ(IsRecordFieldNull(kMemo, edit_.data()), c.value == nullptr);
    if (c.value != nullptr) {
      EXPECT_EQ(Read(edit_, kMemo), c.value);
    }
    // The stored record's block is never the edit's to free.
    EXPECT_EQ(Read(stored_, kMemo), "stored text");
    blobs_->DiscardNewBLOBs(edit_.data());
    EXPECT_EQ(BlockCount(), 1);
    blobs_->FreeRecordBLOBs(stored_.data());
    EXPECT_EQ(BlockCount(), 0);
  }
}

TEST_F(RecordBLOBTest, WritingTwiceInOneEditFreesTheFirstEditBlock) {
  Write(edit_, kMemo, "first");
  const TSQLMemBLOBHandle first = Handle(edit_, kMemo);
  const Int64 allocatedAfterFirst = MemoryManager().Allocated();
  Write(edit_, kMemo, "other");
  EXPECT_NE(Handle(edit_, kMemo), first);
  EXPECT_FALSE(Live(first));
  EXPECT_EQ(BlockCount(), 1);
  EXPECT_EQ(MemoryManager().Allocated(), allocatedAfterFirst);
  EXPECT_EQ(Read(edit_, kMemo), "other");
  // Emptying it in the same edit frees the second one too.
  Write(edit_, kMemo, nullptr);
  EXPECT_EQ(BlockCount(), 0);
  EXPECT_TRUE(IsRecordFieldNull(kMemo, edit_.data()));
}

TEST_F(RecordBLOBTest, CancellingAnEditFreesExactlyTheEditBlocks) {
  Write(edit_, kMemo, "memo");
  Write(edit_, kBlob, "blob");
  Insert();
  const TSQLMemBLOBHandle storedMemo = Handle(stored_, kMemo), storedBlob = Handle(stored_, kBlob);

  StartEdit();
  Write(edit_, kMemo, "changed memo");
  const TSQLMemBLOBHandle editMemo = Handle(edit_, kMemo);
  EXPECT_EQ(BlockCount(), 3);
  blobs_->DiscardNewBLOBs(edit_.data());
  EXPECT_EQ(BlockCount(), 2);
  EXPECT_TRUE(Live(storedMemo));
  EXPECT_TRUE(Live(storedBlob));
  EXPECT_FALSE(Live(editMemo));
  EXPECT_EQ(Read(stored_, kMemo), "memo");
  EXPECT_EQ(Read(stored_, kBlob), "blob");
  // The untouched field of the cancelled buffer still refers to the stored block.
  EXPECT_EQ(Handle(edit_, kBlob), storedBlob);
  EXPECT_FALSE(IsRecordFieldNull(kBlob, edit_.data()));

  // Cancelling a new record frees all it wrote.
  blobs_->FreeRecordBLOBs(stored_.data());
  edit_ = NewRecord();
  Write(edit_, kMemo, "a");
  Write(edit_, kBlob, "b");
  blobs_->DiscardNewBLOBs(edit_.data());
  EXPECT_EQ(BlockCount(), 0);
}

TEST_F(RecordBLOBTest, PostedValuesAreNeverFreedByALaterEdit) {
  Write(edit_, kMemo, Sample(200000));
  Insert();
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    const std::string text = Sample(1000 + round, round + 2);
    StartEdit();
    Write(edit_, kMemo, "draft");
    Write(edit_, kMemo, text);
    EXPECT_EQ(BlockCount(), 2);  // the stored value and this edit's
    Update();
    EXPECT_EQ(BlockCount(), 1);
    EXPECT_EQ(Read(stored_, kMemo), text);
    // An edit that is cancelled leaves the posted value alone.
    StartEdit();
    Write(edit_, kMemo, "abandoned");
    blobs_->DiscardNewBLOBs(edit_.data());
    EXPECT_EQ(Read(stored_, kMemo), text);
  }
  // Posting an edit that cleared the memo frees the stored value.
  StartEdit();
  Write(edit_, kMemo, nullptr);
  EXPECT_EQ(BlockCount(), 1);
  Update();
  EXPECT_EQ(BlockCount(), 0);
  EXPECT_TRUE(IsRecordFieldNull(kMemo, stored_.data()));
}

TEST_F(RecordBLOBTest, PostingAnEditFreesOnlyTheStoredBlocksItReplaced) {
  Write(edit_, kMemo, "memo");
  Write(edit_, kBlob, "blob");
  Insert();
  const TSQLMemBLOBHandle storedMemo = Handle(stored_, kMemo), storedBlob = Handle(stored_, kBlob);
  StartEdit();
  Write(edit_, kMemo, "new memo");
  Update();
  EXPECT_FALSE(Live(storedMemo));
  EXPECT_TRUE(Live(storedBlob));
  EXPECT_EQ(Handle(stored_, kBlob), storedBlob);
  EXPECT_EQ(BlockCount(), 2);
  // Posting again without a change frees nothing: the marks were reset when it was stored.
  StartEdit();
  Update();
  EXPECT_EQ(BlockCount(), 2);
  EXPECT_EQ(Read(stored_, kMemo), "new memo");
  EXPECT_EQ(Read(stored_, kBlob), "blob");
  blobs_->FreeRecordBLOBs(stored_.data());
}

TEST_F(RecordBLOBTest, DeletingARecordFreesEveryBlockOnce) {
  Write(edit_, kMemo, "memo");
  Write(edit_, kBlob, Sample(3u << 20));
  Insert();
  blobs_->FreeRecordBLOBs(stored_.data());
  EXPECT_EQ(BlockCount(), 0);
  EXPECT_TRUE(IsRecordFieldNull(kMemo, stored_.data()));
  EXPECT_TRUE(IsRecordFieldNull(kBlob, stored_.data()));
  blobs_->FreeRecordBLOBs(stored_.data());  // the null bits guard the stale handles
  EXPECT_EQ(BlockCount(), 0);

  // The same with the blocks wiped before they go.
  struct WipeScope {
    WipeScope() { EngineWipeMemory = true; }
    ~WipeScope() { EngineWipeMemory = false; }
  } wipe;
  edit_ = NewRecord();
  Write(edit_, kMemo, Sample(70000));
  Write(edit_, kMemo, "shorter");
  blobs_->DiscardNewBLOBs(edit_.data());
  EXPECT_EQ(BlockCount(), 0);
}

TEST_F(RecordBLOBTest, MarksFollowPostingAndSkipNullFields) {
  Write(edit_, kMemo, "x");
  const TSQLMemFieldDef& blob = fields_.GetFieldDef(kBlob);
  SetBLOBSlotMark(edit_.data(), blob, 0x1234);
  blobs_->MarkBLOBs(false, edit_.data());
  EXPECT_FALSE(blobs_->IsEditBLOB(edit_.data(), kMemo));
  EXPECT_EQ(GetBLOBSlotMark(edit_.data(), fields_.GetFieldDef(kMemo)), kBLOBMarkStored);
  EXPECT_EQ(GetBLOBSlotMark(edit_.data(), blob), 0x1234);
  blobs_->MarkBLOBs(true, edit_.data());
  EXPECT_TRUE(blobs_->IsEditBLOB(edit_.data(), kMemo));
  EXPECT_EQ(GetBLOBSlotMark(edit_.data(), blob), 0x1234);
  blobs_->FreeRecordBLOBs(edit_.data());
}

TEST_F(RecordBLOBTest, ErrorsOfOpeningAndFreeing) {
  // A non-null field without a block, and one whose block is gone.
  SetRecordFieldNull(kMemo, false, edit_.data());
  SetBLOBSlotHandle(edit_.data(), fields_.GetFieldDef(kMemo), kNoBLOBBlock);
  ExpectEngineError([&] { blobs_->OpenBLOB(edit_.data(), bomRead, kMemo); }, 10112,
                    "Nil pointer occured - Native error: 10112");
  ExpectEngineError([&] { blobs_->FreeBLOB(edit_.data(), kMemo); }, 10118,
                    "Nil pointer occured - Native error: 10118");
  edit_ = NewRecord();
  Write(edit_, kMemo, "gone");
  std::vector<Byte> copy = edit_;
  blobs_->FreeBLOB(edit_.data(), kMemo);
  ExpectEngineError([&] { blobs_->OpenBLOB(copy.data(), bomReadWrite, kMemo); }, 10112,
                    "Nil pointer occured - Native error: 10112");
  ExpectEngineError([&] { blobs_->FreeBLOB(copy.data(), kMemo); }, 10118,
                    "Nil pointer occured - Native error: 10118");
  // Mode 0 and a missing buffer never look at the slot.
  EXPECT_EQ(blobs_->OpenBLOB(copy.data(), bomWrite, kMemo)->GetSize(), 0);
  EXPECT_EQ(blobs_->OpenBLOB(nullptr, bomReadWrite, kMemo)->GetSize(), 0);

  fields_.GetFieldDef(kBlob).BLOBBlockSize = 0;
  ExpectEngineError([&] { blobs_->OpenBLOB(edit_.data(), bomWrite, kBlob); }, 10420,
                    "Stream block size = 0 is not allowed - Native error: 10420");
  // Only BLOB fields have BLOB slots.
  EXPECT_THROW(blobs_->OpenBLOB(edit_.data(), bomRead, kId), ERangeError);
  EXPECT_THROW(blobs_->FreeBLOB(edit_.data(), 3), ERangeError);
}

// A base stream that stops giving bytes back once told to.
class FailingReadStream : public TMemoryStream {
 public:
  using TStream::Seek;
  Integer Read(void* buffer, Integer count) override { return failReads ? 0 : TMemoryStream::Read(buffer, count); }
  bool failReads = false;
};

TEST_F(RecordBLOBTest, AShortReadOfTheStoredBytesChangesNothing) {
  Write(edit_, kBlob, "edit value");
  const std::vector<Byte> before = edit_;
  auto base = std::make_unique<FailingReadStream>();
  FailingReadStream& failing = *base;
  CompressedBLOBDescriptor descriptor;
  descriptor.BlockSize = 1024;
  auto compressed = std::make_unique<TSQLMemCompressedBLOBStream>(*base, descriptor, true);
  TSQLMemLocalBLOBStream stream(std::move(compressed), std::move(base), kBlob, bomWrite, nullptr);
  stream.WriteBuffer(Sample(100).data(), 100);
  failing.failReads = true;
  ExpectEngineError([&] { blobs_->StoreBLOB(edit_.data(), kBlob, stream); }, 10117,
                    "Cannot read from stream. Position = 0, Stream size = 100, Block size = 100, Bytes Read = 0 - "
                    "Native error: 10117");
  EXPECT_EQ(edit_, before);
  EXPECT_EQ(BlockCount(), 1);
  EXPECT_EQ(Read(edit_, kBlob), "edit value");
  blobs_->DiscardNewBLOBs(edit_.data());
}

// What the table stream does: write a value's head and bytes out, and read them into a new block of
// another record, which then holds the same value as the stored record's.
TEST_F(RecordBLOBTest, BlocksCopyBetweenRecordsAsTheTableStreamMovesThem) {
  const std::string text = Sample(150000, 7);
  Write(edit_, kMemo, text);
  Int64 length = -1;
  const Byte* block = blobs_->GetBLOBBlock(edit_.data(), kMemo, length, 10196);
  ASSERT_NE(block, nullptr);
  const std::vector<Byte> saved(block, block + kBLOBBlockHeadSize + length);
  EXPECT_EQ(blobs_->GetBLOBBlock(edit_.data(), kBlob, length, 10196), nullptr);
  EXPECT_EQ(length, 0);

  std::vector<Byte> loaded = NewRecord();
  Byte* target = blobs_->AttachNewBLOBBlock(loaded.data(), kMemo, static_cast<Int64>(saved.size()) - kBLOBBlockHeadSize);
  std::memcpy(target, saved.data(), saved.size());
  EXPECT_FALSE(IsRecordFieldNull(kMemo, loaded.data()));
  EXPECT_FALSE(blobs_->IsEditBLOB(loaded.data(), kMemo));
  EXPECT_EQ(Read(loaded, kMemo), text);
  blobs_->FreeRecordBLOBs(loaded.data());
  blobs_->FreeRecordBLOBs(edit_.data());
  EXPECT_EQ(BlockCount(), 0);
}

TEST_F(RecordBLOBTest, BlockTableReusesHandlesAndServesSeveralThreads) {
  TSQLMemBLOBBlockTable& table = blobs_->Blocks();
  Byte* block = nullptr;
  const TSQLMemBLOBHandle a = table.NewBlock(5, block);
  const TSQLMemBLOBHandle b = table.NewBlock(0, block);
  EXPECT_EQ(a, 1u);
  EXPECT_EQ(b, 2u);
  EXPECT_EQ(table.DataLength(a, 1), 5);
  EXPECT_EQ(table.DataLength(b, 1), 0);
  table.FreeBlock(a, 1);
  ExpectEngineError([&] { table.FreeBlock(a, 7); }, 7, "Nil pointer occured - Native error: 00007");
  EXPECT_EQ(table.NewBlock(1, block), a);
  table.Clear();
  EXPECT_EQ(table.Count(), 0);

  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&table, t] {
      std::vector<TSQLMemBLOBHandle> mine;
      for (int i = 0; i < 500; ++i) {
        Byte* p = nullptr;
        mine.push_back(table.NewBlock(i % 50, p));
        std::memset(p, t, static_cast<std::size_t>(kBLOBBlockHeadSize + i % 50));
        if (i % 3 == 0) {
          table.FreeBlock(mine.front(), 1);
          mine.erase(mine.begin());
        }
      }
      for (TSQLMemBLOBHandle h : mine) table.FreeBlock(h, 1);
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(table.Count(), 0);
}

TEST_F(RecordBLOBTest, ATableWithoutBLOBFieldsFreesNothing) {
  TSQLMemFieldDefs plain;
  plain.AddFieldDef().SetDataType(sftInteger, 0);
  plain.UpdateLayout();
  TSQLMemRecordBLOBs noBlobs(&plain);
  EXPECT_FALSE(noBlobs.HasBLOBFields());
  std::vector<Byte> record(static_cast<std::size_t>(plain.RecordSize()), 0);
  noBlobs.FreeRecordBLOBs(record.data());
  noBlobs.DiscardNewBLOBs(record.data());
  noBlobs.FreeBLOB(record.data(), 0);
  EXPECT_TRUE(blobs_->HasBLOBFields());
}

}  // namespace
