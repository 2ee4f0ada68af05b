// Listing the files of a folder that match a wildcard pattern ("C:\skins\*.zip", "dir/*"), one entry
// at a time: FindFirst opens the search and gives the first entry, FindNext the following ones,
// FindClose ends it. Entries with the hidden, system or folder attribute are listed only when the
// attribute mask asks for them; "." and ".." are entries like the others, as Windows lists them.
// Names are Windows-1250. Patterns take "*" and "?", compared without regard to case.
#pragma once
#include <memory>
#include "vcl/rtl/SysTypes.h"

inline constexpr Integer faReadOnly = 0x01;
inline constexpr Integer faHidden = 0x02;
inline constexpr Integer faSysFile = 0x04;
inline constexpr Integer faDirectory = 0x10;
inline constexpr Integer faArchive = 0x20;
inline constexpr Integer faAnyFile = 0x3F;

// The results of FindFirst/FindNext: 0, or the OS error code of the failure.
inline constexpr Integer kErrorFileNotFound = 2;
inline constexpr Integer kErrorPathNotFound = 3;
inline constexpr Integer kErrorNoMoreFiles = 18;

struct TSearchRec {
  TSearchRec();
  ~TSearchRec();
  TSearchRec(TSearchRec&&) noexcept;
  TSearchRec& operator=(TSearchRec&&) noexcept;

  AnsiString Name;     // the entry's name without its folder
  Int64 Size = 0;      // bytes (0 for folders)
  Integer Attr = 0;    // fa* bits
  Integer ExcludeAttr = 0;

  struct State;  // the open search (platform)
  struct StateDeleter {
    void operator()(State* state) const noexcept;  // closes the search
  };
  std::unique_ptr<State, StateDeleter> state;
};

// 0 and the first entry, or an error code (kErrorFileNotFound when nothing matches); the search is
// left closed on failure.
Integer FindFirst(const AnsiString& path, Integer attr, TSearchRec& rec);
// 0 and the next entry, or kErrorNoMoreFiles.
Integer FindNext(TSearchRec& rec);
// Ends the search (also for a closed one).
void FindClose(TSearchRec& rec) noexcept;
