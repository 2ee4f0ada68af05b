#include "engine/foundation/SQLMemExcept.h"

ESQLMemException::ESQLMemException(Integer nativeError, const AnsiString& message)
    : Exception(message + " - Native error: " + Format("%.5d", {nativeError})), nativeError_(nativeError) {}

ESQLMemException ESQLMemException::CreateFromFormat(Integer nativeError, std::string_view format, TVarRecs args) {
  AnsiString message;
  try {
    message = Format(format, args);
  } catch (const EConvertError&) {
    message = AnsiString(format) + " Arguments are invalid!";
  }
  return ESQLMemException(nativeError, message);
}

void SQLMemError(Integer nativeError, const AnsiString& message) { throw ESQLMemException(nativeError, message); }

void SQLMemError(Integer nativeError, std::string_view format, std::initializer_list<TVarRec> args) {
  throw ESQLMemException::CreateFromFormat(nativeError, format, args);
}
