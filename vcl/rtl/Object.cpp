#include "vcl/rtl/Object.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <typeindex>
#include <unordered_map>

#include "vcl/rtl/Exceptions.h"

namespace {

// "ns::TFoo<ns::TBar>" -> "TFoo<ns::TBar>": the qualifiers before the class's own name go, template
// arguments stay as they are.
AnsiString StripQualifiers(const std::string& name) {
  const std::size_t templateStart = name.find('<');
  const std::size_t scope = name.rfind("::", templateStart);
  if (scope == std::string::npos) return name;
  return name.substr(scope + 2);
}

AnsiString Demangle(const char* mangled) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> text(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
  return StripQualifiers(status == 0 && text ? std::string(text.get()) : std::string(mangled));
}

bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

}  // namespace

TObject::TObject() noexcept : createdByNew_(detail::tCreationMark == static_cast<const void*>(this)) {
  if (createdByNew_) detail::tCreationMark = nullptr;
}

TObject::~TObject() = default;

AnsiString TObject::ClassName() const { return ClassNameOf(typeid(*this)); }

bool TObject::ClassNameIs(std::string_view name) const { return SameTextAscii(ClassName(), name); }

void TObject::operator delete(TObject* p, std::destroying_delete_t) {
  try {
    p->BeforeDestruction();
  } catch (...) {
    // Destruction cannot be refused; what BeforeDestruction could not finish, the destructors finish.
  }
  try {
    p->DestroyOwned();
  } catch (...) {
  }
  void* block = dynamic_cast<void*>(p);
  p->~TObject();
  ::operator delete(block);
}

// Out of line on purpose: seen through, the global allocation looks unmatched by the destroying delete
// to the compiler's new/delete pairing check.
void* TObject::operator new(std::size_t size) { return ::operator new(size); }

void TObject::operator delete(void* p) noexcept { ::operator delete(p); }

AnsiString ClassNameOf(const std::type_info& type) {
  // Demangling allocates; names are asked for in messages and by the class registry, so cache them.
  static std::mutex lock;
  static std::unordered_map<std::type_index, AnsiString> cache;
  std::lock_guard<std::mutex> guard(lock);
  const std::type_index key(type);
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  AnsiString name = Demangle(type.name());
  cache.emplace(key, name);
  return name;
}

void RaiseInvalidCast() { throw EInvalidCast("Invalid class typecast"); }
