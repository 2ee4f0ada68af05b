#include <windows.h>

#include "vcl/rtl/FileSearch.h"
#include "vcl/rtl/TextConv.h"

struct TSearchRec::State {
  HANDLE handle = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW data{};
};

namespace {

// Copies the current entry into rec unless the mask excludes it; false when it was skipped.
bool TakeEntry(TSearchRec& rec) {
  const WIN32_FIND_DATAW& d = rec.state->data;
  const Integer attr = static_cast<Integer>(d.dwFileAttributes & 0xFF);
  if ((attr & rec.ExcludeAttr) != 0) return false;
  rec.Attr = attr;
  rec.Size = static_cast<Int64>((static_cast<UInt64>(d.nFileSizeHigh) << 32) | d.nFileSizeLow);
  rec.Name = Utf16ToCp1250(reinterpret_cast<const char16_t*>(d.cFileName));
  return true;
}

Integer NextMatching(TSearchRec& rec) {
  while (FindNextFileW(rec.state->handle, &rec.state->data)) {
    if (TakeEntry(rec)) return 0;
  }
  const DWORD error = GetLastError();
  return error == ERROR_NO_MORE_FILES ? kErrorNoMoreFiles : static_cast<Integer>(error);
}

}  // namespace

Integer FindFirst(const AnsiString& path, Integer attr, TSearchRec& rec) {
  FindClose(rec);
  rec.ExcludeAttr = ~attr & (faHidden | faSysFile | faDirectory);
  const WideString wide = Cp1250ToUtf16(path);
  const std::wstring name(wide.begin(), wide.end());
  std::unique_ptr<TSearchRec::State, TSearchRec::StateDeleter> state(new TSearchRec::State);
  state->handle = FindFirstFileW(name.c_str(), &state->data);
  if (state->handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_NO_MORE_FILES ? kErrorFileNotFound : static_cast<Integer>(error);
  }
  rec.state = std::move(state);
  if (TakeEntry(rec)) return 0;
  const Integer result = NextMatching(rec);
  if (result != 0) FindClose(rec);
  return result == kErrorNoMoreFiles ? kErrorFileNotFound : result;
}

Integer FindNext(TSearchRec& rec) {
  if (!rec.state) return kErrorNoMoreFiles;
  return NextMatching(rec);
}

void TSearchRec::StateDeleter::operator()(State* state) const noexcept {
  if (state->handle != INVALID_HANDLE_VALUE) ::FindClose(state->handle);
  delete state;
}

void FindClose(TSearchRec& rec) noexcept { rec.state.reset(); }
