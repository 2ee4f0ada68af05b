// How many components of a class an owner holds (tests of what a form was given).
#pragma once
#include "vcl/rtl/Component.h"

template <class T>
int CountComponents(const TComponent* owner) {
  int count = 0;
  for (int i = 0; i < owner->ComponentCount(); ++i)
    if (dynamic_cast<T*>(owner->Components(i)) != nullptr) ++count;
  return count;
}
