#include "vcl/rtl/FileSearch.h"

TSearchRec::TSearchRec() = default;
TSearchRec::~TSearchRec() { FindClose(*this); }
TSearchRec::TSearchRec(TSearchRec&&) noexcept = default;
TSearchRec& TSearchRec::operator=(TSearchRec&& other) noexcept {
  if (this != &other) {
    FindClose(*this);
    Name = std::move(other.Name);
    Size = other.Size;
    Attr = other.Attr;
    ExcludeAttr = other.ExcludeAttr;
    state = std::move(other.state);
  }
  return *this;
}
