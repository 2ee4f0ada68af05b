// The system's own minimise and restore animation, switched off while a form changes its state with
// the skin's animation. The setting is read and written through a replaceable pair of functions (not
// every system stores it: tests give their own).
#pragma once
#include <functional>

struct TskMinAnimateAccess {
  std::function<bool(int& value)> Get;  // false when the setting cannot be read
  std::function<void(int value)> Set;
};
// SPI_GETANIMATION / SPI_SETANIMATION by default.
extern TskMinAnimateAccess MinAnimateAccess;

// Switches the system's animation off for its lifetime and puts the setting back afterwards, whatever
// happens meanwhile.
class TSystemAnimationOff {
 public:
  TSystemAnimationOff();
  ~TSystemAnimationOff();
  TSystemAnimationOff(const TSystemAnimationOff&) = delete;
  TSystemAnimationOff& operator=(const TSystemAnimationOff&) = delete;

 private:
  int saved_ = 0;
};
