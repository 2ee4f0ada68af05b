// Where the parts of track bars and scroll-bar controls go, as plain arithmetic shared by their adapters
// and the tests: tick places, the sides ticks go on, the channel narrowed to its mask, whether the
// thumb mask is painted unstretched, the buttons and the slider of a scroll-bar control and the scroll
// data that SBM_SETSCROLLINFO leaves. Portable: nothing here measures or draws. Rounding is the
// system's default, half to even (std::nearbyint), as the track bar and scroll bar controls round.
#pragma once
#include <vector>
#include "skin/manager/sConst.h"

// Track-bar styles the painter reads.
inline constexpr Cardinal kTbsVert = 0x2;
inline constexpr Cardinal kTbsTop = 0x4;  // TBS_LEFT for a vertical bar
inline constexpr Cardinal kTbsBoth = 0x8;
inline constexpr Cardinal kTbsNoTicks = 0x10;

// The ticks spread evenly along the channel: count places, the first half a thumb in from the channel's
// start, the last half a thumb in from its end. A count of 1 gives the first place only; 0 or less none.
std::vector<Integer> TrackTickPlaces(Integer channelStart, Integer channelLength, Integer thumbLength, Integer count);
// The gap between the channel and the ticks.
inline Integer TrackTickOffset(Integer thumbThickness, Integer channelThickness) {
  return (thumbThickness - channelThickness) / 2 + 2;
}
// On which sides of the channel ticks go: before (above, or left of a vertical bar) and after.
struct TskTickSides {
  bool Before = false;
  bool After = false;
  friend bool operator==(const TskTickSides&, const TskTickSides&) = default;
};
TskTickSides TrackTickSides(Cardinal style);
// The channel narrowed to the thickness of its mask's state image, centred across the old one (an odd
// difference leaves the extra pixel above or left).
TRect NarrowTrackChannel(const TRect& channel, Integer maskThickness, bool vertical);
// Whether the thumb mask is painted into the thumb as it is: a thumb of the control's standard
// thickness (23) or of the mask's own size, pointing both ways or down (right).
bool TrackThumbUnstretched(const TRect& thumb, Integer maskWidth, Integer maskHeight, Cardinal style);

// ---- scroll-bar controls ----

// The control's own copy of its scroll data.
struct TskControlScroll {
  Integer Min = 0;
  Integer Max = 100;
  Integer Page = 0;
  Integer Pos = 0;
  Integer TrackPos = 0;
  friend bool operator==(const TskControlScroll&, const TskControlScroll&) = default;
};
// What SBM_SETSCROLLINFO brings: the mask bits (SIF_RANGE 1, SIF_PAGE 2, SIF_POS 4) and the values.
struct TskScrollRequest {
  Cardinal Mask = 0;
  Integer Min = 0;
  Integer Max = 0;
  Integer Page = 0;
  Integer Pos = 0;
};
// The data after the request: the fields the mask names taken (a range whose maximum lies below its
// minimum becomes 0 .. 0), then the page clamped to 0 .. range + 1 and the position to Min .. the last
// place a page can start; the shown position follows unless the thumb is being dragged.
void ApplyScrollRequest(TskControlScroll& scroll, const TskScrollRequest& request, bool tracking);
// The places of the control's parts along its length; Bar1 runs to the slider's centre, Bar2 on.
struct TskControlParts {
  Integer Button1 = 0;  // length of the first button from 0
  Integer Button2 = 0;  // length of the second button, ending at the length
  Integer SliderLength = 0;
  Integer SliderStart = 0;
  Integer SliderCentre = 0;
  friend bool operator==(const TskControlParts&, const TskControlParts&) = default;
};
// The buttons are buttonSize long, at most half the length each; the slider is 14 long without a page,
// else its page's share of the track and at least 14. A range no longer than a page puts the slider in
// the middle; an empty range at the end of the first button; a vertical bar at its last place ends at
// the second button.
TskControlParts ControlScrollParts(Integer length, Integer buttonSize, const TskControlScroll& scroll, bool vertical);
// The position under a point along the bar (the slider's centre there), relative to Min; 0 for a
// disabled control or a track without room to move.
Integer ControlPositionAt(Integer coordinate, Integer length, Integer buttonSize, Integer sliderLength,
                          const TskControlScroll& scroll, bool enabled);
