#include "skin/forms/sVclUtils.h"

#include <algorithm>
#include <memory>

#include "skin/forms/sCommonData.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GraphicControl.h"
#include "vcl/gui/ToolBar.h"
#include "vcl/gui/WinControl.h"

bool InAnimationProcess = false;

namespace {

// A library handle of 32 or below is an error code of older systems.
TSetWindowTheme BindSetWindowTheme() {
  const HMODULE uxtheme = LoadLibraryA("UXTHEME");
  if (reinterpret_cast<UINT_PTR>(uxtheme) <= 32) return nullptr;
  return reinterpret_cast<TSetWindowTheme>(reinterpret_cast<void*>(GetProcAddress(uxtheme, "SetWindowTheme")));
}

}  // namespace

// The library stays loaded for the process's life: adapters may call the entry until the very end.
TSetWindowTheme SetWindowThemeProc = BindSetWindowTheme();

namespace {

bool BeingDestroyed(const TControl* control) { return control->ComponentState().Contains(csDestroying); }

struct TChildWindowsBroadcast {
  HWND parent;
  const TMessage* message;
};

BOOL CALLBACK SendToDirectChild(HWND child, LPARAM data) {
  const auto* broadcast = reinterpret_cast<const TChildWindowsBroadcast*>(data);
  if (GetParent(child) == broadcast->parent) {
    SendMessageW(child, broadcast->message->Msg, broadcast->message->WParam, broadcast->message->LParam);
  }
  return TRUE;
}

}  // namespace

void BroadcastToChildControls(TWinControl* control, const TMessage& message) {
  if (control == nullptr) return;
  for (int i = 0; i < control->ControlCount(); ++i) {
    TControl* child = control->Controls(i);
    if (BeingDestroyed(child)) return;
    auto* windowed = dynamic_cast<TWinControl*>(child);
    if (windowed == nullptr || !windowed->HandleAllocated()) {
      child->Perform(message.Msg, message.WParam, message.LParam);
    } else if ((SendSkinCommandToControl(windowed, scIsSkinned) & 0xFF) != 0) {
      SendMessageW(windowed->Handle(), message.Msg, message.WParam, message.LParam);
    } else {
      BroadcastToChildControls(windowed, message);
    }
  }
}

void BroadcastToChildWindows(HWND window, const TMessage& message) {
  TChildWindowsBroadcast broadcast{window, &message};
  EnumChildWindows(window, SendToDirectChild, reinterpret_cast<LPARAM>(&broadcast));
}

void EndChildrenUpdate(TWinControl* control) {
  if (InAnimationProcess || control == nullptr) return;
  for (int i = 0; i < control->ControlCount(); ++i) {
    TControl* child = control->Controls(i);
    if (Is<TGraphicControl>(child) || BeingDestroyed(child)) continue;
    if (auto* windowed = dynamic_cast<TWinControl*>(child)) {
      if (windowed->HandleAllocated() && windowed->Showing()) SendSkinCommand(windowed->Handle(), scParentUpdated);
    } else {
      SendSkinCommandToControl(child, scParentUpdated);
    }
  }
}

void EndChildWindowsUpdate(HWND window) {
  for (HWND child = GetTopWindow(window); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if ((GetWindowLongPtrW(child, GWL_STYLE) & WS_CHILD) != 0) SendSkinCommand(child, scParentUpdated);
  }
}

void NotifyParentForm(TControl* control) {
  if (control == nullptr) return;
  const auto state = control->ComponentState();
  if (state.Contains(csDesigning) || state.Contains(csLoading)) return;
  TCustomForm* form = GetParentForm(control);
  if (form != nullptr) SendSkinCommand(form->Handle(), scControlAdded, reinterpret_cast<LPARAM>(control));
}

LRESULT AskControl(TControl* control, Word command) { return SendSkinCommandToControl(control, command, 0); }

Integer ControlBackgroundColor(TControl* control) {
  if (control == nullptr) return static_cast<Integer>(clSkinNoColor);
  if (SendSkinCommandToControl(control, scIsSkinned) != 1) return static_cast<Integer>(ColorToRGB(control->Color()));
  const LRESULT answer = control->Perform(SkinCommandMessage, SkinCommandWParam(scGetBgColor), clSkinNoColor);
  return static_cast<Integer>(ColorToRGB(static_cast<TColor>(answer)));
}

Integer WindowBackgroundColor(HWND window) {
  if (window == nullptr) return static_cast<Integer>(clSkinNoColor);
  return static_cast<Integer>(ColorToRGB(static_cast<TColor>(SendSkinCommand(window, scGetBgColor, clSkinNoColor))));
}

bool CursorPosition(TPoint& point) {
  POINT p{};
  const bool got = GetCursorPos(&p) != FALSE;
  point = TPoint{p.x, p.y};
  return got;
}

bool ControlIsPaintable(TControl* control) {
  if (control == nullptr || control->Parent() == nullptr) return false;
  if (auto* windowed = dynamic_cast<TWinControl*>(control); windowed != nullptr && !windowed->HandleAllocated())
    return false;
  const TControlState state = control->ControlState();
  if (state.Contains(csCreating) || state.Contains(csReadingState)) return false;
  const auto components = control->ComponentState();
  return !components.Contains(csLoading) && !components.Contains(csDestroying);
}

TCustomForm* MenuOwnerForm(TComponent* menu) {
  for (TComponent* c = menu; c != nullptr; c = c->Owner()) {
    if (auto* form = dynamic_cast<TCustomForm*>(c)) return form;
  }
  return nullptr;
}

UINT ControlTextFlags(TControl* /*control*/, TAlignment alignment) {
  // Controls here read left to right only, so no right-to-left flags join the alignment.
  UINT align = DT_LEFT;
  if (alignment == taRightJustify) align = DT_RIGHT;
  if (alignment == taCenter) align = DT_CENTER;
  return align | DT_EXPANDTABS | DT_VCENTER;
}

TRect ClientRectInWindow(HWND window) {
  RECT client{}, bounds{};
  GetClientRect(window, &client);
  GetWindowRect(window, &bounds);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  const LONG dx = origin.x - bounds.left;
  const LONG dy = origin.y - bounds.top;
  return TRect{client.left + dx, client.top + dy, client.right + dx, client.bottom + dy};
}

Integer AlignedChildrenSize(TWinControl* control, Integer align, bool includeGraphic) {
  const bool vertical = align == alTop || align == alBottom;
  const bool horizontal = align == alLeft || align == alRight;
  if (control == nullptr || (!vertical && !horizontal)) return 0;
  Integer size = 0;
  for (int i = 0; i < control->ControlCount(); ++i) {
    TControl* child = control->Controls(i);
    if (!child->Visible() || child->Align() != align) continue;
    if (!includeGraphic && dynamic_cast<TWinControl*>(child) == nullptr) continue;
    size += vertical ? child->Height() : child->Width();
  }
  return size;
}

HWND TopLevelAncestor(HWND window) {
  if (window == nullptr) return nullptr;
  const HWND root = GetAncestor(window, GA_ROOT);
  return root != nullptr ? root : window;
}

// ---- images of windows and controls ----

namespace {

// Content drawn at the DC's logical (0, 0) lands at (dx, dy) of what the DC showed before.
void MoveWindowOrg(HDC dc, Integer dx, Integer dy) {
  POINT origin{};
  GetWindowOrgEx(dc, &origin);
  SetWindowOrgEx(dc, origin.x - dx, origin.y - dy, nullptr);
}

void FillArea(HDC dc, const TRect& r, Integer color) {
  const HBRUSH brush = CreateSolidBrush(ColorToRGB(color));
  const RECT rect{r.Left, r.Top, r.Right, r.Bottom};
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

// The background a reply describes over the area r (at source place sx, sy of a bitmap answer).
void PutReply(HDC dc, const TskBgRequest& reply, const TRect& r, Integer sx, Integer sy) {
  if (reply.AnswerKind == bgBitmap && reply.Bitmap != nullptr) {
    BitBlt(dc, r.Left, r.Top, r.Width(), r.Height(), reply.Bitmap->Canvas().Handle(), sx, sy, SRCCOPY);
  } else {
    FillArea(dc, r, reply.Color);
  }
}

bool paintingControlImage = false;

// The picture the graphic children are composed in: kept between paintings and only grown, since a
// new bitmap of a large form's size cost more than the painting itself. Only the places that a
// painting fills are read back, so what an earlier painting left there does no harm.
TBitmap& ScratchImage(Integer width, Integer height) {
  static std::unique_ptr<TBitmap> image;
  if (!image) {
    image = std::make_unique<TBitmap>();
    image->SetPixelFormat(pf32bit);
  }
  if (image->Width() < width || image->Height() < height)
    image->SetSize(std::max({width, image->Width(), 1}), std::max({height, image->Height(), 1}));
  return *image;
}

bool PaintableGraphicChild(TControl* child, HDC dc) {
  if (dynamic_cast<TGraphicControl*>(child) == nullptr) return false;
  const bool designing = child->ComponentState().Contains(csDesigning);
  if (!(child->Visible() || designing) || child->Width() <= 0 || child->Height() <= 0) return false;
  if (child->ControlStyle().Contains(csNoDesignVisible) || BeingDestroyed(child)) return false;
  // Plain, check and drop-down tool buttons are their tool bar's to paint.
  if (auto* button = dynamic_cast<TToolButton*>(child); button != nullptr && !button->IsSeparator()) return false;
  const RECT bounds{child->Left(), child->Top(), child->Left() + child->Width(), child->Top() + child->Height()};
  return RectVisible(dc, &bounds) != FALSE;
}

}  // namespace

void PaintWindowImage(TBitmap& bitmap, TControl* control, Integer x, Integer y, const TskBorderMargins* border) {
  if (control == nullptr) return;
  const HDC dc = bitmap.Canvas().Handle();
  if (border == nullptr && control->Parent() != nullptr && !control->Visible()) {
    TskBgRequest reply;
    GetParentBgFromControl(reply, control->Parent(), false);
    PutReply(dc, reply, Bounds(x, y, control->Width(), control->Height()), reply.OffsetX + control->Left(),
             reply.OffsetY + control->Top());
    return;
  }
  if (border == nullptr) IntersectClipRect(dc, 0, 0, control->Width(), control->Height());
  auto* windowed = dynamic_cast<TWinControl*>(control);
  if (windowed == nullptr) {
    SendSkinCommandToControl(control, scPrintMode, reinterpret_cast<LPARAM>(dc));
    control->Perform(WM_PRINT, reinterpret_cast<WPARAM>(dc), 0);
    SendSkinCommandToControl(control, scPrintMode, 0);
    return;
  }
  if (!windowed->HandleAllocated()) return;
  const HWND handle = windowed->Handle();
  if (WindowIsSkinned(handle, scIsSkinned)) {
    SendSkinCommand(handle, scPrintMode, reinterpret_cast<LPARAM>(dc));
    SendMessageW(handle, WM_PRINT, reinterpret_cast<WPARAM>(dc), 0);
    SendSkinCommand(handle, scPrintMode, 0);
  } else {
    windowed->PaintTo(dc, 0, 0);
  }
  for (int i = 0; i < windowed->ControlCount(); ++i) {
    auto* child = dynamic_cast<TWinControl*>(windowed->Controls(i));
    if (child == nullptr || !child->Visible()) continue;
    const int saved = SaveDC(dc);
    if (!(Is<TCustomForm>(child) && child->Parent() == nullptr)) MoveWindowOrg(dc, child->Left(), child->Top());
    PaintWindowImage(bitmap, child, child->Left(), child->Top(), nullptr);
    RestoreDC(dc, saved);
  }
  if (border != nullptr) {
    const TRect client = ClientRectInWindow(handle);
    TRect r{client.Left + border->Left, client.Top + border->Top, client.Right + border->Left,
             client.Bottom + border->Top};
    r.Bottom = std::min(r.Bottom, bitmap.Height() - 1);
    GdiFlush();
    SetBitmapRectAlpha(PixelViewOf(bitmap), r, 255, false);
  }
}

void PaintControlImage(HDC dc, TWinControl* container, bool onlyIfVisible, TPoint offset) {
  if (paintingControlImage || container == nullptr) return;
  struct Guard {
    Guard() { paintingControlImage = true; }
    ~Guard() { paintingControlImage = false; }
  } guard;
  const bool designing = container->ComponentState().Contains(csDesigning);
  if ((!container->Visible() && !designing && onlyIfVisible) || container->ControlCount() == 0) return;
  RECT clip{};
  if (GetClipBox(dc, &clip) == NULLREGION || clip.right <= clip.left || clip.bottom <= clip.top) {
    if (container->HandleAllocated()) SendSkinCommand(container->Handle(), scSetHalfVisible);
    return;
  }
  std::vector<TControl*> children;
  for (int i = 0; i < container->ControlCount(); ++i)
    if (PaintableGraphicChild(container->Controls(i), dc)) children.push_back(container->Controls(i));
  if (children.empty()) return;

  TskBgRequest reply;
  GetParentBgFromControl(reply, container, false);
  // Only the children's area is composed, in container coordinates through the scratch DC's origin.
  TRect area = children.front()->BoundsRect();
  for (TControl* child : children) {
    const TRect r = child->BoundsRect();
    area = TRect{std::min(area.Left, r.Left), std::min(area.Top, r.Top), std::max(area.Right, r.Right),
                 std::max(area.Bottom, r.Bottom)};
  }
  TBitmap& image = ScratchImage(area.Width(), area.Height());
  const HDC imageDC = image.Canvas().Handle();
  const int scratchState = SaveDC(imageDC);
  SetWindowOrgEx(imageDC, area.Left, area.Top, nullptr);
  for (TControl* child : children) {
    const TRect r = child->BoundsRect();
    if (child->ControlStyle().Contains(csOpaque)) {
      FillArea(imageDC, r, ControlBackgroundColor(child));
    } else {
      PutReply(imageDC, reply, r, reply.OffsetX + r.Left, reply.OffsetY + r.Top);
    }
  }
  const bool paintCopy = container->ControlState().Contains(csPaintCopy);
  for (TControl* child : children) {
    const int saved = SaveDC(imageDC);
    MoveWindowOrg(imageDC, child->Left(), child->Top());
    IntersectClipRect(imageDC, 0, 0, child->Width(), child->Height());
    if (paintCopy) child->SetControlState(child->ControlState().Include(csPaintCopy));
    try {
      child->Perform(WM_PAINT, reinterpret_cast<WPARAM>(imageDC), 0);
    } catch (...) {
      // A child that fails to paint leaves its background; the others still paint.
    }
    if (paintCopy) child->SetControlState(child->ControlState().Exclude(csPaintCopy));
    RestoreDC(imageDC, saved);
  }
  GdiFlush();
  const TsPixelView pixels = PixelViewOf(image);
  for (TControl* child : children) {
    // The child's own top-left pixel in the image (the image is in the container's coordinates, the
    // offset belongs to the target only).
    const Integer cx = child->Left(), cy = child->Top();
    const Integer px = cx - area.Left, py = cy - area.Top;
    const bool inside = px >= 0 && py >= 0 && px < pixels.Width && py < pixels.Height;
    if (inside && (pixels.At(px, py) & 0x00FFFFFFu) == 0x00FF00FFu) continue;
    BitBlt(dc, cx + offset.X, cy + offset.Y, child->Width(), child->Height(), imageDC, cx, cy, SRCCOPY);
  }
  RestoreDC(imageDC, scratchState);
}

TskFreeWatch::~TskFreeWatch() {
  if (!gone_) watched_->RemoveFreeNotification(this);
}

void TskFreeWatch::AfterConstruction() {
  TComponent::AfterConstruction();
  watched_->FreeNotification(this);
}

void TskFreeWatch::Notification(TComponent* component, TOperation operation) {
  if (component == watched_ && operation == opRemove) gone_ = true;
  TComponent::Notification(component, operation);
}
