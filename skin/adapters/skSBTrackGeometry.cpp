#include "skin/adapters/skSBTrackGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

// Pascal's Round: half to even under the default rounding mode.
Integer RoundEven(double value) { return static_cast<Integer>(std::nearbyint(value)); }

// The positions one page leaves at the end of the range.
Integer PageTail(Integer page) { return std::max(page - 1, 0); }

}  // namespace

std::vector<Integer> TrackTickPlaces(Integer channelStart, Integer channelLength, Integer thumbLength, Integer count) {
  std::vector<Integer> places;
  if (count <= 0) return places;
  // One tick alone has no spacing: it stands at the first place instead of dividing by zero.
  const double step = count > 1 ? static_cast<double>(channelLength - thumbLength) / (count - 1) : 0.0;
  places.reserve(static_cast<size_t>(count));
  for (Integer i = 0; i < count; ++i) places.push_back(RoundEven(i * step + channelStart + thumbLength / 2.0));
  return places;
}

TskTickSides TrackTickSides(Cardinal style) {
  if ((style & kTbsNoTicks) != 0) return {};
  const bool top = (style & kTbsTop) != 0;
  const bool both = (style & kTbsBoth) != 0;
  return {top || both, both || !top};
}

TRect NarrowTrackChannel(const TRect& channel, Integer maskThickness, bool vertical) {
  TRect r = channel;
  if (vertical) {
    r.Left += (channel.Width() - maskThickness + 1) / 2;
    r.Right = r.Left + maskThickness;
  } else {
    r.Top += (channel.Height() - maskThickness + 1) / 2;
    r.Bottom = r.Top + maskThickness;
  }
  return r;
}

bool TrackThumbUnstretched(const TRect& thumb, Integer maskWidth, Integer maskHeight, Cardinal style) {
  const bool vertical = (style & kTbsVert) != 0;
  const Integer thickness = vertical ? thumb.Width() : thumb.Height();
  const bool ownSize = thumb.Width() == maskWidth && thumb.Height() == maskHeight;
  const bool pointsBack = (style & kTbsTop) != 0 && (style & kTbsBoth) == 0;
  return (thickness == 23 || ownSize) && !pointsBack;
}

void ApplyScrollRequest(TskControlScroll& scroll, const TskScrollRequest& request, bool tracking) {
  constexpr Cardinal kRange = 0x1, kPage = 0x2, kPos = 0x4;
  if ((request.Mask & kPage) != 0) scroll.Page = request.Page;
  if ((request.Mask & kPos) != 0) scroll.Pos = request.Pos;
  if ((request.Mask & kRange) != 0) {
    const bool valid = request.Max >= request.Min;
    scroll.Min = valid ? request.Min : 0;
    scroll.Max = valid ? request.Max : 0;
  }
  // In 64 bits: a range of the whole Integer span overflows range + 1.
  const long long range = static_cast<long long>(scroll.Max) - scroll.Min;
  scroll.Page = static_cast<Integer>(std::clamp<long long>(scroll.Page, 0, range + 1));
  const long long last = std::max<long long>(scroll.Max - static_cast<long long>(PageTail(scroll.Page)), scroll.Min);
  scroll.Pos = static_cast<Integer>(std::clamp<long long>(scroll.Pos, scroll.Min, last));
  if (!tracking) scroll.TrackPos = scroll.Pos;
}

TskControlParts ControlScrollParts(Integer length, Integer buttonSize, const TskControlScroll& scroll, bool vertical) {
  TskControlParts parts;
  parts.Button1 = parts.Button2 = std::max(std::min(buttonSize, length / 2), 0);
  const Integer track = length - 2 * buttonSize;
  const long long units = static_cast<long long>(scroll.Max) + scroll.Page - PageTail(scroll.Page) - scroll.Min;
  parts.SliderLength = 14;
  if (scroll.Page != 0 && units > 0)
    parts.SliderLength = std::max(14, RoundEven(static_cast<double>(track) / static_cast<double>(units) * scroll.Page));
  const long long moves = static_cast<long long>(scroll.Max) - scroll.Min - PageTail(scroll.Page);
  double centre = length / 2.0;
  if (moves > 0) {
    const double free = length - 2.0 * buttonSize - parts.SliderLength;
    centre = buttonSize + parts.SliderLength / 2.0 + RoundEven(free / static_cast<double>(moves) *
                                                               (static_cast<double>(scroll.TrackPos) - scroll.Min));
  }
  parts.SliderCentre = RoundEven(centre);
  if (scroll.Max == scroll.Min) {
    parts.SliderStart = parts.Button1;
  } else if (vertical && scroll.Pos == scroll.Max - scroll.Page) {
    parts.SliderStart = length - parts.Button2 - parts.SliderLength;
  } else {
    parts.SliderStart = RoundEven(centre - parts.SliderLength / 2.0);
  }
  return parts;
}

Integer ControlPositionAt(Integer coordinate, Integer length, Integer buttonSize, Integer sliderLength,
                          const TskControlScroll& scroll, bool enabled) {
  const Integer room = length - 2 * buttonSize - sliderLength;
  if (!enabled || room == 0) return 0;
  const double moves = static_cast<double>(scroll.Max) - scroll.Min - PageTail(scroll.Page);
  return RoundEven((coordinate - buttonSize - sliderLength / 2.0) * moves / room);
}
