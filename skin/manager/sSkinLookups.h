// What painters ask of a loaded skin: section, mask, texture and pattern indexes by name (a mask a
// section lacks is looked up along its PARENTCLASS chain), the skin's common colours with their
// fallbacks, the border widths of a mask, the cached indexes of often-used masks, and the skin transfer
// block that an external skin editor sends. The skin manager answers through these; they read only the
// tables, so they are portable and tested natively.
#pragma once
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include "skin/manager/sConst.h"
#include "skin/manager/sSkinOptions.h"

// The tables of one loaded skin, borrowed.
struct TsSkinTables {
  const TsGeneralDataArray& Sections;
  const TsMaskArray& Masks;
  const TsPatternArray& Patterns;
};

// ---- indexes by name (-1 when absent; never raise) ----

// The first section of that name (exact comparison); -1 for an empty name.
Integer FindSkinIndex(const TsGeneralDataArray& sections, std::string_view name);
// The first mask of the section name and key; else, when section `skinIndex` names a parent class other
// than itself, the same search under the parent, and so on up the chain. A chain that comes back to a
// section it passed ends with -1. -1 for an index outside the sections, an empty name or no mask.
Integer FindMaskIndex(const TsSkinTables& skin, Integer skinIndex, std::string_view section, std::string_view key);
// As FindMaskIndex over the texture masks (image kind 1) only.
Integer FindTextureIndex(const TsSkinTables& skin, Integer skinIndex, std::string_view section,
                         std::string_view key);
// As FindMaskIndex over the pattern table.
Integer FindPatternIndex(const TsSkinTables& skin, Integer skinIndex, std::string_view section,
                         std::string_view key);
// The first mask with both names, without inheritance.
Integer FindMaskIndexByNames(const TsMaskArray& masks, std::string_view section, std::string_view key);

// ---- colours ----

// The system colours (as RGB) that stand in where the skin has no answer.
struct TsSystemColors {
  Integer BtnFace = 0xF0F0F0;
  Integer Window = 0xFFFFFF;
  Integer WindowText = 0;
  Integer Highlight = 0xD77800;
  Integer HighlightText = 0xFFFFFF;
};

inline constexpr Integer kSkinNoColor = 0xFF00FF;

// COLOR of the common section, else the button face.
Integer SkinGlobalColor(const TsGeneralDataArray& sections, Integer commonIndex, const TsSystemColors& system);
// FONTCOLOR of the common section, else kSkinNoColor.
Integer SkinGlobalFontColor(const TsGeneralDataArray& sections, Integer commonIndex);
// HOTCOLOR of the common section, else the window colour.
Integer SkinWindowColor(const TsGeneralDataArray& sections, Integer commonIndex, const TsSystemColors& system);
// The normal font colour of section EDIT, else the window text colour.
Integer SkinEditFontColor(const TsGeneralDataArray& sections, const TsSystemColors& system);
// The colour of section SELECTION (its hot state when asked and it has one); when that is -1 or
// kSkinNoColor, MENUITEM's HOTCOLOR unless that is kSkinNoColor, white or -1; else the highlight colour.
Integer SkinHighlightColor(const TsGeneralDataArray& sections, bool hot, const TsSystemColors& system);
// The same for the font: SELECTION's font colour by state, MENUITEM's HOTFONTCOLOR unless -1 or
// kSkinNoColor, else the highlight text colour.
Integer SkinHighlightFontColor(const TsGeneralDataArray& sections, bool hot, const TsSystemColors& system);

// ---- border widths of a mask ----

// The mask's own width when above 0, else the common border width when above 0, else the width of a
// state image (left, right) or the height of an image row (top, bottom).
Integer MaskLeftWidth(const TsMaskData& mask);
Integer MaskTopHeight(const TsMaskData& mask);
Integer MaskRightWidth(const TsMaskData& mask);
Integer MaskBottomHeight(const TsMaskData& mask);

// ---- cached indexes ----

// Masks of GLOBALINFO drawn by check boxes and radio buttons, in this order.
enum TsCheckGlyph {
  cgBoxChecked, cgBoxUnchecked, cgBoxGrayed, cgRadioChecked, cgRadioUnchecked, cgRadioGrayed,
  cgSmallChecked, cgSmallUnchecked, cgSmallGrayed, cgCheckGlyphCount
};
// Masks of GLOBALINFO drawn on title bars, in this order.
enum TsTitleButtonMask {
  tbBigClose, tbBigCloseAlone, tbBigMax, tbBigNorm, tbBigMin, tbBigHelp,
  tbSmallClose, tbSmallMax, tbSmallNorm, tbSmallMin, tbSmallHelp, tbTitleButtonCount
};
enum TsTabSide { tsTop, tsBottom, tsLeft, tsRight, tsTabSideCount };
enum TsScrollButton { sbTop, sbBottom, sbLeft, sbRight, sbSliderV, sbSliderH, sbScrollButtonCount };
enum TsScrollTrack { stTrack1H, stTrack1V, stTrack2H, stTrack2V, stScrollTrackCount };

// A section and the indexes painters take from it.
struct TsCachedSection {
  SmallInt SkinIndex = -1;
  SmallInt BorderMask = -1;
  SmallInt GlyphMask = -1;
  SmallInt Texture = -1;     // PATTERN
  SmallInt HotTexture = -1;  // HOTPATTERN
  friend bool operator==(const TsCachedSection&, const TsCachedSection&) = default;
};

struct TsCommonIndexes {
  SmallInt CommonSkin = -1;  // GLOBALINFO
  std::array<SmallInt, cgCheckGlyphCount> CheckGlyphs{};
  SmallInt ExBorder = -1;
  SmallInt GripImage = -1, GripHorz = -1, GripVert = -1;
  TsCachedSection ComboButton;  // COMBOBTN; its GlyphMask is COMBOBOX's GLYPHMASK
  std::array<TsCachedSection, tsTabSideCount> Tabs{};
  std::array<TsCachedSection, sbScrollButtonCount> ScrollButtons{};
  std::array<SmallInt, tbTitleButtonCount> TitleButtons{};
  std::array<TsCachedSection, stScrollTrackCount> ScrollTracks{};
  SmallInt WebButton = -1;

  TsCommonIndexes() {
    CheckGlyphs.fill(-1);
    TitleButtons.fill(-1);
  }
};

// Computes the cached indexes, and for every section but the common one its BORDERSMASK, IMGTOPLEFT,
// IMGTOPRIGHT, IMGBTMLEFT and IMGBTMRIGHT masks, its PATTERN texture (section and normal state) and,
// when it has a hot state, its HOTPATTERN texture for that state.
TsCommonIndexes UpdateCommonIndexes(TsGeneralDataArray& sections, const TsMaskArray& masks,
                                    const TsPatternArray& patterns);

// ---- colour shift and shadows ----

// Saturation shifts are taken modulo 101 (150 acts as 49, -150 as -49).
Integer NormalizedSaturation(Integer saturation);

struct TsShadowSize {
  Integer Left = 0, Top = 0, Right = 0, Bottom = 0;
  friend bool operator==(const TsShadowSize&, const TsShadowSize&) = default;
};
// The margins of the extended-border shadow: from the EXBORDER mask's border widths less FORMOFFSET,
// FORMOFFSET on every side when BORDERMODE is set, 9 on every side without the mask (the built-in
// shadow images). Never negative.
TsShadowSize ExtendedShadowSize(const TsMaskData* exBorder, const TsSkinData& data);

// ---- the skin transfer block ----

// The block an external skin editor sends with WM_COPYDATA: magic 0xA400 at 0, then three 8-bit
// zero-terminated fields: the skin's name (128 bytes at 4), its folder (513 at 132) and its options text
// (30001 at 645).
inline constexpr Cardinal kSkinTransferMagic = 0xA400;
inline constexpr std::size_t kSkinTransferBlockSize = 30646;

struct TsSkinTransfer {
  AnsiString Name;
  AnsiString Directory;
  AnsiString Options;
};
// Nothing for a block that is shorter than the layout or lacks the magic. A field without its zero ends
// at the end of its room; nothing is read past `size`.
std::optional<TsSkinTransfer> ReadSkinTransferBlock(const void* data, std::size_t size);
