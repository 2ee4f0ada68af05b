#include "skin/forms/sImagePlace.h"

#include <gtest/gtest.h>

namespace {

TEST(ImagePlace, EachLayoutAndAlignmentPlacesTheImageAndRightToLeftMirrors) {
  const TRect rect{10, 20, 110, 60};  // 100 x 40; the image 16 x 10
  struct Case {
    TsImageLayout layout;
    TAlignment alignment;
    bool rightToLeft;
    TRect expected;
  } cases[] = {
      {ilLeft, taCenter, false, {10, 35, 26, 45}},         {ilRight, taCenter, false, {94, 35, 110, 45}},
      {ilTop, taCenter, false, {52, 20, 68, 30}},          {ilBottom, taCenter, false, {52, 50, 68, 60}},
      {ilTop, taLeftJustify, false, {10, 20, 26, 30}},     {ilBottom, taRightJustify, false, {94, 50, 110, 60}},
      {ilCenter, taLeftJustify, false, {52, 35, 68, 45}},  {ilLeft, taLeftJustify, true, {94, 35, 110, 45}},
      {ilRight, taLeftJustify, true, {10, 35, 26, 45}},    {ilTop, taLeftJustify, true, {94, 20, 110, 30}},
      {ilTop, taCenter, true, {52, 20, 68, 30}},
  };
  for (const Case& c : cases) {
    const TRect r = CalcImageRect(rect, 16, 10, c.layout, c.alignment, c.rightToLeft);
    EXPECT_EQ(r, c.expected) << "layout " << c.layout << " alignment " << c.alignment << " rtl " << c.rightToLeft;
  }
  // An image larger than the rect overhangs to the right and bottom when centred.
  EXPECT_EQ(CalcImageRect({0, 0, 10, 10}, 13, 13, ilCenter, taCenter, false), (TRect{-1, -1, 12, 12}));
}

}  // namespace
