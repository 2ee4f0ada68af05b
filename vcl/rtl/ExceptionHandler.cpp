#include "vcl/rtl/ExceptionHandler.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace {

struct Installation {
  const void* owner;
  TExceptionHandler handler;
};

struct Registry {
  std::mutex lock;
  std::vector<Installation> handlers;  // the last one handles
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

void InstallExceptionHandler(const void* owner, TExceptionHandler handler) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.handlers.push_back(Installation{owner, std::move(handler)});
}

void RemoveExceptionHandler(const void* owner) noexcept {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  std::erase_if(r.handlers, [owner](const Installation& i) { return i.owner == owner; });
}

bool ExceptionHandlerInstalled() noexcept {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  return !r.handlers.empty();
}

bool HandleApplicationException(TObject* sender) noexcept {
  TExceptionHandler handler;
  {
    // A copy is called, outside the lock: the handler may show a dialog that installs or removes
    // handlers, or raise the next exception through the same path.
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    if (r.handlers.empty()) return false;
    handler = r.handlers.back().handler;
  }
  try {
    if (handler) handler(sender);
  } catch (...) {
    // Nothing more can be reported.
  }
  return true;
}
