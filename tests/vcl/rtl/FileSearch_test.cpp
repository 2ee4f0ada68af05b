// Listing a folder with FindFirst/FindNext: wildcard patterns, the attribute mask for folders and
// hidden entries, sizes, and the error codes of an empty result and a missing folder.
#include "vcl/rtl/FileSearch.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "vcl/rtl/FileUtils.h"
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/TextConv.h"

namespace {

struct FileSearchTest : ::testing::Test {
  AnsiString folder = Utf16ToCp1250(os::TempFolder()) + "qn_findfirst_test" + Utf16ToCp1250(WideString(1, os::PathDelimiter()));

  void SetUp() override {
    TearDown();
    ASSERT_TRUE(ForceDirectories(folder));
    Write("one.skn", 3);
    Write("Two.SKN", 5);
    Write("notes.txt", 1);
    ASSERT_TRUE(CreateDir(folder + "sub.skn"));
  }
  void TearDown() override {
    for (const char* name : {"one.skn", "Two.SKN", "notes.txt"}) DeleteFile(folder + name);
    RemoveDir(folder + "sub.skn");
    RemoveDir(folder);
  }
  void Write(const char* name, int bytes) {
    TMemoryStream s;
    s.SetSize(Int64{bytes});
    s.SaveToFile(folder + name);
  }
  // Every name the search lists, with "/" after folders.
  std::set<std::string> List(const char* pattern, Integer attr) {
    std::set<std::string> names;
    TSearchRec rec;
    for (Integer r = FindFirst(folder + pattern, attr, rec); r == 0; r = FindNext(rec))
      names.insert(rec.Name + ((rec.Attr & faDirectory) != 0 ? "/" : ""));
    FindClose(rec);
    return names;
  }
};

}  // namespace

TEST_F(FileSearchTest, PatternsAndTheAttributeMaskChooseTheEntries) {
  struct Case {
    const char* pattern;
    Integer attr;
    std::set<std::string> expected;
  } cases[] = {
      {"*.skn", 0, {"one.skn", "Two.SKN"}},                 // case ignored, folders left out
      {"*.skn", faDirectory, {"one.skn", "Two.SKN", "sub.skn/"}},
      {"?ne.*", faAnyFile, {"one.skn"}},
      {"*.*", 0, {"one.skn", "Two.SKN", "notes.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(List(c.pattern, c.attr), c.expected);
  }
}

TEST_F(FileSearchTest, EntriesCarrySizeAndTheEndIsReported) {
  TSearchRec rec;
  ASSERT_EQ(FindFirst(folder + "two.skn", faAnyFile, rec), 0);
  EXPECT_EQ(rec.Name, "Two.SKN");
  EXPECT_EQ(rec.Size, 5);
  EXPECT_EQ(rec.Attr & faDirectory, 0);
  EXPECT_EQ(FindNext(rec), kErrorNoMoreFiles);
  FindClose(rec);
  FindClose(rec);  // twice is fine

  EXPECT_EQ(FindFirst(folder + "*.zip", faAnyFile, rec), kErrorFileNotFound);
  EXPECT_NE(FindFirst(folder + "missing" + folder.substr(folder.size() - 1) + "*", faAnyFile, rec), 0);
  EXPECT_EQ(FindNext(rec), kErrorNoMoreFiles);  // a failed search stays closed
}
