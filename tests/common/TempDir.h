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
    // The reserved unique file stays until the end, so that no test program running beside this one is
    // given the same name; the folder beside it carries the name plus ".d". (Deleting the file to make a
    // folder of its name let a parallel program take the name in between.)
    reserved_ = os::CreateTempFileName(os::TempFolder(), u"QNT");
    path_ = reserved_ + u".d";
    if (reserved_.empty() || !os::CreateDir(path_)) {
      ADD_FAILURE() << "cannot make a test folder, error " << os::LastError();
    }
    path_ += os::PathDelimiter();
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(path_), ec);
    if (!reserved_.empty()) os::DeleteFile(reserved_);
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
  WideString reserved_;
  WideString path_;
};
