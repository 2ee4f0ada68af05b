// A flag set for the lifetime of a scope and cleared on every way out of it (a re-entry guard).
#pragma once

class TFlagScope {
 public:
  explicit TFlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~TFlagScope() { flag_ = false; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& flag_;
};
