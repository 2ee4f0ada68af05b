// Reading a skin into its tables: the options text's GLOBALINFO, the master bitmap and every image
// reference (masks), the JPEG images (patterns, or textures when they are small) and the sections, with
// the application's CommonSections and the colour shift applied. Portable: the images a skin holds as
// PNG are decoded here; BMP and JPEG images go through decoders the GUI layer supplies (none natively,
// where such images add no entry). The skin manager finds the skin's source (pack, folder, stored skin)
// and takes the tables over once the whole read has succeeded.
#pragma once
#include <functional>
#include <memory>
#include <vector>
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sSkinOptions.h"

class TGraphic;
class TStream;
class TskSkinConvertor;

// A skin image in 32-bit pixels (0xAARRGGBB, key colour exactly 0x00FF00FF), top row first.
struct TsSkinImage {
  Integer Width = 0;
  Integer Height = 0;
  std::vector<Cardinal> Pixels;

  TsPixelView View() { return TsPixelView{Pixels.data(), Width, Height, Width}; }
};
using TsSkinImagePtr = std::shared_ptr<TsSkinImage>;

// A decoded JPEG: its pixels (opaque), and the picture itself, kept as the pattern of a large image.
struct TsJpegImage {
  TsSkinImagePtr Pixels;
  std::shared_ptr<TGraphic> Graphic;
};

// The decoders of the formats whose readers live in the GUI layer. Each reads the rest of the stream
// and raises on damaged data (the image is then left out); an unset one leaves its images out.
struct TsImageDecoders {
  std::function<TsSkinImagePtr(TStream&)> Bitmap;  // ".BMP": 32 bits, opaque, key pixels normalised
  std::function<TsJpegImage(TStream&)> Jpeg;      // ".JPG", ".JPEG"
};

// A JPEG image of more pixels than this stays a pattern; a smaller one becomes a texture mask.
inline constexpr Int64 kMaxTexturePixels = 899999;

struct TsSkinReadOptions {
  Integer SystemFrameWidth = 4;            // FORMOFFSET's default
  TsColorToRGB ColorToRGB;                 // system colours to RGB; the identity when unset
  const TStrings* CommonSections = nullptr;
  Integer HueOffset = 0;
  Integer Saturation = 0;
  // Called with VERSION once GLOBALINFO is read, before any image (the version notices).
  std::function<void(double version)> CheckVersion;
  TsImageDecoders Decoders;
};

// The tables of one skin. MaskImages runs parallel to Masks: the own image of each mask (nil for masks
// cut from the master bitmap); the masks' Image and Manager fields are left for the caller to set.
struct TsLoadedSkin {
  TsSkinData Data;  // SkinPath is the caller's: images of a folder skin are read relative to it
  TsGeneralDataArray Sections;
  TsMaskArray Masks;
  std::vector<TsSkinImagePtr> MaskImages;
  TsPatternArray Patterns;
  TsSkinImagePtr Master;

  // The pixels a mask is cut from: its own image, else the master bitmap (empty without either).
  TsPixelView ImageOf(size_t mask) const;
  // The section painters' view of these tables (valid while they stay as they are).
  TsSkinPixels Pixels() const;
};

// Reads the options text and the images it names, from the pack's entries when a pack is given, else
// from files relative to tables.Data.SkinPath. Raises (and the caller keeps its previous skin) on a
// number that is no number where one must be, a value outside its meaning (RaiseSkinValueError) or a
// gradient that is no gradient; an image that is missing or cannot be decoded only adds no entry.
void ReadSkinTables(const TMemIniFile& ini, const TskSkinConvertor* pack, const TsSkinReadOptions& options,
                    TsLoadedSkin& tables);
// The same for a pack: its options text read as an INI text with case-sensitive names.
void ReadPackedSkinTables(TskSkinConvertor& pack, const TsSkinReadOptions& options, TsLoadedSkin& tables);

// The PNG decoder of skin images: 32 bits with alpha, white with alpha 0 cleared and, for skins newer
// than 7.45, the colours premultiplied by alpha (PrepareSkinPngPixels).
TsSkinImagePtr DecodeSkinPng(TStream& data, double version);
