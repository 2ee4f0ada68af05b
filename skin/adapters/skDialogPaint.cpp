// The dialog adapter's picture: the frame with the title, icon, caption text and title buttons in the
// cache, the window region from the border masks, and one title button painted again in its state.
#include <algorithm>

#include "skin/adapters/skDialogWnd.h"
#include "skin/forms/sBorderForm.h"
#include "skin/forms/sSectionPaint.h"
#include "skin/forms/sShadowBand.h"
#include "skin/forms/sSkinText.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"

bool RegionUpdating = false;

namespace {

constexpr UINT kCaptionFlags = DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER;
constexpr UINT kRtlCaptionFlags = kCaptionFlags | DT_RTLREADING | DT_RIGHT;

TsBgPixels Behind(const TsPixelView& view) {
  TsBgPixels bg;
  bg.Bitmap = view;
  return bg;
}

// GDI leaves the alpha byte of what it draws at 0: the rect becomes opaque again.
void MakeOpaque(const TsPixelView& view, const TRect& rect) {
  for (Integer y = std::max<Integer>(rect.Top, 0); y < std::min(rect.Bottom, view.Height); ++y) {
    Cardinal* row = view.Row(y);
    for (Integer x = std::max<Integer>(rect.Left, 0); x < std::min(rect.Right, view.Width); ++x) row[x] |= 0xFF000000u;
  }
}

}  // namespace

void TskDialogWnd::PaintNonClient() {
  if ((MoveState & fsBlendMoving) != 0 || SkinData == nullptr || SkinManager == nullptr) return;
  RefreshGeometry();
  TsSkinManager& manager = *SkinManager;
  const TskFrameInput frame = FrameInput();
  const Integer width = FrameCacheWidth(frame), height = FrameCacheHeight(frame);
  if (width <= 0 || height <= 0) return;
  if (!SkinData->CacheBitmap) {
    SkinData->CacheBitmap = std::make_unique<TBitmap>();
    SkinData->CacheBitmap->SetPixelFormat(pf32bit);
  }
  TBitmap& cache = *SkinData->CacheBitmap;
  if (cache.Width() != width || cache.Height() != height) {
    cache.SetSize(width, height);
    SkinData->BackgroundDirty = true;
  }
  if (!SkinData->BackgroundDirty) return;
  RegionChanged = true;
  GdiFlush();
  const TsPixelView view = PixelViewOf(cache);
  if (frame.BorderWindow)
    for (Integer y = 0; y < view.Height; ++y) std::fill_n(view.Row(y), view.Width, 0u);  // the margins start clear
  const Integer section = SkinData->SectionIndex;
  const TRect frameRect = FrameRect(frame);
  const bool extDrawMode = frame.BorderWindow && manager.SkinData.BorderMode == 1;
  Integer state = FormActive ? 1 : 0;
  if (manager.IsValidSkinIndex(section)) {
    state = std::min<Integer>(state, manager.gd[static_cast<size_t>(section)].States - 1);
    if (extDrawMode)
      PaintSectionFill(SectionSkinOf(manager), section, SkinData->SkinSection(), Behind(view), clKeyColor, -1, -1, view, 0,
                       0, frameRect, state);
    else
      SkinData->PaintOwnSection(DefaultBgInfo, true, cache, TPoint{0, 0}, frameRect, state);
  }
  if (!extDrawMode) {
    PaintTitle(frame, state);
    PaintCaptionText(frame, state);
  }
  MakeOpaque(view, frameRect);
  if (frame.BorderWindow) {
    // The shadow around the frame and through its corners; in the skin's border mode 1 the shadow
    // image draws the frame too, and the title goes over it.
    const TskShadowOwner owner{section, SkinData->SkinSection(), SkinData->BorderMaskIndex, TitleIndex, FormActive};
    const TskShadowImage shadow = PaintShadowBand(manager, frame, owner, cache);
    if (extDrawMode) {
      PaintTitle(frame, state);
      PaintCaptionText(frame, state);
    } else if (!shadow.Empty()) {
      TakeFrameCornersFromShadow(manager, frame, owner, view, shadow);
    }
  }
  SaveTitleBackground();
  if (CaptionHeight() != 0) PaintTitleButtons();
  SkinData->BackgroundDirty = false;
}

void TskDialogWnd::PaintTitle(const TskFrameInput& frame, Integer state) {
  TsSkinManager& manager = *SkinManager;
  TBitmap& cache = *SkinData->CacheBitmap;
  if (frame.CaptionHeightExt <= 0) return;
  const TRect frameRect = FrameRect(frame);
  GdiFlush();
  const TsPixelView view = PixelViewOf(cache);
  if (manager.IsValidSkinIndex(TitleIndex)) {
    const TRect strip{frameRect.Left, frameRect.Top, frameRect.Right, FrameTitleBottom(frame)};
    const TsGeneralData& title = manager.gd[static_cast<size_t>(TitleIndex)];
    PaintSectionItem(SectionSkinOf(manager), TitleIndex, title.ClassName, Behind(view), -1, -1, view, strip.Left, strip.Top,
                     strip, std::min<Integer>(state, title.States - 1), true);
  }
  if (TitleIcon == nullptr || !TitleGlyph) return;
  // The icon's glyph, its key colour left out.
  const TRect r = TitleIconRect();
  GdiFlush();
  const TsPixelView glyph = PixelViewOf(*TitleGlyph);
  for (Integer y = 0; y < glyph.Height; ++y) {
    if (r.Top + y < 0 || r.Top + y >= view.Height) continue;
    const Cardinal* from = glyph.Row(y);
    Cardinal* to = view.Row(r.Top + y);
    for (Integer x = 0; x < glyph.Width && r.Left + x < view.Width; ++x)
      if ((from[x] & 0xFFFFFF) != 0xFF00FF && r.Left + x >= 0) to[r.Left + x] = from[x] | 0xFF000000u;
  }
}

void TskDialogWnd::PaintCaptionText(const TskFrameInput& frame, Integer state) {
  TsSkinManager& manager = *SkinManager;
  TBitmap& cache = *SkinData->CacheBitmap;
  if (frame.CaptionHeightExt <= 0) return;
  std::u16string text16 = ::ReadWindowText(Window);
  if (text16 != CaptionText) {
    CaptionGlow[0].reset();
    CaptionGlow[1].reset();
  }
  CaptionText = std::move(text16);
  const TskDialogTitleLayout layout = LayoutDialogButtons(TitleInput());
  TRect r;
  r.Left = SysBorderWidth() + (TitleIcon != nullptr ? GetSystemMetrics(SM_CXSMICON) : 0) + manager.SkinData.BILeftMargin +
           frame.Shadow.Left + 4;
  r.Top = frame.Shadow.Top + 2;
  r.Right = cache.Width() - layout.ButtonsWidth - frame.Shadow.Right - 6;
  r.Bottom = frame.Shadow.Top + CaptionBottom();
  if (r.IsEmpty() || CaptionText.empty()) return;
  const bool rtl = (SavedExStyle & (WS_EX_RTLREADING | WS_EX_LAYOUTRTL)) != 0;
  const UINT flags = rtl ? kRtlCaptionFlags : kCaptionFlags;
  // The glow's mask is drawn in the canvas's font: the caption's.
  if (TitleFont != nullptr) cache.Canvas().Font().SetHandle(TitleFont);
  const HDC dc = cache.Canvas().Handle();
  const HGDIOBJ oldFont = TitleFont != nullptr ? SelectObject(dc, TitleFont) : nullptr;
  const auto* text = reinterpret_cast<LPCWSTR>(CaptionText.c_str());
  const int length = static_cast<int>(CaptionText.size());
  Integer textSection = TitleIndex;
  if (manager.IsValidSkinIndex(CaptionIndex)) {
    // The caption's plate under the measured text, over the title.
    RECT measured{r.Left, r.Top, r.Right, r.Bottom};
    DrawTextW(dc, text, length, &measured, (flags & ~static_cast<UINT>(DT_END_ELLIPSIS)) | DT_CALCRECT);
    const Integer textWidth = std::min<Integer>(measured.right - measured.left, r.Width());
    const Integer textHeight = measured.bottom - measured.top;
    const Integer left = rtl ? r.Right - textWidth : r.Left;
    const Integer top = r.Top + (r.Height() - textHeight) / 2;
    const TRect plate{left - 4, top - 2, left + textWidth + 4, top + textHeight + 2};
    GdiFlush();
    const TsPixelView view = PixelViewOf(cache);
    PaintSectionItem(SectionSkinOf(manager), CaptionIndex, "CAPTION", Behind(view), -1, -1, view, plate.Left, plate.Top,
                     plate, std::min<Integer>(state, manager.gd[static_cast<size_t>(CaptionIndex)].States - 1), true);
    textSection = CaptionIndex;
  }
  Integer color = 0;
  if (manager.IsValidSkinIndex(textSection))
    color = SectionTextColors(manager.gd[static_cast<size_t>(textSection)], state > 0).Text;
  DrawCaptionGlow(cache, manager, textSection, FormActive, CaptionText, r, CaptionGlow[FormActive ? 1 : 0], flags);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, static_cast<COLORREF>(color & 0xFFFFFF));
  RECT target{r.Left, r.Top, r.Right, r.Bottom};
  DrawTextW(dc, text, length, &target, flags);
  if (oldFont != nullptr) SelectObject(dc, oldFont);
  GdiFlush();
}

void TskDialogWnd::SaveTitleBackground() {
  TBitmap& cache = *SkinData->CacheBitmap;
  const Integer rows = std::min<Integer>(FrameTitleBottom(FrameInput()), cache.Height());
  if (rows <= 0) return;
  if (!TitleBackground) TitleBackground = std::make_unique<TBitmap>();
  TitleBackground->SetPixelFormat(pf32bit);
  TitleBackground->SetSize(cache.Width(), rows);
  BitBlt(TitleBackground->Canvas().Handle(), 0, 0, cache.Width(), rows, cache.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TskDialogWnd::PaintButtonGlyph(const TskDialogTitleButton& button, bool enabled) {
  TsSkinManager& manager = *SkinManager;
  if (!manager.IsValidMaskIndex(button.MaskIndex) || !SkinData->CacheBitmap) return;
  const bool inactive = !enabled || (button.State == 0 && !FormActive);
  GdiFlush();
  const TsPixelView view = PixelViewOf(*SkinData->CacheBitmap);
  const TsMaskData& mask = manager.ma[static_cast<size_t>(button.MaskIndex)];
  PaintMaskGlyph(view, button.Rect.Left, button.Rect.Top, std::max<Integer>(button.State, 0), Behind(view), mask,
                 SkinPixelsOf(manager).ImageOf(mask), inactive ? 2 : 1);
}

namespace {
// The glyph of a maximize or minimize button for the dialog's state: a zoomed maximize and an iconic
// minimize show the restore glyph.
Integer StateGlyph(const TsSkinManager& manager, TskDialogButton which, bool zoomed, bool iconic, Integer mask) {
  if ((which == dbMax && zoomed) || (which == dbMin && iconic)) {
    const Integer restore = manager.GetMaskIndexByNames(kGlobalInfo, "BICONNORM");
    if (manager.IsValidMaskIndex(restore)) return restore;
  }
  return mask;
}
}  // namespace

void TskDialogWnd::PaintTitleButtons() {
  const TskDialogTitleInput in = TitleInput();
  const TskDialogTitleLayout layout = LayoutDialogButtons(in);
  const TskDialogButtonRules rules = DialogButtonRules(in.State);
  const bool enabled[] = {rules.Close, rules.Maximize || rules.Restore, rules.Minimize, true};
  for (int i = 0; i < kDialogButtonCount; ++i) {
    TskDialogTitleButton& b = Buttons[static_cast<size_t>(i)];
    const TskTitleRect& r = layout.Buttons[static_cast<size_t>(i)];
    b.Rect = TRect{r.Left, r.Top, r.Right, r.Bottom};
    if (!layout.Shown[static_cast<size_t>(i)]) continue;
    TskDialogTitleButton drawn = b;
    drawn.MaskIndex = StateGlyph(*SkinManager, static_cast<TskDialogButton>(i), in.State.Zoomed, in.State.Iconic, b.MaskIndex);
    PaintButtonGlyph(drawn, enabled[i]);
  }
}

HWND TskDialogWnd::FadeBorderWindow() const { return BorderForm ? BorderForm->BorderHandle() : nullptr; }

// The change of a button's state fades in a small window over it: 10 steps towards hot or normal, a
// press at once.
bool TskDialogWnd::StartTitleButtonFade(Integer hitCode) {
  TskDialogTitleButton* button = ButtonOfCode(hitCode);
  if (button == nullptr || button->Rect.IsEmpty()) return false;
  TskSysButtonData& fade = FadeButtons[static_cast<size_t>(button - Buttons.data())];
  fade.ImageIndex = button->MaskIndex;
  fade.Rect = button->Rect;
  fade.Big = button->Large;
  fade.HitCode = hitCode;
  fade.State = button->State;
  const bool pressed = button->State == 2;
  StartTitleButtonAnim(fade, button->State, pressed ? 1 : kFadeSteps, this, button->State == 1 || pressed);
  return true;
}

void TskDialogWnd::RepaintTitleButton(Integer hitCode) {
  TskDialogTitleButton* button = ButtonOfCode(hitCode);
  if (button == nullptr || SkinManager == nullptr || SkinData == nullptr || !SkinData->CacheBitmap || !TitleBackground) return;
  if (SkinManager->Effects().AllowGlowing() && StartTitleButtonFade(hitCode)) return;
  if (button->Rect.Left <= SysBorderWidth() + GetSystemMetrics(SM_CXSMICON) || button->Rect.IsEmpty()) return;
  TBitmap& cache = *SkinData->CacheBitmap;
  const TRect& r = button->Rect;
  BitBlt(cache.Canvas().Handle(), r.Left, r.Top, r.Width(), r.Height(), TitleBackground->Canvas().Handle(), r.Left, r.Top,
         SRCCOPY);
  const TskDialogState s = DialogState();
  const TskDialogButtonRules rules = DialogButtonRules(s);
  TskDialogTitleButton drawn = *button;
  bool enabled = true;
  if (hitCode == HTMAXBUTTON) {
    enabled = rules.Maximize || rules.Restore;
    if (s.Zoomed) drawn.MaskIndex = StateGlyph(*SkinManager, dbMax, true, false, drawn.MaskIndex);
  } else if (hitCode == HTMINBUTTON) {
    enabled = rules.Minimize || s.Iconic;
    drawn.MaskIndex = StateGlyph(*SkinManager, dbMin, false, s.Iconic, drawn.MaskIndex);
  } else if (hitCode == HTCLOSE) {
    enabled = rules.Close;
  }
  PaintButtonGlyph(drawn, enabled);
  if (BorderForm) {
    BorderForm->UpdateExBorders(false);
    return;
  }
  const HDC dc = GetWindowDC(Window);
  if (dc == nullptr) return;
  SetLayout(dc, 0);
  BitBlt(dc, r.Left, r.Top, r.Width(), r.Height(), cache.Canvas().Handle(), r.Left, r.Top, SRCCOPY);
  ReleaseDC(Window, dc);
}

void TskDialogWnd::UpdateRegionRects() {
  RegionRects.clear();
  if (SkinManager == nullptr || SkinData == nullptr) return;
  const TsSkinManager& manager = *SkinManager;
  const TsSkinPixels pixels = SkinPixelsOf(manager);
  const Integer width = WindowSize.X;
  if (manager.IsValidMaskIndex(SkinData->BorderMaskIndex)) {
    const TsMaskData& mask = manager.ma[static_cast<size_t>(SkinData->BorderMaskIndex)];
    const TsPixelView image = pixels.ImageOf(mask);
    AddMaskRegionRects(RegionRects, width, mask, image, false, 0);
    AddMaskRegionRects(RegionRects, width, mask, image, true, WindowSize.Y - MaskBottomHeight(mask));
  }
  if (!manager.IsValidSkinIndex(TitleIndex)) return;
  const Integer titleMask = manager.gd[static_cast<size_t>(TitleIndex)].BorderMask;
  if (!manager.IsValidMaskIndex(titleMask)) return;
  const TsMaskData& mask = manager.ma[static_cast<size_t>(titleMask)];
  AddMaskRegionRects(RegionRects, width, mask, pixels.ImageOf(mask), false, 0);
}

void TskDialogWnd::UpdateRegion(bool redraw) {
  if (BorderKind == dbNone && !IsIconic(Window)) return;
  // A window that handles its region itself says so.
  if (SendMessageW(Window, 0xBC4D, 0x41A2, 0) == 0x41A2) return;
  RegionUpdating = true;
  HRGN region;
  if (BorderForm) {
    const Integer side = SysBorderWidth(false);
    region = CreateRectRgn(side, SysBorderWidthNoExt() + CaptionHeight() + side, WindowSize.X - side, WindowSize.Y - side);
  } else {
    region = CreateRectRgn(0, 0, WindowSize.X, WindowSize.Y);
    for (const TRect& r : RegionRects) {
      const HRGN cut = CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom);
      CombineRgn(region, region, cut, RGN_DIFF);
      DeleteObject(cut);
    }
  }
  if (SetWindowRgn(Window, region, redraw ? TRUE : FALSE) == 0) DeleteObject(region);
  RegionUpdating = false;
}
