#include "vcl/rtl/FileUtils.h"

#include <string_view>

#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/TextConv.h"

namespace {

#ifdef _WIN32
constexpr bool kHasDrives = true;
#else
constexpr bool kHasDrives = false;
#endif

template <typename Char>
bool IsPathDelimiter(Char c) {
  return c == Char('/') || (kHasDrives && c == Char('\\'));
}

template <typename Char>
bool IsNameDelimiter(Char c) {  // ends the name part: a folder delimiter or a drive's colon
  return IsPathDelimiter(c) || (kHasDrives && c == Char(':'));
}

// Index of the last character of s that satisfies pred, or npos.
template <typename Str, typename Pred>
size_t LastOf(const Str& s, Pred pred) {
  for (size_t i = s.size(); i-- > 0;)
    if (pred(s[i])) return i;
  return Str::npos;
}

template <typename Str>
Str PathOf(const Str& name) {
  const size_t i = LastOf(name, IsNameDelimiter<typename Str::value_type>);
  return i == Str::npos ? Str() : name.substr(0, i + 1);
}

template <typename Str>
Str DirOf(const Str& name) {
  size_t i = LastOf(name, IsNameDelimiter<typename Str::value_type>);
  if (i == Str::npos) return Str();
  // Drop the delimiter unless it is the root's ("\name", "C:\name") or doubled.
  if (i > 0 && IsPathDelimiter(name[i]) && !IsNameDelimiter(name[i - 1])) return name.substr(0, i);
  return name.substr(0, i + 1);
}

template <typename Str>
Str NameOf(const Str& name) {
  const size_t i = LastOf(name, IsNameDelimiter<typename Str::value_type>);
  return i == Str::npos ? name : name.substr(i + 1);
}

template <typename Str>
size_t ExtStart(const Str& name) {
  using Char = typename Str::value_type;
  const size_t i = LastOf(name, [](Char c) { return c == Char('.') || IsNameDelimiter(c); });
  return i != Str::npos && name[i] == Char('.') ? i : Str::npos;
}

template <typename Str>
Str ExtOf(const Str& name) {
  const size_t i = ExtStart(name);
  return i == Str::npos ? Str() : name.substr(i);
}

template <typename Str>
Str ChangeExt(const Str& name, const Str& extension) {
  const size_t i = ExtStart(name);
  return (i == Str::npos ? name : name.substr(0, i)) + extension;
}

template <typename Str>
Str IncludeTrailing(const Str& path) {
  if (!path.empty() && IsPathDelimiter(path.back())) return path;
  return path + static_cast<typename Str::value_type>(os::PathDelimiter());
}

template <typename Str>
Str ExcludeTrailing(const Str& path) {
  if (!path.empty() && IsPathDelimiter(path.back())) return path.substr(0, path.size() - 1);
  return path;
}

WideString Wide(const AnsiString& s) { return Cp1250ToUtf16(s); }

}  // namespace

AnsiString ExtractFilePath(const AnsiString& fileName) { return PathOf(fileName); }
WideString ExtractFilePath(const WideString& fileName) { return PathOf(fileName); }
AnsiString ExtractFileDir(const AnsiString& fileName) { return DirOf(fileName); }
WideString ExtractFileDir(const WideString& fileName) { return DirOf(fileName); }
AnsiString ExtractFileName(const AnsiString& fileName) { return NameOf(fileName); }
WideString ExtractFileName(const WideString& fileName) { return NameOf(fileName); }
AnsiString ExtractFileExt(const AnsiString& fileName) { return ExtOf(fileName); }
WideString ExtractFileExt(const WideString& fileName) { return ExtOf(fileName); }
AnsiString ChangeFileExt(const AnsiString& fileName, const AnsiString& extension) {
  return ChangeExt(fileName, extension);
}
WideString ChangeFileExt(const WideString& fileName, const WideString& extension) {
  return ChangeExt(fileName, extension);
}
AnsiString IncludeTrailingPathDelimiter(const AnsiString& path) { return IncludeTrailing(path); }
WideString IncludeTrailingPathDelimiter(const WideString& path) { return IncludeTrailing(path); }
AnsiString ExcludeTrailingPathDelimiter(const AnsiString& path) { return ExcludeTrailing(path); }
WideString ExcludeTrailingPathDelimiter(const WideString& path) { return ExcludeTrailing(path); }

bool ForceDirectories(const WideString& dir) {
  if (dir.empty()) throw Exception("Unable to create directory");
  const WideString d = ExcludeTrailing(dir);
  if (d.empty() || os::DirectoryExists(d)) return true;  // empty: the root itself
  const WideString parent = PathOf(d);
  if (parent == d) return true;  // a bare drive such as "C:"
  if (!parent.empty() && !ForceDirectories(parent)) return false;
  // Another thread or program may have made it in the meantime.
  return os::CreateDir(d) || os::DirectoryExists(d);
}

bool ForceDirectories(const AnsiString& dir) { return ForceDirectories(Wide(dir)); }
bool FileExists(const AnsiString& fileName) { return os::FileExists(Wide(fileName)); }
bool FileExists(const WideString& fileName) { return os::FileExists(fileName); }
bool DirectoryExists(const AnsiString& dir) { return os::DirectoryExists(Wide(dir)); }
bool DirectoryExists(const WideString& dir) { return os::DirectoryExists(dir); }
bool CreateDir(const AnsiString& dir) { return os::CreateDir(Wide(dir)); }
bool CreateDir(const WideString& dir) { return os::CreateDir(dir); }
bool RemoveDir(const AnsiString& dir) { return os::RemoveDir(Wide(dir)); }
bool RemoveDir(const WideString& dir) { return os::RemoveDir(dir); }
bool DeleteFile(const AnsiString& fileName) { return os::DeleteFile(Wide(fileName)); }
bool DeleteFile(const WideString& fileName) { return os::DeleteFile(fileName); }
bool RenameFile(const AnsiString& oldName, const AnsiString& newName) {
  return os::RenameFile(Wide(oldName), Wide(newName), false);
}
bool RenameFile(const WideString& oldName, const WideString& newName) {
  return os::RenameFile(oldName, newName, false);
}
