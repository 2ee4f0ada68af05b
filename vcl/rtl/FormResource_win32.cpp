#include "vcl/rtl/FormResource.h"

#include <windows.h>
#include "vcl/rtl/TextConv.h"

bool FindDefinitionResource(std::string_view name, std::string& text) {
  WideString wide = Utf8ToUtf16(name);
  std::wstring wname(wide.begin(), wide.end());
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC info = FindResourceW(module, wname.c_str(), RT_RCDATA);
  if (!info) return false;
  HGLOBAL handle = LoadResource(module, info);
  DWORD size = SizeofResource(module, info);
  const void* data = handle ? LockResource(handle) : nullptr;
  if (!data) return false;
  text.assign(static_cast<const char*>(data), size);
  // A resource compiler may pad the data with zero bytes; the definition text ends before them.
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return true;
}
