#include "skin/forms/sSkinStateRules.h"

#include <initializer_list>
#include <utility>
#include "skin/forms/sPixelRoutines.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sSkinLookups.h"

namespace {

using KindRange = std::pair<Integer, Integer>;  // first and last kind, both included

TskKindSet MakeKindSet(std::initializer_list<KindRange> ranges) {
  TskKindSet set;
  for (const auto& [first, last] : ranges)
    for (Integer kind = first; kind <= last; ++kind) set.set(static_cast<size_t>(kind));
  return set;
}

struct DefaultSection {
  KindRange kinds;
  std::string_view section;
};

constexpr DefaultSection kDefaultSections[] = {
    {{2, 8}, "EDIT"},        {{10, 10}, "EDIT"},       {{41, 41}, "EDIT"},         {{76, 76}, "EDIT"},
    {{78, 78}, "EDIT"},      {{83, 85}, "EDIT"},       {{96, 96}, "EDIT"},         {{131, 131}, "EDIT"},
    {{140, 140}, "EDIT"},    {{227, 227}, "EDIT"},     {{11, 18}, "COMBOBOX"},     {{81, 82}, "COMBOBOX"},
    {{19, 19}, "BAR"},       {{20, 20}, "BARTITLE"},   {{32, 33}, "CHECKBOX"},     {{152, 152}, "CHECKBOX"},
    {{51, 51}, "PANEL"},     {{59, 59}, "PANEL"},      {{68, 68}, "PANEL"},        {{73, 73}, "PANEL"},
    {{52, 52}, "PANEL_LOW"}, {{58, 58}, "PANEL_LOW"},  {{53, 54}, "TOOLBAR"},      {{60, 60}, "TOOLBAR"},
    {{56, 56}, "DRAGBAR"},   {{57, 57}, "TABSHEET"},   {{74, 74}, "GROUPBOX"},     {{226, 226}, "GROUPBOX"},
    {{75, 75}, "SPLITTER"},  {{92, 92}, "SPEEDBUTTON"}, {{95, 95}, "SPEEDBUTTON"}, {{93, 94}, "BUTTON"},
    {{98, 98}, "TOOLBUTTON"}, {{141, 141}, "PAGECONTROL"}, {{143, 143}, "PAGECONTROL"},
    {{151, 151}, "STATUSBAR"}, {{161, 161}, "GAUGE"},  {{165, 165}, "TRACKBAR"},
};

// A border this wide shows its own pixels, not a plain colour.
constexpr Integer kPlainBorderLimit = 30;
constexpr SmallInt kTextureDrawMode = 10;  // a texture painted over the whole background

}  // namespace

const TskKindSet& EditLikeKinds() {
  static const TskKindSet set = MakeKindSet({{2, 18}, {41, 41}, {76, 84}, {96, 96}, {131, 140}});
  return set;
}

const TskKindSet& NoHotTrackKinds() {
  static const TskKindSet set = MakeKindSet({{19, 19}, {51, 74}, {110, 110}, {141, 161}});
  return set;
}

const TskKindSet& NoGlowKinds() {
  static const TskKindSet set = MakeKindSet({{51, 52}, {54, 54}, {56, 60}, {68, 68}, {73, 74}, {110, 110},
                                             {141, 141}, {143, 143}, {151, 151}, {161, 161}, {226, 226}});
  return set;
}

bool InKindSet(const TskKindSet& set, Integer kind) {
  return kind >= 0 && static_cast<size_t>(kind) < set.size() && set.test(static_cast<size_t>(kind));
}

bool KindShowsGlow(Integer kind) { return !InKindSet(NoGlowKinds(), kind) && (kind < 92 || kind > 94); }

std::string_view DefaultSectionOfKind(Integer kind) {
  for (const DefaultSection& d : kDefaultSections) {
    if (kind >= d.kinds.first && kind <= d.kinds.second) return d.section;
  }
  return {};
}

Integer SectionPaintState(const TsGeneralData& section, Integer state) {
  return state > 0 && section.States > 1 ? 1 : 0;
}

Integer SkinnedBgColor(const TsGeneralData& section, Integer state, bool customColor, Integer ownColor,
                       const std::function<Integer()>& parentColor) {
  const TsGenState& props = section.Props[static_cast<size_t>(SectionPaintState(section, state))];
  const Integer t = props.Transparency;
  if (t <= 0) return customColor ? ownColor : props.Color;
  const Integer parent = parentColor();
  if (t >= 100) return parent;
  return BlendColors(parent, props.Color, t / 100.0);
}

SmallInt BackgroundModeOf(const TsGeneralData& section) {
  const TsGenState& normal = section.Props[0];
  SmallInt mode = 0;
  if (normal.ImagePercent != 0) mode |= bmTexture;
  if (normal.GradientPercent != 0 && !normal.GradientArray.empty()) {
    switch (normal.GradientArray.front().Mode) {
      case gmVertical: mode |= bmHeight; break;
      case gmHorizontal: mode |= bmWidth; break;
      case gmTriangles: mode |= bmWidth | bmHeight; break;
      default: break;
    }
  }
  return mode;
}

Integer PlainBackgroundKindOf(const TsGeneralDataArray& sections, const TsMaskArray& masks, Integer sectionIndex,
                              const TskPlainBgContext& context) {
  if (sectionIndex < 0 || sectionIndex >= std::ssize(sections)) return 1;
  const TsGeneralData& section = sections[static_cast<size_t>(sectionIndex)];
  const auto mask = [&](Integer index) -> const TsMaskData* {
    return index >= 0 && index < std::ssize(masks) ? &masks[static_cast<size_t>(index)] : nullptr;
  };
  if (const TsMaskData* border = mask(section.BorderMask)) {
    if ((border->DrawFlags & mdPaintCentre) != 0) return 0;
    if (MaskLeftWidth(*border) + MaskRightWidth(*border) > kPlainBorderLimit) return 0;
    if (MaskTopHeight(*border) + MaskBottomHeight(*border) > kPlainBorderLimit) return 0;
  }
  const TsGenState& normal = section.Props[0];
  if (normal.Transparency == 100) {
    const TsMaskData* texture = mask(section.TextureIndex);
    if (texture != nullptr && texture->DrawFlags == kTextureDrawMode) return 0;
    return context.ParentState ? context.ParentState() : 0;
  }
  if (normal.Transparency != 0 || normal.ImagePercent != 0 || normal.GradientPercent != 0) return 0;
  if (context.FormPaintsItself) return 0;
  for (Integer corner : {section.ImgTopLeft, section.ImgTopRight, section.ImgBottomLeft, section.ImgBottomRight}) {
    if (mask(corner) != nullptr) return 0;
  }
  return 1;
}
