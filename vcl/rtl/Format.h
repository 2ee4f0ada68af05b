// Format with typed arguments, in the component library's manner:
//   "%" [index ":"] ["-"] [width] ["." precision] type,  type one of d u x e f g n m p s (either case), "%%".
// "*" takes width or precision from the next Integer argument. An argument of the wrong kind for its
// specifier, or a missing argument, raises EConvertError (callers rely on this to detect bad messages).
#pragma once
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>
#include "vcl/rtl/SysTypes.h"

struct TFormatSettings;

// One argument of Format: an integer (any width), a floating value, a text or a single character,
// or an untyped pointer (for %p).
class TVarRec {
 public:
  enum class Kind { Integer, Int64, Float, String, Char, Pointer };

  TVarRec(int v) : kind_(Kind::Integer), int_(v) {}
  TVarRec(unsigned v) : kind_(Kind::Int64), int_(static_cast<Int64>(v)) {}
  TVarRec(long v) : kind_(Kind::Int64), int_(static_cast<Int64>(v)) {}
  TVarRec(unsigned long v) : kind_(Kind::Int64), int_(static_cast<Int64>(v)) {}
  TVarRec(long long v) : kind_(Kind::Int64), int_(static_cast<Int64>(v)) {}
  TVarRec(unsigned long long v) : kind_(Kind::Int64), int_(static_cast<Int64>(v)) {}
  TVarRec(short v) : kind_(Kind::Integer), int_(v) {}
  TVarRec(unsigned short v) : kind_(Kind::Integer), int_(v) {}
  TVarRec(signed char v) : kind_(Kind::Integer), int_(v) {}
  TVarRec(unsigned char v) : kind_(Kind::Integer), int_(v) {}
  TVarRec(double v) : kind_(Kind::Float), float_(v) {}
  TVarRec(long double v) : kind_(Kind::Float), float_(v) {}
  TVarRec(float v) : kind_(Kind::Float), float_(v) {}
  TVarRec(char v) : kind_(Kind::Char), string_(1, v) {}
  TVarRec(const char* v) : kind_(Kind::String), string_(v ? v : "") {}
  TVarRec(std::string_view v) : kind_(Kind::String), string_(v) {}
  TVarRec(const AnsiString& v) : kind_(Kind::String), string_(v) {}
  TVarRec(const void* v) : kind_(Kind::Pointer), pointer_(v) {}
  TVarRec(bool) = delete;  // Booleans have no specifier; convert them explicitly.

  Kind GetKind() const { return kind_; }
  bool IsInteger() const { return kind_ == Kind::Integer || kind_ == Kind::Int64; }
  Int64 AsInt64() const { return int_; }
  long double AsFloat() const { return float_; }
  const AnsiString& AsString() const { return string_; }
  const void* AsPointer() const { return pointer_; }

 private:
  Kind kind_;
  Int64 int_ = 0;
  long double float_ = 0;
  AnsiString string_;
  const void* pointer_ = nullptr;
};

using TVarRecs = std::span<const TVarRec>;

// Formats with the process-wide format settings (decimal and thousand separators of %f, %n, %m).
AnsiString Format(std::string_view format, std::initializer_list<TVarRec> args);
AnsiString Format(std::string_view format, TVarRecs args);
// Formats with explicit settings.
AnsiString Format(std::string_view format, TVarRecs args, const TFormatSettings& settings);
