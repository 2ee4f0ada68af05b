// Captions of skinned controls drawn in the colours of their skin section: the state's font colour, a
// one-pixel contour on any of the four sides, a soft glow behind the text written into the control's
// cache, a grey-out for disabled text and an underline for the hot "WEBBUTTON" section; and the small
// text routines that the painters share. Text is the system's 8-bit (Windows-1250) text, drawn through
// the wide functions.
#pragma once
#include <memory>
#include "vcl/gui/Geometry.h"
#include "vcl/gui/Win.h"
#include "vcl/rtl/SysTypes.h"

class TBitmap;
class TCanvas;
class TsCommonData;
class TsSkinManager;

// DrawText of the whole string; with DT_CALCRECT the rect receives the measured extent. The height of
// the text drawn, 0 for an empty text.
Integer DrawTextStr(HDC dc, const AnsiString& text, TRect& rect, UINT format);
// GetTextExtentPoint32 of the whole string in the DC's font: X the width, Y the height.
TPoint TextExtentStr(HDC dc, const AnsiString& text);
// The text shortened with "..." to the width in the canvas's font (sTextFit.h).
AnsiString ShortenTextToWidth(TCanvas& canvas, const AnsiString& text, Integer width);

// A control's caption in its own section's colours. An unskinned host, or one with CustomFont, draws
// in the canvas's font colour, disabled text embossed (the 3-D highlight one pixel lower right, then
// the 3-D shadow in place). Skinned: a hot "WEBBUTTON" caption is underlined (this caption only); the
// state's glow goes into the host's cache (when it has one and the glow size is not 0); disabled text
// takes the normal font colour mixed 40% with the manager's global colour; enabled text gets its
// contours (left, top, right, bottom, one pixel out) and then the font colour; colours shifted by the
// host's hue and saturation. Check boxes, group boxes and graphic controls with ParentFont over a
// see-through state take the font colours of their parents' section. An empty text draws nothing; the
// DC and the canvas's font come back as they were.
void DrawControlTextEx(TCanvas& canvas, const AnsiString& text, bool enabled, bool hot, TsCommonData& data,
                       UINT format, const TRect& rect);
inline void DrawControlText(TCanvas& canvas, const AnsiString& text, bool enabled, bool hot, TsCommonData& data,
                            UINT format, const TRect& rect) {
  DrawControlTextEx(canvas, text, enabled, hot, data, format, rect);
}

// Text in the colours of a section given by index (manager nil: the default manager), over a clear
// background: enabled, the state's contours and font colour; disabled, the canvas's font colour becomes
// the normal font colour mixed 40% with the section's colour. An invalid section draws in the canvas's
// colours. No hue or saturation shift.
void DrawSectionTextEx(TCanvas& canvas, const AnsiString& text, bool enabled, TsSkinManager* manager, Integer state,
                       Integer section, UINT format, const TRect& rect);
inline void DrawSectionText(TCanvas& canvas, const AnsiString& text, bool enabled, TsSkinManager* manager,
                            Integer state, Integer section, UINT format, const TRect& rect) {
  DrawSectionTextEx(canvas, text, enabled, manager, state, section, format, rect);
}

// Bits of DrawTextOnBitmap's sides: the text is also drawn one pixel off in those directions.
enum : Integer { gsLeft = 1, gsUp = 2, gsRight = 4, gsDown = 8, gsAllSides = 15 };
// Writes a blurred shadow of the text (the glow) in glowColor into the 32-bit bitmap: the text in the
// bitmap's canvas font, drawn black on white into an 8-bit mask of the text rect (rect moved by one
// pixel right and down) grown by glowSize + 4 on every side, with the sides' offsets, then blurred by
// glowSize; dark mask pixels take the glow colour and become opaque (ApplyGlowMask). A mask that is
// already 8-bit and of that size is reused as it is (the caller keeps one per text): only a new or
// resized mask is drawn and blurred.
void DrawTextOnBitmap(TBitmap& bitmap, const AnsiString& text, const TRect& rect, std::unique_ptr<TBitmap>& mask,
                      Integer glowColor, Integer glowSize, Integer sides, UINT format);
// The same for text that is already wide (a foreign window's text).
void DrawTextOnBitmap(TBitmap& bitmap, const WideString& text, const TRect& rect, std::unique_ptr<TBitmap>& mask,
                      Integer glowColor, Integer glowSize, Integer sides, UINT format);
// The glow under a caption in the text section's colours: the state's glow size and colour (the hot
// ones while active) through DrawTextOnBitmap on every side, the caller's mask kept for that state
// and that text. Nothing when the size is 0, nor for skins up to version 7.5 in a 32-bit process without
// composition (their glow would show as a dark halo).
void DrawCaptionGlow(TBitmap& bitmap, const TsSkinManager& manager, Integer section, bool active, const WideString& text,
                     const TRect& rect, std::unique_ptr<TBitmap>& mask, UINT format);
