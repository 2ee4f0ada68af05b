#include "vcl/rtl/StrUtils.h"

#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/NumConv.h"

namespace {

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

size_t FindFrom(std::string_view s, std::string_view pattern, size_t from, bool ignoreCase) {
  if (!ignoreCase) return s.find(pattern, from);
  for (size_t i = from; i + pattern.size() <= s.size(); ++i)
    if (EqualNoCase(s.substr(i, pattern.size()), pattern)) return i;
  return std::string_view::npos;
}

}  // namespace

AnsiString TrimLeft(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && IsTrimmed(s[i])) ++i;
  return AnsiString(s.substr(i));
}

AnsiString TrimRight(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && IsTrimmed(s[n - 1])) --n;
  return AnsiString(s.substr(0, n));
}

AnsiString Trim(std::string_view s) {
  size_t i = 0;
  size_t n = s.size();
  while (i < n && IsTrimmed(s[i])) ++i;
  while (n > i && IsTrimmed(s[n - 1])) --n;
  return AnsiString(s.substr(i, n - i));
}

Integer PosEx(std::string_view sub, std::string_view s, Integer offset) {
  if (sub.empty() || offset < 1 || static_cast<size_t>(offset) > s.size()) return 0;
  size_t at = s.find(sub, static_cast<size_t>(offset - 1));
  return at == std::string_view::npos ? 0 : static_cast<Integer>(at + 1);
}

Integer Pos(std::string_view sub, std::string_view s) { return PosEx(sub, s, 1); }

AnsiString Copy(std::string_view s, Integer index, Integer count) {
  Int64 start = index < 1 ? 0 : static_cast<Int64>(index) - 1;
  if (count <= 0 || start >= static_cast<Int64>(s.size())) return AnsiString();
  return AnsiString(s.substr(static_cast<size_t>(start), static_cast<size_t>(count)));
}

AnsiString AnsiQuotedStr(std::string_view s, char quote) {
  AnsiString out;
  out.reserve(s.size() + 2);
  out += quote;
  for (char c : s) {
    out += c;
    if (c == quote) out += quote;
  }
  out += quote;
  return out;
}

AnsiString QuotedStr(std::string_view s) { return AnsiQuotedStr(s, '\''); }

AnsiString AnsiDequotedStr(std::string_view s, char quote) {
  if (s.empty() || s[0] != quote) return AnsiString(s);
  AnsiString out;
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i] == quote) {
      if (i + 1 < s.size() && s[i + 1] == quote) {
        out += quote;
        ++i;
      } else {
        return out;  // the closing quote; anything after it is dropped
      }
    } else {
      out += s[i];
    }
  }
  return AnsiString(s);  // no closing quote
}

AnsiString StringReplace(std::string_view s, std::string_view oldPattern, std::string_view newPattern,
                         unsigned flags) {
  if (oldPattern.empty()) return AnsiString(s);
  bool ignoreCase = (flags & rfIgnoreCase) != 0;
  AnsiString out;
  size_t from = 0;
  while (true) {
    size_t at = FindFrom(s, oldPattern, from, ignoreCase);
    if (at == std::string_view::npos) break;
    out.append(s.substr(from, at - from));
    out.append(newPattern);
    from = at + oldPattern.size();
    if ((flags & rfReplaceAll) == 0) break;
  }
  out.append(s.substr(from));
  return out;
}

AnsiString BoolToStr(bool value, bool useBoolStrs) {
  if (useBoolStrs) return value ? "True" : "False";
  return value ? "-1" : "0";
}

bool TryStrToBool(std::string_view s, bool& value) {
  if (EqualNoCase(s, "True")) {
    value = true;
    return true;
  }
  if (EqualNoCase(s, "False")) {
    value = false;
    return true;
  }
  double n;
  if (!TryStrToFloat(s, n)) return false;
  value = n != 0;
  return true;
}

bool StrToBool(std::string_view s) {
  bool v;
  if (!TryStrToBool(s, v)) throw EConvertError("'" + AnsiString(s) + "' is not a valid boolean value");
  return v;
}

bool StrToBoolDef(std::string_view s, bool defaultValue) {
  bool v;
  return TryStrToBool(s, v) ? v : defaultValue;
}

bool SameStr(std::string_view a, std::string_view b) { return a == b; }
