#include "skin/adapters/skSBComboWnd.h"

#include <windows.h>

#include <algorithm>

#include "skin/adapters/skSBSmallGeometry.h"
#include "skin/adapters/skSBUtils.h"
#include "skin/forms/sBitmapRoutines.h"
#include "skin/forms/sPixelRoutines.h"
#include "skin/forms/sSkinText.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/ComboBox.h"
#include "vcl/gui/ListBox.h"
#include "vcl/gui/Messages.h"
#include "vcl/rtl/TextConv.h"

bool ComboListDropped = false;

namespace {

// Messages of the system's list box: a thumb drag of its own bar begins and ends.
constexpr UINT kListStartTrack = 0x1AE;
constexpr UINT kListEndTrack = 0x1AF;
constexpr UINT CM_FOCUSCHANGED_MSG = 0xB01B;

constexpr UINT kListFrameChange =
    SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;

LONG_PTR StyleOf(HWND window) { return GetWindowLongPtrW(window, GWL_STYLE); }

}  // namespace

// ---- the combo box ----

TskComboBoxWnd::TskComboBoxWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager,
                               TsCommonData* data)
    : TskEditWnd(window, repaint, section.empty() ? AnsiString("COMBOBOX") : section, manager, data) {}

TskComboBoxWnd::~TskComboBoxWnd() {
  ReleaseList();
  DeleteListBrush();
}

void TskComboBoxWnd::ReleaseList() {
  if (listAdapter_ != nullptr) {
    TskMainWnd* adapter = listAdapter_;
    listAdapter_ = nullptr;
    DetachScrollWnd(listWindow_, true, false, adapter);
  }
  listWindow_ = nullptr;
}

void TskComboBoxWnd::DeleteListBrush() {
  if (listBrush_ != nullptr) DeleteObject(listBrush_);
  listBrush_ = nullptr;
}

bool TskComboBoxWnd::IsSimple() const { return (StyleOf(Window) & 3) == CBS_SIMPLE; }

TRect TskComboBoxWnd::ButtonRect() {
  RECT r{};
  GetWindowRect(Window, &r);
  const bool hasButton = (StyleOf(Window) & CBS_DROPDOWN) != 0;
  const bool left = (GetWindowLongPtrW(Window, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
  return ComboButtonRect(r.right - r.left, r.bottom - r.top, hasButton, left, GetSystemMetrics(SM_CXVSCROLL));
}

Integer TskComboBoxWnd::ButtonState() {
  if (listWindow_ != nullptr && IsWindowVisible(listWindow_)) return 2;
  if (SendMessageW(Window, CB_GETDROPPEDSTATE, 0, 0) != 0) return 2;
  const TsSkinManager* manager = TsSkinManager::DefaultManager();
  if ((SkinData != nullptr && SkinData->IsActive()) || GetFocus() == Window ||
      (manager != nullptr && manager->ActiveWindow() == Window))
    return 1;
  return 0;
}

void TskComboBoxWnd::PaintButton(HDC dc) {
  const TRect button = ButtonRect();
  if (button.IsEmpty() || SkinManager == nullptr || !SkinData->CacheBitmap) return;
  const Integer state = ButtonState();
  auto copy = CreateBmp32(button.Width(), button.Height());
  BitBlt(copy->Canvas().Handle(), 0, 0, button.Width(), button.Height(), SkinData->CacheBitmap->Canvas().Handle(),
         button.Left, button.Top, SRCCOPY);
  GdiFlush();
  const TsPixelView view = PixelViewOf(*copy);
  const TRect all{0, 0, button.Width(), button.Height()};
  TsBgPixels background;
  background.Bitmap = view;
  const Integer section = SkinManager->GetSkinIndex("COMBOBTN");
  if (SkinManager->IsValidSkinIndex(section))
    PaintSectionInState(*SkinManager, section, "COMBOBTN", view, all, background, TPoint{0, 0}, state);
  const Integer combo = SkinManager->GetSkinIndex("COMBOBOX");
  const Integer glyph = SkinManager->GetMaskIndex(combo, "COMBOBOX", "GLYPHMASK");
  if (SkinManager->IsValidMaskIndex(glyph)) {
    const TsMaskData& mask = SkinManager->ma[static_cast<size_t>(glyph)];
    const Integer w = MaskStateWidth(mask);
    const Integer h = ComboGlyphHeight(&mask);
    if (w > 0 && h > 0) {
      RECT window{};
      GetWindowRect(Window, &window);
      // Centred across the button, and in the window's height.
      const Integer x = CentredGlyphOrigin(all, w, h).X;
      const Integer y = ((window.bottom - window.top) - h) / 2 - button.Top;
      PaintMaskGlyph(view, x, y, std::min<Integer>(state, std::max<Integer>(mask.ImageCount, 1) - 1), background, mask,
                     SkinPixelsOf(*SkinManager).ImageOf(mask), 1);
    }
  }
  BitBlt(dc, button.Left, button.Top, button.Width(), button.Height(), copy->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TskComboBoxWnd::PaintButtonToWindow() {
  if (!IsWindowVisible(Window) || !SkinData->CacheBitmap) return;
  const HDC dc = GetWindowDC(Window);
  if (dc == nullptr) return;
  PaintButton(dc);
  ReleaseDC(Window, dc);
}

void TskComboBoxWnd::PaintText() {
  const TRect button = ButtonRect();
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  const bool left = (GetWindowLongPtrW(Window, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
  TRect rect = left ? TRect{button.Right, 3, WndSize.X - 3, WndSize.Y - 3} : TRect{3, 3, button.Left, WndSize.Y - 3};
  TCanvas& canvas = SkinData->CacheBitmap->Canvas();
  if (TControl* control = SkinData->HostControl) {
    canvas.Font().Assign(&control->Font());
  } else {
    AssignSystemFont(canvas, 5);
  }
  AnsiString text;
  const auto index = SendMessageW(Window, CB_GETCURSEL, 0, 0);
  if (index != CB_ERR) {
    const auto length = SendMessageW(Window, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length > 0) {
      std::u16string buffer(static_cast<size_t>(length) + 1, u'\0');
      const auto got = SendMessageW(Window, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
      buffer.resize(got > 0 ? static_cast<size_t>(got) : 0);
      text = Utf16ToCp1250(buffer);
    }
  } else {
    text = WindowText;
  }
  const bool dropDownList = (StyleOf(Window) & 3) == CBS_DROPDOWNLIST;
  const bool focused = GetFocus() == Window;
  if (focused && dropDownList) {
    FillDCColor(canvas.Handle(), rect, clHighlight);
    canvas.Font().SetColor(clHighlightText);
  }
  SetBkMode(canvas.Handle(), TRANSPARENT);
  TRect textRect = dropDownList ? TRect{rect.Left + 1, rect.Top + 1, rect.Right, rect.Bottom} : rect;
  DrawTextStr(canvas.Handle(), text, textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (focused) {
    const RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
    DrawFocusRect(canvas.Handle(), &r);
  }
}

void TskComboBoxWnd::PaintSimpleFrame() {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  const auto itemHeight = static_cast<Integer>(SendMessageW(Window, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
  const Integer height = std::max<Integer>(itemHeight + 8, 1);
  SkinData->InitCacheBmp();
  TBitmap& cache = *SkinData->CacheBitmap;
  if (cache.Width() != WndSize.X || cache.Height() != height) cache.SetSize(WndSize.X, height);
  const Integer border = SkinManager != nullptr ? SkinManager->SkinData.BorderColor : static_cast<Integer>(clSkinNoColor);
  if (DialogMode && border != static_cast<Integer>(clSkinNoColor)) {
    cache.Canvas().Brush().SetStyle(bsSolid);
    cache.Canvas().Brush().SetColor(clWindow);
    cache.Canvas().FillRect(TRect{0, 0, WndSize.X, height});
    cache.Canvas().Brush().SetColor(static_cast<TColor>(border));
    cache.Canvas().FrameRect(TRect{0, 0, WndSize.X, height});
  } else {
    SkinData->PaintOwnSection(GetParentBgOfWnd(Window), true, cache, WndPos, TRect{0, 0, WndSize.X, height},
                              SkinData->IsActive() ? 1 : 0);
  }
  SkinData->BackgroundDirty = false;
}

void TskComboBoxWnd::ColorListBox(TMessage& message) {
  if (listOpening_) {
    TskEditWnd::WndProc(message);
    return;
  }
  listOpening_ = true;
  struct TGuard {
    bool& flag;
    ~TGuard() { flag = false; }
  } guard{listOpening_};
  TskEditWnd::WndProc(message);
  const auto list = reinterpret_cast<HWND>(message.LParam);
  if (listWindow_ == nullptr) listWindow_ = list;
  if (listAdapter_ == nullptr && listWindow_ != nullptr) {
    const bool dialog = AdaptingDialogChildren;
    if (SkinData->HostControl == nullptr) AdaptingDialogChildren = DialogMode;
    listAdapter_ = TskComboListWnd::CreateForCombo(listWindow_, IsSimple(), SendMessageW(Window, CB_GETCOUNT, 0, 0) > 0,
                                                   "EDIT", SkinManager);
    AdaptingDialogChildren = dialog;
  }
  TskSectionInfo info;
  SendSkinCommand(listWindow_, scGetSkinIndex, reinterpret_cast<LPARAM>(&info));
  if (SkinManager == nullptr || !SkinManager->IsValidSkinIndex(info.Index) || DialogMode) return;
  const TsGenState& values = SkinManager->gd[static_cast<size_t>(info.Index)].Props[0];
  const auto dc = reinterpret_cast<HDC>(message.WParam);
  if (values.TextColor >= 0) SetTextColor(dc, ColorToRGB(static_cast<TColor>(values.TextColor)));
  const COLORREF colour = ColorToRGB(static_cast<TColor>(values.Color));
  SetBkColor(dc, colour);
  // The list asks at every paint: one brush per colour, not one per request.
  if (listBrush_ == nullptr || listBrushColor_ != colour) {
    DeleteListBrush();
    listBrush_ = CreateSolidBrush(colour);
    listBrushColor_ = colour;
  }
  message.Result = reinterpret_cast<LRESULT>(listBrush_);
}

void TskComboBoxWnd::WndProc(TMessage& message) {
  if (!SkinnedNow()) {
    TskEditWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case SkinCommandMessage:
      switch (SkinCommandOf(message.WParam)) {
        case scNewSkin:
        case scRefresh:
          if (message.LParam == reinterpret_cast<LPARAM>(SkinManager)) DeleteListBrush();
          break;
        case scRemoveSkin:
          if (message.LParam != reinterpret_cast<LPARAM>(SkinManager)) break;
          TskEditWnd::WndProc(message);
          DeleteListBrush();
          if (listWindow_ != nullptr) {
            const HWND list = listWindow_;
            SetWindowLongPtrW(list, GWL_STYLE, (StyleOf(list) & ~static_cast<LONG_PTR>(WS_THICKFRAME)) | WS_BORDER);
            ReleaseList();
          }
          return;
        case scMouseEnter:
        case scMouseLeave:
          TskEditWnd::WndProc(message);
          PaintButtonToWindow();
          return;
        default:
          break;
      }
      break;
    case WM_SETFOCUS:
    case WM_LBUTTONUP:
      TskEditWnd::WndProc(message);
      PaintButtonToWindow();
      return;
    case WM_KILLFOCUS:
    case CM_FOCUSCHANGED_MSG: {
      auto* control = dynamic_cast<TWinControl*>(SkinData->HostControl);
      SkinData->FocusFlag = control != nullptr && control->HandleAllocated() && GetFocus() == control->Handle();
      SkinData->BackgroundDirty = true;
      CallOldProc(message);
      if (IsMultiStateSection(SkinData) && control != nullptr && control->CanFocus() && control->TabStop())
        SendMessageW(Window, WM_NCPAINT, 0, 0);
      PaintButtonToWindow();
      return;
    }
    case WM_PAINT: {
      if (!SkinParamsApplied) SetSkinParams();
      GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
      CallOldProc(message);
      const auto given = reinterpret_cast<HDC>(message.WParam);
      const HDC dc = given != nullptr ? given : GetWindowDC(Window);
      if (dc == nullptr) return;
      if (IsSimple()) {
        PaintSimpleFrame();
        CopyFrameStrips(dc, 0, 0, WndSize.X, SkinData->CacheBitmap->Height(), SkinData->CacheBitmap->Canvas().Handle(),
                        0, 0, 3);
      } else {
        SkinData->BackgroundDirty = true;
        SendSkinCommand(Window, scRebuildCache, 0);
        if (SkinData->CacheBitmap)
          CopyFrameStrips(dc, 0, 0, WndSize.X, WndSize.Y, SkinData->CacheBitmap->Canvas().Handle(), 0, 0, 3);
        PaintButton(dc);
      }
      if (given == nullptr) ReleaseDC(Window, dc);
      return;
    }
    case WM_ERASEBKGND:
      message.Result = 1;
      return;
    case WM_DRAWITEM:
      CallOldProc(message);
      if (SkinData->HostControl != nullptr) {
        InvalidateRect(Window, nullptr, TRUE);
        UpdateWindow(Window);
      }
      return;
    case WM_NCCALCSIZE:
      TskEditWnd::WndProc(message);
      Edges.Left = 3;
      return;
    case WM_COMMAND:
    case CN_COMMAND:
      if (message.Msg == CN_COMMAND || !IsSimple()) {
        if (HIWORD(message.WParam) == CBN_CLOSEUP) {
          SkinData->BackgroundDirty = true;
          ComboListDropped = false;
          TskEditWnd::WndProc(message);
          PaintButtonToWindow();
          return;
        }
        if (HIWORD(message.WParam) == CBN_DROPDOWN) ComboListDropped = true;
      }
      break;
    case WM_CTLCOLORLISTBOX:
      ColorListBox(message);
      return;
    case WM_PRINT: {
      GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
      SkinData->SetUpdating(true);
      if (!SkinParamsApplied) SetSkinParams();
      if (Detached()) return;
      SkinData->SetUpdating(false);
      SkinData->BackgroundDirty = true;
      if (IsSimple()) {
        PaintSimpleFrame();
      } else {
        SendSkinCommand(Window, scRebuildCache, 0);
      }
      SkinData->BackgroundDirty = true;
      RebuildWindowBg(SkinData, Window, DialogMode);
      PaintText();
      FillBorderCorners(SkinData, 0, this);
      const auto dc = reinterpret_cast<HDC>(message.WParam);
      if (dc != nullptr && SkinData->CacheBitmap) {
        BitBlt(dc, 0, 0, SkinData->CacheBitmap->Width(), SkinData->CacheBitmap->Height(),
               SkinData->CacheBitmap->Canvas().Handle(), 0, 0, SRCCOPY);
        PaintButton(dc);
      }
      return;
    }
    case CM_MOUSEENTER:
      if (!mouseAbove_) {
        mouseAbove_ = true;
        SkinData->BackgroundDirty = true;
        TskEditWnd::WndProc(message);
        InvalidateRect(Window, nullptr, TRUE);
        return;
      }
      break;
    case CM_MOUSELEAVE:
      if (mouseAbove_) {
        if (auto* control = dynamic_cast<TWinControl*>(SkinData->HostControl))
          SkinData->FocusFlag = control->Focused();
        POINT cursor{};
        RECT r{};
        GetCursorPos(&cursor);
        GetWindowRect(Window, &r);
        if (PtInRect(&r, cursor)) return;
        mouseAbove_ = false;
        SkinData->BackgroundDirty = true;
        TskEditWnd::WndProc(message);
        InvalidateRect(Window, nullptr, TRUE);
        return;
      }
      break;
    default:
      break;
  }
  TskEditWnd::WndProc(message);
}

// ---- the combo's list ----

TskComboListWnd::TskComboListWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager,
                                 TsCommonData* data, bool simple)
    : TskEditWnd(window, repaint, section, manager, data), simple_(simple), repaint_(repaint) {}

TskComboListWnd::~TskComboListWnd() {
  if (SetWindowThemeProc != nullptr && IsWindow(Window)) SetWindowThemeProc(Window, nullptr, nullptr);
}

bool TskComboListWnd::DropsTheme() const { return repaint_ && TskEditWnd::DropsTheme(); }

TskComboListWnd* TskComboListWnd::CreateForCombo(HWND list, bool simple, bool hasItems, const AnsiString& section,
                                                 TsSkinManager* manager) {
  auto* adapter = New<TskComboListWnd>(list, hasItems, section, manager, nullptr, simple);
  if (!simple) {
    // The list's frame is calculated again (by the adapter) at the size it has.
    RECT r{};
    GetWindowRect(list, &r);
    SetWindowPos(list, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, kListFrameChange);
  }
  return adapter;
}

void TskComboListWnd::PaintListFrame() {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  if (simple_) {
    SendSkinCommand(Window, scRebuildCache, 0);
    return;
  }
  SkinData->UpdateIndexes();
  SetSkinParams();
  SkinData->InitCacheBmp();
  TBitmap& cache = *SkinData->CacheBitmap;
  if (cache.Width() != WndSize.X || cache.Height() != WndSize.Y) cache.SetSize(WndSize.X, WndSize.Y);
  TCanvas& canvas = cache.Canvas();
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(Color);
  canvas.FillRect(TRect{0, 0, WndSize.X, WndSize.Y});
  canvas.Brush().SetColor(static_cast<TColor>(FrameColor));
  canvas.FrameRect(TRect{0, 0, WndSize.X, WndSize.Y});
  SkinData->BackgroundDirty = false;
}

void TskComboListWnd::NCPaint(TMessage& message) {
  message.Result = 0;
  PaintListFrame();
  if (!DialogMode) FillBorderCorners(SkinData, 0, this);
  const HDC dc = GetWindowDC(Window);
  if (dc == nullptr) return;
  if (SkinData->CacheBitmap)
    CopyFrameStrips(dc, 0, 0, WndSize.X, WndSize.Y, SkinData->CacheBitmap->Canvas().Handle(), 0, 0, 1);
  PaintScrollBars(dc);
  ReleaseDC(Window, dc);
}

void TskComboListWnd::WndProc(TMessage& message) {
  if (!SkinnedNow()) {
    TskEditWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_ERASEBKGND:
      if (message.WParam != 0) {
        RECT r{};
        GetWindowRect(Window, &r);
        FillDCColor(reinterpret_cast<HDC>(message.WParam), TRect{0, 0, r.right - r.left, r.bottom - r.top}, Color);
        message.Result = 1;
        return;
      }
      break;
    case WM_NCPAINT:
      if (Scrolling) break;
      NCPaint(message);
      return;
    case WM_HSCROLL:
    case WM_VSCROLL:
      CallOldProc(message);
      return;
    case kListStartTrack:
      tracking_ = true;
      break;
    case kListEndTrack:
      tracking_ = false;
      SkinData->BackgroundDirty = true;
      break;
    default:
      break;
  }
  TskEditWnd::WndProc(message);
  if (message.Msg == WM_WINDOWPOSCHANGED && !Detached()) UpdateScrollInfo(true);
}

// ---- another vendor's combo box ----

TskWWComboBoxWnd::TskWWComboBoxWnd(TWinControl* control, bool repaint, const AnsiString& section,
                                   TsSkinManager* manager, TsCommonData* data)
    : TskComboBoxWnd(control->Handle(), repaint, section, manager, data) {
  if (auto* combo = dynamic_cast<TCustomComboBox*>(control))
    showButton_ = combo->Style() == csDropDown || combo->Style() == csDropDownList;
}

TskWWComboBoxWnd::~TskWWComboBoxWnd() {
  FreeAdapter(listBoxAdapter_);
  delete listBoxData_;
}

TRect TskWWComboBoxWnd::ButtonRect() {
  RECT r{};
  GetWindowRect(Window, &r);
  const bool left = (GetWindowLongPtrW(Window, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
  return ComboButtonRect(r.right - r.left, r.bottom - r.top, showButton_, left, GetSystemMetrics(SM_CXVSCROLL));
}

void TskWWComboBoxWnd::WndProc(TMessage& message) {
  if (message.Msg == WM_CTLCOLORLISTBOX) {
    CallOldProc(message);
    return;
  }
  TskComboBoxWnd::WndProc(message);
  if (message.Msg != WM_PARENTNOTIFY || LOWORD(message.WParam) != WM_CREATE || Detached()) return;
  auto* owner = dynamic_cast<TWinControl*>(SkinData->HostControl);
  if (owner == nullptr) return;
  for (int i = 0; i < owner->ControlCount(); ++i) {
    auto* box = dynamic_cast<TCustomListBox*>(owner->Controls(i));
    if (box == nullptr) continue;
    if (box != listBox_) {
      FreeAdapter(listBoxAdapter_);
      delete listBoxData_;
      listBoxData_ = new TsCommonData(box);
      listBoxData_->SetSkinSection("EDIT");
      listBox_ = box;
    }
    UpdateEditAdapter(listBoxData_, listBoxAdapter_);
  }
}
