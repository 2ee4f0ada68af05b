// Text forms of binary data (hexadecimal, MIME base 64, UU and XX coding) behind a registry keyed by
// format id, and the engine's CRC-32. The SQL type routines use the formats for the text of BLOB values
// (MIME base 64 is the default) and for hexadecimal conversions; names and values are hashed by CRC-32.
#pragma once
#include <initializer_list>
#include <string_view>
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/SysTypes.h"

// The error of this unit; it carries no native code.
QN_DECLARE_EXCEPTION(EStringFormat, Exception);

inline constexpr char SStringFormatNotExists[] = "String Format \"%d\" not exists.";
inline constexpr char SStringFormatInvalidInput[] = "Input is not an valid %s Format.";
inline constexpr char SStringFormatCannotConvert[] = "Input can not be convert to %s Format.";

// Format ids as they are stored and passed around; -1 asks for the default.
inline constexpr Integer StringFormatDefault = -1;
inline constexpr Integer StringFormatCopy = 1;
inline constexpr Integer StringFormatHEX = 16;
inline constexpr Integer StringFormatHEXL = 1016;
inline constexpr Integer StringFormatMIME64 = 4196;
inline constexpr Integer StringFormatUU = 21845;
inline constexpr Integer StringFormatXX = 22616;
inline constexpr Integer StringFormatDefaultId = StringFormatMIME64;

// A string format is stateless: each class has one instance (Instance()), and the registry holds
// pointers to those instances. The base class copies bytes unchanged.
class TStringFormat {
 public:
  virtual ~TStringFormat() = default;
  static const TStringFormat& Instance();

  virtual AnsiString Decode(std::string_view text) const;   // text in the format -> raw bytes
  virtual AnsiString Encode(std::string_view bytes) const;  // raw bytes -> text in the format
  virtual const char* Name() const;                         // display name, used in messages
  virtual Integer Id() const;
  // Whether the input is acceptable; in encoding mode every format accepts anything.
  virtual bool IsValid(std::string_view text, bool decoding) const;
};

// Two table digits per byte, high nibble first. Decoding is case-insensitive, skips every character
// that is no digit, "X" or "$", restarts the output at the first "$" (so "$1F" is one byte) and pads
// an unpaired last nibble with a zero low nibble. "X" counts as a nibble of value 16.
class TStringFormat_HEX : public TStringFormat {
 public:
  static const TStringFormat_HEX& Instance();
  AnsiString Decode(std::string_view text) const override;
  AnsiString Encode(std::string_view bytes) const override;
  const char* Name() const override;
  Integer Id() const override;
  bool IsValid(std::string_view text, bool decoding) const override;
  // The first 16 characters are the digit alphabet; the rest are accepted in input but carry no value.
  virtual std::string_view CharTable() const;
};

// As HEX, with lower-case digits when encoding.
class TStringFormat_HEXL : public TStringFormat_HEX {
 public:
  static const TStringFormat_HEXL& Instance();
  const char* Name() const override;
  Integer Id() const override;
  std::string_view CharTable() const override;
};

// Base 64 with "=" padding and no line breaks. Decoding skips characters outside the alphabet and
// "=", then pads to whole groups of four; each "=" stands for zero bits and one byte less.
class TStringFormat_MIME64 : public TStringFormat_HEX {
 public:
  static const TStringFormat_MIME64& Instance();
  AnsiString Decode(std::string_view text) const override;
  AnsiString Encode(std::string_view bytes) const override;
  const char* Name() const override;
  Integer Id() const override;
  std::string_view CharTable() const override;
};

// Lines of at most 45 bytes, each one length character followed by four characters per three bytes;
// lines follow each other without a separator.
class TStringFormat_UU : public TStringFormat {
 public:
  static const TStringFormat_UU& Instance();
  AnsiString Decode(std::string_view text) const override;  // raises EStringFormat on a bad line length
  AnsiString Encode(std::string_view bytes) const override;
  const char* Name() const override;
  Integer Id() const override;
  bool IsValid(std::string_view text, bool decoding) const override;
  // The first 64 characters are the digit alphabet; the rest are accepted in input.
  virtual std::string_view CharTable() const;
};

// As UU, with its own alphabet.
class TStringFormat_XX : public TStringFormat_UU {
 public:
  static const TStringFormat_XX& Instance();
  const char* Name() const override;
  Integer Id() const override;
  std::string_view CharTable() const override;
};

// ---- The registry ----
// It always holds the six formats above, from the first lookup on, so conversions never depend on the
// engine's start-up having run. Start-up calls RegisterStringFormats and shutdown ResetStringFormats,
// both on the main thread while no other thread uses the engine (the registry itself takes no lock).

// Registers the given formats in order: a format whose id is present replaces that entry in place,
// a new id is appended, a format with id -1 is ignored.
void RegisterFormatClasses(std::initializer_list<const TStringFormat*> formats);
// The start-up step: registers copy, HEX, HEXL, MIME64, UU and XX in this order.
void RegisterStringFormats();
// The shutdown step: forgets every format registered at run time and puts the six standard formats
// back in their places.
void ResetStringFormats() noexcept;
// -1 gives the default (MIME64); otherwise the first registered format with that id; nullptr when none.
const TStringFormat* FindStringFormat(Integer id);

// length < 0: the bytes are a zero-terminated string. No bytes, length 0 or format 0 give an empty
// text. An unknown id raises EStringFormat "String Format "%d" not exists.".
AnsiString EncodeStringFormat(const void* bytes, Integer length, Integer formatId);
// The same rules; input the format does not accept raises EStringFormat "Input is not an valid %s Format.".
AnsiString DecodeStringFormat(const void* text, Integer length, Integer formatId);

AnsiString EncodeStringFormat(std::string_view bytes, Integer formatId);
AnsiString DecodeStringFormat(std::string_view text, Integer formatId);

// ---- CRC-32 ----
// The reflected CRC-32 of polynomial 0xEDB88320 without initial or final inversion: the caller passes
// the start value (0 for block checks and name hashes) and gets the raw register back, so "abc" from 0
// gives 0xCA6598D0, not the usual check value. No data or length <= 0 returns the start value.
Cardinal Crc32Update(Cardinal crc, const void* data, Integer length);
Cardinal Crc32Update(Cardinal crc, std::string_view data);
