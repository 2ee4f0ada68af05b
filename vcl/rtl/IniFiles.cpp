#include "vcl/rtl/IniFiles.h"

#include <algorithm>

#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/FileUtils.h"
#include "vcl/rtl/FormatSettings.h"
#include "vcl/rtl/NumConv.h"
#include "vcl/rtl/StrUtils.h"
#include "vcl/rtl/Strings.h"

namespace {

TFormatSettings InvariantSettings() {
  TFormatSettings settings = EnglishFormatSettings();
  settings.DecimalSeparator = '.';
  settings.ThousandSeparator = ',';
  return settings;
}

}  // namespace

TMemIniFile::TMemIniFile(const AnsiString& fileName, bool caseSensitive)
    : fileName_(fileName), caseSensitive_(caseSensitive) {
  if (fileName_.empty() || !FileExists(fileName_)) return;
  TStringList lines;
  lines.LoadFromFile(fileName_);
  SetStrings(lines);
}

bool TMemIniFile::SameName(std::string_view a, std::string_view b) const {
  return caseSensitive_ ? a == b : AnsiSameText(a, b);
}

const TMemIniFile::Section* TMemIniFile::FindSection(std::string_view name) const {
  for (const Section& s : sections_)
    if (SameName(s.name, name)) return &s;
  return nullptr;
}

TMemIniFile::Section& TMemIniFile::SectionForWrite(std::string_view name) {
  if (const Section* s = FindSection(name)) return const_cast<Section&>(*s);
  sections_.push_back(Section{AnsiString(name), {}});
  return sections_.back();
}

const AnsiString* TMemIniFile::FindValue(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return nullptr;
  for (const auto& [name, value] : s->entries)
    if (SameName(name, key)) return &value;
  return nullptr;
}

AnsiString TMemIniFile::ReadString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue) const {
  const AnsiString* value = FindValue(section, key);
  return value != nullptr ? *value : AnsiString(defaultValue);
}

Integer TMemIniFile::ReadInteger(std::string_view section, std::string_view key, Integer defaultValue) const {
  const AnsiString* value = FindValue(section, key);
  if (value == nullptr || value->empty()) return defaultValue;
  std::string_view text = *value;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    return StrToIntDef("$" + AnsiString(text.substr(2)), defaultValue);
  return StrToIntDef(text, defaultValue);
}

double TMemIniFile::ReadFloat(std::string_view section, std::string_view key, double defaultValue) const {
  const AnsiString* value = FindValue(section, key);
  if (value == nullptr || value->empty()) return defaultValue;
  double result = 0;
  if (TryStrToFloat(*value, result, InvariantSettings())) return result;
  if (TryStrToFloat(*value, result, FormatSettings())) return result;
  return defaultValue;
}

bool TMemIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TMemIniFile::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

bool TMemIniFile::ValueExists(std::string_view section, std::string_view key) const {
  return FindValue(section, key) != nullptr;
}

void TMemIniFile::ReadSection(std::string_view section, TStrings& keys) const {
  keys.BeginUpdate();
  try {
    keys.Clear();
    if (const Section* s = FindSection(section))
      for (const auto& entry : s->entries) keys.Add(entry.first);
  } catch (...) {
    keys.EndUpdate();
    throw;
  }
  keys.EndUpdate();
}

void TMemIniFile::ReadSections(TStrings& sections) const {
  sections.BeginUpdate();
  try {
    sections.Clear();
    for (const Section& s : sections_) sections.Add(s.name);
  } catch (...) {
    sections.EndUpdate();
    throw;
  }
  sections.EndUpdate();
}

void TMemIniFile::ReadSectionValues(std::string_view section, TStrings& values) const {
  values.BeginUpdate();
  try {
    values.Clear();
    if (const Section* s = FindSection(section))
      for (const auto& [name, value] : s->entries) values.Add(name + "=" + value);
  } catch (...) {
    values.EndUpdate();
    throw;
  }
  values.EndUpdate();
}

void TMemIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  Section& s = SectionForWrite(section);
  for (auto& [name, old] : s.entries) {
    if (SameName(name, key)) {
      old = AnsiString(value);
      return;
    }
  }
  s.entries.emplace_back(AnsiString(key), AnsiString(value));
}

void TMemIniFile::WriteInteger(std::string_view section, std::string_view key, Integer value) {
  WriteString(section, key, IntToStr(value));
}

void TMemIniFile::WriteFloat(std::string_view section, std::string_view key, double value) {
  WriteString(section, key, FloatToStr(value, InvariantSettings()));
}

void TMemIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TMemIniFile::EraseSection(std::string_view section) {
  std::erase_if(sections_, [&](const Section& s) { return SameName(s.name, section); });
}

void TMemIniFile::DeleteKey(std::string_view section, std::string_view key) {
  const Section* found = FindSection(section);
  if (found == nullptr) return;
  auto& entries = const_cast<Section*>(found)->entries;
  auto it = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return SameName(e.first, key); });
  if (it != entries.end()) entries.erase(it);
}

void TMemIniFile::Clear() { sections_.clear(); }

void TMemIniFile::GetStrings(TStrings& lines) const {
  lines.BeginUpdate();
  try {
    lines.Clear();
    for (const Section& s : sections_) {
      lines.Add("[" + s.name + "]");
      for (const auto& [name, value] : s.entries) lines.Add(name + "=" + value);
      lines.Add("");
    }
  } catch (...) {
    lines.EndUpdate();
    throw;
  }
  lines.EndUpdate();
}

void TMemIniFile::SetStrings(const TStrings& lines) {
  std::vector<Section> parsed;
  Section* current = nullptr;
  for (int i = 0; i < lines.Count(); ++i) {
    const AnsiString line = Trim(lines.Strings(i));
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      const AnsiString name = Trim(std::string_view(line).substr(1, line.size() - 2));
      current = nullptr;
      for (Section& s : parsed)
        if (SameName(s.name, name)) current = &s;  // a repeated section goes on where the first stopped
      if (current == nullptr) {
        parsed.push_back(Section{name, {}});
        current = &parsed.back();
      }
      continue;
    }
    if (current == nullptr) continue;  // text before the first section belongs to none
    const std::size_t eq = line.find('=');
    if (eq == AnsiString::npos) {
      current->entries.emplace_back(line, AnsiString());
    } else {
      current->entries.emplace_back(Trim(std::string_view(line).substr(0, eq)),
                                    Trim(std::string_view(line).substr(eq + 1)));
    }
  }
  sections_ = std::move(parsed);
}

void TMemIniFile::UpdateFile() const {
  if (fileName_.empty()) return;
  TStringList lines;
  GetStrings(lines);
  lines.SaveToFile(fileName_);
}
