#include "skin/manager/sConst.h"

Integer MaskStateWidth(const TsMaskData& mask) {
  // A count below 1 can only come from damaged options text; it means "no images" like 0.
  if (mask.ImageCount <= 0) return 0;
  return mask.R.Width() / mask.ImageCount;
}

Integer MaskStateHeight(const TsMaskData& mask) {
  // Negative types other than -1 would divide by zero or by a negative row count.
  if (mask.MaskType < 0) return 0;
  return mask.R.Height() / (mask.MaskType + 1);
}
