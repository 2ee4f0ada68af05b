#include "skin/adapters/skSBButtons.h"

#include <windows.h>

#include <algorithm>

#include "skin/adapters/skSBButtonLayout.h"
#include "skin/adapters/skSBUtils.h"
#include "skin/forms/sBitmapRoutines.h"
#include "skin/forms/sPixelRoutines.h"
#include "skin/forms/sSkinText.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sSkinManager.h"
#include "skin/manager/skGlow.h"
#include "skin/manager/skntSystem.h"
#include "vcl/gui/BitBtn.h"
#include "vcl/gui/Bitmap.h"

namespace {

constexpr UINT CM_TEXTCHANGED_MSG = 0xB012;
constexpr double kDisabledFade = 0.4;

LONG_PTR StyleOf(HWND window) { return GetWindowLongPtrW(window, GWL_STYLE); }
bool RightToLeftReading(HWND window) { return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0; }
Integer ButtonStateBits(HWND window) { return static_cast<Integer>(SendMessageW(window, BM_GETSTATE, 0, 0)); }
bool IsHotWindow(HWND window) {
  const TsSkinManager* manager = TsSkinManager::DefaultManager();
  return manager != nullptr && manager->ActiveWindow() == window;
}

// A disabled button's look: the image kept at 0.4 of itself over the parent's background (its bitmap
// behind the window's place, or its colour).
void FadeTowardsParent(TBitmap& cache, const TskBgInfo& background, TPoint position) {
  const TsPixelView view = PixelViewOf(cache);
  if (view.IsEmpty()) return;
  if (background.IsBitmap && background.Bitmap != nullptr) {
    const Integer x = position.X + background.OffsetX, y = position.Y + background.OffsetY;
    BlendBitmapRectKeyed(view, 0, 0, kKeyPixel, kDisabledFade, TRect{x, y, x + view.Width - 1, y + view.Height - 1},
                         PixelViewOf(*background.Bitmap));
  } else {
    MixBitmapWithColor(view, background.Color, kDisabledFade);
  }
}

// Runs a change of the window's own procedure without letting it paint, then repaints from the skin.
template <typename Change>
void WithoutRedraw(HWND window, Change change) {
  SendMessageW(window, WM_SETREDRAW, 0, 0);
  change();
  SendMessageW(window, WM_SETREDRAW, 1, 0);
}

void RedrawNow(HWND window) { RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }

// The state the section shows for a raw window: focused, the mouse over it, or the manager's hot one.
bool WindowIsActive(const TsCommonData& data, HWND window) {
  if (!IsWindowEnabled(window)) return false;
  if (data.HostControl != nullptr) return data.IsActive() || IsHotWindow(window);
  return data.FocusFlag || data.MouseInside || GetFocus() == window || IsHotWindow(window);
}

}  // namespace

// ---- push buttons ----

TskBtnWnd::TskBtnWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data)
    : TskMainWnd(window, repaint, section.empty() ? AnsiString("BUTTON") : section, manager, data) {}

bool TskBtnWnd::IsPressed() const { return (ButtonStateBits(Window) & BST_PUSHED) != 0; }

void TskBtnWnd::Repaint() { RedrawNow(Window); }

bool TskBtnWnd::Multiline() const { return (StyleOf(Window) & BS_MULTILINE) != 0; }

Integer TskBtnWnd::ButtonState() {
  if (IsPressed()) {
    // A pressed button shows no glow.
    if (SkinData != nullptr) SkinData->CloseGlow();
    CloseAllGlowEffects(false);
    return 2;
  }
  if (!IsWindowEnabled(Window)) return 0;
  if (GetFocus() == Window || IsHotWindow(Window)) return 1;
  const LONG_PTR style = StyleOf(Window);
  if (HookedControl() != nullptr) return (style & 0xF) == BS_DEFPUSHBUTTON ? 1 : 0;
  return (style & 1) != 0 ? 1 : 0;
}

void TskBtnWnd::TakeFont() {
  TCanvas& canvas = SkinData->CacheBitmap->Canvas();
  if (TControl* owner = SkinData->HostControl) {
    canvas.Font().Assign(&owner->Font());
  } else {
    AssignSystemFont(canvas, 5);
  }
}

void TskBtnWnd::Paint(HDC given) {
  if (SkinData == nullptr) return;
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  if (!SkinParamsApplied) SetSkinParams();
  if (SkinData->IsUpdating() && given == nullptr) return;
  const HDC dc = given != nullptr ? given : GetDC(Window);
  if (dc == nullptr) return;
  SkinData->BackgroundDirty = true;
  PrepareCache();
  BitBlt(dc, 0, 0, WndSize.X, WndSize.Y, SkinData->CacheBitmap->Canvas().Handle(), 0, 0, SRCCOPY);
  if (given == nullptr) ReleaseDC(Window, dc);
}

void TskBtnWnd::PrepareCache() {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  const TskBgInfo background = GetParentBgOfWnd(Window);
  TBitmap& cache = CacheOfSize(*SkinData, WndSize.X, WndSize.Y);
  const Integer state = ButtonState();
  SkinData->PaintOwnSection(background, true, cache, WndPos, TRect{0, 0, WndSize.X, WndSize.Y}, state);
  DrawCaption();
  DrawGlyph();
  if (!IsWindowEnabled(Window)) FadeTowardsParent(cache, background, WndPos);
  SkinData->BackgroundDirty = false;
}

void TskBtnWnd::DrawCaption() {
  TCanvas& canvas = SkinData->CacheBitmap->Canvas();
  TakeFont();
  TRect rect = CaptionRect();
  SetBkMode(canvas.Handle(), TRANSPARENT);
  UINT flags = DT_EXPANDTABS | DT_CENTER;
  if (!Multiline()) flags |= DT_WORDBREAK;
  if (RightToLeftReading(Window)) flags |= DT_RTLREADING;
  DrawCaptionText(rect, flags);
  const TsSkinManager* manager = SkinData->GetSkinManager();
  const bool showFocus = manager != nullptr && manager->IsValidSkinIndex(SkinData->SectionIndex) &&
                         manager->gd[static_cast<size_t>(SkinData->SectionIndex)].ShowFocus;
  if (IsWindowEnabled(Window) && (ButtonStateBits(Window) & BST_FOCUS) != 0 && !WindowText.empty() && showFocus) {
    rect = TRect{rect.Left - 1, rect.Top - 1, rect.Right + 1, rect.Bottom + 1};
    DrawDottedFrame(canvas, rect, clBtnFace, clBlack);
  }
}

void TskBtnWnd::DrawCaptionText(const TRect& rect, UINT flags) {
  DrawControlText(SkinData->CacheBitmap->Canvas(), WindowText, true, ButtonState() != 0, *SkinData, flags, rect);
}

TPoint TskBtnWnd::CaptionSize() {
  if (WindowText.empty()) return TPoint{0, 0};
  TakeFont();
  TRect rect{0, 0, MaxCaptionWidth() + 2, 0};
  UINT flags = DT_NOPREFIX | DT_CALCRECT | DT_EXPANDTABS | DT_CENTER;
  if (!Multiline()) flags |= DT_WORDBREAK;
  DrawTextStr(SkinData->CacheBitmap->Canvas().Handle(), WindowText, rect, flags);
  return TPoint{rect.Width(), rect.Height()};
}

TRect TskBtnWnd::CaptionRect() {
  const TPoint size = CaptionSize();
  return ButtonCaptionRect(WndSize.X, WndSize.Y, size.X, size.Y, ButtonState() == 2);
}

Integer TskBtnWnd::MaxCaptionWidth() { return ButtonMaxCaptionWidth(!WindowText.empty(), WndSize.X, GlyphSize().X); }

void TskBtnWnd::WndProc(TMessage& message) {
  if (SkinData == nullptr) {
    TskMainWnd::WndProc(message);
    return;
  }
  const bool visible = IsWindowVisible(Window) != FALSE;
  TsSkinManager* manager = TsSkinManager::DefaultManager();
  switch (message.Msg) {
    case WM_PAINT: {
      if (!visible && (SkinData->StateBits & ssPrinting) == 0) break;
      PAINTSTRUCT ps{};
      const HDC dc = BeginPaint(Window, &ps);
      Paint(message.WParam != 0 ? reinterpret_cast<HDC>(message.WParam) : dc);
      EndPaint(Window, &ps);
      message.Result = 0;
      return;
    }
    case WM_PRINT:
      Paint(reinterpret_cast<HDC>(message.WParam));
      return;
    case WM_ERASEBKGND:
    case WM_NCPAINT:
    case WM_UPDATEUISTATE:
      message.Result = 1;
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (!IsWindowEnabled(Window)) break;
      WithoutRedraw(Window, [&] { TskMainWnd::WndProc(message); });
      SkinData->FocusFlag = message.Msg == WM_SETFOCUS;
      SkinData->BackgroundDirty = true;
      RedrawWindow(Window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
      return;
    case WM_ENABLE:
    case WM_SETTEXT:
      if (!visible) break;
      WithoutRedraw(Window, [&] { TskMainWnd::WndProc(message); });
      SkinData->BackgroundDirty = true;
      Repaint();
      return;
    case BM_SETSTATE:
      if (!visible) break;
      WithoutRedraw(Window, [&] { CallOldProc(message); });
      SkinData->BackgroundDirty = true;
      Repaint();
      return;
    case WM_MOVE: {
      TskMainWnd::WndProc(message);
      const TsSkinManager* own = SkinData->GetSkinManager();
      if (own == nullptr || !own->IsValidSkinIndex(SkinData->SectionIndex)) return;
      const TsGeneralData& section = own->gd[static_cast<size_t>(SkinData->SectionIndex)];
      if (section.Props[0].Transparency > 0 || (section.Props[1].Transparency > 0 && WindowIsActive(*SkinData, Window))) {
        SkinData->BackgroundDirty = true;
        Repaint();
      }
      return;
    }
    case WM_MOUSEHOVER:
      SendSkinCommand(Window, scMouseEnter, reinterpret_cast<LPARAM>(manager));
      break;
    case WM_MOUSELEAVE:
      if (manager != nullptr && manager->ActiveWindow() == Window) manager->SetActiveControl(static_cast<HWND>(nullptr));
      break;
    case WM_MOUSEMOVE: {
      TskMainWnd::WndProc(message);
      // The button stays hot while the cursor is over it and gives it up once it is not.
      POINT cursor{};
      if (manager != nullptr && GetCursorPos(&cursor)) {
        RECT rect{};
        GetWindowRect(Window, &rect);
        if (!PtInRect(&rect, cursor) && manager->ActiveWindow() == Window)
          manager->SetActiveControl(static_cast<HWND>(nullptr));
      }
      return;
    }
    default:
      break;
  }
  if (message.Msg == SkinCommandMessage) {
    switch (SkinCommandOf(message.WParam)) {
      case scMouseEnter: {
        if (SkinData->MouseInside || !IsHotWindow(Window)) break;
        POINT cursor{};
        RECT rect{};
        GetWindowRect(Window, &rect);
        if (!GetCursorPos(&cursor) || !PtInRect(&rect, cursor)) break;
        SkinData->MouseInside = true;
        SkinData->BackgroundDirty = true;
        SkinData->UpdatingFlag = false;
        Repaint();
        SkinData->ShowGlow(false, Window);
        break;
      }
      case scMouseLeave:
        if (!SkinData->MouseInside) break;
        SkinData->CloseGlow();
        CloseAllGlowEffects(false);
        SkinData->MouseInside = false;
        SkinData->UpdatingFlag = false;
        SkinData->BackgroundDirty = true;
        Repaint();
        break;
      default:
        break;
    }
  }
  TskMainWnd::WndProc(message);
}

// ---- glyph buttons ----

TBitBtn* TskBitBtnWnd::Owner() const { return dynamic_cast<TBitBtn*>(SkinData != nullptr ? SkinData->HostControl : nullptr); }

HBITMAP TskBitBtnWnd::ForeignBitmap() const {
  return reinterpret_cast<HBITMAP>(SendMessageW(Window, BM_GETIMAGE, IMAGE_BITMAP, 0));
}

TPoint TskBitBtnWnd::GlyphSize() {
  if (TBitBtn* owner = Owner()) {
    if (owner->Glyph().Empty()) return TPoint{0, 0};
    return TPoint{owner->Glyph().Width() / std::max<Integer>(1, owner->NumGlyphs()), owner->Glyph().Height()};
  }
  // The bitmap's own size: its physical dimension (GetBitmapDimensionEx) is 0 x 0 unless set.
  BITMAP info{};
  if (const HBITMAP bitmap = ForeignBitmap(); bitmap != nullptr && GetObjectW(bitmap, sizeof info, &info) == sizeof info)
    return TPoint{info.bmWidth, info.bmHeight};
  return TPoint{0, 0};
}

namespace {

TsBitBtnLayout LayoutOf(TBitBtn& owner, TPoint size, TPoint glyph, TPoint text, bool pressed) {
  return TsBitBtnLayout{size.X,  size.Y, glyph.X, glyph.Y, text.X, text.Y, static_cast<Integer>(owner.Layout()),
                        owner.Spacing(), std::max<Integer>(0, owner.Margin()), !owner.Caption().empty(), pressed};
}

}  // namespace

TRect TskBitBtnWnd::GlyphRect() {
  const TPoint glyph = GlyphSize();
  if (TBitBtn* owner = Owner())
    return BitBtnGlyphRect(LayoutOf(*owner, WndSize, glyph, CaptionSize(), ButtonState() == 2));
  return ForeignGlyphRect(TRect{CaptionRect().Left, 0, 0, 0}, WndSize.Y, glyph.X, glyph.Y, ButtonState() == 2);
}

TRect TskBitBtnWnd::CaptionRect() {
  const TPoint glyph = GlyphSize();
  if (TBitBtn* owner = Owner())
    return BitBtnCaptionRect(LayoutOf(*owner, WndSize, glyph, CaptionSize(), ButtonState() == 2));
  const TRect inherited = TskBtnWnd::CaptionRect();
  return ForeignGlyphCaptionRect(inherited, glyph.X);
}

Integer TskBitBtnWnd::MaxCaptionWidth() {
  if (TBitBtn* owner = Owner())
    return BitBtnMaxCaptionWidth(LayoutOf(*owner, TPoint{owner->Width(), WndSize.Y}, GlyphSize(), TPoint{0, 0}, false));
  return TskBtnWnd::MaxCaptionWidth();
}

void TskBitBtnWnd::DrawGlyph() {
  TBitmap& cache = *SkinData->CacheBitmap;
  const TRect rect = GlyphRect();
  if (rect.Width() <= 0 || rect.Height() <= 0) return;
  if (TBitBtn* owner = Owner()) {
    DrawGlyphWithEffects(owner->Glyph(), cache, rect, ButtonState(), 0, gkPlain, 0, owner->Enabled(),
                         std::max<Integer>(1, owner->NumGlyphs()));
    return;
  }
  // A foreign button's bitmap is copied as it is.
  const HBITMAP bitmap = ForeignBitmap();
  const HDC source = CreateCompatibleDC(nullptr);
  if (source == nullptr) return;
  const HGDIOBJ old = SelectObject(source, bitmap);
  BitBlt(cache.Canvas().Handle(), rect.Left, rect.Top, rect.Width(), rect.Height(), source, 0, 0, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
}

// ---- check boxes and radio buttons ----

TskCheckBoxWnd::TskCheckBoxWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager,
                               TsCommonData* data)
    : TskMainWnd(window, repaint, section.empty() ? AnsiString("CHECKBOX") : section, manager, data),
      OwnerDrawn(((StyleOf(window) & 0xF) & 0xB) == 0xB) {}

Integer TskCheckBoxWnd::CheckMaskIndex() const {
  const TsSkinManager* manager = SkinData != nullptr ? SkinData->GetSkinManager() : nullptr;
  if (manager == nullptr) return -1;
  const bool radio = IsRadioType(static_cast<Integer>(StyleOf(Window) & 0xF));
  const std::string_view name = CheckMaskName(radio, CheckStateOf(ButtonStateBits(Window)));
  return manager->GetMaskIndex(manager->CommonSkinIndex, "GLOBALINFO", AnsiString(name));
}

namespace {

TsGlyphSize GlyphSizeOfMask(const TsSkinManager& manager, Integer index) {
  if (!manager.IsValidMaskIndex(index)) return TsGlyphSize{};
  const TsMaskData& mask = manager.ma[static_cast<size_t>(index)];
  return CheckGlyphSize(mask, mask.Image ? mask.Image->Width() : 0, mask.Image ? mask.Image->Height() : 0);
}

}  // namespace

TRect TskCheckBoxWnd::CheckGlyphRect() const {
  const TsSkinManager* manager = SkinData != nullptr ? SkinData->GetSkinManager() : nullptr;
  if (manager == nullptr) return TRect{};
  const TsGlyphSize size = GlyphSizeOfMask(*manager, CheckMaskIndex());
  if (size.Width <= 0 || size.Height <= 0) return TRect{};
  const Integer top = (WndSize.Y - size.Height) / 2;
  const Integer left = (StyleOf(Window) & BS_LEFTTEXT) != 0 ? WndSize.X - size.Width : 0;
  return TRect{left, top, left + size.Width, top + size.Height};
}

void TskCheckBoxWnd::PrepareCache() {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  TBitmap& cache = CacheOfSize(*SkinData, WndSize.X, WndSize.Y);
  if (OwnerDrawn) return;
  AssignSystemFont(cache.Canvas(), 5);
  const TskBgInfo background = GetParentBgOfWnd(Window);
  const Integer state = WindowIsActive(*SkinData, Window) && IsMultiStateSection(SkinData) ? 1 : 0;
  SkinData->PaintOwnSection(background, true, cache, WndPos, TRect{0, 0, WndSize.X, WndSize.Y}, state);
  // The caption leaves room for the checked box (16 x 16 without that mask).
  Integer boxWidth = 16;
  if (const TsSkinManager* manager = SkinData->GetSkinManager()) {
    const TsGlyphSize box =
        GlyphSizeOfMask(*manager, manager->GetMaskIndex(manager->CommonSkinIndex, "GLOBALINFO", "BOXCHECKED"));
    if (box.Width > 0 && box.Height > 0) boxWidth = box.Width;
  }
  DrawCaption(boxWidth);
  DrawCheckGlyph();
  if (!IsWindowEnabled(Window)) FadeTowardsParent(cache, background, WndPos);
  SkinData->BackgroundDirty = false;
}

void TskCheckBoxWnd::DrawCaption(Integer boxWidth) {
  if (WindowText.empty()) return;
  TCanvas& canvas = SkinData->CacheBitmap->Canvas();
  if (TControl* owner = SkinData->HostControl) canvas.Font().Assign(&owner->Font());
  const LONG_PTR style = StyleOf(Window);
  const bool multiline = (style & BS_MULTILINE) != 0;
  const Integer limit = WndSize.X - boxWidth - 2;
  TRect measured{0, 0, limit, 0};
  DrawTextStr(canvas.Handle(), WindowText, measured, DT_CALCRECT | (multiline ? DT_WORDBREAK : DT_SINGLELINE));
  const Integer textWidth = measured.Width();
  const Integer top = std::max<Integer>(0, (WndSize.Y - measured.Height()) / 2);
  const Integer bottom = WndSize.Y - top;
  TRect rect;
  UINT flags = 0;
  if ((style & BS_LEFTTEXT) == 0) {
    const Integer x = boxWidth + 4;
    rect = TRect{x - (multiline ? 1 : 0), top - 1, x + textWidth - (multiline ? 1 : 0), bottom - 1};
  } else if (RightToLeftReading(Window)) {
    const Integer right = WndSize.X - boxWidth - 6;
    rect = TRect{right - textWidth, top, right, bottom};
    flags = DT_RTLREADING | (multiline ? 0u : static_cast<UINT>(DT_RIGHT));
  } else {
    rect = TRect{2, top, textWidth + 2, bottom};
  }
  SetBkMode(canvas.Handle(), TRANSPARENT);
  DrawControlText(canvas, WindowText, true, WindowIsActive(*SkinData, Window), *SkinData,
                  flags | (multiline ? DT_WORDBREAK : DT_SINGLELINE), rect);
  if ((ButtonStateBits(Window) & BST_FOCUS) != 0)
    DrawDottedFrame(canvas, TRect{rect.Left - 1, rect.Top, rect.Right + 1, rect.Bottom}, clBtnFace, clBlack);
}

void TskCheckBoxWnd::DrawCheckGlyph() {
  TsSkinManager* manager = SkinData->GetSkinManager();
  TBitmap& cache = *SkinData->CacheBitmap;
  const Integer index = CheckMaskIndex();
  const TRect rect = CheckGlyphRect();
  if (manager == nullptr || cache.Width() == 0 || index < 0 || rect.Width() <= 0) return;
  const TsMaskData& mask = manager->ma[static_cast<size_t>(index)];
  TBitmap* image = mask.Image ? mask.Image.get() : manager->MasterBitmap.get();
  if (image == nullptr) return;
  const Integer bits = ButtonStateBits(Window);
  const Integer state = (bits & BST_PUSHED) != 0 ? 2 : ((bits & BST_FOCUS) != 0 || IsHotWindow(Window)) ? 1 : 0;
  PaintMaskGlyph(PixelViewOf(cache), rect.Left, rect.Top, state, BgPixelsOf(MakeBgInfoFromBitmap(&cache, 0, 0)), mask,
                 PixelViewOf(*image), 1);
}

void TskCheckBoxWnd::Paint(HDC given) {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  if (SkinData->IsUpdating() && given == nullptr) return;
  if (OwnerDrawn || (!IsWindowVisible(Window) && given == nullptr)) return;
  const HDC dc = given != nullptr ? given : GetDC(Window);
  if (dc == nullptr) return;
  PrepareCache();
  BitBlt(dc, 0, 0, WndSize.X, WndSize.Y, SkinData->CacheBitmap->Canvas().Handle(), 0, 0, SRCCOPY);
  if (given == nullptr) ReleaseDC(Window, dc);
}

void TskCheckBoxWnd::WndProc(TMessage& message) {
  if (SkinData == nullptr) {
    TskMainWnd::WndProc(message);
    return;
  }
  const bool visible = IsWindowVisible(Window) != FALSE;
  switch (message.Msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      const HDC dc = BeginPaint(Window, &ps);
      Paint(message.WParam != 0 ? reinterpret_cast<HDC>(message.WParam) : dc);
      EndPaint(Window, &ps);
      message.Result = 0;
      return;
    }
    case WM_ERASEBKGND:
      if (OwnerDrawn) {
        GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
        const TskBgInfo background = GetParentBgOfWnd(Window);
        const HDC dc = reinterpret_cast<HDC>(message.WParam);
        if (background.IsBitmap && background.Bitmap != nullptr) {
          BitBlt(dc, 0, 0, WndSize.X, WndSize.Y, background.Bitmap->Canvas().Handle(), WndPos.X + background.OffsetX,
                 WndPos.Y + background.OffsetY, SRCCOPY);
        } else {
          FillDCColor(dc, TRect{0, 0, WndSize.X, WndSize.Y}, background.Color);
        }
      }
      message.Result = 1;
      return;
    case WM_NCPAINT:
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TskMainWnd::WndProc(message);
      SkinData->FocusFlag = message.Msg == WM_SETFOCUS;
      RedrawNow(Window);
      return;
    case WM_ENABLE:
    case BM_SETSTATE:
    case BM_SETCHECK:
    case CM_TEXTCHANGED_MSG:
      if (!visible) break;
      WithoutRedraw(Window, [&] { TskMainWnd::WndProc(message); });
      RedrawNow(Window);
      return;
    case WM_NCHITTEST:
      TskMainWnd::WndProc(message);
      if (TsSkinManager* manager = TsSkinManager::DefaultManager();
          manager != nullptr && IsWindowEnabled(Window) && manager->ActiveWindow() != Window)
        manager->SetActiveControl(Window);
      return;
    case WM_KEYDOWN:
    case WM_KEYUP:
      TskMainWnd::WndProc(message);
      if (message.WParam == VK_SPACE) RedrawNow(Window);
      return;
    default:
      break;
  }
  if (message.Msg == SkinCommandMessage) {
    const Word command = SkinCommandOf(message.WParam);
    if (command == scMouseEnter || command == scMouseLeave) {
      SkinData->MouseInside = command == scMouseEnter;
      SkinData->UpdatingFlag = false;
      RedrawNow(Window);
    }
  }
  TskMainWnd::WndProc(message);
}

// ---- group boxes ----

TskGroupBoxWnd::TskGroupBoxWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager,
                               TsCommonData* data)
    : TskMainWnd(window, repaint, section.empty() ? AnsiString("GROUPBOX") : section, manager, data) {}

TRect TskGroupBoxWnd::CaptionRect() {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  if (WindowText.empty() || SkinData == nullptr) return TRect{};
  TCanvas& canvas = CacheOfSize(*SkinData, WndSize.X, WndSize.Y).Canvas();
  if (TControl* owner = SkinData->HostControl) {
    canvas.Font().Assign(&owner->Font());
  } else {
    AssignSystemFont(canvas, 5);
  }
  TRect measured{0, 0, 0, 0};
  DrawTextStr(canvas.Handle(), WindowText, measured, DT_CALCRECT | DT_CENTER);
  return GroupBoxCaptionRect(WndSize.X, measured.Width(), measured.Height(), RightToLeftReading(Window));
}

void TskGroupBoxWnd::PrepareCache() {
  const TRect caption = CaptionRect();
  TBitmap& cache = CacheOfSize(*SkinData, WndSize.X, WndSize.Y);
  TCanvas& canvas = cache.Canvas();
  TskBgRequest request;
  if (ParentWnd != nullptr) GetParentBgFromWindow(request, ParentWnd, false);
  const Integer captionHeight = caption.Height();
  // The parent's background behind a strip of the box's width and the caption's height.
  const auto fillFromParent = [&](const TRect& rect) {
    if (request.AnswerKind == bgBitmap && request.Bitmap != nullptr) {
      BitBlt(canvas.Handle(), rect.Left, rect.Top, rect.Width(), rect.Height(), request.Bitmap->Canvas().Handle(),
             WndPos.X + request.OffsetX + rect.Left, WndPos.Y + request.OffsetY + rect.Top, SRCCOPY);
    } else {
      FillDCColor(canvas.Handle(), rect, static_cast<Integer>(ColorToRGB(static_cast<TColor>(request.Color))));
    }
  };
  fillFromParent(TRect{0, 0, WndSize.X, std::max<Integer>(captionHeight, 0)});
  const Integer half = captionHeight / 2;
  SkinData->PaintOwnSection(BgInfoFromReply(request), true, cache, TPoint{WndPos.X, WndPos.Y + half},
                            TRect{0, half, WndSize.X, WndSize.Y}, 0);
  if (!WindowText.empty()) {
    fillFromParent(caption);
    canvas.Brush().SetStyle(bsClear);
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
    if (RightToLeftReading(Window)) flags |= DT_RTLREADING;
    DrawControlText(canvas, WindowText, true, false, *SkinData, flags, caption);
  }
  SkinData->BackgroundDirty = false;
}

void TskGroupBoxWnd::ExcludeSiblingsInside(HDC dc) const {
  // The controls of a dialog's group box are its siblings, lying over it: the box's own DC is not
  // clipped by them, and the box fills its inside, so it leaves their places alone.
  if (ParentWnd == nullptr) return;
  for (HWND sibling = GetWindow(ParentWnd, GW_CHILD); sibling != nullptr; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
    if (sibling == Window || !IsWindowVisible(sibling)) continue;
    RECT r{};
    GetWindowRect(sibling, &r);
    RECT overlap{};
    const RECT own{WndRect.Left, WndRect.Top, WndRect.Right, WndRect.Bottom};
    if (!IntersectRect(&overlap, &r, &own)) continue;
    ExcludeClipRect(dc, overlap.left - own.left, overlap.top - own.top, overlap.right - own.left, overlap.bottom - own.top);
  }
}

void TskGroupBoxWnd::Paint(HDC given, bool useGiven) {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  if (SkinData->IsUpdating() && !useGiven) return;
  const HDC dc = useGiven && given != nullptr ? given : GetWindowDC(Window);
  if (dc == nullptr) return;
  PrepareCache();
  const int saved = SaveDC(dc);
  if (DialogMode) {
    const TsSkinManager* manager = SkinData->GetSkinManager();
    if (manager != nullptr) {
      const Integer mask = SkinData->BorderMaskIndex;
      ExcludeClipRect(dc, manager->MaskLeftWidth(mask), CaptionRect().Height(), WndSize.X - manager->MaskRightWidth(mask),
                      WndSize.Y - manager->MaskBottomHeight(mask));
    }
  }
  if (dc != given) ExcludeSiblingsInside(dc);
  const TRect whole{0, 0, WndSize.X, WndSize.Y};
  CopyGroupBoxCache(Window, *SkinData, whole, 0, 0, false, dc, whole);
  if (auto* owner = dynamic_cast<TWinControl*>(SkinData->HostControl)) PaintControlImage(dc, owner, true, TPoint{0, 0});
  RestoreDC(dc, saved);
  if (dc != given) ReleaseDC(Window, dc);
  EndChildWindowsUpdate(Window);
}

void TskGroupBoxWnd::WndProc(TMessage& message) {
  if (SkinData == nullptr) {
    TskMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_PAINT: {
      if (DialogMode) break;
      PAINTSTRUCT ps{};
      BeginPaint(Window, &ps);
      Paint(reinterpret_cast<HDC>(message.WParam), message.LParam == 1);
      EndPaint(Window, &ps);
      message.Result = 0;
      return;
    }
    case WM_PRINT:
      SkinData->BackgroundDirty = true;
      Paint(reinterpret_cast<HDC>(message.WParam), true);
      return;
    case WM_ERASEBKGND: {
      if (DialogMode) break;
      const HDC dc = reinterpret_cast<HDC>(message.WParam);
      if (message.WParam == static_cast<WPARAM>(message.LParam)) {
        // A child asks for its background.
        if (SkinData->BackgroundDirty) PrepareCache();
        if (SkinData->StateClearOrActive() && SkinData->CacheBitmap) {
          BitBlt(dc, 0, 0, WndSize.X, WndSize.Y, SkinData->CacheBitmap->Canvas().Handle(), 0, 0, SRCCOPY);
        } else {
          FillDCColor(dc, TRect{0, 0, WndSize.X, WndSize.Y}, WindowBackgroundColor(Window));
        }
      }
      message.Result = 1;
      return;
    }
    case WM_NCPAINT:
      if (!DialogMode) break;
      Paint(nullptr, false);
      message.Result = 1;
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      WithoutRedraw(Window, [&] { TskMainWnd::WndProc(message); });
      SkinData->BackgroundDirty = true;
      RedrawWindow(Window, nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE);
      return;
    case WM_SETTEXT:
      TskMainWnd::WndProc(message);
      SkinData->BackgroundDirty = true;
      RedrawWindow(Window, nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE);
      return;
    case WM_PARENTNOTIFY:
      TskMainWnd::WndProc(message);
      if (LOWORD(message.WParam) == WM_CREATE && SkinData->HostControl != nullptr) NotifyParentForm(SkinData->HostControl);
      return;
    default:
      break;
  }
  if (message.Msg == SkinCommandMessage) {
    switch (SkinCommandOf(message.WParam)) {
      case scGroupBoxCaptionHeight:
        message.Result = CaptionRect().Height();
        return;
      case scRemoveSkin:
        if (TControl* owner = SkinData->HostControl) {
          TControlStyle style = owner->ControlStyle();
          style.Exclude(csOpaque);
          owner->SetControlStyle(style);
        }
        break;
      default:
        break;
    }
  }
  TskMainWnd::WndProc(message);
}
