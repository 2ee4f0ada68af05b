#include "skin/adapters/skSBPropPath.h"

#include "vcl/gui/Colors.h"
#include "vcl/rtl/PropertyAccess.h"

namespace {

// The object that holds the path's last name, and that name; nil when a step is missing.
TObject* Holder(TObject* root, std::string_view path, std::string_view& last) {
  TObject* object = root;
  for (size_t dot = path.find('.'); object != nullptr && dot != std::string_view::npos; dot = path.find('.')) {
    object = GetObjPropByName(object, path.substr(0, dot));
    path.remove_prefix(dot + 1);
  }
  last = path;
  return object != nullptr && HasPropByName(object, path) ? object : nullptr;
}

}  // namespace

bool HasColorPath(TObject* root, std::string_view path) {
  std::string_view last;
  return Holder(root, path, last) != nullptr;
}

bool ReadColorPath(TObject* root, std::string_view path, Integer& color, Integer noneColor) {
  std::string_view last;
  TObject* holder = Holder(root, path, last);
  if (holder == nullptr) return false;
  const Int64 value = GetOrdPropByName(holder, last);
  const TColor none = noneColor == -1 ? clBtnFace : static_cast<TColor>(noneColor);
  const TColor read = value == kNoneColorValue ? none : static_cast<TColor>(value);
  color = static_cast<Integer>(ColorToRGB(read));
  return true;
}

void WriteColorPath(TObject* root, std::string_view path, Integer color) {
  std::string_view last;
  TObject* holder = Holder(root, path, last);
  if (holder != nullptr && GetOrdPropByName(holder, last) != color) SetOrdPropByName(holder, last, color);
}
