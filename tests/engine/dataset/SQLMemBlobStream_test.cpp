// The diary's memo through the dataset's BLOB stream: reading, writing, seeking and truncating a day's
// text, what a post stores (an emptied text stays empty), the field-change report, the errors of the
// stream's opening, and a stream that outlives the record access the cursor gave it.
#include "engine/dataset/SQLMemBlobStream.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/engine/dataset/WritableDataSetSupport.h"
#include "tests/engine/foundation/EngineTestSupport.h"
#include "vcl/rtl/ExceptionHandler.h"

namespace {

class BlobStream : public DiaryDataSetTest {
 protected:
  void SetUp() override {
    DiaryDataSetTest::SetUp();
    AddDays({{"2024.01.01", "Monday", "The first day."}, {"2024.01.02", "Tuesday", ""}});
    set = New<TWritableDiaryDataSet>(owner_.get());
    set->SetDatabaseName(kDataSetTestDatabase);
    set->Open();
    text = set->FieldByName("Text");
  }
  void TearDown() override {
    owner_.reset();
    DiaryDataSetTest::TearDown();
  }

  std::string ReadAll(TStream& stream) {
    std::string bytes(static_cast<std::size_t>(stream.GetSize()), '\0');
    stream.SetPosition(0);
    if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
    return bytes;
  }
  void Write(TStream& stream, const std::string& bytes) {
    stream.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  }
  // The day's text as a fresh dataset reads it from the table.
  std::string StoredText(int recNo) {
    TDiaryDataSet* reader = NewDataSet();
    reader->Open();
    reader->SetRecNo(recNo);
    std::string value = reader->FieldByName("Text")->IsNull() ? "<null>" : reader->FieldByName("Text")->AsString();
    reader->Close();
    return value;
  }

  TWritableDiaryDataSet* set = nullptr;
  TField* text = nullptr;

 private:
  std::unique_ptr<TComponent> owner_ = std::make_unique<TComponent>(nullptr);
};

TEST_F(BlobStream, ReadsAndSeeksTheStoredText) {
  std::unique_ptr<TStream> stream = set->CreateBlobStream(text, bmRead);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->GetSize(), 14);
  EXPECT_EQ(ReadAll(*stream), "The first day.");
  EXPECT_EQ(stream->Seek(Int64{4}, soBeginning), 4);
  char word[5] = {};
  EXPECT_EQ(stream->Read(word, 5), 5);
  EXPECT_EQ(std::string(word, 5), "first");
  EXPECT_EQ(stream->Seek(Int64{-4}, soEnd), 10);
  EXPECT_EQ(stream->Seek(Int64{-1}, soCurrent), 9);
  EXPECT_EQ(stream->Read(word, 5), 5);
  EXPECT_EQ(std::string(word, 5), " day.");
  EXPECT_EQ(stream->Read(word, 5), 0);
  // A reader changes nothing.
  stream.reset();
  EXPECT_FALSE(set->Modified());
}

TEST_F(BlobStream, WritingReplacesTheTextAndThePostStoresIt) {
  set->Edit();
  int changes = 0;
  text->OnChange = [&](TField*) { ++changes; };
  {
    std::unique_ptr<TStream> stream = set->CreateBlobStream(text, bmWrite);
    EXPECT_EQ(stream->GetSize(), 0);  // the old text is gone
    Write(*stream, "Rainy.");
    EXPECT_EQ(changes, 0);  // the change is reported when the stream is done
  }
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(dynamic_cast<TBlobField*>(text)->Modified());
  EXPECT_TRUE(set->Modified());
  EXPECT_TRUE(set->FieldChanged());
  EXPECT_EQ(text->AsString(), "Rainy.");  // the record being edited holds the new value
  set->Post();
  EXPECT_EQ(StoredText(1), "Rainy.");
}

TEST_F(BlobStream, ReadWriteStreamAppendsOverwritesAndTruncates) {
  struct Step {
    const char* what;
    std::function<void(TStream&)> action;
    const char* expected;
  };
  const Step steps[] = {
      {"append",
       [&](TStream& s) {
         s.Seek(Int64{0}, soEnd);
         Write(s, " Sunny later.");
       },
       "The first day. Sunny later."},
      {"overwrite",
       [&](TStream& s) {
         s.Seek(Int64{4}, soBeginning);
         Write(s, "FIRST");
       },
       "The FIRST day. Sunny later."},
      {"truncate", [&](TStream& s) { s.SetSize(Int64{9}); }, "The FIRST"},
      {"extend by writing past the end",
       [&](TStream& s) {
         s.Seek(Int64{0}, soEnd);
         Write(s, "!");
       },
       "The FIRST!"},
  };
  set->Edit();
  std::unique_ptr<TStream> stream = set->CreateBlobStream(text, bmReadWrite);
  for (const Step& step : steps) {
    step.action(*stream);
    EXPECT_EQ(ReadAll(*stream), step.expected) << step.what;
  }
  stream.reset();
  set->Post();
  EXPECT_EQ(StoredText(1), "The FIRST!");
}

// Emptying a day's text must not bring the old text back: writing nothing, and cutting the value to
// nothing, both store an empty (null) memo.
TEST_F(BlobStream, AnEmptiedTextStaysEmpty) {
  for (TBlobStreamMode mode : {bmWrite, bmReadWrite}) {
    set->First();
    set->Edit();
    {
      std::unique_ptr<TStream> stream = set->CreateBlobStream(text, mode);
      if (mode == bmReadWrite) {
        EXPECT_EQ(stream->GetSize(), 14);
        stream->SetSize(Int64{0});
      }
    }
    set->Post();
    EXPECT_EQ(StoredText(1), "<null>") << mode;
    // Put the text back for the next mode.
    set->Edit();
    text->SetAsString("The first day.");
    set->Post();
    EXPECT_EQ(StoredText(1), "The first day.");
  }
}

TEST_F(BlobStream, CancelKeepsTheStoredText) {
  set->Edit();
  text->SetAsString("Never posted.");
  set->Cancel();
  EXPECT_EQ(text->AsString(), "The first day.");
  EXPECT_EQ(StoredText(1), "The first day.");
}

TEST_F(BlobStream, InsertedRecordTakesItsTextFromTheStream) {
  set->Insert();
  set->FieldByName("ShortDateDay")->SetAsString("2024.01.03");
  set->FieldByName("Title")->SetAsString("Wednesday");
  std::string big(300000, 'x');  // more than the engine's BLOB block
  for (std::size_t i = 0; i < big.size(); i += 997) big[i] = static_cast<char>('a' + i % 26);
  {
    std::unique_ptr<TStream> stream = set->CreateBlobStream(text, bmWrite);
    Write(*stream, big);
  }
  set->Post();
  EXPECT_EQ(set->RecordCount(), 3);
  EXPECT_EQ(StoredText(3), big);
}

TEST_F(BlobStream, OpeningErrors) {
  // Writing outside edit or insert state.
  EXPECT_EQ(NativeErrorOf([&] { set->CreateBlobStream(text, bmWrite); }), 10111);
  // A read-only dataset refuses writers, at the dataset and at the stream itself.
  set->SetReadOnly(true);
  EXPECT_EQ(NativeErrorOf([&] { set->CreateBlobStream(text, bmReadWrite); }), 10107);
  ExpectEngineError([&] { TSQLMemBlobStream stream(text, bmWrite); }, 10106,
                    "Dataset is in read only mode - Native error: 10106");
  EXPECT_EQ(NativeErrorOf([&] { TSQLMemBlobStream stream(text, bmRead); }), 0);
  set->SetReadOnly(false);
  // A field of no engine dataset.
  TMemoField loose(nullptr);
  ExpectEngineError([&] { TSQLMemBlobStream stream(&loose, bmRead); }, 11633,
                    "The dataset object is not TSQLMemdataset compatible - Native error: 11633");
}

TEST_F(BlobStream, EmptyDatasetGivesAnEmptyReader) {
  {
    TSQLMemLocalCursor creator;
    creator.Session = &EngineSession();
    creator.InMemory = 1;
    creator.TableName = "nodays";
    const DiarySchema schema;
    creator.CreateTable(schema.fields, schema.indexes, schema.constraints);
    creator.CloseTable();
  }
  set->Close();
  set->TableName = "nodays";
  set->Open();
  ASSERT_TRUE(set->IsEmpty());
  TSQLMemBlobStream stream(set->FieldByName("Text"), bmRead);
  EXPECT_EQ(stream.GetSize(), 0);
  char c;
  EXPECT_EQ(stream.Read(&c, 1), 0);
}

// A stream still open when the record is posted: the post stores what was written, and the stream
// then reads no more; freeing it later is harmless. Closing the dataset under a reader is harmless too.
TEST_F(BlobStream, StreamOutlivingThePostIsDetached) {
  set->Edit();
  auto stream = std::make_unique<TSQLMemBlobStream>(text, bmWrite);
  Write(*stream, "Written, then posted.");
  set->Post();
  EXPECT_FALSE(stream->Attached());
  EXPECT_EQ(NativeErrorOf([&] { ReadAll(*stream); }), 11233);
  stream.reset();
  EXPECT_EQ(StoredText(1), "Written, then posted.");

  auto reader = std::make_unique<TSQLMemBlobStream>(text, bmRead);
  set->Close();
  EXPECT_FALSE(reader->Attached());
  reader.reset();
}

TEST_F(BlobStream, ChangeHandlerErrorsGoToTheApplicationsHandler) {
  int handled = 0;
  InstallExceptionHandler(this, [&](TObject*) { ++handled; });
  text->OnChange = [](TField*) { throw Exception("handler failed"); };
  set->Edit();
  {
    std::unique_ptr<TStream> stream = set->CreateBlobStream(text, bmWrite);
    Write(*stream, "Still stored.");
  }  // the destruction does not raise
  RemoveExceptionHandler(this);
  EXPECT_EQ(handled, 1);
  text->OnChange = nullptr;
  set->Post();
  EXPECT_EQ(StoredText(1), "Still stored.");
}

TEST_F(BlobStream, ExplicitCloseReportsWhatTheDestructorWouldSwallow) {
  text->OnChange = [](TField*) { throw Exception("handler failed"); };
  set->Edit();
  TSQLMemBlobStream stream(text, bmWrite);
  Write(stream, "x");
  ASSERT_FALSE(ExceptionHandlerInstalled());
  EXPECT_THROW(stream.Close(), Exception);
  EXPECT_NO_THROW(stream.Close());  // once only
  text->OnChange = nullptr;
}

}  // namespace
