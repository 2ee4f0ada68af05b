#include "skin/forms/sBorderForm.h"

#include <windowsx.h>

#include <algorithm>

#include "skin/forms/sCommonData.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sSkinManager.h"
#include "skin/manager/sAlphaPaint.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/Form.h"

namespace {

constexpr LONG_PTR kBorderExStyle = WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOOLWINDOW;
constexpr Integer kOnFrame = 19;  // HTBORDER's neighbour: lets the window take non-client mouse messages

TRect DefaultWorkArea(HWND window) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info) == FALSE) return TRect{};
  return TRect{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
}

bool IsTitleButtonCode(Integer code) {
  return code == HTMINBUTTON || code == HTMAXBUTTON || code == HTCLOSE || code == HTHELP ||
         (code >= 1000 && code <= 2100);
}

LPCWSTR CursorOfCode(Integer code) {
  switch (code) {
    case HTCAPTION:
    case HTMENU: return IDC_ARROW;
    case HTLEFT:
    case HTRIGHT: return IDC_SIZEWE;
    case HTTOP:
    case HTBOTTOM: return IDC_SIZENS;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT: return IDC_SIZENWSE;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT: return IDC_SIZENESW;
    default: return nullptr;
  }
}

HRGN RegionOf(const TskBorderRegionShape& shape, Integer width, Integer height) {
  const TRect outer = shape.Whole ? TRect{0, 0, width, height} : shape.Outer;
  HRGN region = CreateRectRgn(outer.Left, outer.Top, outer.Right, outer.Bottom);
  if (!shape.Hole.IsEmpty()) {
    HRGN hole = CreateRectRgn(shape.Hole.Left, shape.Hole.Top, shape.Hole.Right, shape.Hole.Bottom);
    CombineRgn(region, region, hole, RGN_XOR);
    DeleteObject(hole);
  }
  return region;
}

}  // namespace

TskWorkAreaSource BorderWorkAreaSource = DefaultWorkArea;

TskBorderForm::TskBorderForm(IskBorderOwner* owner) : owner_(owner) { CreateBorderWnd(); }

TskBorderForm::~TskBorderForm() {
  if (owner_ != nullptr) owner_->FreeOwnerButtonEffects();
  FreeBorderWnd();
}

HWND TskBorderForm::BorderHandle() const {
  return borderWnd_ != nullptr && borderWnd_->HandleAllocated() ? borderWnd_->Handle() : nullptr;
}

void TskBorderForm::CreateBorderWnd() {
  if (borderWnd_ != nullptr) return;
  const HWND ownerWindow = owner_->OwnerWindow();
  if (ownerWindow == nullptr) return;
  borderWnd_ = New<TForm>(nullptr);
  borderWnd_->SetTag(kSkinOwnWindowTag);
  borderWnd_->SetBorderStyle(bsNone);
  savedWindowProc_ = borderWnd_->WindowProc();
  borderWnd_->SetWindowProc(TWndMethod(this, &TskBorderForm::WndProc));
  const HWND window = borderWnd_->Handle();
  SetWindowLongPtrW(window, GWL_EXSTYLE, GetWindowLongPtrW(window, GWL_EXSTYLE) | kBorderExStyle);
  // The owner is pointer-sized: a 32-bit setter would cut a 64-bit handle.
  previousOwner_ = reinterpret_cast<HWND>(SetWindowLongPtrW(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(ownerWindow)));
}

void TskBorderForm::FreeBorderWnd() {
  if (borderWnd_ == nullptr) return;
  TForm* form = borderWnd_;
  borderWnd_ = nullptr;
  if (savedWindowProc_) form->SetWindowProc(savedWindowProc_);
  savedWindowProc_ = TWndMethod();
  delete form;
}

TForm* TskBorderForm::ReleaseBorderWnd() {
  if (borderWnd_ == nullptr) return nullptr;
  TForm* form = borderWnd_;
  borderWnd_ = nullptr;
  if (savedWindowProc_) form->SetWindowProc(savedWindowProc_);
  savedWindowProc_ = TWndMethod();
  if (form->HandleAllocated())
    SetWindowLongPtrW(form->Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(previousOwner_));
  return form;
}

HRGN TskBorderForm::FormRegion() const {
  if (BorderHandle() == nullptr) return nullptr;
  const TskBorderGeometry g = owner_->OwnerGeometry();
  return RegionOf(BorderRegionShape(g, owner_->OwnerSideOffset(), !HasClientHole()), g.Width, g.Height);
}

void TskBorderForm::SetRegionForSize(Integer dx, Integer dy) {
  if (BorderHandle() == nullptr) return;
  TskBorderGeometry g = owner_->OwnerGeometry();
  g.Width += dx;
  g.Height += dy;
  g.FormRect.Right += dx;
  g.FormRect.Bottom += dy;
  g.Client.Right += dx;
  g.Client.Bottom += dy;
  HRGN region = RegionOf(BorderRegionShape(g, owner_->OwnerSideOffset(), !HasClientHole()), g.Width, g.Height);
  if (SetWindowRgn(BorderHandle(), region, FALSE) == 0) DeleteObject(region);
}

void TskBorderForm::SetRegion() {
  if (HRGN region = FormRegion()) {
    if (SetWindowRgn(BorderHandle(), region, FALSE) == 0) DeleteObject(region);
  }
}

void TskBorderForm::ClearPictureOverClient(TBitmap& picture) const {
  const TskBorderGeometry g = owner_->OwnerGeometry();
  const TskBorderRegionShape shape = BorderRegionShape(g, owner_->OwnerSideOffset(), !HasClientHole());
  if (shape.Hole.IsEmpty()) return;
  GdiFlush();
  // Only the alpha: the colours stay for the child controls that take their background from the picture.
  SetBitmapRectAlpha(PixelViewOf(picture), shape.Hole, 0, false);
}

void TskBorderForm::UpdateBlurBehind(TBitmap& picture) const {
  TsCommonData* data = owner_->OwnerSkinData();
  TsSkinManager* manager = data != nullptr ? data->GetSkinManager() : nullptr;
  const HWND window = BorderHandle();
  if (manager == nullptr || !manager->Effects().AllowAeroBluring || !manager->SkinData.AeroBlur) {
    EnableBlurBehind(window, false);
    return;
  }
  // The frame grown by a pixel, less the pure black pixels of its corners (what the skin leaves out
  // of its rounded corners).
  const TskBorderGeometry g = owner_->OwnerGeometry();
  const TRect frame{g.Shadow.Left - 1, g.Shadow.Top - 1, g.Width - g.Shadow.Right + 1, g.Height - g.Shadow.Bottom + 1};
  HRGN region = CreateRectRgn(frame.Left, frame.Top, frame.Right, frame.Bottom);
  const Integer side = manager->SkinData.ExtShadow;
  if (side > 0) {
    GdiFlush();
    const TsPixelView view = PixelViewOf(picture);
    HRGN pixel = CreateRectRgn(0, 0, 0, 0);
    const TPoint corners[] = {{frame.Left, frame.Top}, {frame.Right - side, frame.Top},
                              {frame.Left, frame.Bottom - side}, {frame.Right - side, frame.Bottom - side}};
    for (const TPoint& c : corners)
      for (Integer y = std::max<Integer>(c.Y, 0); y < std::min(c.Y + side, view.Height); ++y)
        for (Integer x = std::max<Integer>(c.X, 0); x < std::min(c.X + side, view.Width); ++x)
          if ((view.Row(y)[x] & 0x00FFFFFFu) == 0) {
            SetRectRgn(pixel, x, y, x + 1, y + 1);
            CombineRgn(region, region, pixel, RGN_DIFF);
          }
    DeleteObject(pixel);
  }
  EnableBlurBehind(window, true, region);
  DeleteObject(region);
}

bool TskBorderForm::HasClientHole() const {
  return (owner_->OwnerStateWord() & (fsBlendMoving | fsAnimShowing | fsAnimating | fsAnimHiding)) == 0;
}

void TskBorderForm::RestoreRegion() {
  if (!restoreRegion_) return;
  restoreRegion_ = false;
  SetRegion();
}

void TskBorderForm::UpdateExBorders(bool repaint, Byte alpha) {
  if (Busy || (Application != nullptr && Application->Terminated())) return;
  const HWND ownerWindow = owner_->OwnerWindow();
  TsCommonData* data = owner_->OwnerSkinData();
  RECT ownerRect{};
  if (ownerWindow == nullptr || data == nullptr || GetWindowRect(ownerWindow, &ownerRect) == FALSE) return;
  if ((data->StateBits & (ssPrinting | ssInUpdate)) != 0) return;
  const Cardinal state = owner_->OwnerStateWord();
  if (IsWindowVisible(ownerWindow) == FALSE && (state == 0 || state == 0x8000)) {
    FreeBorderWnd();
    data->BackgroundDirty = true;
    return;
  }
  if (borderWnd_ == nullptr) CreateBorderWnd();
  const HWND window = BorderHandle();
  if (window == nullptr) return;
  struct BusyScope {
    bool& flag;
    explicit BusyScope(bool& f) : flag(f) { flag = true; }
    ~BusyScope() { flag = false; }
  } busy{Busy};

  if (data->BackgroundDirty || !data->CacheBitmap) {
    owner_->RepaintOwnerFrame();
    repaint = true;
  }
  TBitmap* cache = data->CacheBitmap.get();
  const bool topmost = (GetWindowLongPtrW(ownerWindow, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  // Right behind the owner, or topmost beside a topmost owner.
  const HWND insertAfter = topmost ? HWND_TOPMOST : ownerWindow;

  POINT client{0, 0};
  ClientToScreen(ownerWindow, &client);
  const TPoint offset = owner_->OwnerClientOffset();
  POINT position{client.x - offset.X, client.y - offset.Y};
  RECT bounds{};
  GetWindowRect(window, &bounds);
  const bool sized = cache != nullptr && (bounds.right - bounds.left != cache->Width() || bounds.bottom - bounds.top != cache->Height());
  UINT flags = SWP_NOACTIVATE | SWP_NOOWNERZORDER;
  // A picture of the same size need not size the window again (sizing runs the window's size handling).
  if (!sized) flags |= SWP_NOSIZE;
  if (!repaint) flags |= SWP_NOREDRAW;

  const TUpdateLayeredWindow updateLayered = UpdateLayeredWindowFunction();
  if (updateLayered == nullptr || cache == nullptr || cache->Width() == 0 || passingThrough_) {
    SetWindowPos(window, insertAfter, position.x, position.y, 0, 0, flags | SWP_NOSIZE);
    return;
  }
  SIZE size{cache->Width(), cache->Height()};
  SetWindowPos(window, insertAfter, position.x, position.y, size.cx, size.cy, flags | SWP_NOREDRAW);
  UpdateBlurBehind(*cache);
  if ((state & fsBlendMoving) != 0) SetRegion();
  ClearPictureOverClient(*cache);
  ShowPicture(*cache, position, alpha);
  if ((state & 0xFFFF) != fsBlendMoving) SetRegion();
  if (IsWindowVisible(window) != FALSE) {
    SetWindowPos(window, insertAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
    return;
  }
  // The form's own frame must not flash before the border window shows it.
  const LONG_PTR style = GetWindowLongPtrW(ownerWindow, GWL_STYLE);
  const bool hideOwner = alpha == 0 && (style & WS_VISIBLE) != 0;
  if (hideOwner) SetWindowLongPtrW(ownerWindow, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_VISIBLE));
  SetWindowPos(window, insertAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  if (hideOwner) SetWindowLongPtrW(ownerWindow, GWL_STYLE, GetWindowLongPtrW(ownerWindow, GWL_STYLE) | WS_VISIBLE);
}

bool TskBorderForm::ShowPicture(TBitmap& picture, POINT position, Byte alpha) {
  const TUpdateLayeredWindow updateLayered = UpdateLayeredWindowFunction();
  const HWND window = BorderHandle();
  if (updateLayered == nullptr || window == nullptr) return false;
  SIZE size{picture.Width(), picture.Height()};
  POINT source{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, owner_->OwnerAlpha(alpha), AC_SRC_ALPHA};
  // The picture's own canvas is the source: its bitmap cannot be selected into a second DC.
  GdiFlush();
  const HDC screen = GetDC(nullptr);
  updateLayered(window, screen, &position, &size, picture.Canvas().Handle(), &source, 0, &blend, ULW_ALPHA);
  ReleaseDC(nullptr, screen);
  return true;
}

void TskBorderForm::ShowHidePicture() {
  TsCommonData* data = owner_->OwnerSkinData();
  TBitmap* picture = data != nullptr ? data->CacheBitmap.get() : nullptr;
  const HWND window = BorderHandle();
  if (picture == nullptr || picture->Width() == 0 || window == nullptr) return;
  Busy = true;  // the animation's picture stays until the form shows again
  RECT r{};
  GetWindowRect(window, &r);
  if (!ShowPicture(*picture, POINT{r.left, r.top}, 255)) return;
  SetRegion();
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER |
                   SWP_NOSENDCHANGING);
}

TPoint TskBorderForm::BorderPoint(const TMessage& message) const {
  RECT r{};
  GetWindowRect(BorderHandle(), &r);
  return TPoint{GET_X_LPARAM(message.LParam) - r.left, GET_Y_LPARAM(message.LParam) - r.top};
}

Integer TskBorderForm::HitTest(const TMessage& message) {
  const HWND ownerWindow = owner_->OwnerWindow();
  if (ownerWindow == nullptr || BorderHandle() == nullptr) return bhNone;
  if (IsWindowEnabled(ownerWindow) == FALSE) return bhNone;
  const TPoint p = BorderPoint(message);
  if (const Integer button = owner_->OwnerButtonAt(p); button != 0) return button;
  TskBorderGeometry g = owner_->OwnerGeometry();
  g.CaptionHeight = owner_->OwnerCaptionHeight();
  g.MenuHeight = owner_->OwnerMenuHeight();
  g.IconRect = owner_->OwnerIconRect();
  return BorderFrameHitTest(g, p);
}

void TskBorderForm::LetMouseThrough(TPoint p) {
  HRGN region = FormRegion();
  if (region == nullptr) return;
  HRGN pixel = CreateRectRgn(p.X, p.Y, p.X + 1, p.Y + 1);
  CombineRgn(region, region, pixel, RGN_XOR);
  DeleteObject(pixel);
  if (SetWindowRgn(BorderHandle(), region, FALSE) == 0) DeleteObject(region);
  restoreRegion_ = true;
}

void TskBorderForm::DoubleClick(Integer code) {
  const HWND ownerWindow = owner_->OwnerWindow();
  if (ownerWindow == nullptr) return;
  const LONG_PTR style = GetWindowLongPtrW(ownerWindow, GWL_STYLE);
  switch (code) {
    case HTCAPTION: {
      if ((style & WS_MAXIMIZEBOX) == 0) return;
      const bool restore = IsZoomed(ownerWindow) != FALSE || IsIconic(ownerWindow) != FALSE;
      SendMessageW(ownerWindow, WM_SYSCOMMAND, restore ? SC_RESTORE : SC_MAXIMIZE, 0);
      return;
    }
    case HTSYSMENU: SendMessageW(ownerWindow, WM_SYSCOMMAND, SC_CLOSE, 0); return;
    default:
      if (code >= 2000 && code <= 2100) {
        owner_->OwnerTitleItemDblClick(code);
        return;
      }
      break;
  }
  const bool horizontal = code == HTLEFT || code == HTRIGHT;
  const bool vertical = code == HTTOP || code == HTBOTTOM;
  if ((!horizontal && !vertical) || (style & WS_THICKFRAME) == 0 || IsZoomed(ownerWindow) != FALSE) return;
  RECT r{};
  GetWindowRect(ownerWindow, &r);
  Cardinal state = owner_->OwnerStateWord();
  const Cardinal bit = horizontal ? fsWidthStretched : fsHeightStretched;
  const Integer side = owner_->OwnerSideOffset();
  TRect target{r.left, r.top, r.right, r.bottom};
  if ((state & bit) != 0) {
    // Back to the remembered place along that axis.
    if (horizontal) target.Left = stretchedSaved_.Left, target.Right = stretchedSaved_.Right;
    else target.Top = stretchedSaved_.Top, target.Bottom = stretchedSaved_.Bottom;
    state &= ~bit;
  } else {
    const TRect work = BorderWorkAreaSource(ownerWindow);
    if (horizontal) {
      stretchedSaved_.Left = r.left, stretchedSaved_.Right = r.right;
      const TskSpan span = StretchSpan(work.Left, work.Width(), side, side);
      target.Left = span.Start, target.Right = span.Start + span.Size;
    } else {
      stretchedSaved_.Top = r.top, stretchedSaved_.Bottom = r.bottom;
      const TskSpan span = StretchSpan(work.Top, work.Height(), owner_->OwnerTopOffset(), side);
      target.Top = span.Start, target.Bottom = span.Start + span.Size;
    }
    state |= bit;
  }
  // The stretch bits are set once the form has its new bounds: a move of a stretched form gives its
  // bounds back (the form's position message), and the stretch itself is no such move.
  constexpr Cardinal kStretched = fsWidthStretched | fsHeightStretched;
  owner_->SetOwnerStateWord(state & ~kStretched);
  SetWindowPos(ownerWindow, nullptr, target.Left, target.Top, target.Width(), target.Height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
  owner_->SetOwnerStateWord(owner_->OwnerStateWord() | (state & kStretched));
}

void TskBorderForm::SnapPosition(WINDOWPOS& pos) {
  const Integer buffer = owner_->OwnerSnapBuffer();
  const HWND ownerWindow = owner_->OwnerWindow();
  if (buffer <= 0 || (pos.flags & SWP_NOMOVE) != 0 || IsZoomed(ownerWindow) != FALSE) return;
  const TskBorderGeometry g = owner_->OwnerGeometry();
  const TRect visible = BorderVisibleRect(g);
  const TRect margins{visible.Left, visible.Top, g.Width - visible.Right, g.Height - visible.Bottom};
  const TPoint p = SnapBorderPosition(TPoint{pos.x, pos.y}, g.Width, g.Height, margins,
                                      BorderWorkAreaSource(ownerWindow), buffer);
  pos.x = p.X;
  pos.y = p.Y;
}

void TskBorderForm::CallDefault(TMessage& message) {
  if (savedWindowProc_) savedWindowProc_(message);
}

void TskBorderForm::WndProc(TMessage& message) {
  try {
    if (!HandleMessage(message)) CallDefault(message);
  } catch (...) {
    // Nothing escapes a window procedure; the border simply stays as it was.
    message.Result = 0;
  }
}

bool TskBorderForm::HandleMessage(TMessage& message) {
  const HWND window = BorderHandle();
  const HWND ownerWindow = owner_->OwnerWindow();
  if (window == nullptr || ownerWindow == nullptr) return false;
  auto inShadow = [&] { return InShadowBand(owner_->OwnerGeometry(), BorderPoint(message)); };
  switch (message.Msg) {
    case WM_NCHITTEST:
      RestoreRegion();
      if (inShadow()) {
        owner_->SetOwnerHotButton(0);
        return false;
      }
      CallDefault(message);
      message.Result = kOnFrame;
      return true;
    case WM_SETCURSOR:
      if (LPCWSTR cursor = CursorOfCode(static_cast<SmallInt>(LOWORD(message.LParam)))) {
        SetCursor(LoadCursorW(nullptr, cursor));
        message.Result = TRUE;
        return true;
      }
      return false;
    case WM_NCMOUSEMOVE: {
      const Integer code = HitTest(message);
      owner_->SetOwnerHotButton(IsTitleButtonCode(code) ? code : 0);
      return false;
    }
    case WM_NCLBUTTONDOWN: {
      if (inShadow()) return true;
      Busy = false;
      const Integer code = HitTest(message);
      // A caption press moves the form; a button press goes to the title's own handling.
      const Integer passed = code == HTSYSMENU || code == HTCAPTION || IsTitleButtonCode(code) ? code : bhNone;
      SendMessageW(ownerWindow, WM_NCLBUTTONDOWN, static_cast<WPARAM>(passed), message.LParam);
      return true;
    }
    case WM_NCLBUTTONUP:
    case WM_NCRBUTTONUP:
      SendMessageW(ownerWindow, message.Msg, static_cast<WPARAM>(bhNone), message.LParam);
      return true;
    case WM_NCRBUTTONDOWN:
      SendMessageW(ownerWindow, message.Msg, static_cast<WPARAM>(HitTest(message)), message.LParam);
      return true;
    case WM_NCLBUTTONDBLCLK:
      DoubleClick(HitTest(message));
      return true;
    case WM_MOUSEACTIVATE:
      if (IsWindowEnabled(ownerWindow) != FALSE) SetForegroundWindow(ownerWindow);
      message.Result = MA_NOACTIVATE;
      return true;
    case WM_WINDOWPOSCHANGING: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(message.LParam);
      if (pos == nullptr || (owner_->OwnerStateWord() & fsBlendMoving) == 0) return false;
      SnapPosition(*pos);
      CallDefault(message);
      SavedPoint = TPoint{pos->x, pos->y};
      return true;
    }
    case WM_WINDOWPOSCHANGED:
      owner_->FreeOwnerButtonEffects();
      return false;
    case WM_SHOWWINDOW: {
      // Only the main form's border follows the owner's hiding and showing by itself.
      if (Application == nullptr || Application->MainForm() == nullptr || Application->MainForm()->Handle() != ownerWindow)
        return true;
      // The main form hiding (shown away or its owner closing) with its hide animation: the border
      // window shows the animation's first picture and stays for it.
      const bool hiding = message.WParam == 0 && (message.LParam == 0 || message.LParam == SW_PARENTCLOSING);
      if (!hiding || InAnimationProcess || UpdateLayeredWindowFunction() == nullptr) return false;
      const Cardinal state = owner_->OwnerStateWord();
      if ((state & fsAnimShowing) != 0) {
        message.Result = 0;
        return true;
      }
      if ((state & fsAnimHiding) != 0) return true;
      if (!owner_->OwnerTakeHidePicture()) return false;
      ShowHidePicture();
      return true;
    }
    case WM_ERASEBKGND:
    case WM_NCPAINT:
      message.Result = 0;
      return true;
    default: break;
  }
  if (message.Msg >= WM_MOUSEMOVE && message.Msg <= WM_MBUTTONDBLCLK) {
    const TPoint p{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
    if (InShadowBand(owner_->OwnerGeometry(), p)) LetMouseThrough(p);
    return true;
  }
  return false;
}
