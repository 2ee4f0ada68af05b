#include "vcl/rtl/FormResource.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include "vcl/rtl/Format.h"
#include "vcl/rtl/TextConv.h"

namespace {

std::string UpperAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return r;
}

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
  r.texts[UpperAscii(name)] = std::move(utf8Text);
}

void UnregisterDefinitionText(std::string_view name) {
  Registered& r = Texts();
  std::lock_guard guard(r.lock);
  r.texts.erase(UpperAscii(name));
}

std::string LoadDefinitionText(std::string_view name) {
  {
    Registered& r = Texts();
    std::lock_guard guard(r.lock);
    auto it = r.texts.find(UpperAscii(name));
    if (it != r.texts.end()) return it->second;
  }
  std::string text;
  if (FindDefinitionResource(name, text)) return text;
  throw EResNotFound(Format("Resource %s not found", {AnsiString(name)}));
}

std::string ReadDefinitionFile(const std::string& utf8Path) {
  std::u8string u8(utf8Path.begin(), utf8Path.end());
  std::ifstream in(std::filesystem::path(u8), std::ios::binary);
  if (!in) throw EFOpenError(Format("Cannot open file \"%s\"", {Utf8ToCp1250(utf8Path)}));
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw EFOpenError(Format("Cannot read file \"%s\"", {Utf8ToCp1250(utf8Path)}));
  return text;
}
