#include "skin/manager/sSkinLookups.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

template <class Table, class Accept>
Integer FindInTable(const Table& table, std::string_view section, std::string_view key, Accept accept) {
  for (size_t i = 0; i < table.size(); ++i)
    if (table[i].ClassName == section && table[i].PropertyName == key && accept(table[i]))
      return static_cast<Integer>(i);
  return -1;
}

// The search of one table along the parent chain. Each section is visited at most once, so a chain
// that names itself or runs in a circle ends.
template <class Table, class Accept>
Integer FindInherited(const TsGeneralDataArray& sections, const Table& table, Integer skinIndex,
                      std::string_view section, std::string_view key, Accept accept) {
  std::vector<bool> visited(sections.size(), false);
  while (skinIndex >= 0 && static_cast<size_t>(skinIndex) < sections.size() && !section.empty() &&
         !visited[static_cast<size_t>(skinIndex)]) {
    visited[static_cast<size_t>(skinIndex)] = true;
    const Integer found = FindInTable(table, section, key, accept);
    if (found >= 0) return found;
    const AnsiString& parent = sections[static_cast<size_t>(skinIndex)].ParentClass;
    if (parent.empty() || parent == section) return -1;
    section = parent;
    skinIndex = FindSkinIndex(sections, parent);
  }
  return -1;
}

const TsGeneralData* SectionAt(const TsGeneralDataArray& sections, Integer index) {
  return index >= 0 && static_cast<size_t>(index) < sections.size() ? &sections[static_cast<size_t>(index)] : nullptr;
}

const TsGeneralData* SectionNamed(const TsGeneralDataArray& sections, std::string_view name) {
  return SectionAt(sections, FindSkinIndex(sections, name));
}

bool IsNoColor(Integer c) { return c == -1 || c == kSkinNoColor; }

// The state a "hot" question reads: the hot one only when the section has one.
const TsGenState& StateOf(const TsGeneralData& section, bool hot) {
  return section.Props[hot && section.States > 1 ? 1 : 0];
}

SmallInt Small(Integer i) { return static_cast<SmallInt>(i); }

}  // namespace

Integer FindSkinIndex(const TsGeneralDataArray& sections, std::string_view name) {
  if (name.empty()) return -1;
  for (size_t i = 0; i < sections.size(); ++i)
    if (sections[i].ClassName == name) return static_cast<Integer>(i);
  return -1;
}

Integer FindMaskIndex(const TsSkinTables& skin, Integer skinIndex, std::string_view section, std::string_view key) {
  return FindInherited(skin.Sections, skin.Masks, skinIndex, section, key, [](const TsMaskData&) { return true; });
}

Integer FindTextureIndex(const TsSkinTables& skin, Integer skinIndex, std::string_view section,
                         std::string_view key) {
  return FindInherited(skin.Sections, skin.Masks, skinIndex, section, key,
                       [](const TsMaskData& m) { return m.ImgType == itTexture; });
}

Integer FindPatternIndex(const TsSkinTables& skin, Integer skinIndex, std::string_view section,
                         std::string_view key) {
  return FindInherited(skin.Sections, skin.Patterns, skinIndex, section, key, [](const TsPatternData&) { return true; });
}

Integer FindMaskIndexByNames(const TsMaskArray& masks, std::string_view section, std::string_view key) {
  if (section.empty() || key.empty()) return -1;
  return FindInTable(masks, section, key, [](const TsMaskData&) { return true; });
}

// ---- colours ----

Integer SkinGlobalColor(const TsGeneralDataArray& sections, Integer commonIndex, const TsSystemColors& system) {
  const TsGeneralData* common = SectionAt(sections, commonIndex);
  return common != nullptr ? common->Props[0].Color : system.BtnFace;
}

Integer SkinGlobalFontColor(const TsGeneralDataArray& sections, Integer commonIndex) {
  const TsGeneralData* common = SectionAt(sections, commonIndex);
  return common != nullptr ? common->Props[0].TextColor : kSkinNoColor;
}

Integer SkinWindowColor(const TsGeneralDataArray& sections, Integer commonIndex, const TsSystemColors& system) {
  const TsGeneralData* common = SectionAt(sections, commonIndex);
  return common != nullptr ? common->Props[1].Color : system.Window;
}

Integer SkinEditFontColor(const TsGeneralDataArray& sections, const TsSystemColors& system) {
  const TsGeneralData* edit = SectionNamed(sections, "EDIT");
  return edit != nullptr ? edit->Props[0].TextColor : system.WindowText;
}

Integer SkinHighlightColor(const TsGeneralDataArray& sections, bool hot, const TsSystemColors& system) {
  if (const TsGeneralData* selection = SectionNamed(sections, "SELECTION")) {
    const Integer c = StateOf(*selection, hot).Color;
    if (!IsNoColor(c)) return c;
  }
  if (const TsGeneralData* item = SectionNamed(sections, "MENUITEM")) {
    const Integer c = item->Props[1].Color;
    if (!IsNoColor(c) && c != 0xFFFFFF) return c;
  }
  return system.Highlight;
}

Integer SkinHighlightFontColor(const TsGeneralDataArray& sections, bool hot, const TsSystemColors& system) {
  if (const TsGeneralData* selection = SectionNamed(sections, "SELECTION")) {
    const Integer c = StateOf(*selection, hot).TextColor;
    if (!IsNoColor(c)) return c;
  }
  if (const TsGeneralData* item = SectionNamed(sections, "MENUITEM")) {
    const Integer c = item->Props[1].TextColor;
    if (!IsNoColor(c)) return c;
  }
  return system.HighlightText;
}

// ---- border widths ----

namespace {

Integer WidthOr(SmallInt own, const TsMaskData& mask, Integer imageSize) {
  if (own > 0) return own;
  if (mask.BorderWidth > 0) return mask.BorderWidth;
  return imageSize;
}

Integer StateWidthAtLeastOne(const TsMaskData& mask) {
  TsMaskData counted = mask;
  if (counted.ImageCount == 0) counted.ImageCount = 1;
  return MaskStateWidth(counted);
}

}  // namespace

Integer MaskLeftWidth(const TsMaskData& mask) { return WidthOr(mask.WL, mask, StateWidthAtLeastOne(mask)); }
Integer MaskTopHeight(const TsMaskData& mask) { return WidthOr(mask.WT, mask, MaskStateHeight(mask)); }
Integer MaskRightWidth(const TsMaskData& mask) { return WidthOr(mask.WR, mask, MaskStateWidth(mask)); }
Integer MaskBottomHeight(const TsMaskData& mask) { return WidthOr(mask.WB, mask, MaskStateHeight(mask)); }

// ---- cached indexes ----

TsCommonIndexes UpdateCommonIndexes(TsGeneralDataArray& sections, const TsMaskArray& masks,
                                    const TsPatternArray& patterns) {
  const TsSkinTables skin{sections, masks, patterns};
  TsCommonIndexes c;
  c.CommonSkin = Small(FindSkinIndex(sections, kGlobalInfo));
  const auto global = [&](std::string_view key) { return Small(FindMaskIndex(skin, c.CommonSkin, kGlobalInfo, key)); };
  // A section with the indexes of the keys it is asked for; a missing section leaves them all -1.
  const auto cached = [&](std::string_view name, bool glyph, bool textures) {
    TsCachedSection s;
    s.SkinIndex = Small(FindSkinIndex(sections, name));
    if (s.SkinIndex < 0) return s;
    s.BorderMask = Small(FindMaskIndex(skin, s.SkinIndex, name, "BORDERSMASK"));
    if (glyph) s.GlyphMask = Small(FindMaskIndex(skin, s.SkinIndex, name, "GLYPHMASK"));
    if (textures) {
      s.Texture = Small(FindTextureIndex(skin, s.SkinIndex, name, "PATTERN"));
      s.HotTexture = Small(FindTextureIndex(skin, s.SkinIndex, name, "HOTPATTERN"));
    }
    return s;
  };

  static constexpr std::array<const char*, cgCheckGlyphCount> kCheckGlyphs = {
      "BOXCHECKED",   "BOXUNCHECKED",   "BOXGRAYED",   "RADIOCHECKED", "RADIOUNCHECKED",
      "RADIOGRAYED", "SMALLCHECKED", "SMALLUNCHECKED", "SMALLGRAYED"};
  for (size_t i = 0; i < kCheckGlyphs.size(); ++i) c.CheckGlyphs[i] = global(kCheckGlyphs[i]);
  c.ExBorder = global("EXBORDER");
  c.GripImage = global("GRIPIMAGE");
  c.GripHorz = global("GRIPHORZ");
  c.GripVert = global("GRIPVERT");

  c.ComboButton = cached("COMBOBTN", false, true);
  c.ComboButton.GlyphMask = Small(FindMaskIndex(skin, FindSkinIndex(sections, "COMBOBOX"), "COMBOBOX", "GLYPHMASK"));

  static constexpr std::array<const char*, tsTabSideCount> kTabs = {"TABTOP", "TABBOTTOM", "TABLEFT", "TABRIGHT"};
  for (size_t i = 0; i < kTabs.size(); ++i) c.Tabs[i] = cached(kTabs[i], false, false);
  static constexpr std::array<const char*, sbScrollButtonCount> kScrollButtons = {
      "SCROLLBTNTOP", "SCROLLBTNBOTTOM", "SCROLLBTNLEFT", "SCROLLBTNRIGHT", "SCROLLSLIDERV", "SCROLLSLIDERH"};
  for (size_t i = 0; i < kScrollButtons.size(); ++i) c.ScrollButtons[i] = cached(kScrollButtons[i], true, true);
  static constexpr std::array<const char*, tbTitleButtonCount> kTitleButtons = {
      "BICONCLOSE", "BICLOSEALONE", "BICONMAX", "BICONNORM", "BICONMIN", "BICONHELP",
      "SICONCLOSE", "SICONMAX",     "SICONNORM", "SICONMIN", "SICONHELP"};
  for (size_t i = 0; i < kTitleButtons.size(); ++i) c.TitleButtons[i] = global(kTitleButtons[i]);
  static constexpr std::array<const char*, stScrollTrackCount> kTracks = {"SCROLLBAR1H", "SCROLLBAR1V", "SCROLLBAR2H",
                                                                         "SCROLLBAR2V"};
  for (size_t i = 0; i < kTracks.size(); ++i) c.ScrollTracks[i] = cached(kTracks[i], false, true);
  c.WebButton = Small(FindSkinIndex(sections, "WEBBUTTON"));

  for (size_t i = 0; i < sections.size(); ++i) {
    if (static_cast<Integer>(i) == c.CommonSkin) continue;
    TsGeneralData& s = sections[i];
    const auto index = static_cast<Integer>(i);
    const auto mask = [&](std::string_view key) { return FindMaskIndex(skin, index, s.ClassName, key); };
    s.BorderMask = mask("BORDERSMASK");
    s.ImgTopLeft = mask("IMGTOPLEFT");
    s.ImgTopRight = mask("IMGTOPRIGHT");
    s.ImgBottomLeft = mask("IMGBTMLEFT");
    s.ImgBottomRight = mask("IMGBTMRIGHT");
    s.TextureIndex = FindTextureIndex(skin, index, s.ClassName, "PATTERN");
    s.Props[0].Texture = s.TextureIndex;
    if (s.States > 1) s.Props[1].Texture = FindTextureIndex(skin, index, s.ClassName, "HOTPATTERN");
  }
  return c;
}

// ---- colour shift and shadows ----

Integer NormalizedSaturation(Integer saturation) { return saturation % 101; }

TsShadowSize ExtendedShadowSize(const TsMaskData* exBorder, const TsSkinData& data) {
  if (exBorder == nullptr) return {9, 9, 9, 9};
  const Integer offset = data.FormOffset;
  if (data.BorderMode != 0) {
    const Integer s = std::max<Integer>(offset, 0);
    return {s, s, s, s};
  }
  const auto less = [&](Integer width) { return std::max<Integer>(width - offset, 0); };
  return {less(MaskLeftWidth(*exBorder)), less(MaskTopHeight(*exBorder)), less(MaskRightWidth(*exBorder)),
          less(MaskBottomHeight(*exBorder))};
}

// ---- the skin transfer block ----

namespace {

AnsiString FieldOf(const char* block, std::size_t offset, std::size_t room) {
  const char* start = block + offset;
  const void* end = std::memchr(start, 0, room);
  return AnsiString(start, end != nullptr ? static_cast<const char*>(end) - start : room);
}

}  // namespace

std::optional<TsSkinTransfer> ReadSkinTransferBlock(const void* data, std::size_t size) {
  if (data == nullptr || size < kSkinTransferBlockSize) return std::nullopt;
  const auto* block = static_cast<const char*>(data);
  Cardinal magic = 0;
  std::memcpy(&magic, block, sizeof magic);
  if (magic != kSkinTransferMagic) return std::nullopt;
  return TsSkinTransfer{FieldOf(block, 4, 128), FieldOf(block, 132, 513), FieldOf(block, 645, 30001)};
}
