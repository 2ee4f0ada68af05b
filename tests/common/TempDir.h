// A fresh folder under the system's temporary folder for one test, removed with everything in it at
// the end. Paths are built with the platform's delimiter.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/TextConv.h"

class TempDir {
 public:
  TempDir() {
    // A reserved unique name, turned into a folder of that name.
    path_ = os::CreateTempFileName(os::TempFolder(), u"QNT");
    if (path_.empty() || !os::DeleteFile(path_) || !os::CreateDir(path_)) {
      ADD_FAILURE() << "cannot make a test folder, error " << os::LastError();
    }
    path_ += os::PathDelimiter();
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(path_), ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, ending in a delimiter.
  const WideString& Path() const { return path_; }
  // A name inside the folder; "/" in relative separates folders on both platforms.
  WideString operator/(std::u16string_view relative) const {
    WideString r = path_;
    for (char16_t c : relative) r += c == u'/' ? os::PathDelimiter() : c;
    return r;
  }
  AnsiString Ansi(std::u16string_view relative) const { return Utf16ToCp1250(*this / relative); }

 private:
  WideString path_;
};
