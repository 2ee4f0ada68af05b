#include "vcl/gui/ResourceStream.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "vcl/rtl/Format.h"
#include "vcl/rtl/NumConv.h"
#include "vcl/rtl/TextConv.h"

TResourceStream::TResourceStream(HINSTANCE instance, const AnsiString& name, const wchar_t* type)
    : TResourceStream(instance, reinterpret_cast<const wchar_t*>(Cp1250ToUtf16(name).c_str()), type, name) {}

TResourceStream TResourceStream::FromID(HINSTANCE instance, int id, const wchar_t* type) {
  return TResourceStream(instance, MAKEINTRESOURCEW(id), type, IntToStr(id));
}

TResourceStream::TResourceStream(HINSTANCE instance, const wchar_t* name, const wchar_t* type,
                                 const AnsiString& shownName) {
  HRSRC info = FindResourceW(instance, name, type);
  HGLOBAL handle = info != nullptr ? LoadResource(instance, info) : nullptr;
  const void* data = handle != nullptr ? LockResource(handle) : nullptr;
  if (data == nullptr) throw EResNotFound(Format("Resource %s not found", {shownName}));
  data_ = static_cast<const Byte*>(data);
  size_ = SizeofResource(instance, info);
}

Integer TResourceStream::Read(void* buffer, Integer count) {
  if (count <= 0 || position_ >= size_) return 0;
  const Int64 n = std::min<Int64>(count, size_ - position_);
  std::memcpy(buffer, data_ + position_, static_cast<std::size_t>(n));
  position_ += n;
  return static_cast<Integer>(n);
}

Integer TResourceStream::Write(const void*, Integer) { throw EStreamError("Can't write to a read-only resource stream"); }

void TResourceStream::SetSize(Int64) { throw EStreamError("Can't write to a read-only resource stream"); }

Int64 TResourceStream::Seek(Int64 offset, TSeekOrigin origin) {
  position_ = SeekTarget(offset, origin, position_, size_);
  return position_;
}
