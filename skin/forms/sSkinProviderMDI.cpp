// The buttons of a maximized MDI child on its frame's menu line: minimize, restore and close at the
// line's right end, painted from the skin's small title-button masks, answering the hit-test codes 103,
// 102 and 101 and sending their command to the active child when clicked.
#include <windowsx.h>

#include <algorithm>

#include "skin/forms/sSkinProvider.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sConst.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinLookups.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"

namespace {

enum { kMdiMin = 0, kMdiRestore = 1, kMdiClose = 2 };
constexpr Integer kMdiClose_Code = 101, kMdiRestoreCode = 102, kMdiMinCode = 103;
constexpr Integer kDefaultMdiButtonSize = 16;

int MDIIndexOfCode(Integer code) {
  switch (code) {
    case kMdiClose_Code: return kMdiClose;
    case kMdiRestoreCode: return kMdiRestore;
    case kMdiMinCode: return kMdiMin;
    default: return -1;
  }
}

// The skin's mask of a title button: the small one under GLOBALINFO, else the big one.
Integer TitleMask(const TsSkinManager& manager, const char* small, const char* big) {
  const Integer mask = manager.GetMaskIndexByNames("GLOBALINFO", small);
  return manager.IsValidMaskIndex(mask) ? mask : manager.GetMaskIndexByNames("GLOBALINFO", big);
}

}  // namespace

TsSkinProvider* FormProvider(TCustomForm* form) {
  if (form == nullptr || !form->HandleAllocated()) return nullptr;
  return reinterpret_cast<TsSkinProvider*>(
      SendMessageW(form->Handle(), SkinCommandMessage, SkinCommandWParam(scGetProvider), 0));
}

TCustomForm* TsSkinProvider::MaximizedMDIChild() const {
  if (Form == nullptr || Form->FormStyle() != fsMDIForm) return nullptr;
  TCustomForm* child = Form->ActiveMDIChild();
  return child != nullptr && child->HandleAllocated() && IsZoomed(child->Handle()) ? child : nullptr;
}

// A mask state's size, 16 when the skin has no such mask or the mask's image count or type leave no
// state image (its sizes are 0 then).
Integer TsSkinProvider::MDIButtonWidth() const { return MDIButtonSize().X; }

Integer TsSkinProvider::MDIButtonHeight() const { return MDIButtonSize().Y; }

TPoint TsSkinProvider::MDIButtonSize() const {
  const TsSkinManager* manager = Manager();
  const Integer mask = manager != nullptr ? TitleMask(*manager, "SICONCLOSE", "BICONCLOSE") : -1;
  if (manager == nullptr || !manager->IsValidMaskIndex(mask)) return TPoint{kDefaultMdiButtonSize, kDefaultMdiButtonSize};
  const TsMaskData& close = manager->ma[static_cast<size_t>(mask)];
  const Integer width = MaskStateWidth(close), height = MaskStateHeight(close);
  return TPoint{width > 0 ? width : kDefaultMdiButtonSize, height > 0 ? height : kDefaultMdiButtonSize};
}

void TsSkinProvider::PlaceMDIButtons(const TskFrameInput& frame) {
  TsSkinManager* manager = Manager();
  if (manager == nullptr || MaximizedMDIChild() == nullptr || frame.MenuLines <= 0) {
    for (TskSysButtonData& button : MDIButtons) button.Rect = TRect{};
    return;
  }
  const Integer w = MDIButtonWidth(), h = MDIButtonHeight();
  const Integer f = FrameSysBorderWidth(frame, true);
  const Integer cacheWidth = FrameCacheWidth(frame);
  const Integer y = FrameSysBorderWidthNoExt(frame) + frame.CaptionHeight + frame.Shadow.Top +
                    (frame.MenuLineHeight - h) / 2 + (frame.MenuLines - 1) * frame.MenuLineHeight;
  const Integer right = cacheWidth - f - frame.Shadow.Right;
  MDIButtons[kMdiMin].Rect = TRect{right - 3 * w - 3, y, right - 2 * w - 3, y + h};
  MDIButtons[kMdiRestore].Rect = TRect{right - 2 * w - 2, y, right - w - 2, y + h};
  MDIButtons[kMdiClose].Rect = TRect{right - w - 1, y, right - 1, y + h};
  MDIButtons[kMdiMin].ImageIndex = TitleMask(*manager, "SICONMIN", "BICONMIN");
  MDIButtons[kMdiRestore].ImageIndex = TitleMask(*manager, "SICONNORM", "BICONNORM");
  MDIButtons[kMdiClose].ImageIndex = TitleMask(*manager, "SICONCLOSE", "BICONCLOSE");
  MDIButtons[kMdiMin].HitCode = kMdiMinCode;
  MDIButtons[kMdiRestore].HitCode = kMdiRestoreCode;
  MDIButtons[kMdiClose].HitCode = kMdiClose_Code;
  for (TskSysButtonData& button : MDIButtons)
    if (button.State < 0) button.State = 0;
}

void TsSkinProvider::PaintMDIButtons(const TskFrameInput& frame) {
  PlaceMDIButtons(frame);
  TsSkinManager* manager = Manager();
  TBitmap* cache = skinData_->CacheBitmap.get();
  TCustomForm* child = MaximizedMDIChild();
  if (manager == nullptr || cache == nullptr || child == nullptr) return;
  // Minimize and restore show enabled only as the maximized child's own system menu allows them.
  const TsSkinProvider* childProvider = FormProvider(child);
  const bool minEnabled = childProvider == nullptr || childProvider->SkinSysMenu == nullptr || childProvider->SkinSysMenu->EnabledMin();
  const bool restoreEnabled =
      childProvider == nullptr || childProvider->SkinSysMenu == nullptr || childProvider->SkinSysMenu->EnabledRestore();
  const bool enabled[3] = {DrawnActive && minEnabled, DrawnActive && restoreEnabled, DrawnActive};
  GdiFlush();
  const TsPixelView view = PixelViewOf(*cache);
  TsBgPixels bg;
  bg.Bitmap = view;
  for (int i = 0; i < 3; ++i) {
    const TskSysButtonData& button = MDIButtons[i];
    if (!manager->IsValidMaskIndex(button.ImageIndex) || button.Rect.IsEmpty()) continue;
    const TsMaskData& mask = manager->ma[static_cast<size_t>(button.ImageIndex)];
    const Integer state = std::max<Integer>(button.State, 0);
    PaintMaskGlyph(view, button.Rect.Left, button.Rect.Top, state, bg, mask, SkinPixelsOf(*manager).ImageOf(mask),
                   state == 0 && !enabled[i] ? 2 : 1);
  }
}

Integer TsSkinProvider::MDIButtonAt(TPoint p) const {
  if (MaximizedMDIChild() == nullptr) return 0;
  const TskFrameInput frame = FrameInput();
  // The point in the cache's coordinates (the border window's offsets and shadow margins first).
  p.X += BorderFormSideOffset(frame) + frame.Shadow.Left;
  p.Y += BorderFormTopOffset(frame) + frame.Shadow.Top;
  for (const TskSysButtonData& button : MDIButtons)
    if (!button.Rect.IsEmpty() && button.Rect.Contains(p)) return button.HitCode;
  return 0;
}

bool TsSkinProvider::MDIButtonMessage(TMessage& message) {
  if (!drawNonClientArea_ || MaximizedMDIChild() == nullptr) return false;
  switch (message.Msg) {
    case WM_NCHITTEST: {
      const TPoint p = ScreenToFormPoint(GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam));
      const Integer code = MDIButtonAt(p);
      if (code == 0) return false;
      message.Result = code;
      return true;
    }
    case WM_NCLBUTTONDOWN: {
      const int index = MDIIndexOfCode(static_cast<Integer>(message.WParam));
      if (index < 0) return false;
      const TsSkinProvider* childProvider = FormProvider(MaximizedMDIChild());
      const TsSystemMenu* menu = childProvider != nullptr ? childProvider->SkinSysMenu : nullptr;
      if (menu != nullptr && ((index == kMdiMin && !const_cast<TsSystemMenu*>(menu)->EnabledMin()) ||
                              (index == kMdiRestore && !const_cast<TsSystemMenu*>(menu)->EnabledRestore())))
        return true;
      MDIButtons[index].State = 2;
      TitleButtonPressed = true;
      RepaintFrame();
      return true;
    }
    case WM_NCLBUTTONUP: {
      const int index = MDIIndexOfCode(static_cast<Integer>(message.WParam));
      if (index < 0) return false;
      const bool pressed = TitleButtonPressed && MDIButtons[index].State == 2;
      for (TskSysButtonData& button : MDIButtons) button.State = 0;
      TitleButtonPressed = false;
      if (pressed) {
        static constexpr WPARAM kCommand[3] = {SC_MINIMIZE, SC_RESTORE, SC_CLOSE};
        SendMessageW(MaximizedMDIChild()->Handle(), WM_SYSCOMMAND, kCommand[index], 0);
      }
      skinData_->BackgroundDirty = true;
      RepaintFrame();
      return true;
    }
    default:
      return false;
  }
}
