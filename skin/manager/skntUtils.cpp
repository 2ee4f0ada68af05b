#include "skin/manager/skntUtils.h"

#include <cctype>

#include "vcl/rtl/NumConv.h"

namespace {

// The start (0-based) and length of the n-th word; npos when absent.
std::pair<size_t, size_t> FindWord(Integer n, std::string_view text, const TCharSet& delimiters) {
  if (n < 1) return {std::string_view::npos, 0};
  Integer count = 0;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && delimiters.Contains(text[i])) ++i;
    if (i == text.size()) break;
    const size_t start = i;
    while (i < text.size() && !delimiters.Contains(text[i])) ++i;
    if (++count == n) return {start, i - start};
  }
  return {std::string_view::npos, 0};
}

bool IsHexPrefixed(std::string_view s) { return s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'); }

// Optional sign and decimal digits only: the general conversion would also take "$1F" or "x1F".
bool IsDecimalText(std::string_view s) {
  size_t i = (!s.empty() && (s[0] == '-' || s[0] == '+')) ? 1 : 0;
  if (i == s.size()) return false;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
  }
  return true;
}

}  // namespace

Integer WordPosition(Integer n, std::string_view text, const TCharSet& delimiters) {
  const auto [start, length] = FindWord(n, text, delimiters);
  return start == std::string_view::npos ? 0 : static_cast<Integer>(start + 1);
}

AnsiString GetWordBySet(Integer n, std::string_view text, const TCharSet& delimiters) {
  const auto [start, length] = FindWord(n, text, delimiters);
  return start == std::string_view::npos ? AnsiString() : AnsiString(text.substr(start, length));
}

Integer WordAsInt(Integer n, std::string_view text, const TCharSet& delimiters) {
  const AnsiString word = GetWordBySet(n, text, delimiters);
  Integer value = 0;
  return IsDecimalText(word) && TryStrToInt(word, value) ? value : 0;
}

Integer WordCount(std::string_view text, const TCharSet& delimiters) {
  Integer count = 0;
  bool inWord = false;
  for (char c : text) {
    const bool delimiter = delimiters.Contains(c);
    if (!delimiter && !inWord) ++count;
    inWord = !delimiter;
  }
  return count;
}

AnsiString DeleteCharFromStr(std::string_view text, char c) {
  AnsiString result;
  result.reserve(text.size());
  for (char ch : text) {
    if (ch != c) result += ch;
  }
  return result;
}

AnsiString ReplaceSubstr(std::string_view text, std::string_view oldText, std::string_view newText) {
  if (oldText.empty()) return AnsiString(text);
  AnsiString result;
  size_t from = 0;
  for (size_t at = text.find(oldText); at != std::string_view::npos; at = text.find(oldText, from)) {
    result.append(text.substr(from, at - from)).append(newText);
    from = at + oldText.size();
  }
  result.append(text.substr(from));
  return result;
}

AnsiString IncludeTrailingSeparator(const AnsiString& path) {
  if (path.empty() || path.back() == '\\') return path;
  if (path.back() == '/') return path.substr(0, path.size() - 1) + '\\';
  return path + (path.size() == 1 ? ":\\" : "\\");
}

TIniSections ParseIniSections(const std::vector<AnsiString>& lines) {
  TIniSections sections;
  for (const AnsiString& line : lines) {
    if (line.empty() || line[0] == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      sections.push_back({line.substr(1, line.size() - 2), {}});
    } else if (!sections.empty()) {
      sections.back().Lines.push_back(line);
    }
  }
  return sections;
}

AnsiString IniValueFromSections(const TIniSections& sections, std::string_view section, std::string_view key,
                                const AnsiString& defaultValue) {
  for (const TIniSection& s : sections) {
    if (s.Name != section) continue;
    for (const AnsiString& line : s.Lines) {
      if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 && line[key.size()] == '=') {
        return line.substr(key.size() + 1);
      }
    }
    break;
  }
  return defaultValue;
}

Integer IniIntFromSections(const TIniSections& sections, std::string_view section, Integer defaultValue,
                           std::string_view key) {
  const AnsiString text = IniValueFromSections(sections, section, key, AnsiString());
  Integer value = 0;
  if (IsHexPrefixed(text)) {
    // The digits must be hex digits only; the conversion reads "0x" itself.
    for (size_t i = 2; i < text.size(); ++i) {
      if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return defaultValue;
    }
    return TryStrToInt(text, value) ? value : defaultValue;
  }
  return IsDecimalText(text) && TryStrToInt(text, value) ? value : defaultValue;
}
