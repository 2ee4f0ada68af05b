// TResourceStream: a read-only stream over a resource of a module (an RCDATA block by default), found
// by name ("OPTIONS") or by number. The bytes stay in the module's image; nothing is copied. A missing
// resource raises EResNotFound "Resource %s not found"; writing raises EStreamError.
#pragma once
#include "vcl/gui/Win.h"
#include "vcl/rtl/FormResource.h"
#include "vcl/rtl/Stream.h"

class TResourceStream : public TStream {
 public:
  // `type` is a resource type name or MAKEINTRESOURCEW number (RT_RCDATA, RT_BITMAP...).
  TResourceStream(HINSTANCE instance, const AnsiString& name, const wchar_t* type = RT_RCDATA);
  static TResourceStream FromID(HINSTANCE instance, int id, const wchar_t* type = RT_RCDATA);

  using TStream::Seek;
  using TStream::SetSize;
  Integer Read(void* buffer, Integer count) override;
  Integer Write(const void* buffer, Integer count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  Int64 GetSize() override { return size_; }
  void SetSize(Int64 newSize) override;

  const void* Memory() const { return data_; }

 private:
  TResourceStream(HINSTANCE instance, const wchar_t* name, const wchar_t* type, const AnsiString& shownName);

  const Byte* data_ = nullptr;
  Int64 size_ = 0;
  Int64 position_ = 0;
};
