// The skinned form's client area: its background is copied from the same cache that holds the frame
// (the form section's fill, or the form's colour in the plain state), the graphic child controls are
// painted over it, and the size grip goes into its corner. WM_PAINT, WM_ERASEBKGND and the print
// messages end here; the form's own procedure never paints the client while the provider does.
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sPixelRoutines.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/GraphicControl.h"

namespace {

// Keeps a DC's state (origin, clip) for a scope.
class TDCState {
 public:
  explicit TDCState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  ~TDCState() { RestoreDC(dc_, saved_); }
  TDCState(const TDCState&) = delete;
  TDCState& operator=(const TDCState&) = delete;

 private:
  HDC dc_;
  int saved_;
};

// Leaves the visible graphic children out of the DC's clip: they are painted over their own background.
void ExcludeGraphicChildren(HDC dc, TWinControl* container) {
  for (int i = 0; i < container->ControlCount(); ++i) {
    TControl* child = container->Controls(i);
    if (dynamic_cast<TGraphicControl*>(child) == nullptr || !child->Visible()) continue;
    ExcludeClipRect(dc, child->Left(), child->Top(), child->Left() + child->Width(), child->Top() + child->Height());
  }
}

void MoveOrigin(HDC dc, Integer dx, Integer dy) {
  POINT origin{};
  GetWindowOrgEx(dc, &origin);
  SetWindowOrgEx(dc, origin.x - dx, origin.y - dy, nullptr);
}

}  // namespace

TColor TsSkinProvider::FormColor() const {
  const TsSkinManager* manager = Manager();
  if (FormSkinned() && !skinData_->CustomColor && manager != nullptr &&
      manager->IsValidSkinIndex(skinData_->SectionIndex)) {
    const TsGeneralData& section = manager->gd[static_cast<size_t>(skinData_->SectionIndex)];
    const Integer state = DrawnActive && section.States > 1 ? 1 : 0;
    return static_cast<TColor>(section.Props[state].Color & 0xFFFFFF);
  }
  return Form != nullptr ? ColorToRGB(Form->Color()) : clNone;
}

TRect TsSkinProvider::ClientBounds() const {
  RECT r{};
  if (Form != nullptr && Form->HandleAllocated()) GetClientRect(Form->Handle(), &r);
  return TRect{r.left, r.top, r.right, r.bottom};
}

void TsSkinProvider::PaintClientArea(HDC dc, bool endUpdate) {
  if (Form == nullptr || dc == nullptr) return;
  const TRect client = ClientBounds();
  const bool plain = (skinData_->StateBits & ssPlainBackground) != 0 && Form->FormStyle() != fsMDIForm;
  if (plain) {
    const HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(FormColor()));
    const RECT r{client.Left, client.Top, client.Right, client.Bottom};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    PaintSingleBorderEdges(dc, client);
  } else {
    const bool forced = ControlsChanged || skinData_->BackgroundDirty;
    if (!skinData_->UrgentPaint && skinData_->BackgroundDirty) RepaintFrame();
    if (Form->FormStyle() != fsMDIForm && skinData_->CacheBitmap) {
      const Integer x = ClientOffsetX(), y = ClientOffsetY();
      CopyControlCache(Form, *skinData_, TRect{x, y, x + client.Width(), y + client.Height()}, 0, 0, false, dc, client);
      PaintControlImage(dc, Form, !forced, TPoint{0, 0});
    }
    if (endUpdate) EndChildrenPainting();
  }
  ControlsChanged = false;
}

// A single-border form whose skin border is narrower than the system's dialog frame: the skin border's
// part that lies inside the client area comes from the cache.
void TsSkinProvider::PaintSingleBorderEdges(HDC dc, const TRect& client) {
  TsSkinManager* manager = Manager();
  TBitmap* cache = skinData_->CacheBitmap.get();
  if (Form->BorderStyle() != bsSingle || manager == nullptr || cache == nullptr || !drawNonClientArea_ ||
      !manager->IsValidMaskIndex(skinData_->BorderMaskIndex))
    return;
  const TsMaskData& mask = manager->ma[static_cast<size_t>(skinData_->BorderMaskIndex)];
  const Integer inside = GetSystemMetrics(SM_CXDLGFRAME) - MaskLeftWidth(mask);
  if (inside <= 0) return;
  const Integer ox = ClientOffsetX(), oy = ClientOffsetY();
  const Integer w = client.Width(), h = client.Height();
  const Integer top = MaskTopHeight(mask) - inside, left = MaskLeftWidth(mask) - inside;
  const Integer right = MaskRightWidth(mask) - inside, bottom = MaskBottomHeight(mask) - inside;
  const TRect strips[] = {{0, 0, w, top}, {0, 0, left, h}, {w - right, 0, w, h}, {0, h - bottom, w, h}};
  const HDC from = cache->Canvas().Handle();
  for (const TRect& r : strips)
    if (r.Width() > 0 && r.Height() > 0)
      BitBlt(dc, r.Left, r.Top, r.Width(), r.Height(), from, r.Left + ox, r.Top + oy, SRCCOPY);
}

void TsSkinProvider::PaintForm(TMessage& message) {
  const HWND window = Form->Handle();
  PAINTSTRUCT ps{};
  const bool destroying = Form->ComponentState().Contains(csDestroying);
  if (ProviderAnimating() || (InAnimationProcess && message.WParam == 0) || destroying) {
    BeginPaint(window, &ps);
    EndPaint(window, &ps);
    return;
  }
  const bool own = message.WParam == 0;
  const HDC dc = own ? BeginPaint(window, &ps) : reinterpret_cast<HDC>(message.WParam);
  TCanvas& canvas = Form->Canvas();
  canvas.Lock();
  const HDC savedHandle = canvas.HandleAllocated() ? canvas.Handle() : nullptr;
  canvas.SetHandle(dc);
  try {
    skinData_->SetUpdating(false);
    if (Form->Parent() != nullptr) skinData_->SetUpdating(skinData_->IsUpdating());
    PaintClientArea(dc, true);
  } catch (...) {
    canvas.SetHandle(savedHandle);
    canvas.Unlock();
    if (own) EndPaint(window, &ps);
    throw;
  }
  canvas.SetHandle(savedHandle);
  canvas.Unlock();
  if (own) EndPaint(window, &ps);
}

void TsSkinProvider::PaintClient(HDC dc) {
  if (Form == nullptr || !Form->HandleAllocated()) return;
  const HWND window = Form->Handle();
  HDC taken = nullptr;
  if (AeroIsEnabled()) {
    RECT clip{};
    const bool empty = GetClipBox(dc, &clip) == NULLREGION || clip.right <= clip.left || clip.bottom <= clip.top;
    if (empty || dc != skinData_->PrintTarget) dc = taken = GetDC(window);
  }
  skinData_->SetUpdating(false);
  if (!ProviderAnimating() && !Form->ComponentState().Contains(csDestroying)) {
    {
      const TDCState state(dc);
      ExcludeGraphicChildren(dc, Form);
      PaintClientArea(dc, true);
    }
    if (GripVisible()) {
      const TDCState state(dc);
      MoveOrigin(dc, -ClientOffsetX(), -ClientOffsetY());
      PaintGrip(dc);
    }
    PaintControlImage(dc, Form, true, TPoint{0, 0});
  }
  if (taken != nullptr) ReleaseDC(window, taken);
}

// The grip over what lies behind it (the cache's pixels there, or the form's colour in the plain
// state), in window coordinates of the DC.
void TsSkinProvider::PaintGrip(HDC dc) {
  TsSkinManager* manager = Manager();
  TBitmap* cache = skinData_->CacheBitmap.get();
  if (manager == nullptr || !manager->IsValidMaskIndex(manager->ConstData.GripImage)) return;
  const TsMaskData& mask = manager->ma[static_cast<size_t>(manager->ConstData.GripImage)];
  const Integer w = MaskStateWidth(mask), h = MaskStateHeight(mask);
  if (w <= 0 || h <= 0) return;
  const TPoint at = GripPosition(manager->ConstData.GripImage);
  TBitmap grip;
  grip.SetPixelFormat(pf32bit);
  grip.SetSize(w, h);
  const bool plain = (skinData_->StateBits & ssPlainBackground) != 0;
  if (!plain && cache != nullptr) {
    BitBlt(grip.Canvas().Handle(), 0, 0, w, h, cache->Canvas().Handle(), at.X, at.Y, SRCCOPY);
  } else {
    grip.Canvas().Brush().SetColor(FormColor());
    grip.Canvas().FillRect(TRect{0, 0, w, h});
  }
  GdiFlush();
  const TsPixelView view = PixelViewOf(grip);
  TsBgPixels background;
  background.Bitmap = view;
  PaintMaskGlyph(view, 0, 0, 0, background, mask, SkinPixelsOf(*manager).ImageOf(mask), 1);
  BitBlt(dc, at.X, at.Y, w, h, grip.Canvas().Handle(), 0, 0, SRCCOPY);
}

// The whole form into the message's DC: the frame from the cache, then the client in client
// coordinates with the graphic children and what OnPaint draws.
void TsSkinProvider::PrintForm(HDC dc) {
  const HWND window = Form->Handle();
  DisableDwmTransitions(window, true);
  skinData_->PrintTarget = dc;
  skinData_->SetUpdating(false);
  TBitmap* cache = nullptr;
  if (BorderForm) {
    if (skinData_->BackgroundDirty) PaintFormFrame();
    cache = skinData_->CacheBitmap.get();
    if (cache != nullptr) BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
  } else if (drawNonClientArea_) {
    PaintNonClientToDC(dc);
  }
  const TRect client = ClientBounds();
  {
    const TDCState state(dc);
    MoveOrigin(dc, ClientOffsetX(), ClientOffsetY());
    IntersectClipRect(dc, client.Left, client.Top, client.Right, client.Bottom);
    // Without a border window the strips leave the client's place empty: its background comes too; so
    // does the plain state's, which the picture need not hold.
    const bool plain = (skinData_->StateBits & ssPlainBackground) != 0;
    if (!BorderForm || plain) PaintClientArea(dc, false);
    if (Form->FormStyle() != fsMDIForm) PaintControlImage(dc, Form, false, TPoint{0, 0});
    if (Form->FormStyle() == fsMDIForm) PrintMDIClient(dc);
    skinData_->PrintTarget = nullptr;
    if (Form->OnPaint) {
      TCanvas& canvas = Form->Canvas();
      const HDC saved = canvas.HandleAllocated() ? canvas.Handle() : nullptr;
      canvas.SetHandle(dc);
      try {
        Form->OnPaint(Form);
      } catch (...) {
        canvas.SetHandle(saved);
        throw;
      }
      canvas.SetHandle(saved);
    }
  }
}

void TsSkinProvider::PaintFrameControls(HDC dc) {
  const HWND window = Form->Handle();
  const HDC target = dc != nullptr ? dc : GetDC(window);
  if (target == nullptr) return;
  try {
    PaintControlImage(target, Form, false, TPoint{0, 0});
  } catch (...) {
    if (dc == nullptr) ReleaseDC(window, target);
    throw;
  }
  if (dc == nullptr) ReleaseDC(window, target);
}

// The client window with the children into the DC, whose origin is the form's client origin.
void TsSkinProvider::PrintMDIClient(HDC dc) {
  const HWND client = Form->ClientHandle();
  if (client == nullptr || !IsWindowVisible(client)) return;
  RECT r{};
  GetWindowRect(client, &r);
  POINT at{r.left, r.top};
  ScreenToClient(Form->Handle(), &at);
  const TDCState state(dc);
  MoveOrigin(dc, at.x, at.y);
  SendMessageW(client, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
}

// A child wholly inside the frame's client window keeps only its title and menu rows of the picture,
// so that its client part is painted anew.
void TsSkinProvider::CutChildCache() {
  TBitmap* cache = skinData_->CacheBitmap.get();
  if (cache == nullptr || Form->FormStyle() != fsMDIChild || MDIFrameProvider == nullptr ||
      MDIFrameProvider->Form == nullptr || MDIFrameProvider->Form->ClientHandle() == nullptr)
    return;
  RECT own{}, area{};
  GetWindowRect(Form->Handle(), &own);
  const HWND client = MDIFrameProvider->Form->ClientHandle();
  GetClientRect(client, &area);
  MapWindowPoints(client, nullptr, reinterpret_cast<POINT*>(&area), 2);
  if (own.left < area.left || own.top < area.top || own.right > area.right || own.bottom > area.bottom) return;
  const Integer height = SysBorderWidth() + CaptionHeight(false) + MenuLinesCount() * MenuLineHeight() + 1;
  if (height < cache->Height()) cache->SetHeight(height);
  skinData_->BackgroundDirty = true;
}

bool TsSkinProvider::ClientMessage(TMessage& message) {
  switch (message.Msg) {
    case WM_PAINT:
      if (!DrawClientArea) return false;
      if (Form->ControlState().Contains(csPaintCopy)) return true;
      if (!skinData_->StateClearOrActive()) {
        // The plain state: WM_ERASEBKGND paints the client around the graphic children, which are painted
        // here (a transparent label's place was left out of the background and stayed black otherwise).
        if (skinData_->BackgroundDirty && IsWindowVisible(Form->Handle())) InvalidateRect(Form->Handle(), nullptr, TRUE);
        PAINTSTRUCT ps{};
        const HDC dc = BeginPaint(Form->Handle(), &ps);
        if (!ProviderAnimating() && !Form->ComponentState().Contains(csDestroying) && Form->FormStyle() != fsMDIForm)
          PaintControlImage(dc, Form, true, TPoint{0, 0});
        EndPaint(Form->Handle(), &ps);
      } else {
        PaintForm(message);
        // The frame's client window covers the client: its graphic children are drawn over that.
        if (Form->FormStyle() == fsMDIForm) PaintFrameControls(reinterpret_cast<HDC>(message.WParam));
      }
      message.Result = 0;
      return true;
    case WM_ERASEBKGND: {
      const bool showing = IsWindowVisible(Form->Handle()) && !Form->ComponentState().Contains(csDestroying);
      if (!showing || !DrawClientArea) return false;
      if ((skinData_->StateBits & ssInUpdate) != 0 || skinData_->UpdatingFlag) return true;
      const auto dc = reinterpret_cast<HDC>(message.WParam);
      if (!skinData_->StateClearOrActive()) CutChildCache();
      if ((skinData_->StateBits & ssPlainBackground) != 0 && Form->FormStyle() != fsMDIForm) {
        // The plain state's background is the form's colour, as its children are told: the cache's
        // client part need not be (a border window's frame may paint over it).
        const TDCState state(dc);
        ExcludeGraphicChildren(dc, Form);
        PaintClientArea(dc, false);
      } else if (skinData_->CacheBitmap && !skinData_->BackgroundDirty) {
        const TRect client = ClientBounds();
        const Integer x = ClientOffsetX(), y = ClientOffsetY();
        CopyControlCache(Form, *skinData_, TRect{x, y, x + client.Width(), y + client.Height()}, 0, 0, false, dc, client);
      } else {
        PaintClient(dc);
      }
      message.Result = 1;
      return true;
    }
    case WM_PRINT: {
      const bool busy = ComponentState().Contains(csLoading) || Form->FormState().Contains(fsCreating) ||
                        Form->ComponentState().Contains(csDestroying) || CoveredByMaximizedSibling();
      if (!busy && message.WParam != 0) PrintForm(reinterpret_cast<HDC>(message.WParam));
      return true;
    }
    case WM_PRINTCLIENT:
      return true;  // the client is printed with WM_PRINT
    default:
      return false;
  }
}
