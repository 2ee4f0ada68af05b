// Reading a skin's options text ("Options.dat", an INI text with case-sensitive names) into the skin
// records: the values of GLOBALINFO, one TsGeneralData per section with inheritance along PARENTCLASS,
// and the image references that become masks. Also the rules of naming and finding skins that need no
// file system: the packed extension, the separator rule, the resolution of a relative skin folder and
// the version rule. Portable: the images themselves are loaded by the skin manager.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include "skin/manager/sConst.h"
#include "skin/manager/sPixelView.h"
#include "vcl/rtl/IniFiles.h"

class TStrings;

// The skin's common data: GLOBALINFO's values and where the skin came from.
struct TsSkinData {
  bool Active = false;
  double Version = 0;
  AnsiString SkinPath;  // folder of a folder skin, with a trailing "\"; empty for stored skins
  AnsiString Author;
  AnsiString Description;
  AnsiString MasterBitmap;
  SmallInt BorderWidth = 4;
  SmallInt TitleHeight = 30;
  SmallInt MaxHeight = 0;  // 0 = TitleHeight
  SmallInt FormOffset = 0;
  SmallInt AlignOffset = 0;
  SmallInt CenterOffset = 0;
  SmallInt BorderMode = 0;
  Integer Shadow1Color = 0;
  SmallInt Shadow1Offset = 0;
  SmallInt Shadow1Blur = -1;
  SmallInt Shadow1Transparency = 0;
  SmallInt BISpacing = 0;
  SmallInt BIVAlign = 0;
  SmallInt BIRightMargin = 0;
  SmallInt BILeftMargin = 0;
  SmallInt BITopMargin = 0;
  Integer BorderColor = 0;
  SmallInt BIKeepHUE = 0;
  SmallInt BICloseGlow = 0;
  SmallInt BIMaxGlow = 0;
  SmallInt BIMinGlow = 0;
  SmallInt BICloseGlowMargin = 0;
  SmallInt BIMaxGlowMargin = 0;
  SmallInt BIMinGlowMargin = 0;
  bool AeroBlur = false;
  Integer ExtShadow = 0;
};

inline constexpr const char* kGlobalInfo = "GLOBALINFO";

// Reads GLOBALINFO (VERSION included). Keys whose value must be a number (SHADOW1OFFSET, SHADOW1BLUR,
// SHADOW1TRANSPARENCY and the glow sizes and margins) raise EConvertError for text that is no number;
// the others fall back to their defaults. systemFrameWidth is FORMOFFSET's default. Sizes (border
// width, title heights, glow sizes) outside 0..kMaxSkinSize and a shadow transparency outside 0..100
// refuse the skin (RaiseSkinValueError).
void ReadGlobalInfo(const TMemIniFile& ini, TsSkinData& data, Integer systemFrameWidth);

// ---- sections ----

// The colour conversion applied to values inherited from a parent section (system colour constants
// become RGB); the identity where no system colours exist.
using TsColorToRGB = std::function<Integer(Integer)>;

// Fills `sections` (emptied first) with one record per section of the text, in text order, then
// appends the sections of `commonSections` (application-supplied INI lines; a section the skin has
// already changes nothing). A PARENTCLASS chain that comes back to a section it passed ends there, as a
// missing parent. A gradient text that is no gradient raises EConvertError. Values the painters compute
// with are checked where they are read and refuse the skin (RaiseSkinValueError) outside their meaning:
// the percentages (transparency, gradient and image share) 0..100, STATES 1..kMaxSkinCount, the glow
// sizes 0..255 (GSIZE) and 0..kMaxSkinSize (GLOW), FADINGITERATIONS 0..kMaxSkinCount.
void ReadSkinSections(const TMemIniFile& ini, const TStrings* commonSections, const TsColorToRGB& colorToRGB,
                      TsGeneralDataArray& sections);

// CommonSections lines as an INI (";" lines skipped, "[NAME]" opens a section, KEY=value lines); the
// integers there may also be written "0x..".
void LoadCommonSections(const TStrings& lines, TMemIniFile& ini);

// ---- image values ----

enum class TsMaskForm {
  None,       // not an image reference
  Glyph,      // "@LLLL@TTTT@RRRR@BBBB@c@t": a glyph cut from the master bitmap
  Borders,    // "^...": a border mask cut from the master bitmap
  Texture,    // "~LLLL~TTTT~RRRR~BBBB~ddt": a texture cut from the master bitmap
  OwnImage,   // "!FILE!c!t!k!wl!wt!wr!wb!d": an image file of its own
  PlainFile,  // a ".BMP" file name: an image of its own with three states
  Bracketed   // "... (l,t,r,b) (c,t,w,d)" holding "#": a border mask cut from the master bitmap
};

// What an image value says. For the forms with an image of their own, R is filled once the image is
// loaded (the whole image) and the default widths are applied then.
struct TsMaskValue {
  TsMaskForm Form = TsMaskForm::None;
  AnsiString FileName;     // OwnImage and PlainFile: the name as written
  TRect R;
  Integer ImageCount = 1;
  Integer MaskType = 0;
  Integer BorderWidth = 0;  // common border width
  Integer DrawMode = 0;
  Integer ImgType = itBorders;
  Integer WL = 0, WT = 0, WR = 0, WB = 0;
  bool NeedsDefaultWidths = false;  // compute the widths from R when the image is known

  bool FromMaster() const {
    return Form == TsMaskForm::Glyph || Form == TsMaskForm::Borders || Form == TsMaskForm::Texture ||
           Form == TsMaskForm::Bracketed;
  }
};

// Classifies and parses one value. The fixed-column forms raise EConvertError when a column holds no
// number (a value shorter than its template included); the "!" and bracketed forms read such fields as
// 0. An "!" value whose file is neither ".BMP" nor ".PNG" gives None. `version` is the skin's VERSION
// (old skins below 7.4 get their draw mode from the mask's shape).
TsMaskValue ParseMaskValue(std::string_view value, double version);

// The default border widths: all the common width when it is given, else a third of a state image's
// width and of an image row's height. A count below 1 counts as 1, a negative mask type as 0.
void ApplyDefaultBorderWidths(TsMaskValue& mask);

// Bounds of the numbers a skin gives: sizes in pixels (borders, glows, title heights), counts (states,
// fading steps) and the side of a mask's rectangle.
inline constexpr Integer kMaxSkinSize = 1024;
inline constexpr Integer kMaxSkinCount = 1000;
inline constexpr Integer kMaxSkinImageSide = 32767;

// Refuses the skin (Exception) naming the key, its section and what is wrong with the value.
[[noreturn]] void RaiseSkinValueError(const AnsiString& section, std::string_view key, const std::string& problem);

// Checks a mask value once its rectangle is known (for images of their own, after loading): the
// rectangle's size, the image count (0..width), the mask type (-1..height), the draw mode (0..99), the
// common border width and the four border widths within one state image. Raises RaiseSkinValueError.
void CheckMaskValue(const TsMaskValue& mask, const AnsiString& section, const AnsiString& key);

// Whether a value is a JPEG reference (patterns).
bool IsJpegValue(std::string_view value);

// The corner flag of a border mask: 1 when one of the four corner blocks of the first state image holds
// a key-colour pixel (0xFF00FF, whatever its alpha), else 0. Blocks are clipped to the pixels.
SmallInt ScanMaskCorners(const TsPixelView& image, const TsMaskData& mask);

// PNG pixels of a skin image: 0x00FFFFFF becomes 0; for skins newer than 7.45 the colour channels of
// every pixel are also multiplied by its alpha (channel * alpha / 256).
void PrepareSkinPngPixels(Cardinal* pixels, size_t count, double version);

// ---- names, folders and versions ----

// "Mint.cvz" (any case) -> "Mint"; a name that is only the extension stays.
AnsiString CutPackedExtension(const AnsiString& name);
// "" stays; "...\" stays; a trailing "/" becomes "\"; a bare drive letter gets ":\"; else "\" is added.
AnsiString AddSkinSeparator(const AnsiString& path);
// A skin folder as written, resolved against the program's folder (appPath ends in a separator):
// "..\x" in its parent, ".\x" and "x" in it; a drive colon or a "\\" network path as written.
AnsiString ResolveSkinDirectory(const AnsiString& directory, const AnsiString& appPath);

enum class TsVersionNotice { None, TooNew, TooOld };
// 7 <= version <= 8.99: none; above: too new; below: too old.
TsVersionNotice ClassifySkinVersion(double version);

inline constexpr const char* kTooNewSkinText =
    "This version of the skin have not complete support by used Tessaline package release.\r\n"
    "Components must be updated up to latest version for using this skin.";
AnsiString OldSkinNoticeText(const AnsiString& skinName);
