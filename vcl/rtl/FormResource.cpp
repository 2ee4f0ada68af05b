#include "vcl/rtl/FormResource.h"

#include "vcl/rtl/AnsiStrings.h"
#include <map>
#include <mutex>
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Format.h"
#include "vcl/rtl/Stream.h"

namespace {

struct Registered {
  std::mutex lock;
  std::map<std::string, std::string> texts;  // keyed by the upper-case name
};

Registered& Texts() {
  static Registered r;
  return r;
}

}  // namespace

void RegisterDefinitionText(std::string_view name, std::string utf8Text) {
  Registered& r = Texts();
  std::lock_guard guard(r.lock);
  r.texts[UpperCase(name)] = std::move(utf8Text);
}

void UnregisterDefinitionText(std::string_view name) {
  Registered& r = Texts();
  std::lock_guard guard(r.lock);
  r.texts.erase(UpperCase(name));
}

std::string LoadDefinitionText(std::string_view name) {
  {
    Registered& r = Texts();
    std::lock_guard guard(r.lock);
    auto it = r.texts.find(UpperCase(name));
    if (it != r.texts.end()) return it->second;
  }
  std::string text;
  if (FindDefinitionResource(name, text)) return text;
  throw EResNotFound(Format("Resource %s not found", {AnsiString(name)}));
}

std::string ReadDefinitionFile(const WideString& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  std::string text(CheckedCast<size_t>(file.GetSize()), '\0');
  if (!text.empty()) file.ReadBuffer64(text.data(), static_cast<Int64>(text.size()));
  return text;
}
