#include "skin/manager/sConst.h"

#include <gtest/gtest.h>

namespace {

TsMaskData MaskOf(Integer width, Integer height, SmallInt imageCount, SmallInt maskType) {
  TsMaskData mask;
  mask.R = TRect{10, 20, 10 + width, 20 + height};
  mask.ImageCount = imageCount;
  mask.MaskType = maskType;
  return mask;
}

TEST(MaskSize, StateWidthAndHeightByCountAndType) {
  struct Case {
    Integer width, height;
    SmallInt imageCount, maskType;
    Integer stateWidth, stateHeight;
  } cases[] = {
      {90, 30, 3, 0, 30, 30},   // three states side by side, images only
      {91, 30, 3, 0, 30, 30},   // the remainder column belongs to no state
      {90, 41, 1, 1, 90, 20},   // one mask row below the images, rounded toward zero
      {60, 90, 2, 2, 30, 30},   // two image rows and two mask rows
      {60, 90, 0, -1, 0, 0},    // no images, no rows
      {60, 90, -3, -2, 0, 0},   // damaged counts and types count as none
      {0, 0, 4, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const TsMaskData mask = MaskOf(c.width, c.height, c.imageCount, c.maskType);
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " count " << c.imageCount << " type "
                                    << c.maskType);
    EXPECT_EQ(MaskStateWidth(mask), c.stateWidth);
    EXPECT_EQ(MaskStateHeight(mask), c.stateHeight);
  }
}

}  // namespace
