#include "skin/forms/sSkinText.h"

#include "skin/forms/sCommonData.h"
#include "skin/forms/sPixelRoutines.h"
#include "skin/forms/sTextFit.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sColorShift.h"
#include "skin/manager/sSkinManager.h"
#include "skin/manager/skntSystem.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/Control.h"
#include "vcl/gui/GraphicControl.h"
#include "vcl/rtl/TextConv.h"

namespace {

// The system colours of the emboss of disabled text, taken by number: 20 the 3-D highlight, 16 the
// 3-D shadow.
constexpr Integer kEmbossLight = static_cast<Integer>(0xFF000014u);
constexpr Integer kEmbossShadow = static_cast<Integer>(0xFF000010u);

// The kinds whose text follows their parent's font section (check boxes and the group box).
bool FollowsParentFont(Integer kind) { return kind == 32 || kind == 33 || kind == 74; }

TRect Moved(const TRect& r, Integer dx, Integer dy) { return TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }

void DrawIn(HDC dc, const WideString& text, const TRect& rect, UINT format, Integer color) {
  SetTextColor(dc, ColorToRGB(static_cast<TColor>(color)));
  RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
  DrawTextW(dc, reinterpret_cast<LPCWSTR>(text.c_str()), static_cast<int>(text.size()), &r, format);
}

// The four contours in the order left, top, right, bottom, each one pixel out; -1 draws none.
void DrawContours(HDC dc, const WideString& text, const TRect& rect, UINT format, const TsStateValues& state,
                  Integer (*shift)(const TsCommonData*, Integer), const TsCommonData* data) {
  const struct {
    Integer color, dx, dy;
  } sides[] = {{state.ContourLeft, -1, 0}, {state.ContourTop, 0, -1}, {state.ContourRight, 1, 0},
               {state.ContourBottom, 0, 1}};
  for (const auto& side : sides)
    if (side.color != clNoContour) DrawIn(dc, text, Moved(rect, side.dx, side.dy), format, shift(data, side.color));
}

Integer Shifted(const TsCommonData* data, Integer color) {
  return data == nullptr ? color : ChangeColorSaturation(ChangeColorHue(data->HueShift, color), data->SaturationShift);
}

// Saves the DC and selects the canvas's font for the drawing (the canvas selects it lazily); restores
// the DC on every path.
class TTextDC {
 public:
  TTextDC(TCanvas& canvas) : dc_(canvas.Handle()), saved_(SaveDC(dc_)) {
    SelectObject(dc_, canvas.Font().Handle());
    SetBkMode(dc_, TRANSPARENT);
  }
  ~TTextDC() { RestoreDC(dc_, saved_); }
  TTextDC(const TTextDC&) = delete;
  TTextDC& operator=(const TTextDC&) = delete;
  HDC Handle() const { return dc_; }

 private:
  HDC dc_;
  int saved_;
};

TsByteView ByteViewOf(TBitmap& bitmap) {
  if (bitmap.Empty() || bitmap.PixelFormat() != pf8bit) return {};
  auto* top = static_cast<Byte*>(bitmap.ScanLine(0));
  std::ptrdiff_t stride = bitmap.ScanLineSize();
  if (bitmap.Height() > 1) stride = static_cast<Byte*>(bitmap.ScanLine(1)) - top;
  return TsByteView{top, bitmap.Width(), bitmap.Height(), stride};
}

}  // namespace

Integer DrawTextStr(HDC dc, const AnsiString& text, TRect& rect, UINT format) {
  if (text.empty()) return 0;
  const WideString w = Cp1250ToUtf16(text);
  RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
  const int height = DrawTextW(dc, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &r, format);
  rect = TRect{r.left, r.top, r.right, r.bottom};
  return height;
}

TPoint TextExtentStr(HDC dc, const AnsiString& text) {
  const WideString w = Cp1250ToUtf16(text);
  SIZE size{};
  if (!GetTextExtentPoint32W(dc, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &size)) return {};
  return TPoint{size.cx, size.cy};
}

AnsiString ShortenTextToWidth(TCanvas& canvas, const AnsiString& text, Integer width) {
  return ShortenTextToWidth(text, width, [&](const AnsiString& t) { return canvas.TextWidth(t); });
}

void DrawControlTextEx(TCanvas& canvas, const AnsiString& text, bool enabled, bool hot, TsCommonData& data,
                       UINT format, const TRect& rect) {
  if (text.empty()) return;
  TsSkinManager* manager = data.GetSkinManager();
  // The underline is this caption's only: the font's style comes back afterwards, or later text on
  // the same canvas would stay underlined.
  const TFontStyles style = canvas.Font().Style();
  const bool web = hot && manager != nullptr && data.SectionIndex >= 0 &&
                   data.SectionIndex == manager->GetSkinIndex("WEBBUTTON");
  if (web) canvas.Font().SetStyle(style + TFontStyles{fsUnderline});
  struct TRestoreStyle {
    TCanvas& canvas;
    TFontStyles style;
    bool active;
    ~TRestoreStyle() {
      if (active) canvas.Font().SetStyle(style);
    }
  } restoreStyle{canvas, style, web};

  const WideString w = Cp1250ToUtf16(text);
  TTextDC dc(canvas);
  IntersectClipRect(dc.Handle(), rect.Left, rect.Top, rect.Right, rect.Bottom);
  const Integer fontColor = static_cast<Integer>(canvas.Font().Color());
  if (!data.Skinned() || data.CustomFont) {
    if (enabled) {
      DrawIn(dc.Handle(), w, rect, format, fontColor);
    } else {
      DrawIn(dc.Handle(), w, Moved(rect, 1, 1), format, kEmbossLight);
      DrawIn(dc.Handle(), w, rect, format, kEmbossShadow);
    }
    return;
  }
  const Integer s = hot ? 1 : 0;
  Integer section = data.SectionIndex;
  TControl* host = data.HostControl;
  if (host != nullptr && (FollowsParentFont(data.ControlKind) || dynamic_cast<TGraphicControl*>(host) != nullptr) &&
      host->ParentFont() && host->Parent() != nullptr &&
      manager->gd[static_cast<size_t>(section)].Props[static_cast<size_t>(s)].Transparency > 0)
    section = ParentSectionIndex(host, data.SectionIndex, *manager, 0);
  if (!manager->IsValidSkinIndex(section)) {
    DrawIn(dc.Handle(), w, rect, format, fontColor);
    return;
  }
  const TsGeneralData& gd = manager->gd[static_cast<size_t>(section)];
  const TsGenState& state = gd.Props[static_cast<size_t>(SectionPaintState(gd, s))];
  if (data.CacheBitmap && !data.CacheBitmap->Empty() && state.GlowSize != 0) {
    std::unique_ptr<TBitmap> mask;
    DrawTextOnBitmap(*data.CacheBitmap, text, rect, mask, Shifted(&data, state.GlowColor), state.GlowSize, gsAllSides,
                     format);
  }
  if (!enabled) {
    DrawIn(dc.Handle(), w, rect, format,
           Shifted(&data, BlendColors(gd.Props[0].TextColor, manager->GetGlobalColor(), 0.4)));
    return;
  }
  DrawContours(dc.Handle(), w, rect, format, state, Shifted, &data);
  DrawIn(dc.Handle(), w, rect, format | DT_NOCLIP, Shifted(&data, state.TextColor));
}

void DrawSectionTextEx(TCanvas& canvas, const AnsiString& text, bool enabled, TsSkinManager* manager, Integer state,
                       Integer section, UINT format, const TRect& rect) {
  if (text.empty()) return;
  if (manager == nullptr) manager = TsSkinManager::DefaultManager();
  const TsGeneralData* gd = manager != nullptr && manager->IsValidSkinIndex(section)
                                ? &manager->gd[static_cast<size_t>(section)]
                                : nullptr;
  if (gd != nullptr && !enabled)
    canvas.Font().SetColor(static_cast<TColor>(BlendColors(gd->Props[0].TextColor, gd->Props[0].Color, 0.4)));
  const WideString w = Cp1250ToUtf16(text);
  TTextDC dc(canvas);
  Integer color = static_cast<Integer>(canvas.Font().Color());
  if (gd != nullptr && enabled) {
    const TsGenState& values = gd->Props[static_cast<size_t>(SectionPaintState(*gd, state))];
    DrawContours(dc.Handle(), w, rect, format, values, Shifted, nullptr);
    color = values.TextColor;
  }
  DrawIn(dc.Handle(), w, rect, format, color);
}

void DrawTextOnBitmap(TBitmap& bitmap, const AnsiString& text, const TRect& rect, std::unique_ptr<TBitmap>& mask,
                      Integer glowColor, Integer glowSize, Integer sides, UINT format) {
  DrawTextOnBitmap(bitmap, Cp1250ToUtf16(text), rect, mask, glowColor, glowSize, sides, format);
}

void DrawTextOnBitmap(TBitmap& bitmap, const WideString& w, const TRect& rect, std::unique_ptr<TBitmap>& mask,
                      Integer glowColor, Integer glowSize, Integer sides, UINT format) {
  const TsPixelView target = PixelViewOf(bitmap);
  if (target.IsEmpty() || w.empty() || glowSize < 0) return;
  const Integer margin = glowSize + 4;
  const TRect textRect = Moved(rect, 1, 1);
  const TRect area{textRect.Left - margin, textRect.Top - margin, textRect.Right + margin, textRect.Bottom + margin};
  if (area.Width() <= 0 || area.Height() <= 0) return;
  const bool reuse = mask && mask->PixelFormat() == pf8bit && mask->Width() == area.Width() &&
                     mask->Height() == area.Height();
  if (!reuse) {
    if (!mask) mask = std::make_unique<TBitmap>();
    mask->SetPixelFormat(pf8bit);
    mask->SetSize(area.Width(), area.Height());
    TCanvas& canvas = mask->Canvas();
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect(TRect{0, 0, area.Width(), area.Height()});
    canvas.SetFont(bitmap.Canvas().Font());
    canvas.Font().SetColor(clBlack);
    canvas.Brush().SetStyle(bsClear);
    {
      TTextDC dc(canvas);
      const TRect place{margin, margin, margin + rect.Width(), margin + rect.Height()};
      const struct {
        Integer bit, dx, dy;
      } offsets[] = {{gsLeft, -1, 0}, {gsUp, 0, -1}, {gsRight, 1, 0}, {gsDown, 0, 1}};
      for (const auto& o : offsets)
        if ((sides & o.bit) != 0) DrawIn(dc.Handle(), w, Moved(place, o.dx, o.dy), format, 0);
      DrawIn(dc.Handle(), w, place, format, 0);
    }
    GdiFlush();
    BlurGray8(ByteViewOf(*mask), glowSize);
  }
  GdiFlush();
  ApplyGlowMask(target, ByteViewOf(*mask), area.Left, area.Top, glowColor);
}

void DrawCaptionGlow(TBitmap& bitmap, const TsSkinManager& manager, Integer section, bool active, const WideString& text,
                     const TRect& rect, std::unique_ptr<TBitmap>& mask, UINT format) {
  if (!manager.IsValidSkinIndex(section) || (Wow64WithoutComposition() && manager.SkinData.Version <= 7.5)) return;
  const TsGenState& values = manager.gd[static_cast<size_t>(section)].Props[active ? 1 : 0];
  if (values.GlowSize != 0)
    DrawTextOnBitmap(bitmap, text, rect, mask, values.GlowColor, values.GlowSize, gsAllSides, format);
}
