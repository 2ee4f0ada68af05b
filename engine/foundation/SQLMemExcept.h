// The engine's exception: every failure inside the engine raises ESQLMemException with the native
// error code of its raise site. The message always ends in " - Native error: " and the code as at
// least five digits (2011 prints as "02011").
#pragma once
#include <initializer_list>
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Format.h"

class ESQLMemException : public Exception {
 public:
  ESQLMemException(Integer nativeError, const AnsiString& message);

  // Formats the message first; arguments that do not fit the format's specifiers do not fail the
  // raise: the text becomes the unformatted format followed by " Arguments are invalid!".
  static ESQLMemException CreateFromFormat(Integer nativeError, std::string_view format, TVarRecs args);
  static ESQLMemException CreateFromFormat(Integer nativeError, std::string_view format,
                                           std::initializer_list<TVarRec> args) {
    return CreateFromFormat(nativeError, format, TVarRecs(args.begin(), args.size()));
  }

  Integer NativeError() const noexcept { return nativeError_; }

 private:
  Integer nativeError_;
};

// Shorthands for raise sites: SQLMemError(30016, "Value is Null") or
// SQLMemError(10000, "Invalid field number - FieldNo = %d, FieldCount = %d", {no, count}).
[[noreturn]] void SQLMemError(Integer nativeError, const AnsiString& message);
[[noreturn]] void SQLMemError(Integer nativeError, std::string_view format, std::initializer_list<TVarRec> args);
