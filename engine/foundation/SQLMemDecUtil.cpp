#include "engine/foundation/SQLMemDecUtil.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>
#include <zlib.h>
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Format.h"

namespace {

// Character tables: the digit alphabet first, then the characters accepted in input without a value.
constexpr std::string_view kHexTable =
    "0123456789ABCDEF"
    "X$ abcdefhHx()[]{},;:-_/\\*+\"'\t\n\r";
constexpr std::string_view kHexLTable =
    "0123456789abcdef"
    "X$ ABCDEFhHx()[]{},;:-_/\\*+\"'\t\n\r";
constexpr std::string_view kMime64Table =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"
    "= $()[]{},;:-_\\*\"'\t\n\r";
constexpr std::string_view kUUTable =
    "`!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_"
    " \t\n\r";
constexpr std::string_view kXXTable =
    "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
    " \"()[]'\t\n\r";

static_assert(kUUTable.size() == 64 + 4 && kXXTable.size() == 64 + 10 && kMime64Table.size() == 64 + 21);

constexpr std::size_t kHexDigits = 16;     // positions 0..15 are nibble values
constexpr std::size_t kHexX = 16;          // "X": a nibble of value 16
constexpr std::size_t kHexDollar = 17;     // "$": restarts the output once
static_assert(kHexX == kHexDigits && kHexDollar == kHexX + 1);  // X and $ follow the 16 digits
constexpr std::size_t kMimeDigits = 64;    // position 64 is "="
constexpr std::size_t kUUDigits = 64;
constexpr int kUULineBytes = 45;

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Position of c among the first `count` characters of the table, or npos.
std::size_t FindIn(std::string_view table, std::size_t count, char c) {
  return table.substr(0, count).find(c);
}

bool AllInTable(std::string_view text, std::string_view table) {
  for (char c : text) {
    if (table.find(c) == std::string_view::npos) return false;
  }
  return true;
}

[[noreturn]] void RaiseInvalidInput(const TStringFormat& format) {
  throw EStringFormat(Format(SStringFormatInvalidInput, {format.Name()}));
}

// Four six-bit digits per three bytes, most significant bits first; a short group is padded with zero
// bits and still gives four digits.
void EncodeGroup(std::string_view table, const unsigned char* bytes, std::size_t count, AnsiString& out) {
  Cardinal v = 0;
  for (std::size_t i = 0; i < 3; ++i) v = (v << 8) | (i < count ? bytes[i] : 0u);
  out += table[(v >> 18) & 63];
  out += table[(v >> 12) & 63];
  out += table[(v >> 6) & 63];
  out += table[v & 63];
}

class Registry {
 public:
  Registry() {
    defaults_[0] = &TStringFormat::Instance();
    defaults_[1] = &TStringFormat_HEX::Instance();
    defaults_[2] = &TStringFormat_HEXL::Instance();
    defaults_[3] = &TStringFormat_MIME64::Instance();
    defaults_[4] = &TStringFormat_UU::Instance();
    defaults_[5] = &TStringFormat_XX::Instance();
    formats_.assign(std::begin(defaults_), std::end(defaults_));
  }

  void Register(const TStringFormat* format) {
    if (format == nullptr || format->Id() == -1) return;
    for (auto& entry : formats_) {
      if (entry->Id() == format->Id()) {
        entry = format;
        return;
      }
    }
    formats_.push_back(format);
  }

  void RegisterDefaults() {
    for (const TStringFormat* f : defaults_) Register(f);
  }

  // The defaults occupy the first six slots for good: registering replaces in place or appends.
  void Reset() noexcept {
    formats_.erase(formats_.begin() + kDefaultCount, formats_.end());
    std::copy(std::begin(defaults_), std::end(defaults_), formats_.begin());
  }

  const TStringFormat* Find(Integer id) const {
    if (id == StringFormatDefault) id = StringFormatDefaultId;
    for (const TStringFormat* f : formats_) {
      if (f->Id() == id) return f;
    }
    return nullptr;
  }

 private:
  static constexpr std::size_t kDefaultCount = 6;
  const TStringFormat* defaults_[kDefaultCount] = {};
  std::vector<const TStringFormat*> formats_;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

// The bytes a caller passes: a negative length means a zero-terminated string.
std::string_view InputOf(const void* data, Integer length) {
  if (data == nullptr || length == 0) return {};
  if (length < 0) return std::string_view(static_cast<const char*>(data));
  return std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(length));
}

const TStringFormat& FindOrRaise(Integer formatId) {
  const TStringFormat* format = FindStringFormat(formatId);
  if (format == nullptr) throw EStringFormat(Format(SStringFormatNotExists, {formatId}));
  return *format;
}

}  // namespace

// ---- copy ----

const TStringFormat& TStringFormat::Instance() {
  static const TStringFormat instance;
  return instance;
}
AnsiString TStringFormat::Decode(std::string_view text) const { return AnsiString(text); }
AnsiString TStringFormat::Encode(std::string_view bytes) const { return AnsiString(bytes); }
const char* TStringFormat::Name() const { return "copy Input to Output"; }
Integer TStringFormat::Id() const { return StringFormatCopy; }
bool TStringFormat::IsValid(std::string_view, bool) const { return true; }

// ---- HEX ----

const TStringFormat_HEX& TStringFormat_HEX::Instance() {
  static const TStringFormat_HEX instance;
  return instance;
}
const char* TStringFormat_HEX::Name() const { return "Hexadecimal"; }
Integer TStringFormat_HEX::Id() const { return StringFormatHEX; }
std::string_view TStringFormat_HEX::CharTable() const { return kHexTable; }

bool TStringFormat_HEX::IsValid(std::string_view text, bool decoding) const {
  return !decoding || AllInTable(text, CharTable());
}

AnsiString TStringFormat_HEX::Encode(std::string_view bytes) const {
  const std::string_view table = CharTable();
  AnsiString out;
  out.reserve(bytes.size() * 2);
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    out += table[b >> 4];
    out += table[b & 15];
  }
  return out;
}

AnsiString TStringFormat_HEX::Decode(std::string_view text) const {
  // Digits are matched without regard to case, so that the lower-case table of HEXL decodes its own
  // "ab" as well as "AB" (both are valid input of either format).
  std::array<char, kHexDollar + 1> digits{};
  const std::string_view table = CharTable();
  for (std::size_t i = 0; i < digits.size(); ++i) digits[i] = AsciiUpper(table[i]);
  const std::string_view lookup(digits.data(), digits.size());

  AnsiString out;
  out.reserve(text.size() / 2 + 1);
  bool restarted = false;
  bool pending = false;
  unsigned value = 0;
  for (char ch : text) {
    const std::size_t pos = lookup.find(AsciiUpper(ch));
    if (pos == std::string_view::npos) continue;
    if (pos == kHexDollar) {
      if (!restarted) {
        restarted = true;
        out.clear();
        pending = false;
      }
      continue;
    }
    if (!pending) {
      value = (static_cast<unsigned>(pos) << 4) & 0xFF;
      pending = true;
    } else {
      out += static_cast<char>((value | static_cast<unsigned>(pos)) & 0xFF);
      pending = false;
    }
  }
  if (pending) out += static_cast<char>(value);
  return out;
}

// ---- HEXL ----

const TStringFormat_HEXL& TStringFormat_HEXL::Instance() {
  static const TStringFormat_HEXL instance;
  return instance;
}
const char* TStringFormat_HEXL::Name() const { return "Hexadecimal lowercase"; }
Integer TStringFormat_HEXL::Id() const { return StringFormatHEXL; }
std::string_view TStringFormat_HEXL::CharTable() const { return kHexLTable; }

// ---- MIME64 ----

const TStringFormat_MIME64& TStringFormat_MIME64::Instance() {
  static const TStringFormat_MIME64 instance;
  return instance;
}
const char* TStringFormat_MIME64::Name() const { return "MIME Base 64"; }
Integer TStringFormat_MIME64::Id() const { return StringFormatMIME64; }
std::string_view TStringFormat_MIME64::CharTable() const { return kMime64Table; }

AnsiString TStringFormat_MIME64::Encode(std::string_view bytes) const {
  const std::string_view table = CharTable();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  AnsiString out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) EncodeGroup(table, p + i, 3, out);
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    EncodeGroup(table, p + i, rest, out);
    out[out.size() - 1] = table[kMimeDigits];
    if (rest == 1) out[out.size() - 2] = table[kMimeDigits];
  }
  return out;
}

AnsiString TStringFormat_MIME64::Decode(std::string_view text) const {
  // Characters without a value (spaces, line breaks, ...) are dropped before the input is padded to
  // whole groups, so that a line break after the last group does not count as missing digits.
  const std::string_view table = CharTable();
  std::vector<unsigned char> digits;
  digits.reserve(text.size() + 3);
  for (char ch : text) {
    const std::size_t pos = FindIn(table, kMimeDigits + 1, ch);
    if (pos != std::string_view::npos) digits.push_back(static_cast<unsigned char>(pos));
  }
  while (digits.size() % 4 != 0) digits.push_back(kMimeDigits);

  AnsiString out;
  out.reserve(digits.size() / 4 * 3);
  std::size_t padding = 0;
  for (std::size_t i = 0; i < digits.size(); i += 4) {
    Cardinal v = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      const unsigned d = digits[i + k];
      if (d == kMimeDigits) ++padding;
      v = (v << 6) | (d == kMimeDigits ? 0u : d);
    }
    out += static_cast<char>((v >> 16) & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
    out += static_cast<char>(v & 0xFF);
  }
  out.resize(padding >= out.size() ? 0 : out.size() - padding);
  return out;
}

// ---- UU ----

const TStringFormat_UU& TStringFormat_UU::Instance() {
  static const TStringFormat_UU instance;
  return instance;
}
const char* TStringFormat_UU::Name() const { return "UU Coding"; }
Integer TStringFormat_UU::Id() const { return StringFormatUU; }
std::string_view TStringFormat_UU::CharTable() const { return kUUTable; }

bool TStringFormat_UU::IsValid(std::string_view text, bool decoding) const {
  if (!decoding) return true;
  const std::string_view table = CharTable();
  if (!AllInTable(text, table)) return false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t lineBytes = table.find(text[pos]);
    if (lineBytes > static_cast<std::size_t>(kUULineBytes)) return false;
    ++pos;
    const std::size_t digits = (lineBytes * 4 + 2) / 3;
    if (digits > text.size() - pos) return false;  // the input ends inside a line
    for (std::size_t k = 0; k < digits; ++k) {
      if (table.find(text[pos + k]) >= kUUDigits) return false;
    }
    pos += digits;
  }
  return true;
}

AnsiString TStringFormat_UU::Encode(std::string_view bytes) const {
  const std::string_view table = CharTable();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  AnsiString out;
  for (std::size_t line = 0; line < bytes.size(); line += kUULineBytes) {
    const std::size_t count = std::min<std::size_t>(kUULineBytes, bytes.size() - line);
    out += table[count];
    for (std::size_t i = 0; i < count; i += 3) EncodeGroup(table, p + line + i, std::min<std::size_t>(3, count - i), out);
  }
  return out;
}

AnsiString TStringFormat_UU::Decode(std::string_view text) const {
  const std::string_view table = CharTable();
  AnsiString out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t lineBytes = FindIn(table, kUUDigits, text[pos]);
    if (lineBytes > static_cast<std::size_t>(kUULineBytes)) RaiseInvalidInput(*this);
    ++pos;
    for (std::size_t done = 0; done < lineBytes && pos < text.size(); done += 3) {
      // Four digits make three bytes; characters between them are skipped. Input that ends inside
      // a group gives only the bytes its digits cover (a last line may stop after its last digit).
      Cardinal v = 0;
      std::size_t digits = 0;
      for (int k = 0; k < 4; ++k) {
        Cardinal digit = 0;
        while (pos < text.size()) {
          const std::size_t d = FindIn(table, kUUDigits, text[pos++]);
          if (d != std::string_view::npos) {
            digit = static_cast<Cardinal>(d);
            ++digits;
            break;
          }
        }
        v = (v << 6) | digit;
      }
      const std::size_t keep = std::min({std::size_t{3}, lineBytes - done, digits * 6 / 8});
      for (std::size_t k = 0; k < keep; ++k) out += static_cast<char>((v >> (16 - 8 * k)) & 0xFF);
    }
  }
  return out;
}

// ---- XX ----

const TStringFormat_XX& TStringFormat_XX::Instance() {
  static const TStringFormat_XX instance;
  return instance;
}
const char* TStringFormat_XX::Name() const { return "XX Coding"; }
Integer TStringFormat_XX::Id() const { return StringFormatXX; }
std::string_view TStringFormat_XX::CharTable() const { return kXXTable; }

// ---- registry and conversions ----

void RegisterFormatClasses(std::initializer_list<const TStringFormat*> formats) {
  for (const TStringFormat* f : formats) TheRegistry().Register(f);
}

void RegisterStringFormats() { TheRegistry().RegisterDefaults(); }

void ResetStringFormats() noexcept { TheRegistry().Reset(); }

const TStringFormat* FindStringFormat(Integer id) { return TheRegistry().Find(id); }

AnsiString EncodeStringFormat(const void* bytes, Integer length, Integer formatId) {
  const std::string_view input = InputOf(bytes, length);
  if (input.empty() || formatId == 0) return {};
  const TStringFormat& format = FindOrRaise(formatId);
  if (!format.IsValid(input, false)) throw EStringFormat(Format(SStringFormatCannotConvert, {format.Name()}));
  return format.Encode(input);
}

AnsiString DecodeStringFormat(const void* text, Integer length, Integer formatId) {
  const std::string_view input = InputOf(text, length);
  if (input.empty() || formatId == 0) return {};
  const TStringFormat& format = FindOrRaise(formatId);
  if (!format.IsValid(input, true)) RaiseInvalidInput(format);
  return format.Decode(input);
}

AnsiString EncodeStringFormat(std::string_view bytes, Integer formatId) {
  return EncodeStringFormat(bytes.data(), CheckedCast<Integer>(bytes.size()), formatId);
}

AnsiString DecodeStringFormat(std::string_view text, Integer formatId) {
  return DecodeStringFormat(text.data(), CheckedCast<Integer>(text.size()), formatId);
}

Cardinal Crc32Update(Cardinal crc, const void* data, Integer length) {
  if (data == nullptr || length <= 0) return crc;
  // zlib's crc32 runs the same reflected register, inverted before and after: inverting around the
  // call leaves the bare register this function defines (the table of 0xEDB88320, byte at a time, start and end as given).
  return ~static_cast<Cardinal>(
      crc32(~crc & 0xFFFFFFFFul, static_cast<const Bytef*>(data), static_cast<uInt>(length)));
}

Cardinal Crc32Update(Cardinal crc, std::string_view data) {
  return Crc32Update(crc, data.data(), CheckedCast<Integer>(data.size()));
}
