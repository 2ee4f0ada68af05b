#include "skin/manager/sGradient.h"

#include <algorithm>
#include <cmath>
#include <vector>
#include "vcl/rtl/NumConv.h"

namespace {

constexpr int kWordsPerStep = 5;

std::vector<std::string_view> SplitWords(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(';', start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start) words.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

// The rows (columns) one step covers, both ends included.
struct TStepSpan {
  Integer First;
  Integer Last;
};

// Lays the steps out over `length` rows (columns) from `start`. A step starts on the row where the
// previous one ended, so neighbouring steps share that row and the later one paints it.
std::vector<TStepSpan> LayOutSteps(const TsGradArray& gradient, Integer start, Integer length,
                                   bool roundShares) {
  std::vector<TStepSpan> spans;
  spans.reserve(gradient.size());
  const Integer lastIndex = start + length - 1;
  Integer current = start;
  for (std::size_t i = 0; i < gradient.size(); ++i) {
    const Int64 scaled = static_cast<Int64>(gradient[i].Percent) * length;
    // Rounding ties to even, as the library's Round does.
    const Int64 share = roundShares ? std::llrint(static_cast<double>(scaled) / 100) : scaled / 100;
    Integer last = static_cast<Integer>(std::min<Int64>(current + share, lastIndex));
    if (i + 1 == gradient.size()) last = lastIndex;
    spans.push_back({current, last});
    current = last;
  }
  return spans;
}

// The colours of one step: red, green and blue move linearly from the first colour on the first
// row to the second colour on the last row, rounded to the nearest value
// (ties to even).
class TColorRamp {
 public:
  TColorRamp(const TsGradStep& step, Integer count) : first_(ColorToPixel(step.Color1)), count_(count) {
    const Cardinal last = ColorToPixel(step.Color2);
    // One row has no room for a ramp (and no divisor for it): it shows the first colour.
    constant_ = first_ == last || count <= 1;
    for (int c = 0; c < 3; ++c) {
      from_[c] = static_cast<int>((first_ >> (8 * c)) & 0xFF);
      delta_[c] = static_cast<int>((last >> (8 * c)) & 0xFF) - from_[c];
    }
  }

  Cardinal At(Integer k) const {
    if (constant_) return first_;
    Cardinal pixel = 0xFF000000u;
    for (int c = 0; c < 3; ++c) {
      const double value = from_[c] + static_cast<double>(delta_[c]) * k / (count_ - 1);
      pixel |= static_cast<Cardinal>(std::lrint(value)) << (8 * c);
    }
    return pixel;
  }

 private:
  Cardinal first_;
  Integer count_;
  bool constant_ = true;
  int from_[3] = {};
  int delta_[3] = {};
};

TRect ClipTo(const TRect& rect, Integer width, Integer height) {
  return TRect{std::max(rect.Left, 0), std::max(rect.Top, 0), std::min(rect.Right, width),
                std::min(rect.Bottom, height)};
}

// The colour of every row (vertical mode) or column (horizontal mode) of the clipped rectangle, top
// to bottom or left to right. Empty (nothing to paint) for other modes, empty arrays and rectangles.
std::vector<Cardinal> LineColors(const TRect& r, const TsGradArray& gradient, bool& vertical) {
  vertical = true;
  if (gradient.empty() || r.IsEmpty()) return {};
  const Integer mode = gradient.front().Mode;
  if (mode != gmVertical && mode != gmHorizontal) return {};
  vertical = mode == gmVertical;
  const Integer start = vertical ? r.Top : r.Left;
  const Integer length = vertical ? r.Height() : r.Width();
  const auto spans = LayOutSteps(gradient, start, length, !vertical);
  std::vector<Cardinal> colors(static_cast<std::size_t>(length));
  for (std::size_t i = 0; i < spans.size(); ++i) {
    const TColorRamp ramp(gradient[i], spans[i].Last - spans[i].First + 1);
    for (Integer p = spans[i].First; p <= spans[i].Last; ++p) colors[p - start] = ramp.At(p - spans[i].First);
  }
  return colors;
}

// Calls paint(x, y, pixel) for every pixel of the clipped rectangle, row by row.
template <class Paint>
void ForEachGradientPixel(const TRect& r, const TsGradArray& gradient, Paint paint) {
  bool vertical = true;
  const auto colors = LineColors(r, gradient, vertical);
  if (colors.empty()) return;
  for (Integer y = r.Top; y < r.Bottom; ++y) {
    for (Integer x = r.Left; x < r.Right; ++x) paint(x, y, vertical ? colors[y - r.Top] : colors[x - r.Left]);
  }
}

Cardinal MixChannels(Cardinal base, Cardinal over, Integer weight) {
  Cardinal out = 0xFF000000u;
  for (int c = 0; c < 3; ++c) {
    const int b = static_cast<int>((base >> (8 * c)) & 0xFF);
    const int o = static_cast<int>((over >> (8 * c)) & 0xFF);
    out |= static_cast<Cardinal>(b + ((weight * (o - b)) >> 8)) << (8 * c);
  }
  return out;
}

}  // namespace

void ParseGradientData(std::string_view text, TsGradArray& gradient) {
  gradient.clear();
  const auto words = SplitWords(text);
  const std::size_t steps = words.size() / kWordsPerStep;
  TsGradArray parsed;
  parsed.reserve(steps);
  for (std::size_t k = 0; k < steps; ++k) {
    const std::string_view* w = &words[k * kWordsPerStep];
    TsGradStep step;
    step.Color1 = std::max(StrToInt(w[0]), 0);
    step.Color2 = std::max(StrToInt(w[1]), 0);
    step.Percent = static_cast<Byte>(std::clamp(StrToInt(w[2]), 0, 100));
    step.Mode = StrToInt(w[3]);
    parsed.push_back(step);
  }
  gradient = std::move(parsed);
}

void DrawGradient(const TsPixelView& target, const TRect& rect, const TsGradArray& gradient) {
  if (target.IsEmpty()) return;
  const TRect r = ClipTo(rect, target.Width, target.Height);
  bool vertical = true;
  const auto colors = LineColors(r, gradient, vertical);
  if (colors.empty()) return;
  // Rows are run-fills of one value; in the horizontal mode every row is a copy of the first.
  for (Integer y = r.Top; y < r.Bottom; ++y) {
    Cardinal* row = target.Row(y) + r.Left;
    if (vertical) {
      std::fill_n(row, r.Width(), colors[y - r.Top]);
    } else {
      std::copy(colors.begin(), colors.end(), row);
    }
  }
}

void DrawGradientInRect(const TsPixelView& target, const TRect& rect, const TsGradArray& gradient,
                        const TsPixelView& texture, const TRect& textureRect, Integer textureWeight,
                        Integer gradientWeight) {
  if (target.IsEmpty()) return;
  const TRect r = ClipTo(rect, target.Width, target.Height);
  const TRect t = texture.IsEmpty() ? TRect{} : ClipTo(textureRect, texture.Width, texture.Height);
  const bool textured = !t.IsEmpty();
  textureWeight = std::clamp(textureWeight, 0, 255);
  gradientWeight = std::clamp(gradientWeight, 0, 256);
  ForEachGradientPixel(r, gradient, [&](Integer x, Integer y, Cardinal pixel) {
    if (textured) {
      const Cardinal texel = texture.At(t.Left + (x - r.Left) % t.Width(), t.Top + (y - r.Top) % t.Height());
      pixel = MixChannels(pixel, texel, textureWeight);
    }
    Cardinal& out = target.At(x, y);
    out = MixChannels(out, pixel, gradientWeight);
  });
}
