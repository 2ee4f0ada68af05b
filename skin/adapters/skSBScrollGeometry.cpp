#include "skin/adapters/skSBScrollGeometry.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr std::int64_t kMaxRange = 0x7FFFFFFE;

// nMax - nMin as the unsigned difference the bar arithmetic uses.
std::uint32_t Range(const TskScrollInfo& info) {
  return static_cast<std::uint32_t>(info.Max) - static_cast<std::uint32_t>(info.Min);
}

Integer BarLength(const TskBarState& bar, const TRect& rect) {
  return bar.Kind == 0 ? rect.Width() : rect.Height();
}

Integer BarStart(const TskBarState& bar, const TRect& rect) { return bar.Kind == 0 ? rect.Left : rect.Top; }

Integer Clamp32(std::int64_t v) {
  return static_cast<Integer>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

Integer skMulDiv(Integer a, Integer b, Integer c) {
  if (c == 0) return -1;
  std::int64_t num = static_cast<std::int64_t>(a) * b;
  std::int64_t den = c;
  if (den < 0) {
    num = -num;
    den = -den;
  }
  const std::int64_t q = num >= 0 ? (num + den / 2) / den : (num - den / 2) / den;
  if (q > 0x7FFFFFFF || q < -0x7FFFFFFF) return -1;
  return static_cast<Integer>(q);
}

Integer ScrollBarPartSize(const TskBarState* bar, bool across, bool useSkin, const TskScrollMetrics& metrics) {
  if (bar == nullptr || bar->Kind > 1) return 0;
  if (across) {
    if (bar->Thickness >= 0) return bar->Thickness;
    return Clamp32(-static_cast<std::int64_t>(bar->Thickness) *
                   (bar->Kind == 0 ? metrics.HorzBarHeight : metrics.VertBarWidth));
  }
  if (bar->ButtonLength >= 0) return bar->ButtonLength;
  const std::int64_t n = -static_cast<std::int64_t>(bar->ButtonLength);
  const Integer skinArrow = bar->Kind == 0 ? metrics.SkinArrowHorz : metrics.SkinArrowVert;
  // A skin that sizes its arrows makes them as much longer than the system's 17 pixels as the
  // default arrow is.
  if (useSkin && skinArrow >= 0) return Clamp32(n * (skinArrow + metrics.ArrowLength - 17));
  return Clamp32(n * metrics.ArrowLength);
}

TRect HorzBarRect(const TskBarLayout& layout, const TRect& window) {
  const Integer vert = ScrollBarPartSize(&layout.Vert, true, false, layout.Metrics) * layout.Vert.Shown;
  TRect r = window;
  r.Left += layout.Edges.Left + (layout.LeftScrollBar ? vert : 0);
  r.Right -= layout.Edges.Right + (layout.LeftScrollBar ? 0 : vert);
  r.Bottom -= layout.Edges.Bottom;
  r.Top = r.Bottom - ScrollBarPartSize(&layout.Horz, true, false, layout.Metrics) * layout.Horz.Shown;
  return r;
}

TRect VertBarRect(const TskBarLayout& layout, const TRect& window) {
  const Integer vert = ScrollBarPartSize(&layout.Vert, true, false, layout.Metrics) * layout.Vert.Shown;
  TRect r = window;
  r.Top += layout.Edges.Top;
  r.Bottom -= ScrollBarPartSize(&layout.Horz, true, false, layout.Metrics) * layout.Horz.Shown + layout.Edges.Bottom;
  if (layout.LeftScrollBar) {
    r.Left += layout.Edges.Left;
    r.Right = r.Left + vert;
  } else {
    r.Right -= layout.Edges.Right;
    r.Left = r.Right - vert;
  }
  return r;
}

TRect CornerRect(const TskBarLayout& layout, const TRect& window) {
  if (!layout.Horz.Shown || !layout.Vert.Shown) return {};
  const TRect v = VertBarRect(layout, window);
  const TRect h = HorzBarRect(layout, window);
  return {v.Left, h.Top, v.Right, h.Bottom};
}

void ScrollNCCalcSize(TskBarLayout& layout, const TRect& window, TRect& client, bool hasHorz, bool hasVert) {
  layout.Edges = {client.Left - window.Left, client.Top - window.Top, window.Right - client.Right,
                  window.Bottom - client.Bottom};
  layout.Horz.StyleFlags = hasHorz ? sbfHasStyle : 0;
  const Integer horz = ScrollBarPartSize(&layout.Horz, true, false, layout.Metrics);
  layout.Horz.Shown = hasHorz && client.Height() >= horz;
  if (layout.Horz.Shown) client.Bottom -= horz;
  layout.Vert.StyleFlags = hasVert ? sbfHasStyle : 0;
  const Integer vert = ScrollBarPartSize(&layout.Vert, true, false, layout.Metrics);
  layout.Vert.Shown = hasVert && client.Width() >= vert;
  if (layout.Vert.Shown) {
    if (layout.LeftScrollBar)
      client.Left += vert;
    else
      client.Right -= vert;
  }
}

TskThumb ThumbGeometry(const TskBarState& bar, const TRect& rect, const TskScrollMetrics& metrics) {
  const Integer b = ScrollBarPartSize(&bar, false, false, metrics);
  const Integer track = BarLength(bar, rect) - 2 * b;
  const std::uint32_t range = Range(bar.Info);
  const bool usable = range <= kMaxRange;
  TskThumb thumb;
  if (bar.Info.Page == 0)
    thumb.Length = b;
  else if (usable)
    thumb.Length = std::max<Integer>(
        skMulDiv(static_cast<Integer>(std::min<Cardinal>(bar.Info.Page, INT32_MAX)), track, static_cast<Integer>(range + 1)),
        bar.MinThumb);
  Integer offset = 0;
  if (usable) {
    // Positions outside the range count as its ends; a divisor that is not positive (a page as wide as
    // the range) leaves the thumb at the start, as the clamp of MulDiv's -1 would.
    const std::int64_t pos = std::clamp<std::int64_t>(static_cast<std::int64_t>(bar.Info.Pos) - bar.Info.Min, 0, range);
    const std::int64_t divisor =
        static_cast<std::int64_t>(range) - std::max<std::int64_t>(1, bar.Info.Page) + 1;
    offset = divisor > 0 ? skMulDiv(static_cast<Integer>(pos), track - thumb.Length, static_cast<Integer>(divisor)) : 0;
    offset = std::clamp(offset, 0, std::max(0, track - thumb.Length));
  }
  thumb.Start = b + BarStart(bar, rect) + offset;
  return thumb;
}

bool ThumbFits(const TskBarState& bar, const TRect& rect, const TskScrollMetrics& metrics) {
  const Integer b = ScrollBarPartSize(&bar, false, false, metrics);
  const Integer track = BarLength(bar, rect) - 2 * b;
  const std::uint32_t range = Range(bar.Info);
  if (range > kMaxRange) return false;
  const Integer length = std::max<Integer>(
      skMulDiv(static_cast<Integer>(std::min<Cardinal>(bar.Info.Page, INT32_MAX)), track, static_cast<Integer>(range)),
      bar.MinThumb);
  return length > 0 && length <= track;
}

TskScrollPart HitTestBar(const TskBarState& bar, const TRect& rect, Integer x, Integer y,
                         const TskScrollMetrics& metrics) {
  const Integer along = bar.Kind == 0 ? x : y;
  const Integer across = bar.Kind == 0 ? y : x;
  const Integer acrossStart = bar.Kind == 0 ? rect.Top : rect.Left;
  const Integer acrossEnd = bar.Kind == 0 ? rect.Bottom : rect.Right;
  const Integer start = BarStart(bar, rect);
  const Integer length = BarLength(bar, rect);
  const Integer end = start + length;
  if (across < acrossStart || across >= acrossEnd || along < start || along >= end) return spNone;
  const Integer b = ScrollBarPartSize(&bar, false, false, metrics);
  const Integer d = 2 * b < length ? b : length / 2;
  if (along < start + d) return spFirstArrow;
  if (along >= end - d) return spSecondArrow;
  const TskThumb thumb = ThumbGeometry(bar, rect, metrics);
  if (thumb.Length >= length - 2 * b) return spNone;
  if (along >= thumb.Start && along < thumb.Start + thumb.Length) return spThumb;
  return along < thumb.Start ? spTrackBefore : spTrackAfter;
}

TskThumbDrag ThumbDragPosition(const TskBarState& bar, const TRect& rect, Integer thumbLength, Integer mouse,
                               Integer grab, const TskScrollMetrics& metrics) {
  const Integer b = ScrollBarPartSize(&bar, false, false, metrics);
  const Integer trackStart = BarStart(bar, rect) + b;
  const Integer track = BarLength(bar, rect) - 2 * b;
  const Integer room = std::max(0, track - thumbLength);
  TskThumbDrag drag;
  const Integer offset = std::clamp(mouse - grab - trackStart, 0, room);
  drag.Start = trackStart + offset;
  const std::uint32_t range = Range(bar.Info);
  if (range < 1 || range > kMaxRange || room == 0) {
    drag.Position = offset;
  } else {
    const std::int64_t span = static_cast<std::int64_t>(range) - bar.Info.Page + 1;
    drag.Position = skMulDiv(offset, Clamp32(span), room);
  }
  return drag;
}
