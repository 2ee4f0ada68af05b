// The atomic replace of a file by another: the target ends with the complete new content or keeps the
// complete old one, and a refused replace touches neither file.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "common/TempDir.h"
#include "vcl/rtl/OsSeam.h"

namespace {

using os::FileCreation;

class Handle {
 public:
  explicit Handle(os::FileHandle h) : h_(h) {}
  ~Handle() { os::FileClose(h_); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return h_ != os::kInvalidFile; }

 private:
  os::FileHandle h_;
};

void WriteFile(const WideString& path, std::string_view bytes) {
  const os::FileHandle h = os::FileOpen(path, os::kAccessWrite, os::kShareNone, FileCreation::CreateAlways);
  ASSERT_NE(h, os::kInvalidFile) << os::LastError();
  const Int64 n = os::FileWrite(h, bytes.data(), static_cast<Int64>(bytes.size()));
  os::FileClose(h);
  ASSERT_EQ(n, static_cast<Int64>(bytes.size()));
}

std::string ReadAll(const WideString& path) {
  const os::FileHandle h =
      os::FileOpen(path, os::kAccessRead, os::kShareRead | os::kShareWrite | os::kShareDelete, FileCreation::OpenExisting);
  if (h == os::kInvalidFile) return "<missing>";
  std::string s(4096, '\0');
  const Int64 n = os::FileRead(h, s.data(), static_cast<Int64>(s.size()));
  os::FileClose(h);
  s.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
  return s;
}

TEST(OsReplaceFile, NewContentTakesThePlaceOfTheOld) {
  TempDir dir;
  WriteFile(dir / u"data.dat", "old content");
  WriteFile(dir / u"data.tmp", "new");
  ASSERT_TRUE(os::ReplaceFileAtomic(dir / u"data.tmp", dir / u"data.dat")) << os::LastError();
  EXPECT_EQ(ReadAll(dir / u"data.dat"), "new");
  EXPECT_FALSE(os::FileExists(dir / u"data.tmp"));

  // A target that does not exist yet is simply created.
  WriteFile(dir / u"other.tmp", "first save");
  ASSERT_TRUE(os::ReplaceFileAtomic(dir / u"other.tmp", dir / u"other.dat")) << os::LastError();
  EXPECT_EQ(ReadAll(dir / u"other.dat"), "first save");
  EXPECT_FALSE(os::FileExists(dir / u"other.tmp"));
}

TEST(OsReplaceFile, RefusedReplaceLeavesBothFiles) {
  TempDir dir;
  WriteFile(dir / u"data.dat", "old content");
  WriteFile(dir / u"data.tmp", "new");

  EXPECT_FALSE(os::ReplaceFileAtomic(dir / u"missing.tmp", dir / u"data.dat"));
  EXPECT_EQ(os::LastError(), os::kErrorFileNotFound);
  EXPECT_FALSE(os::ReplaceFileAtomic(dir / u"data.tmp", dir / u"no folder/data.dat"));
  EXPECT_EQ(os::LastError(), os::kErrorPathNotFound);
  {
    // A reader that denies deleting (as a load of the data file does) keeps the target in place.
    Handle reader(os::FileOpen(dir / u"data.dat", os::kAccessRead, os::kShareRead, FileCreation::OpenExisting));
    ASSERT_TRUE(reader.valid());
    EXPECT_FALSE(os::ReplaceFileAtomic(dir / u"data.tmp", dir / u"data.dat"));
    const Cardinal error = os::LastError();
    EXPECT_TRUE(error == os::kErrorSharingViolation || error == os::kErrorAccessDenied) << error;
  }
  EXPECT_EQ(ReadAll(dir / u"data.dat"), "old content");
  EXPECT_EQ(ReadAll(dir / u"data.tmp"), "new");
}

}  // namespace
