// The records a loaded skin lives in: sections (TsGeneralData), masks cut from the skin's images
// (TsMaskData), tiled patterns (TsPatternData) and the gradient steps of a section's background
// (TsGradArray), plus the two size functions of a mask. The options reader fills them on every skin
// load; lookups and painters read them. Indexes into the manager's arrays are -1 when absent.
// Portable: no Win32 here, so option parsing and pixel code can be tested natively.
#pragma once
#include <array>
#include <memory>
#include <vector>
#include "vcl/rtl/SysTypes.h"
#include "vcl/rtl/Types.h"

class TBitmap;
class TGraphic;
class TsSkinManager;

// The painting modes of a gradient; only the first step's mode counts.
enum TsGradientMode : Integer { gmVertical = 0, gmHorizontal = 1, gmTriangles = 2 };

// One gradient step. Colours are component-library colour values (red in the low byte).
struct TsGradStep {
  Integer Color1 = 0;   // colour on the step's first row (column)
  Integer Color2 = 0;   // colour on its last row (column)
  Byte Percent = 0;     // the step's share of the painted length, 0..100
  Integer Mode = 0;     // TsGradientMode; other values paint nothing
  Integer Reserved = 0;
  friend bool operator==(const TsGradStep&, const TsGradStep&) = default;
};
using TsGradArray = std::vector<TsGradStep>;

inline constexpr Integer clNoContour = -1;

// The values of one state as the options text gives them ("COLOR" ... "TCBOTTOM", or "HOTCOLOR" ...
// "HOTTCBOTTOM"); sections inherit these flat copies from their parent section.
struct TsStateValues {
  Integer Color = 0;             // background colour
  Integer Transparency = 0;      // 0..100; 100 lets the parent's background show
  Integer GradientPercent = 0;   // share of the gradient in the background, 0..100
  AnsiString GradientData;       // the gradient description text
  TsGradArray GradientArray;     // parsed from GradientData
  Integer ImagePercent = 0;      // share of the texture image in the background
  Integer TextColor = 0;
  Integer ContourLeft = clNoContour;
  Integer ContourTop = clNoContour;
  Integer ContourRight = clNoContour;
  Integer ContourBottom = clNoContour;
};

// One state of a section as the painters read it: the state's values, with its texture and glow.
struct TsGenState : TsStateValues {
  Integer Texture = -1;  // mask index of the state's texture
  Integer GlowColor = 0;
  Byte GlowSize = 0;
};

// Index 0 is the normal state, index 1 the hot state.
using TsProps = std::array<TsGenState, 2>;

// One section of the skin (one kind of element, "BUTTON", "FORMTITLE"...).
struct TsGeneralData {
  AnsiString ClassName;     // upper case
  AnsiString ParentClass;   // the section it inherits from ("PARENTCLASS")
  Integer States = 3;       // more than 1: a hot state exists
  TsProps Props;
  bool GiveOwnFont = false;
  bool ReservedBoolean = false;
  bool ShowFocus = false;
  Integer GlowLevel = 0;    // "GLOW"; 0 = no glow
  Integer GlowOffset = 0;   // "GLOWMARGIN"
  Integer BorderMask = -1;  // mask indexes of "BORDERSMASK", "IMGTOPLEFT", "IMGTOPRIGHT", "IMGBTMLEFT",
  Integer ImgTopLeft = -1;  // "IMGBTMRIGHT"
  Integer ImgTopRight = -1;
  Integer ImgBottomLeft = -1;
  Integer ImgBottomRight = -1;
  Integer TextureIndex = -1;  // "PATTERN"
  TsStateValues Normal;
  TsStateValues Hot;
  bool FadingEnabled = false;
  Integer FadingIterations = 5;
  Integer HotGlowColor = 0;  // "HGCOL"
  Integer GlowColor = 0;     // "GCOL"
  Byte HotGlowSize = 0;      // "HGSIZE"
  Byte GlowSize = 0;         // "GSIZE"
};

// How a mask's text in the options gave it.
enum TsMaskImgType : Byte { itBorders = 0, itTexture = 1, itSimple = 2 };

// One mask or image of the skin.
struct TsMaskData {
  // The mask's own image; none when the mask is cut from the skin's master bitmap. Shared so that the
  // records stay plain values; one record holds it in practice.
  std::shared_ptr<TBitmap> Image;
  AnsiString PropertyName;  // the mask's key in its section ("BORDERSMASK", "GLYPHMASK", ...)
  AnsiString ClassName;     // the section it belongs to
  TRect R;                 // in the master bitmap or in Image
  SmallInt ImageCount = 0;  // state images side by side (0 or 1: one)
  SmallInt MaskType = 0;    // rows: -1 none, 0 images only, n images and n mask rows below
  SmallInt BorderWidth = 0;
  SmallInt DrawFlags = 0;   // bit 0: old skin whose mask centre is one pixel
  Byte ImgType = itBorders;
  TsSkinManager* Manager = nullptr;  // the owner, not owned
  SmallInt WL = 0;          // border widths, 0 = not given
  SmallInt WT = 0;
  SmallInt WR = 0;
  SmallInt WB = 0;
  SmallInt Flags = 0;
};

// A tiled background image.
struct TsPatternData {
  std::shared_ptr<TGraphic> Img;
  AnsiString PropertyName;
  AnsiString ClassName;
};

using TsMaskArray = std::vector<TsMaskData>;
using TsPatternArray = std::vector<TsPatternData>;
using TsGeneralDataArray = std::vector<TsGeneralData>;

// Width of one state image: 0 without images, else the width of R shared among ImageCount images.
Integer MaskStateWidth(const TsMaskData& mask);
// Height of one image row: 0 for mask type -1 (and any other negative type, which a damaged "!" line
// can store), the height of R for type 0, else the height of R divided among the n image rows and
// the n mask rows below them.
Integer MaskStateHeight(const TsMaskData& mask);
