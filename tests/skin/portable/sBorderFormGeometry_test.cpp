#include "skin/forms/sBorderFormGeometry.h"

#include <gtest/gtest.h>

namespace {

// A 400 x 300 border window: shadow 10/8/12/14, the visible frame 2 pixels further out, a 6-pixel frame
// and a 24-pixel title; the form's window inside the wide border, its client below the title.
TskBorderGeometry Sample() {
  TskBorderGeometry g;
  g.Width = 400;
  g.Height = 300;
  g.Shadow = TRect{10, 8, 12, 14};
  g.ExtShadowOffset = 2;
  g.Frame = 6;
  g.PlainFrame = 6;
  g.CaptionHeight = 24;
  g.Sizeable = true;
  g.IconRect = TRect{20, 12, 36, 28};
  g.FormRect = TRect{14, 12, 386, 284};
  g.Client = TRect{18, 38, 382, 280};
  g.GripRect = TRect{360, 262, 382, 280};
  return g;
}

TEST(BorderFormGeometry, ShadowBandIsOutsideTheVisibleFrame) {
  const TskBorderGeometry g = Sample();
  EXPECT_EQ(BorderVisibleRect(g), (TRect{8, 6, 390, 288}));
  struct Case { TPoint p; bool shadow; };
  for (const Case& c : {Case{{0, 0}, true}, Case{{7, 150}, true}, Case{{8, 150}, false}, Case{{389, 150}, false},
                        Case{{390, 150}, true}, Case{{200, 5}, true}, Case{{200, 6}, false}, Case{{200, 288}, true}}) {
    EXPECT_EQ(InShadowBand(g, c.p), c.shadow) << c.p.X << "," << c.p.Y;
  }
}

TEST(BorderFormGeometry, FrameHitCodesByPlace) {
  TskBorderGeometry g = Sample();
  g.MenuHeight = 20;
  struct Case { TPoint p; Integer code; };
  const Case cases[] = {
      {{9, 7}, 13},     {{200, 8}, 12},   {{388, 9}, 14},   {{9, 150}, 10},   {{13, 150}, 10},
      {{14, 150}, -1},  {{383, 150}, -1}, {{384, 150}, 11}, {{9, 285}, 16},   {{200, 286}, 15},
      {{389, 287}, 17}, {{25, 20}, 3},    {{100, 20}, 2},   {{100, 37}, 2},   {{100, 38}, 5},
      {{100, 57}, 5},   {{100, 58}, -1},  {{370, 270}, 17}, {{359, 270}, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(BorderFrameHitTest(g, c.p), c.code) << c.p.X << "," << c.p.Y;
}

TEST(BorderFormGeometry, ZoomedOrFixedFormsHaveNoSizingBands) {
  for (bool zoomed : {true, false}) {
    TskBorderGeometry g = Sample();
    g.Zoomed = zoomed;
    g.Sizeable = zoomed;  // a zoomed sizeable form, or a fixed one
    EXPECT_EQ(BorderFrameHitTest(g, TPoint{9, 150}), -1);
    EXPECT_EQ(BorderFrameHitTest(g, TPoint{200, 8}), 2);  // the top band is the caption
    EXPECT_EQ(BorderFrameHitTest(g, TPoint{200, 286}), -1);
  }
}

TEST(BorderFormGeometry, RegionKeepsTheClientAsHole) {
  const TskBorderGeometry g = Sample();
  const TskBorderRegionShape normal = BorderRegionShape(g, 4, false);
  EXPECT_TRUE(normal.Whole);
  EXPECT_EQ(normal.Hole, g.Client);
  EXPECT_TRUE(BorderRegionShape(g, 4, true).Hole.IsEmpty());

  TskBorderGeometry zoomed = g;
  zoomed.Zoomed = true;
  const TskBorderRegionShape z = BorderRegionShape(zoomed, 4, true);
  EXPECT_FALSE(z.Whole);
  EXPECT_EQ(z.Outer, (TRect{20, 12, 378, 276}));
  EXPECT_TRUE(z.Hole.IsEmpty());
}

TEST(BorderFormGeometry, StretchSpansTheWorkAreaLessTheOffsets) {
  EXPECT_EQ(StretchSpan(0, 1024, 5, 5), (TskSpan{5, 1014}));
  EXPECT_EQ(StretchSpan(100, 600, 20, 5), (TskSpan{120, 575}));
}

TEST(BorderFormGeometry, SnapsTheVisibleFrameToTheWorkAreaEdges) {
  const TRect margins{8, 6, 10, 12};
  const TRect work{0, 0, 1024, 768};
  // Visible left at 3 + 8 = 11: the buffer's width away, it stays; at -2 + 8 = 6 it snaps to 0.
  EXPECT_EQ(SnapBorderPosition(TPoint{3, 100}, 400, 300, margins, work, 10), (TPoint{3, 100}));
  EXPECT_EQ(SnapBorderPosition(TPoint{-2, 100}, 400, 300, margins, work, 10), (TPoint{-8, 100}));
  EXPECT_EQ(SnapBorderPosition(TPoint{20, 100}, 400, 300, margins, work, 10), (TPoint{20, 100}));
  // Right edge: 630 + 400 - 10 = 1020 snaps to 1024; bottom: 472 + 300 - 12 = 760 snaps to 768.
  EXPECT_EQ(SnapBorderPosition(TPoint{630, 472}, 400, 300, margins, work, 10), (TPoint{634, 480}));
  // Top: -3 + 6 = 3 snaps to 0.
  EXPECT_EQ(SnapBorderPosition(TPoint{200, -3}, 400, 300, margins, work, 10), (TPoint{200, -6}));
  EXPECT_EQ(SnapCoord(9, 0, 10), 0);
  EXPECT_EQ(SnapCoord(10, 0, 10), 10);
  EXPECT_EQ(SnapCoord(-9, 0, 10), 0);
}

}  // namespace
