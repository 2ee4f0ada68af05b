// The provider's side of the extended border window: when the form has one, what the border window asks
// of the form.
#include <algorithm>

#include "skin/forms/sSkinProvider.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sControlPaint.h"
#include "skin/manager/sSkinManager.h"
#include "skin/manager/skntSystem.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"

void TsSkinProvider::UpdateExtBorders(bool flag) {
  TsSkinManager* manager = Manager();
  const bool wanted = flag && manager != nullptr && manager->GetExtendedBorders() && FormSkinned() &&
                      Form != nullptr && Form->HandleAllocated() && IsBordered() && WantsExtBorders(true) &&
                      !Form->ComponentState().Contains(csDestroying);
  if (!wanted) {
    if (!BorderForm) return;
    BorderForm.reset();
    skinData_->BackgroundDirty = true;
    // The form's own window shows its whole frame again.
    if (Form != nullptr && Form->HandleAllocated()) SetWindowRgn(Form->Handle(), nullptr, TRUE);
    return;
  }
  const bool made = !BorderForm;
  if (made) BorderForm = std::make_unique<TskBorderForm>(this);
  // A picture of the right size is up to date: the size message painted it already.
  if (made || CacheSizeChanged()) skinData_->BackgroundDirty = true;
  KeepClientRegion(made);
  BorderForm->UpdateExBorders(true, 255);
}

// The form's window keeps only its client area: the border window shows the rest. The region is set
// only when it changes, and the whole window redrawn only the first time; after that only what the
// new region uncovers is painted (a size change invalidated it while the old region still hid it).
void TsSkinProvider::KeepClientRegion(bool redraw) {
  const HWND window = Form->Handle();
  RECT client{};
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  const TPoint corner = FormScreenOrigin();
  const Integer x = origin.x - corner.X, y = origin.y - corner.Y;
  HRGN region = CreateRectRgn(x, y, x + client.right, y + client.bottom);
  HRGN current = CreateRectRgn(0, 0, 0, 0);
  const bool had = GetWindowRgn(window, current) != ERROR;
  if (had && EqualRgn(current, region) != FALSE) {
    DeleteObject(current);
    DeleteObject(region);
    return;
  }
  HRGN uncovered = nullptr;
  if (had && !redraw) {
    uncovered = CreateRectRgn(0, 0, 0, 0);
    if (CombineRgn(uncovered, region, current, RGN_DIFF) > NULLREGION) {
      OffsetRgn(uncovered, -x, -y);
    } else {
      DeleteObject(uncovered);
      uncovered = nullptr;
    }
  }
  DeleteObject(current);
  if (SetWindowRgn(window, region, redraw || !had ? TRUE : FALSE) == 0) DeleteObject(region);
  if (uncovered != nullptr) {
    // The child controls there too: their own size changes were clipped by the old region as well.
    RedrawWindow(window, nullptr, uncovered, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    DeleteObject(uncovered);
  }
}

void TsSkinProvider::FollowBorderWindow(const TMessage& message) {
  TsSkinManager* manager = Manager();
  if (manager == nullptr || Form == nullptr || !Form->HandleAllocated()) return;
  switch (message.Msg) {
    case WM_SHOWWINDOW:
      // Showing: the border window comes once the form is visible (WM_WINDOWPOSCHANGED).
      if (message.WParam == 0) BorderForm.reset();
      return;
    case WM_WINDOWPOSCHANGED: {
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(message.LParam);
      if (pos == nullptr) return;
      if ((pos->flags & SWP_SHOWWINDOW) != 0 && !BorderForm) {
        UpdateExtBorders(manager->ExtendedBorders());
        return;
      }
      if ((pos->flags & SWP_HIDEWINDOW) != 0) {
        BorderForm.reset();
        return;
      }
      if (!BorderForm || ((pos->flags & SWP_NOMOVE) != 0 && (pos->flags & SWP_NOSIZE) != 0)) return;
      const bool sized = (pos->flags & SWP_NOSIZE) == 0;
      if (sized) {
        // A zoomed or restored form may gain or lose its border window.
        if (!WantsExtBorders(true)) {
          UpdateExtBorders(false);
          return;
        }
        UpdateExtBorders(true);
        return;
      }
      BorderForm->UpdateExBorders(false, 255);
      return;
    }
    case WM_NCACTIVATE:
      if (!BorderForm || (message.WParam != 0) == DrawnActive) return;
      DrawnActive = message.WParam != 0;
      skinData_->BackgroundDirty = true;
      BorderForm->UpdateExBorders(true, 255);
      return;
    default:
      return;
  }
}

bool TsSkinProvider::RepaintThroughBorderWindow(bool repaint) {
  if (!BorderForm) return false;
  if (repaint) {
    CaptionGlow[0].reset();
    CaptionGlow[1].reset();
    skinData_->BackgroundDirty = true;
  }
  BorderForm->UpdateExBorders(repaint, 255);
  return true;
}

void TsSkinProvider::PaintInnerStripsToDC(HDC dc) {
  TBitmap* cache = skinData_->CacheBitmap.get();
  if (cache == nullptr || dc == nullptr || Form == nullptr) return;
  const TskFrameInput frame = FrameInput();
  const HDC from = cache->Canvas().Handle();
  const Integer plain = frame.PlainFrame;
  const Integer bw = frame.BorderWidth;
  const Integer cx = ClientOffsetX(), cy = ClientOffsetY();
  if (frame.MenuLines > 0) {
    const Integer menu = frame.MenuLines * frame.MenuLineHeight;
    const Integer y = CaptionHeight(false) + plain - (TallMaxTitle ? 4 : 0);
    BitBlt(dc, plain, y, cache->Width() - frame.Shadow.Left - frame.Shadow.Right, menu + 1 + bw, from,
           FrameSysBorderWidth(frame, true) + frame.Shadow.Left, cy - menu - bw - 1, SRCCOPY);
  }
  if (bw == 0) return;
  // The client's place in the window: the picture's client offsets less the border window's extra.
  POINT origin{0, 0};
  ClientToScreen(Form->Handle(), &origin);
  const TPoint corner = FormScreenOrigin();
  const Integer x = origin.x - corner.X, y = origin.y - corner.Y;
  const Integer w = frame.ClientWidth, h = frame.ClientHeight;
  BitBlt(dc, x - bw, y, bw, h + bw, from, cx - bw, cy, SRCCOPY);
  BitBlt(dc, x, y + h, w + bw, bw, from, cx, cy + h, SRCCOPY);
  BitBlt(dc, x + w, y, bw, h, from, cx + w, cy, SRCCOPY);
}

bool TsSkinProvider::OwnerTakeHidePicture() {
  if (!HideAnimationWanted() || !skinData_->CacheBitmap) return false;
  AnimState |= fsAnimHiding;
  if (std::unique_ptr<TBitmap> picture = CopyCacheBmp(false)) skinData_->CacheBitmap = std::move(picture);
  return true;
}

TRect TsSkinProvider::GetShadowMargins() const {
  const TsSkinManager* manager = Manager();
  if (!HasBorderWindow() || manager == nullptr) return TRect{};
  const TsShadowSize& s = manager->ShadowSize;
  return TRect{s.Left, s.Top, s.Right, s.Bottom};
}

HWND TsSkinProvider::OwnerWindow() const {
  return Form != nullptr && Form->HandleAllocated() ? Form->Handle() : nullptr;
}

void TsSkinProvider::RepaintOwnerFrame() {
  skinData_->BackgroundDirty = true;
  PaintFormFrame();
}

Integer TsSkinProvider::OwnerCaptionHeight() const { return CaptionHeight(true); }

TskBorderGeometry TsSkinProvider::OwnerGeometry() const {
  const TskFrameInput frame = FrameInput();
  const TsSkinManager* manager = Manager();
  TskBorderGeometry g = BorderGeometryOfFrame(frame, manager != nullptr ? manager->SkinData.ExtShadow : 0, CaptionHeight(true));
  if (Form != nullptr && Form->HandleAllocated())
    g.Sizeable = (GetWindowLongPtrW(Form->Handle(), GWL_STYLE) & WS_THICKFRAME) != 0;
  g.IconRect = CaptionIconRect;
  const Integer cx = FrameClientOffsetX(frame), cy = FrameClientOffsetY(frame);
  g.Client = TRect{cx, cy, cx + frame.ClientWidth + frame.VScrollWidth, cy + frame.ClientHeight + frame.HScrollHeight};
  if (GripVisible() && manager != nullptr && manager->IsValidMaskIndex(manager->ConstData.GripImage)) {
    const TsMaskData& grip = manager->ma[static_cast<size_t>(manager->ConstData.GripImage)];
    const TPoint at = GripPosition(manager->ConstData.GripImage);
    g.GripRect = TRect{at.X, at.Y, at.X + MaskStateWidth(grip), at.Y + MaskStateHeight(grip)};
  }
  return g;
}

Integer TsSkinProvider::OwnerButtonAt(TPoint p) {
  if (SkinSysMenu == nullptr) return 0;
  UpdateTitleLayout();
  const TskTitleInput in = TitleInput();
  TskTitleLayout layout = ::UpdateTitleLayout(in);
  for (int b = sbClose; b <= sbHelp; ++b) {
    const TRect& r = SysButtons[b].Rect;
    layout.Buttons[b] = {r.Left, r.Top, r.Right, r.Bottom};
  }
  if (const Integer code = SysButtonHitCode(in, layout, p.X, p.Y); code != 0) return code;
  if (const Integer code = UserButtonHitCode(in, layout, p.X, p.Y); code != 0) return code;
  return TitleItemHitCode(in, p.X, p.Y);
}

Byte TsSkinProvider::OwnerAlpha(Byte alpha) const {
  return Form != nullptr && Form->AlphaBlend() ? Form->AlphaBlendValue() : alpha;
}

