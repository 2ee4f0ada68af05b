#include "vcl/rtl/CheckedInt.h"

#include <string>

void RaiseIntOverflow() { throw EIntOverflow("Integer overflow"); }

void RaiseRangeError() { throw ERangeError("Range check error"); }

void RaiseListIndexError(Int64 index) {
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}
