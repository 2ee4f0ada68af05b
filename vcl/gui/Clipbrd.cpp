#include "vcl/gui/Clipbrd.h"

#include <cstring>

#include "vcl/gui/Application.h"
#include "vcl/rtl/TextConv.h"

namespace {

// The window that owns what this process puts on the clipboard.
HWND OwnerWindow() { return Application != nullptr ? Application->Handle() : nullptr; }

}  // namespace

TClipboard::~TClipboard() {
  if (openCount_ > 0) CloseClipboard();
}

TClipboard& Clipboard() {
  static TClipboard clipboard;
  return clipboard;
}

bool TClipboard::HasFormat(UINT format) const { return IsClipboardFormatAvailable(format) != 0; }

void TClipboard::Open() {
  if (openCount_ == 0) {
    // Another program may hold the clipboard for a moment; try a few times before giving up.
    bool opened = false;
    for (int attempt = 0; attempt < 5 && !opened; ++attempt) {
      opened = OpenClipboard(OwnerWindow()) != 0;
      if (!opened) Sleep(10);
    }
    if (!opened) throw EClipboardError("Cannot open clipboard");
    emptied_ = false;
  }
  ++openCount_;
}

void TClipboard::Close() {
  if (openCount_ == 0) return;
  if (--openCount_ == 0) CloseClipboard();
}

void TClipboard::Clear() {
  Open();
  EmptyClipboard();
  emptied_ = true;
  Close();
}

AnsiString TClipboard::AsText() {
  Open();
  AnsiString result;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* text = static_cast<const char16_t*>(GlobalLock(data))) {
      // Bounded by the block's size: the data need not end in a NUL.
      const std::size_t units = GlobalSize(data) / sizeof(char16_t);
      std::size_t length = 0;
      while (length < units && text[length] != u'\0') ++length;
      result = Utf16ToCp1250(std::u16string_view(text, length));
      GlobalUnlock(data);
    }
  }
  Close();
  return result;
}

void TClipboard::SetAsText(const AnsiString& value) {
  const WideString wide = Cp1250ToUtf16(value);
  const std::size_t bytes = (wide.size() + 1) * sizeof(char16_t);
  HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (data == nullptr) throw EOutOfMemory("Out of memory");
  void* block = GlobalLock(data);
  if (block == nullptr) {
    GlobalFree(data);
    throw EOutOfMemory("Out of memory");
  }
  std::memcpy(block, wide.c_str(), bytes);
  GlobalUnlock(data);
  try {
    Open();
  } catch (...) {
    GlobalFree(data);
    throw;
  }
  if (!emptied_) {
    EmptyClipboard();
    emptied_ = true;
  }
  // The clipboard owns the block once SetClipboardData succeeds.
  const bool stored = SetClipboardData(CF_UNICODETEXT, data) != nullptr;
  if (!stored) GlobalFree(data);
  Close();
  if (!stored) throw EClipboardError("Cannot put the text on the clipboard");
}
