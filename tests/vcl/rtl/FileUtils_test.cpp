#include "vcl/rtl/FileUtils.h"

#include <gtest/gtest.h>

#include "common/TempDir.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/TextConv.h"

namespace {

// Names in the tables are written with "\"; natively it becomes "/".
std::string Native(std::string s) {
#ifndef _WIN32
  for (char& c : s)
    if (c == '\\') c = '/';
#endif
  return s;
}

struct PartsCase {
  const char* name;
  const char* path;
  const char* dir;
  const char* file;
  const char* ext;
};

constexpr PartsCase kParts[] = {
    {"\\dir\\sub\\name.ext", "\\dir\\sub\\", "\\dir\\sub", "name.ext", ".ext"},
    {"name.ext", "", "", "name.ext", ".ext"},
    {"\\name", "\\", "\\", "name", ""},                   // right under the root: the root stays
    {"dir.d\\name", "dir.d\\", "dir.d", "name", ""},      // a dot in a folder is no extension
    {"\\dir\\", "\\dir\\", "\\dir", "", ""},
    {"a\\b.tar.gz", "a\\", "a", "b.tar.gz", ".gz"},
    {".profile", "", "", ".profile", ".profile"},
    {"\\mappa\\árvíztűrő.txt", "\\mappa\\", "\\mappa", "árvíztűrő.txt", ".txt"},
    {"", "", "", "", ""},
#ifdef _WIN32
    {"C:\\name.txt", "C:\\", "C:\\", "name.txt", ".txt"},
    {"C:name", "C:", "C:", "name", ""},
    {"C:/dir/x", "C:/dir/", "C:/dir", "x", ""},
    {"C:\\dir/x.y\\z", "C:\\dir/x.y\\", "C:\\dir/x.y", "z", ""},
#endif
};

TEST(FileNames, PartsOfANameInBothEncodings) {
  for (const PartsCase& c : kParts) {
    SCOPED_TRACE(c.name);
    const std::string name = Native(c.name);
    const AnsiString ansi = Utf8ToCp1250(name);
    EXPECT_EQ(Cp1250ToUtf8(ExtractFilePath(ansi)), Native(c.path));
    EXPECT_EQ(Cp1250ToUtf8(ExtractFileDir(ansi)), Native(c.dir));
    EXPECT_EQ(Cp1250ToUtf8(ExtractFileName(ansi)), c.file);
    EXPECT_EQ(Cp1250ToUtf8(ExtractFileExt(ansi)), c.ext);
    const WideString wide = Utf8ToUtf16(name);
    EXPECT_EQ(Utf16ToUtf8(ExtractFilePath(wide)), Native(c.path));
    EXPECT_EQ(Utf16ToUtf8(ExtractFileDir(wide)), Native(c.dir));
    EXPECT_EQ(Utf16ToUtf8(ExtractFileName(wide)), c.file);
    EXPECT_EQ(Utf16ToUtf8(ExtractFileExt(wide)), c.ext);
  }
}

TEST(FileNames, ChangeExtensionAndTrailingDelimiters) {
  struct Case {
    const char* name;
    const char* ext;
    const char* result;
  };
  const Case changes[] = {
      {"a\\b.txt", ".dat", "a\\b.dat"},
      {"a.d\\b", ".dat", "a.d\\b.dat"},
      {"b.tar.gz", "", "b.tar"},
      {"b", ".x", "b.x"},
  };
  for (const Case& c : changes) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ChangeFileExt(Native(c.name), AnsiString(c.ext)), Native(c.result));
    EXPECT_EQ(ChangeFileExt(Utf8ToUtf16(Native(c.name)), Utf8ToUtf16(c.ext)), Utf8ToUtf16(Native(c.result)));
  }
  EXPECT_EQ(IncludeTrailingPathDelimiter(Native("\\dir")), Native("\\dir\\"));
  EXPECT_EQ(IncludeTrailingPathDelimiter(Native("\\dir\\")), Native("\\dir\\"));
  EXPECT_EQ(IncludeTrailingPathDelimiter(AnsiString()), Native("\\"));
  EXPECT_EQ(IncludeTrailingPathDelimiter(Utf8ToUtf16(Native("\\d"))), Utf8ToUtf16(Native("\\d\\")));
  EXPECT_EQ(ExcludeTrailingPathDelimiter(Native("\\dir\\")), Native("\\dir"));
  EXPECT_EQ(ExcludeTrailingPathDelimiter(Native("\\dir")), Native("\\dir"));
  EXPECT_EQ(ExcludeTrailingPathDelimiter(Utf8ToUtf16(Native("\\d\\"))), Utf8ToUtf16(Native("\\d")));
}

TEST(FileSystem, ForceDirectoriesMakesEveryMissingLevel) {
  TempDir dir;
  const AnsiString deep = dir.Ansi(u"egy/kettő/három");  // Windows-1250 name
  EXPECT_FALSE(DirectoryExists(dir.Ansi(u"egy")));
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(dir / u"egy"));
  EXPECT_TRUE(DirectoryExists(dir / u"egy/kettő"));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectories(deep));  // existing: nothing to do
  EXPECT_TRUE(ForceDirectories(dir / u"egy/négy/"));  // a trailing delimiter is fine
  EXPECT_TRUE(DirectoryExists(dir / u"egy/négy"));

  TFileStream(dir / u"file", fmCreate);
  EXPECT_FALSE(ForceDirectories(dir / u"file/sub"));  // a file is in the way
  EXPECT_FALSE(DirectoryExists(dir / u"file/sub"));
  try {
    ForceDirectories(AnsiString());
    ADD_FAILURE() << "an empty name must raise";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Unable to create directory");
  }
}

TEST(FileSystem, FileAndFolderOperationsByName) {
  TempDir dir;
  const AnsiString file = dir.Ansi(u"tükör.txt");
  EXPECT_FALSE(FileExists(file));
  TFileStream(file, fmCreate).WriteBuffer("x", 1);
  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(FileExists(dir / u"tükör.txt"));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_FALSE(FileExists(dir.Path()));  // a folder is not a file
  EXPECT_TRUE(DirectoryExists(dir.Path()));

  EXPECT_TRUE(CreateDir(dir.Ansi(u"sub")));
  EXPECT_FALSE(CreateDir(dir / u"sub"));
  EXPECT_TRUE(RenameFile(file, dir.Ansi(u"sub/fúró.txt")));
  EXPECT_FALSE(FileExists(file));
  EXPECT_TRUE(FileExists(dir / u"sub/fúró.txt"));
  TFileStream(dir / u"other.txt", fmCreate);
  EXPECT_FALSE(RenameFile(dir / u"other.txt", dir / u"sub/fúró.txt"));  // no replacing
  EXPECT_FALSE(RemoveDir(dir / u"sub"));  // not empty
  EXPECT_TRUE(DeleteFile(dir.Ansi(u"sub/fúró.txt")));
  EXPECT_FALSE(DeleteFile(dir / u"sub/fúró.txt"));
  EXPECT_TRUE(RemoveDir(dir.Ansi(u"sub")));
  EXPECT_FALSE(DirectoryExists(dir / u"sub"));
}

}  // namespace
