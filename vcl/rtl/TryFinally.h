// Runs a cleanup after a body, also when the body raises. When both raise, the body's error goes on and
// the cleanup's is dropped: the caller needs to hear why the operation failed.
#pragma once

template <class Body, class Cleanup>
void TryFinally(Body&& body, Cleanup&& cleanup) {
  try {
    body();
  } catch (...) {
    try {
      cleanup();
    } catch (...) {
    }
    throw;
  }
  cleanup();
}
