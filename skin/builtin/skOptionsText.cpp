#include "skin/builtin/skOptionsText.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include "skin/manager/sSkinOptions.h"
#include "vcl/rtl/Exceptions.h"

namespace {

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

}  // namespace

const std::string* TskOptionsSection::Find(const std::string& key) const {
  for (const auto& [k, v] : Keys)
    if (k == key) return &v;
  return nullptr;
}

const TskOptionsSection* TskOptionsText::Find(const std::string& name) const {
  for (const TskOptionsSection& s : Sections)
    if (s.Name == name) return &s;
  return nullptr;
}

const std::string* TskOptionsText::Lookup(const std::string& section, const std::string& key) const {
  std::set<std::string> visited;
  const TskOptionsSection* s = Find(section);
  while (s && visited.insert(s->Name).second) {
    if (const std::string* v = s->Find(key)) return v;
    const std::string* parent = s->Find("PARENTCLASS");
    s = parent ? Find(*parent) : nullptr;
  }
  return nullptr;
}

std::string WriteOptionsText(const TskOptionsText& options) {
  std::string out;
  for (const TskOptionsSection& s : options.Sections) {
    out += "[" + s.Name + "]\r\n";
    for (const auto& [k, v] : s.Keys) out += k + "=" + v + "\r\n";
    out += "\r\n";
  }
  return out;
}

TskOptionsText ParseOptionsText(const std::string& text) {
  TskOptionsText out;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trim(text.substr(at, end - at));
    at = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      out.Sections.push_back({line.substr(1, line.size() - 2), {}});
    } else if (const size_t eq = line.find('='); eq != std::string::npos && !out.Sections.empty()) {
      out.Sections.back().Keys.emplace_back(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
    }
  }
  return out;
}

TRect TskMaskValue::StateRect(int state) const {
  const int w = StateWidth(), h = StateHeight();
  const int i = std::clamp(state, 0, std::max(Count, 1) - 1);
  return {R.Left + i * w, R.Top, R.Left + (i + 1) * w, R.Top + h};
}

std::string FormatMaskValue(const TskMaskValue& m) {
  char buf[64];
  if (m.Form == TskMaskForm::Glyph)
    std::snprintf(buf, sizeof buf, "@%04d@%04d@%04d@%04d@%d@%d", m.R.Left, m.R.Top, m.R.Right, m.R.Bottom, m.Count, m.Type);
  else
    std::snprintf(buf, sizeof buf, "^%04d^%04d^%04d^%04d^%04d^%04d^%04d^%04d^%d^%d^%d^%d", m.R.Left, m.R.Top, m.R.Right,
                  m.R.Bottom, m.WL, m.WT, m.WR, m.WB, m.Count, m.Type, m.DrawMode, m.CommonWidth);
  return buf;
}

std::optional<TskMaskValue> ParseMaskValue(const std::string& value) {
  // The skin reader's own parser reads the fields; a value counts when it is written exactly as
  // FormatMaskValue writes it (digits and separators only, zero-padded, nothing after the last field).
  if (value.size() < 2 || (value[0] != '@' && value[0] != '^')) return std::nullopt;
  if (value.find_first_not_of(std::string("0123456789") + value[0]) != std::string::npos) return std::nullopt;
  TsMaskValue read;
  try {
    read = ::ParseMaskValue(value, 8.0);
  } catch (const Exception&) {
    return std::nullopt;  // a column the value does not reach
  }
  TskMaskValue m;
  m.Form = read.Form == TsMaskForm::Glyph ? TskMaskForm::Glyph : TskMaskForm::Borders;
  m.R = read.R;
  m.Count = read.ImageCount;
  m.Type = read.MaskType;
  m.WL = read.WL;
  m.WT = read.WT;
  m.WR = read.WR;
  m.WB = read.WB;
  m.DrawMode = read.DrawMode;
  m.CommonWidth = read.BorderWidth;
  if (FormatMaskValue(m) != value) return std::nullopt;
  return m;
}
