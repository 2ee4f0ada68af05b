// The record copier between two engine datasets: a thousand days with their texts, the progress it
// reports and its abort, fields matched by name, the error text for fields and records that cannot be
// copied, a source that fails to move on, and the auto-increment sequence after a restructure-like copy.
#include "engine/dataset/SQLMemBatchMove.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/dataset/SQLMemDefinitions.h"
#include "tests/engine/dataset/WritableDataSetSupport.h"

namespace {

struct Column {
  const char* name;
  Byte type;
  Integer size = 0;
};

class BatchMove : public DiaryDataSetTest {
 protected:
  void TearDown() override {
    owner_.reset();
    DiaryDataSetTest::TearDown();
  }

  // A table of the test database made from advanced definitions (the last step may adjust them).
  void CreateTable(const AnsiString& name, const std::vector<Column>& columns,
                   const std::function<void(TSQLMemAdvFieldDefs&)>& adjust = nullptr) {
    TSQLMemAdvFieldDefs adv;
    for (const Column& c : columns) {
      TSQLMemAdvFieldDef& def = *adv.Add();
      def.Name = c.name;
      def.FieldType = c.type;
      def.Size = c.size;
    }
    if (adjust) adjust(adv);
    TSQLMemFieldDefs fields;
    TSQLMemIndexDefs indexes;
    TSQLMemConstraintDefs constraints;
    AdvFieldDefsToEngineDefs(adv, fields, indexes, false, constraints);
    TSQLMemLocalCursor creator;
    creator.Session = &EngineSession();
    creator.InMemory = 1;
    creator.TableName = name;
    creator.CreateTable(fields, indexes, constraints);
    creator.CloseTable();
  }
  static std::vector<Column> DiaryColumns() {
    return {{"RecID", sftAutoInc}, {"ShortDateDay", sftVarchar, 10}, {"Title", sftVarchar, 25}, {"Text", sftMemo}};
  }

  TWritableDiaryDataSet* Open(const AnsiString& table, const AnsiString& index = "") {
    auto* set = New<TWritableDiaryDataSet>(owner_.get());
    set->SetDatabaseName(kDataSetTestDatabase);
    set->TableName = table;
    set->IndexName = index;
    set->Open();
    return set;
  }

  // Runs the copy with a progress recorder that answers `abortAt` (percent at or above it stops).
  AnsiString Copy(TDataSet& source, TDataSet& destination, bool trackSequences = false, double abortAt = 1000) {
    TSQLMemBatchMoveOptions options;
    options.TrackSequences = trackSequences;
    options.Progress = [&](double percent) {
      progress.push_back(percent);
      return percent >= abortAt;
    };
    AnsiString errorText = "left from before";
    BatchMoveRecords(source, destination, options, errorText);
    return errorText;
  }

  std::vector<double> progress;

 private:
  std::unique_ptr<TComponent> owner_ = std::make_unique<TComponent>(nullptr);
};

TEST_F(BatchMove, CopiesAThousandDaysWithTheirTexts) {
  AddNumberedDays(1000);
  CreateTable("copy", DiaryColumns());
  TWritableDiaryDataSet* source = Open("fans", "ByShortDate");
  TWritableDiaryDataSet* destination = Open("copy");
  source->SetRecNo(500);
  const AnsiString day500 = source->FieldByName("ShortDateDay")->AsString();

  EXPECT_EQ(Copy(*source, *destination), "");

  EXPECT_EQ(source->FieldByName("ShortDateDay")->AsString(), day500);  // back where it was
  ASSERT_EQ(destination->RecordCount(), 1000);
  source->First();
  destination->First();
  int rows = 0;
  while (!source->Eof()) {
    for (const char* name : {"RecID", "ShortDateDay", "Title", "Text"})
      ASSERT_EQ(destination->FieldByName(name)->AsString(), source->FieldByName(name)->AsString()) << name << rows;
    source->Next();
    destination->Next();
    ++rows;
  }
  EXPECT_EQ(rows, 1000);
  EXPECT_TRUE(destination->Eof());

  // Progress: 0 first, then every whole percent once as the records go, then 100 at the end.
  ASSERT_GE(progress.size(), 3u);
  EXPECT_EQ(progress.front(), 0);
  EXPECT_EQ(progress.back(), 100);
  const std::vector<double> inLoop(progress.begin() + 1, progress.end() - 1);
  ASSERT_EQ(inLoop.size(), 100u);
  for (std::size_t i = 0; i < inLoop.size(); ++i) EXPECT_EQ(std::floor(inLoop[i]), static_cast<double>(i + 1)) << i;
}

TEST_F(BatchMove, ProgressOfTwoHundredRecordsCountsTheNextRecord) {
  AddNumberedDays(200);
  CreateTable("copy", DiaryColumns());
  EXPECT_EQ(Copy(*Open("fans"), *Open("copy")), "");
  std::vector<double> expected{0};
  for (int p = 1; p <= 100; ++p) expected.push_back(p);  // after record k: (k + 1) * 100 / 200
  expected.push_back(100);
  EXPECT_EQ(progress, expected);
}

TEST_F(BatchMove, EmptySourceReportsOnlyStartAndEnd) {
  CreateTable("copy", DiaryColumns());
  TWritableDiaryDataSet* destination = Open("copy");
  EXPECT_EQ(Copy(*Open("fans"), *destination), "");
  EXPECT_EQ(progress, (std::vector<double>{0, 100}));
  EXPECT_EQ(destination->RecordCount(), 0);
}

TEST_F(BatchMove, AbortBeforeTheFirstRecordCopiesNothing) {
  AddNumberedDays(5);
  CreateTable("copy", DiaryColumns());
  TWritableDiaryDataSet* destination = Open("copy");
  EXPECT_EQ(Copy(*Open("fans"), *destination, false, 0), "Operation aborted");
  EXPECT_EQ(progress, (std::vector<double>{0}));
  EXPECT_EQ(destination->RecordCount(), 0);
}

TEST_F(BatchMove, AbortMidwayKeepsWhatWasCopied) {
  AddNumberedDays(200);
  CreateTable("copy", DiaryColumns());
  TWritableDiaryDataSet* source = Open("fans", "ByShortDate");
  TWritableDiaryDataSet* destination = Open("copy");
  source->Last();
  EXPECT_EQ(Copy(*source, *destination, false, 50), "\r\nOperation aborted");
  // The answer to 50% comes after record 99 (the next one is the hundredth).
  EXPECT_EQ(destination->RecordCount(), 99);
  EXPECT_EQ(progress.back(), 100);
  EXPECT_EQ(source->FieldByName("Title")->AsString(), "Day 199");
}

// Fields go by name: a source field the destination lacks is left out, a destination field the source
// lacks keeps its default; a value that does not fit its destination field leaves that field null, and
// a record the destination refuses is left out while the copy goes on.
TEST_F(BatchMove, FieldsByNameAndTheErrorText) {
  AddDays({{"2024.01.01", "12", "a"},
           {"2024.01.02", "not a number", "b"},
           {"2024.01.03", "7", "c"},
           {"2024.01.04", "8", "d"}});
  CreateTable("other",
              {{"RecID", sftInteger}, {"ShortDateDay", sftVarchar, 10}, {"Title", sftInteger}, {"Extra", sftInteger}},
              [](TSQLMemAdvFieldDefs& adv) {
                adv.FindByName("RecID")->MaxValue.SetAsInteger(3);  // the fourth day is refused
                adv.FindByName("Extra")->DefaultValue.SetAsInteger(-1);
              });
  TWritableDiaryDataSet* source = Open("fans", "ByShortDate");
  TWritableDiaryDataSet* destination = Open("other");

  const AnsiString errorText = Copy(*source, *destination);

  const AnsiString fieldLine =
      "Error copying table. Record #2, field 'Title' was copied with Null value due to error: ";
  const AnsiString recordLine = "Error copying table. Record #4 was not imported due to error: ";
  ASSERT_EQ(errorText.rfind(fieldLine, 0), 0u) << errorText;
  const std::size_t second = errorText.find("\r\n") + 2;
  EXPECT_EQ(errorText.compare(second, recordLine.size(), recordLine), 0) << errorText;
  EXPECT_EQ(errorText.substr(errorText.size() - 2), "\r\n");
  EXPECT_EQ(errorText.find("\r\n", second), errorText.size() - 2) << "two lines";

  ASSERT_EQ(destination->RecordCount(), 3);
  destination->First();
  const char* titles[] = {"12", nullptr, "7"};
  for (int i = 0; i < 3; ++i, destination->Next()) {
    EXPECT_EQ(destination->FieldByName("RecID")->AsInteger(), i + 1);
    if (titles[i] == nullptr)
      EXPECT_TRUE(destination->FieldByName("Title")->IsNull());
    else
      EXPECT_EQ(destination->FieldByName("Title")->AsString(), titles[i]);
    EXPECT_EQ(destination->FieldByName("Extra")->AsInteger(), -1);
  }
}

// A source whose move to its next record fails: the copy stops at once, says how far it came and does
// not report its end.
class TBreakingDataSet : public TWritableDiaryDataSet {
 public:
  using TWritableDiaryDataSet::TWritableDiaryDataSet;
  AnsiString failAfter;  // the title of the record after which the move to the next one fails

 protected:
  TGetResult GetRecord(Byte* buffer, TGetMode getMode, bool doCheck) override {
    if (getMode == gmNext && !failAfter.empty() && !IsEmpty() && FieldByName("Title")->AsString() == failAfter)
      throw Exception("disk gone");
    return TWritableDiaryDataSet::GetRecord(buffer, getMode, doCheck);
  }
};

TEST_F(BatchMove, SourceThatCannotMoveOnEndsTheCopy) {
  AddNumberedDays(5);
  CreateTable("copy", DiaryColumns());
  auto* source = New<TBreakingDataSet>(nullptr);
  std::unique_ptr<TBreakingDataSet> freeSource(source);
  source->SetDatabaseName(kDataSetTestDatabase);
  source->Open();
  TWritableDiaryDataSet* destination = Open("copy");
  source->failAfter = "Day 2";  // records 1 to 3 are copied, the fourth cannot be read
  EXPECT_EQ(Copy(*source, *destination),
            "\r\nCannot retieve record #4, operation aborted. 3 records were successfully copied\r\n");
  EXPECT_EQ(destination->RecordCount(), 3);
  EXPECT_EQ(progress.back(), 60);  // no final report
  source->Close();
}

// As a restructure copies: the destination's auto-increment sequence continues after the highest value
// copied into it (below the lowest for a negative increment); a plain copy leaves the sequence to the
// destination, which numbered the copied records itself before their values were copied over.
TEST_F(BatchMove, TrackedSequenceContinuesAfterTheCopiedValues) {
  struct Case {
    Int64 increment;
    Int64 sourceStart;
  };
  for (const Case c : {Case{1, 500}, Case{-1, -500}}) {
    SCOPED_TRACE(c.increment);
    const auto numbering = [&](Int64 start) {
      return [=](TSQLMemAdvFieldDefs& adv) {
        TSQLMemAdvFieldDef& recId = *adv.FindByName("RecID");
        recId.Increment = c.increment;
        recId.InitialValue = start;
        recId.MinSequence = -100000;
        recId.MaxSequence = 100000;
      };
    };
    const AnsiString suffix = c.increment > 0 ? "up" : "down";
    CreateTable("numbered" + suffix, DiaryColumns(), numbering(c.sourceStart));
    TWritableDiaryDataSet* source = Open("numbered" + suffix);
    for (int i = 0; i < 4; ++i) {
      source->Insert();
      source->FieldByName("ShortDateDay")->SetAsString("2024.02.0" + std::to_string(i + 1));
      source->Post();
    }
    source->Last();  // natural order: the last one numbered
    const Integer extreme = source->FieldByName("RecID")->AsInteger();
    ASSERT_EQ(extreme, c.sourceStart + 4 * c.increment);

    for (bool track : {true, false}) {
      const AnsiString name = (track ? "tracked" : "untracked") + suffix;
      CreateTable(name, DiaryColumns(), numbering(0));
      TWritableDiaryDataSet* destination = Open(name);
      EXPECT_EQ(Copy(*source, *destination, track), "");
      destination->Insert();
      destination->FieldByName("ShortDateDay")->SetAsString("2024.03.01");
      destination->Post();
      destination->Last();
      const Integer next = destination->FieldByName("RecID")->AsInteger();
      EXPECT_EQ(next, track ? extreme + c.increment : 5 * c.increment) << track;
    }
  }
}

}  // namespace
