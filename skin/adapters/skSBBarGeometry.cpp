#include "skin/adapters/skSBBarGeometry.h"

#include <string_view>
#include <vector>

Integer ToolButtonStateIndex(Cardinal state, bool marked, bool indeterminate) {
  if (marked || indeterminate) return 2;
  if (state == 0 || state == kCdsDisabled) return 0;
  return (state & (kCdsSelected | kCdsChecked)) != 0 ? 2 : 1;
}

Integer DropDownStateIndex(Cardinal state, bool droppedWithMenu, bool down) {
  if (droppedWithMenu || down) return 2;
  return (state & kCdsHot) != 0 ? 1 : 0;
}

TPoint DropDownArrowOrigin(Integer arrowWidth, Integer buttonWidth, Integer buttonHeight, Integer glyphWidth,
                           Integer glyphHeight) {
  return TPoint{(arrowWidth - glyphWidth - 3) / 2 + (buttonWidth - arrowWidth) + 2, (buttonHeight - glyphHeight) / 2};
}

TRect ToolButtonCaptionRect(const TskToolCaptionInput& in) {
  TRect r;
  if (in.List) {
    r = TRect{in.HasImage ? in.ImageWidth + 6 : 1, 2, in.ButtonWidth - 2, in.ButtonHeight - 2};
  } else {
    const Integer x = (in.ButtonWidth - in.TextWidth) / 2;
    Integer b = 0;
    Integer top = 0;
    if (in.HasImage) {
      b = (in.ButtonHeight - in.ImageHeight - in.LineHeight - 3) / 2;
      top = b + in.ImageHeight + 3;
    } else {
      b = (in.ButtonHeight - in.LineHeight) / 2;
      top = b;
    }
    r = TRect{x - 1, top, in.ButtonWidth - x + 2, in.ButtonHeight - b};
  }
  if (in.StateIndex == 2) r = TRect{r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1};
  return r;
}

Integer SystemToolButtonState(bool enabled, bool pressed, bool hot) {
  if (!enabled) return 0;
  if (pressed) return 2;
  return hot ? 1 : 0;
}

TskToolGlyphPlaces SystemToolGlyphPlaces(Integer width, Integer height, Integer iconWidth, bool pressed,
                                         bool withArrow, Integer arrowWidth, Integer arrowHeight) {
  const Integer p = pressed ? 1 : 0;
  TskToolGlyphPlaces places;
  places.Image.Y = 4 + p;
  if (withArrow) {
    places.Arrow = TPoint{width + p - arrowWidth - 2, p + (height - arrowHeight) / 2};
    places.Image.X = p + (width - iconWidth - arrowWidth) / 2;
  } else {
    places.Image.X = p + (width - iconWidth) / 2;
  }
  return places;
}

TskCaptionLines SplitToolCaption(const std::string& text, Integer width,
                                 const std::function<Integer(const std::string&)>& textWidth) {
  constexpr std::string_view kSeparators = " \t\r\n";
  // Where each word ends, in the text as written (the separators between words stay as they are).
  std::vector<size_t> wordEnds;
  size_t i = 0;
  while (i < text.size()) {
    i = text.find_first_not_of(kSeparators, i);
    if (i == std::string::npos) break;
    i = text.find_first_of(kSeparators, i);
    if (i == std::string::npos) i = text.size();
    wordEnds.push_back(i);
  }
  if (wordEnds.size() < 2 || textWidth(text) <= width) return {text, {}};
  size_t words = 1;
  while (words < wordEnds.size() - 1 && textWidth(text.substr(0, wordEnds[words])) <= width) ++words;
  const size_t secondStart = text.find_first_not_of(kSeparators, wordEnds[words - 1]);
  return {text.substr(0, wordEnds[words - 1]), secondStart == std::string::npos ? std::string() : text.substr(secondStart)};
}
