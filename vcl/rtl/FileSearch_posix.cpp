#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <cerrno>

#include "vcl/rtl/FileSearch.h"
#include "vcl/rtl/FileUtils.h"
#include "vcl/rtl/TextConv.h"

struct TSearchRec::State {
  DIR* dir = nullptr;
  std::string folder;   // UTF-8, ends in "/"
  std::string pattern;  // UTF-8
};

namespace {

std::string ToUtf8(const AnsiString& s) { return Utf16ToUtf8(Cp1250ToUtf16(s)); }

// The next entry of the folder that matches the pattern and the mask; false at the end.
bool ReadMatching(TSearchRec& rec) {
  TSearchRec::State& s = *rec.state;
  while (dirent* entry = readdir(s.dir)) {
    const std::string name = entry->d_name;
    if (fnmatch(s.pattern.c_str(), name.c_str(), FNM_NOESCAPE | FNM_CASEFOLD) != 0) continue;
    struct stat st {};
    if (stat((s.folder + name).c_str(), &st) != 0) continue;
    Integer attr = S_ISDIR(st.st_mode) ? faDirectory : faArchive;
    if ((st.st_mode & S_IWUSR) == 0) attr |= faReadOnly;
    if (name.size() > 1 && name[0] == '.' && name != "..") attr |= faHidden;
    if ((attr & rec.ExcludeAttr) != 0) continue;
    rec.Attr = attr;
    rec.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<Int64>(st.st_size);
    rec.Name = Utf16ToCp1250(Utf8ToUtf16(name));
    return true;
  }
  return false;
}

}  // namespace

Integer FindFirst(const AnsiString& path, Integer attr, TSearchRec& rec) {
  FindClose(rec);
  rec.ExcludeAttr = ~attr & (faHidden | faSysFile | faDirectory);
  std::unique_ptr<TSearchRec::State, TSearchRec::StateDeleter> state(new TSearchRec::State);
  state->folder = ToUtf8(ExtractFilePath(path));
  state->pattern = ToUtf8(ExtractFileName(path));
  if (state->pattern == "*.*") state->pattern = "*";  // as on Windows: names without a dot too
  state->dir = opendir(state->folder.empty() ? "." : state->folder.c_str());
  if (state->dir == nullptr) return errno == ENOENT || errno == ENOTDIR ? kErrorPathNotFound : static_cast<Integer>(errno);
  rec.state = std::move(state);
  if (ReadMatching(rec)) return 0;
  FindClose(rec);
  return kErrorFileNotFound;
}

Integer FindNext(TSearchRec& rec) {
  if (!rec.state) return kErrorNoMoreFiles;
  return ReadMatching(rec) ? 0 : kErrorNoMoreFiles;
}

void TSearchRec::StateDeleter::operator()(State* state) const noexcept {
  if (state->dir != nullptr) closedir(state->dir);
  delete state;
}

void FindClose(TSearchRec& rec) noexcept { rec.state.reset(); }
