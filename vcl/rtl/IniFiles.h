// TMemIniFile: an INI text held in memory: "[SECTION]" lines open sections, "KEY=VALUE" lines under
// them are entries; blank lines and lines starting with ";" are skipped, and blanks around names and
// values are dropped. Section and key names compare without regard to case unless CaseSensitive is on
// (a skin's options text keeps "Color" and "COLOR" apart). The text comes from a file (read at
// construction when it exists) or from SetStrings, and goes back to the file only with UpdateFile.
// Numbers are written and read in the invariant form ("." decimals) whatever the user's locale; a float
// written with the locale's separator is read too.
#pragma once
#include <string_view>
#include <utility>
#include <vector>
#include "vcl/rtl/Object.h"

class TStrings;

class TMemIniFile : public TObject {
 public:
  // An empty name keeps the text in memory only. The file is read in Windows-1250.
  explicit TMemIniFile(const AnsiString& fileName = AnsiString(), bool caseSensitive = false);

  const AnsiString& FileName() const { return fileName_; }
  bool CaseSensitive() const { return caseSensitive_; }
  // Switching merges nothing: sections and keys that differ only in case stay apart either way, and
  // lookups take the first match.
  void SetCaseSensitive(bool value) { caseSensitive_ = value; }

  // ---- reading (the default when the section or key is missing) ----
  AnsiString ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
  // Decimal, or hexadecimal after "0x" / "$"; the default also for a value that is no number.
  Integer ReadInteger(std::string_view section, std::string_view key, Integer defaultValue) const;
  double ReadFloat(std::string_view section, std::string_view key, double defaultValue) const;
  // A number: 0 is false, anything else true.
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // The key names of a section / the section names / the "KEY=VALUE" lines of a section, in text order
  // (the list is emptied first).
  void ReadSection(std::string_view section, TStrings& keys) const;
  void ReadSections(TStrings& sections) const;
  void ReadSectionValues(std::string_view section, TStrings& values) const;

  // ---- writing (a missing section or key is added at the end) ----
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, Integer value);
  void WriteFloat(std::string_view section, std::string_view key, double value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  void EraseSection(std::string_view section);
  void DeleteKey(std::string_view section, std::string_view key);
  void Clear();

  // ---- the whole text ----
  void GetStrings(TStrings& lines) const;
  // Replaces the content by the parsed lines.
  void SetStrings(const TStrings& lines);
  // Writes the text to the file (nothing for an empty file name); EFCreateError when that fails.
  void UpdateFile() const;

 private:
  struct Section {
    AnsiString name;
    std::vector<std::pair<AnsiString, AnsiString>> entries;  // key, value
  };
  bool SameName(std::string_view a, std::string_view b) const;
  const Section* FindSection(std::string_view name) const;
  Section& SectionForWrite(std::string_view name);
  const AnsiString* FindValue(std::string_view section, std::string_view key) const;

  AnsiString fileName_;
  bool caseSensitive_;
  std::vector<Section> sections_;
};
