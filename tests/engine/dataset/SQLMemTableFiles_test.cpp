// The table component's data files: what a save writes, that a load brings the table back whole, and
// that no failed save or load costs the file on the disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "engine/dataset/SQLMemDataFile.h"
#include "engine/foundation/SQLMemStreams.h"
#include "engine/storage/SQLMemTableStream.h"
#include "tests/engine/dataset/SQLMemTableTestSupport.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/TextConv.h"
#include "vcl/rtl/Variant.h"

namespace {

using TableFiles = TableComponentTest;

// Passes bytes on to the file until its budget is spent, then writes nothing: a disk that fills up
// in the middle of a save.
class TFailingStream : public TStream {
 public:
  TFailingStream(TStream& inner, Int64 budget) : inner_(inner), budget_(budget) {}
  using TStream::Seek;
  using TStream::SetSize;
  Integer Read(void* buffer, Integer count) override { return inner_.Read(buffer, count); }
  Integer Write(const void* buffer, Integer count) override {
    const Integer n = static_cast<Integer>(std::min<Int64>(count, std::max<Int64>(budget_, 0)));
    const Integer written = n > 0 ? inner_.Write(buffer, n) : 0;
    budget_ -= written;
    return written;
  }
  Int64 Seek(Int64 offset, TSeekOrigin origin) override { return inner_.Seek(offset, origin); }
  void SetSize(Int64 newSize) override { inner_.SetSize(newSize); }

 private:
  TStream& inner_;
  Int64 budget_;
};

// Installs the failing stream for one scope.
class FailingWrites {
 public:
  explicit FailingWrites(Int64 budget) {
    SetFileWriteWrapper([budget](TStream& file) { return std::make_unique<TFailingStream>(file, budget); });
  }
  ~FailingWrites() { SetFileWriteWrapper(nullptr); }
  FailingWrites(const FailingWrites&) = delete;
  FailingWrites& operator=(const FailingWrites&) = delete;
};

TSQLMemTableStreamHeader ReadHeader(const WideString& path) {
  TSQLMemFileStream file(path, 0x20);
  TSQLMemTableStreamHeader header;
  ReadTableStreamHeader(file, header);
  return header;
}

TEST_F(TableFiles, DiaryTableSavesAndLoadsBackWhole) {
  AddNumberedDays(40);
  const std::string longText(100000, 'x');  // a memo much larger than a page
  AddDays({{"2030.01.01", "Hosszú nap", longText}});
  TSQLMemTable* table = NewTable();
  const std::vector<std::string> before = Rows(*table);
  const WideString file = dir / u"qnt.dat";
  table->SaveToFile(Utf16ToCp1250(file), 1, 9, 2097152);

  const TSQLMemTableStreamHeader header = ReadHeader(file);
  EXPECT_EQ(header.Algorithm, 1);
  EXPECT_EQ(header.Level, 9);
  EXPECT_EQ(header.TableName, "fans");
  EXPECT_EQ(header.RecordCount, 41);
  EXPECT_NE(header.CompressedSize, 2097152);  // compressed: the block's size, not the block-size value
  EXPECT_EQ(ReadFileBytes(file).substr(0, 4), "ACS1");
  EXPECT_FALSE(os::FileExists(ReplacementFileName(file)));

  // A component of any name loads whatever table the file holds, replacing the table of that name.
  table->DeleteTable();
  EXPECT_FALSE(TableExists("fans"));
  TSQLMemTable* loader = NewTable("whatever");
  loader->LoadFromFile(Utf16ToCp1250(file));
  EXPECT_EQ(loader->TableName(), "fans");
  EXPECT_FALSE(loader->Active());
  EXPECT_EQ(Rows(*loader), before);

  // The sequence goes on after the loaded records.
  AddDays({{"2031.01.01", "New", "after the load"}});
  const std::vector<Int64> ids = RecIDs(*loader);
  ASSERT_EQ(ids.size(), 42u);
  EXPECT_EQ(ids.back(), 42);
}

TEST_F(TableFiles, LoadReplacesTheTableOfTheStoredName) {
  AddNumberedDays(5);
  TSQLMemTable* table = NewTable();
  const WideString file = dir / u"qnt.dat";
  table->SaveToFile("", 1, 9, 0, file);
  const std::vector<std::string> saved = Rows(*table);
  AddDays({{"2050.01.01", "Later", "not in the file"}, {"2050.01.02", "Later", "nor this"}});
  ASSERT_EQ(Rows(*table).size(), 7u);

  table->LoadFromFile("", file);
  EXPECT_EQ(Rows(*table), saved);
  EXPECT_EQ(table->Database(), nullptr);
  // A dataset that has the table open keeps the load out, as it keeps a save out.
  dataSet->Open();
  EXPECT_THROW(table->LoadFromFile("", file), ESQLMemException);
  dataSet->Close();
  EXPECT_EQ(Rows(*table), saved);
}

TEST_F(TableFiles, HeaderTakesLevelAndBlockSizeAsTheEngineStoresThem) {
  AddNumberedDays(5);
  struct Case {
    Byte algorithm, level;
    Integer blockSize;
    Byte storedAlgorithm, storedLevel;
    bool blockSizeStored;
  };
  const Case cases[] = {
      {1, 9, 2097152, 1, 9, false},
      {1, 0, 2097152, 1, 1, false},  // level 0 is written as 1
      {0, 9, 12345, 0, 9, true},     // nothing compressed: the block-size value fills the field
      {7, 5, 777, 0, 5, true},       // an unknown algorithm stores the data as it is
      {2, 9, 100, 2, 9, false},
  };
  TSQLMemTable* table = NewTable();
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "algorithm " << int{c.algorithm} << " level " << int{c.level});
    const WideString file = dir / u"h.dat";
    table->SaveToFile("", c.algorithm, c.level, c.blockSize, file);
    const TSQLMemTableStreamHeader header = ReadHeader(file);
    EXPECT_EQ(header.Algorithm, c.storedAlgorithm);
    EXPECT_EQ(header.Level, c.storedLevel);
    if (c.blockSizeStored) EXPECT_EQ(header.CompressedSize, c.blockSize);
    else EXPECT_NE(header.CompressedSize, c.blockSize);
    TSQLMemTable* loader = NewTable("x");
    loader->LoadFromFile("", file);
    EXPECT_EQ(Rows(*loader).size(), 5u);
  }
}

TEST_F(TableFiles, SaveWhileAnotherDatasetHasTheTableOpenKeepsTheOldFile) {
  AddNumberedDays(3);
  TSQLMemTable* table = NewTable();
  const WideString file = dir / u"qnt.dat";
  table->SaveToFile("", 1, 9, 2097152, file);
  const std::string old = ReadFileBytes(file);

  dataSet->Open();  // another dataset on "fans"
  try {
    table->SaveToFile("", 1, 9, 2097152, file);
    FAIL() << "the save went through";
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), 10153);
    EXPECT_EQ(std::string(e.Message()),
              "Cannot save table 'fans'. Table is open by another dataset - Native error: 10153");
  }
  dataSet->Close();
  EXPECT_EQ(ReadFileBytes(file), old);
  EXPECT_FALSE(os::FileExists(ReplacementFileName(file)));
  EXPECT_FALSE(table->Active());
  EXPECT_EQ(table->Database(), nullptr);  // the hold ended with the failed operation
}

TEST_F(TableFiles, SaveThatBreaksMidwayLeavesTheOldFileByteForByte) {
  AddNumberedDays(200);
  TSQLMemTable* table = NewTable();
  const WideString file = dir / u"qnt.dat";
  table->SaveToFile("", 0, 1, 0, file);  // uncompressed, so that the write is long
  const std::string old = ReadFileBytes(file);
  ASSERT_GT(old.size(), 1000u);
  AddDays({{"2099.12.31", "Changed", "a day the old file does not have"}});

  for (const Int64 budget : {Int64{0}, Int64{20}, static_cast<Int64>(old.size() / 2), static_cast<Int64>(old.size())}) {
    SCOPED_TRACE(budget);
    FailingWrites failing(budget);
    EXPECT_THROW(table->SaveToFile("", 0, 1, 0, file), Exception);
    EXPECT_EQ(ReadFileBytes(file), old);
    EXPECT_FALSE(os::FileExists(ReplacementFileName(file)));
    EXPECT_EQ(table->Database(), nullptr);
  }
  // With the disk back the same save goes through.
  table->SaveToFile("", 0, 1, 0, file);
  EXPECT_GT(ReadFileBytes(file).size(), old.size());
}

TEST_F(TableFiles, SaveThatCannotReplaceTheFileReportsItAndKeepsBoth) {
  AddNumberedDays(2);
  TSQLMemTable* table = NewTable();
  const WideString file = dir / u"qnt.dat";
  table->SaveToFile("", 1, 9, 0, file);
  const std::string old = ReadFileBytes(file);
  {
    // A reader that denies deleting (another program reading the file) keeps it in place.
    TSQLMemFileStream reader(file, 0x20);
    try {
      table->SaveToFile("", 1, 9, 0, file);
      FAIL() << "the save went through";
    } catch (const ESQLMemException& e) {
      EXPECT_EQ(e.NativeError(), 20111);
      EXPECT_EQ(std::string(e.Message()).rfind("Cannot replace file. FileName = ", 0), 0u) << e.Message();
    }
  }
  EXPECT_EQ(ReadFileBytes(file), old);
  EXPECT_FALSE(os::FileExists(ReplacementFileName(file)));
  // A folder that does not exist: the temporary file cannot be made.
  const std::string missing = ErrorText([&] { table->SaveToFile("", 1, 9, 0, dir / u"none/qnt.dat"); });
  EXPECT_EQ(missing.rfind("Cannot create file. FileName = ", 0), 0u) << missing;
  EXPECT_EQ(ErrorText([&] { table->SaveToFile("", 1, 9, 0, u""); }),
            "Cannot create file. FileName =  - Native error: 10104");
}

TEST_F(TableFiles, AFullDiskIsReportedWithTheSystemsReasonAndKeepsTheOldFile) {
#ifdef _WIN32
  GTEST_SKIP() << "the full device is a POSIX one";
#else
  AddNumberedDays(2);
  TSQLMemTable* table = NewTable();
  const WideString file = dir / u"qnt.dat";
  table->SaveToFile("", 1, 9, 0, file);
  const std::string old = ReadFileBytes(file);
  // The temporary file lands on a device that is always full.
  std::filesystem::create_symlink("/dev/full", std::filesystem::path(ReplacementFileName(file)));
  const std::string message = ErrorText([&] { table->SaveToFile("", 0, 1, 0, file); });
  EXPECT_EQ(message.rfind("Cannot write file. FileName = ", 0), 0u) << message;
  EXPECT_NE(message.find(os::SysErrorMessage(112)), std::string::npos) << message;  // ERROR_DISK_FULL
  EXPECT_NE(message.find("Native error: 20110"), std::string::npos) << message;
  EXPECT_EQ(ReadFileBytes(file), old);
  EXPECT_FALSE(std::filesystem::is_symlink(std::filesystem::path(ReplacementFileName(file))));
#endif
}

TEST_F(TableFiles, AFolderFlushThatFailsAfterTheReplaceSaysTheFileWasNotConfirmed) {
  AddNumberedDays(3);
  TSQLMemTable* table = NewTable();
  const WideString file = dir / u"qnt.dat";
  table->SaveToFile("", 1, 9, 0, file);
  AddDays({{"2031.01.01", "new", "the day the saved file must hold"}});
  // The rename goes through; what fails after it is the flush (a missing file stands in for its
  // error).
  SetFileReplacer([&](const WideString& from, const WideString& to) {
    if (!os::RenameFile(from, to, true)) return false;
    os::FileOpen(dir / u"missing", os::kAccessRead, os::kShareRead, os::FileCreation::OpenExisting);
    return false;
  });
  const std::string message = ErrorText([&] { table->SaveToFile("", 1, 9, 0, file); });
  SetFileReplacer(nullptr);
  EXPECT_EQ(message.rfind("Cannot write file. FileName = ", 0), 0u) << message;
  EXPECT_EQ(message.find("Cannot replace file"), std::string::npos) << message;
  // The file was replaced: the new content is there and loads.
  EXPECT_FALSE(os::FileExists(ReplacementFileName(file)));
  table->DeleteTable();
  TSQLMemTable* loader = NewTable("whatever");
  loader->LoadFromFile("", file);
  EXPECT_EQ(Rows(*loader).size(), 4u);
}

TEST_F(TableFiles, AFileWhoseIndexDisagreesWithItsRecordsLoadsRepairedAndSaysSo) {
  AddNumberedDays(20);
  TSQLMemTable* table = NewTable();
  const WideString file = dir / u"qnt.dat";
  table->SaveToFile("", 0, 1, 0, file);
  table->LoadFromFile("", file);
  EXPECT_TRUE(table->RebuiltIndexes().empty());
  // Day 5's record (the last copy of the day in the file; its index key comes before it) now says
  // another day than its key.
  std::string bytes = ReadFileBytes(file);
  bytes.replace(bytes.rfind("2024.01.06"), 10, "2025.01.06");
  WriteFileBytes(file, bytes);
  table->LoadFromFile("", file);
  EXPECT_EQ(table->RebuiltIndexes(), (std::vector<AnsiString>{"ByShortDate"}));
  table->Open();
  EXPECT_TRUE(table->Locate("ShortDateDay", Variant("2025.01.06"), {}));
  EXPECT_FALSE(table->Locate("ShortDateDay", Variant("2024.01.06"), {}));
  table->Close();
}

TEST_F(TableFiles, FailedLoadLeavesNoTableAndTheFileUntouched) {
  AddNumberedDays(30);
  TSQLMemTable* table = NewTable();
  const WideString file = dir / u"qnt.dat";
  table->SaveToFile("", 1, 9, 0, file);
  std::string bytes = ReadFileBytes(file);

  struct Case {
    const char* what;
    std::string content;
    bool oldTableStays;  // a header the engine refuses leaves the existing table alone
  };
  std::string damagedBody = bytes;
  damagedBody[damagedBody.size() - 10] ^= 0x5A;
  std::string foreign = bytes;
  foreign[0] = 'X';
  const Case cases[] = {
      {"damaged compressed block", damagedBody, false},
      {"cut short", bytes.substr(0, bytes.size() - 100), true},
      {"foreign signature", foreign, true},
      {"empty file", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!TableExists("fans")) NewTable("restore")->LoadFromFile("", file);
    const WideString damaged = dir / u"damaged.dat";
    WriteFileBytes(damaged, c.content);
    TSQLMemTable* loader = NewTable("before");
    EXPECT_THROW(loader->LoadFromFile("", damaged), ESQLMemException);
    EXPECT_EQ(loader->TableName(), "before");
    EXPECT_FALSE(loader->Active());
    EXPECT_EQ(loader->Database(), nullptr);
    EXPECT_EQ(ReadFileBytes(damaged), c.content);
    EXPECT_EQ(TableExists("fans"), c.oldTableStays);
  }
  EXPECT_EQ(ReadFileBytes(file), bytes);
  // A missing file is an open error and nothing more.
  EXPECT_EQ(ErrorText([&] { NewTable()->LoadFromFile("", dir / u"none.dat"); }).rfind("Cannot open file.", 0), 0u);
}

TEST_F(TableFiles, WideAndHungarianFileNamesReachTheDisk) {
  AddNumberedDays(4);
  TSQLMemTable* table = NewTable();
  const WideString wide = dir / u"napló ő.dat";
  table->SaveToFile("", 1, 9, 0, wide);
  EXPECT_TRUE(os::FileExists(wide));
  table->DeleteTable();
  NewTable("y")->LoadFromFile("", wide);
  EXPECT_EQ(Rows(*NewTable()).size(), 4u);
  // The same name in Windows-1250 reaches the same file.
  NewTable("z")->LoadFromFile(Utf16ToCp1250(wide));
  EXPECT_EQ(Rows(*NewTable()).size(), 4u);
}

TEST_F(TableFiles, FileOperationsRefuseAnOpenTable) {
  AddNumberedDays(1);
  TSQLMemTable* table = NewTable();
  table->Open();
  const WideString file = dir / u"qnt.dat";
  EXPECT_EQ(ErrorText([&] { table->SaveToFile("", 1, 9, 0, file); }),
            std::string(table->Name()) + (table->Name().empty() ? "" : ": ") +
                "Cannot perform this operation on an open dataset");
  EXPECT_FALSE(os::FileExists(file));
  EXPECT_FALSE(os::FileExists(ReplacementFileName(file)));
  EXPECT_THROW(table->LoadFromFile("", file), EDatabaseError);
  table->Close();
}

}  // namespace
