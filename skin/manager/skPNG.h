// The PNG reader's portable core: it reads a PNG file (every colour type and bit depth, interlaced or
// not) into 32-bit pixels B, G, R, A with alpha, so that skin images keep their transparency whatever
// their format. The Windows bitmap class over it is TPNGGraphic (skPNGGraphic.h).
//
// Everything in the file is checked before use: signature, chunk lengths against the bytes left, CRCs,
// dimensions (at most kMaxPNGPixels pixels), palette sizes and the amount of image data. A damaged file
// raises EInvalidGraphic with one of the reader's messages; memory grows only with data that arrives.
#pragma once
#include <vector>
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Stream.h"

#if defined(_WIN32)
#include "vcl/gui/Graphic.h"  // EInvalidGraphic
#else
// Natively there is no GUI layer; the reader raises a class of the same name and meaning.
QN_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
#endif
// inflate could not be set up ("LZ77 decompression error.").
QN_DECLARE_EXCEPTION(EGraphicCompression, EInvalidGraphic);

// Colour schemes of image data (the PNG colour types map to 1..5).
enum TColorScheme : Byte {
  csUnknown = 0, csIndexed = 1, csG = 2, csGA = 3, csRGB = 4, csRGBA = 5, csBGR = 6, csBGRA = 7
};

// The largest image decoded: 64 M pixels (256 MB of pixels, at most 512 MB of image data for 16-bit
// RGBA), far beyond any skin image, so that a small file claiming a huge size is refused before any
// memory is taken ("Cannot load image. The PNG image of W x H pixels is larger than 67108864 pixels.").
inline constexpr Int64 kMaxPNGPixels = Int64{1} << 26;

// What the header chunks of a PNG say.
struct TPNGImageProperties {
  Cardinal Width = 0;
  Cardinal Height = 0;
  Byte BitsPerSample = 0;
  Byte SamplesPerPixel = 0;
  Byte BitsPerPixel = 0;
  TColorScheme ColorScheme = csUnknown;
  Byte Compression = 0;  // 0 = LZ77 (deflate), the only method PNG defines
  double FileGamma = 1.0;  // from gAMA (value / 100000); 1 without one
  Byte FilterMethod = 0;
  bool Interlaced = false;  // Adam7
  bool HasAlpha = false;    // grey with alpha, RGBA
};

// A decoded image: Pixels holds Width x Height values, top row first, each 0xAARRGGBB (in memory the
// bytes B, G, R, A, the layout of a 32-bit bitmap's scan line).
struct TPNGPixels {
  Integer Width = 0;
  Integer Height = 0;
  std::vector<Cardinal> Pixels;
  TPNGImageProperties Properties;
  // The tRNS colour of a grey or RGB image as a colour value 0x00BBGGRR (pixels of that colour also
  // get alpha 0); for indexed images tRNS gives the palette entries their alpha instead.
  bool HasTransparentColor = false;
  Cardinal TransparentColor = 0;

  Cardinal Pixel(Integer x, Integer y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
};

// Reads the signature, the header and the gamma from the stream's position: true when the stream holds
// a PNG with non-zero width and height. A header with a wrong CRC raises the CRC error.
bool ReadPNGImageProperties(TStream& stream, TPNGImageProperties& properties);

// Reads one PNG from the stream's position (the stream is left after its IEND chunk).
TPNGPixels ReadPNG(TStream& stream);

// Sets every pixel that is exactly 0x00FFFFFF (white with alpha 0) to 0.
void ClearWhite(Cardinal* pixels, size_t count);
