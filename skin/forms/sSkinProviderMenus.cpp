// A skinned form's main menu: the menu line painted into the cache (its section, the background the bar
// items are drawn on, the items themselves through their owner-draw handlers, the active MDI child's
// merged items in place of the frame's of the same group), the attachment of the form's menus to the
// skinned menus, the MDI frame's Window menu listing the children, and the frame's MDI companion.
#include <algorithm>
#include <climits>
#include <utility>

#include "skin/adapters/sSkinMenus.h"
#include "skin/forms/sSectionPaint.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sMDIForm.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinLookups.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/MainMenu.h"
#include "vcl/gui/PopupMenu.h"

TsSkinProvider* MDIFrameProvider = nullptr;

namespace {

constexpr Integer kGeneratedEntry = 0x200;  // Tag bit of the Window-menu entries made for the children

bool RefreshingMenuBar = false;

bool HasDrawHandlers(const TMenuItem* item) { return item->OnAdvancedDrawItem && item->OnMeasureItem; }

TOwnerDrawState BarItemState() { return TOwnerDrawState{odNoAccel, odReserved1}; }

TMainMenu* ChildMenu(const TCustomForm* frame) {
  TCustomForm* child = frame != nullptr ? frame->ActiveMDIChild() : nullptr;
  return child != nullptr ? child->Menu() : nullptr;
}

bool AnyVisibleTopItem(const TMenu* menu) {
  for (int i = 0; menu != nullptr && i < menu->Items()->Count(); ++i)
    if (menu->Items()->Items(i)->Visible()) return true;
  return false;
}

}  // namespace

void SkinMenusOfComponent(TComponent* component, bool flag, bool drawNonClientArea, TsSkinableMenus& menus,
                          bool skinnedPopups) {
  if (component == nullptr) return;
  if (auto* form = dynamic_cast<TCustomForm*>(component); form != nullptr && form->Parent() != nullptr) {
    for (int i = 0; i < component->ComponentCount(); ++i)
      SkinMenusOfComponent(component->Components(i), flag, drawNonClientArea, menus, skinnedPopups);
  } else if (auto* mainMenu = dynamic_cast<TMainMenu*>(component)) {
    // The bar is drawn by the menu line; the items below it are popup items.
    mainMenu->SetOwnerDraw(flag && drawNonClientArea && skinnedPopups);
    for (int i = 0; i < mainMenu->Items()->Count(); ++i) {
      menus.HookItem(mainMenu->Items()->Items(i), flag && skinnedPopups);
      menus.HookSubItems(mainMenu->Items()->Items(i), flag && skinnedPopups);
    }
  } else if (auto* popup = dynamic_cast<TPopupMenu*>(component)) {
    menus.HookPopupMenu(popup, flag && skinnedPopups);
  } else if (auto* item = dynamic_cast<TMenuItem*>(component)) {
    const TMenu* menu = item->GetParentMenu();
    if (dynamic_cast<const TMainMenu*>(menu) != nullptr) {
      for (int i = 0; i < component->ComponentCount(); ++i)
        SkinMenusOfComponent(component->Components(i), flag, drawNonClientArea, menus, skinnedPopups);
    } else {
      menus.HookItem(item, flag && skinnedPopups);
    }
  }
}

TMainMenu* TsSkinProvider::FormMenu() const { return Form != nullptr ? Form->Menu() : nullptr; }

bool TsSkinProvider::HasMenuLine() const {
  const TMainMenu* menu = FormMenu();
  return menu != nullptr && menu->Items()->Count() > 0 && !menu->AutoMerge() && Form->FormStyle() != fsMDIChild &&
         Form->BorderStyle() != bsDialog;
}

Integer TsSkinProvider::MenuLineHeight() const { return HasMenuLine() ? GetSystemMetrics(SM_CYMENU) - 1 : 0; }

Integer TsSkinProvider::OwnerMenuHeight() const {
  return MenuPresent() ? MenuLinesCount() * MenuLineHeight() : 0;
}

bool TsSkinProvider::MenuPresent() const {
  const TMainMenu* menu = FormMenu();
  if (menu == nullptr || menu->AutoMerge() || Form->BorderStyle() == bsDialog || Form->FormStyle() == fsMDIChild)
    return false;
  if (AnyVisibleTopItem(menu)) return true;
  return Form->FormStyle() == fsMDIForm && AnyVisibleTopItem(ChildMenu(Form));
}

Integer TsSkinProvider::MenuLinesCount() const {
  if (FormMenu() == nullptr || Form == nullptr || !Form->HandleAllocated()) return 0;
  const HWND window = Form->Handle();
  const HMENU bar = GetMenu(window);
  RECT item{};
  if (IsIconic(window) || bar == nullptr || !GetMenuItemRect(window, bar, 0, &item)) return 0;
  // Rows above the first: how far the client area's top lies below the first row's bottom.
  POINT clientTop{0, 0};
  ClientToScreen(window, &clientTop);
  const Integer rowHeight = std::max(GetSystemMetrics(SM_CYMENU) - 2, 1);
  if (item.bottom >= clientTop.y) return 1;
  return (clientTop.y - item.bottom) / rowHeight + 1;
}

void TsSkinProvider::InitMenus() {
  if (MenusHooked || Form == nullptr) return;
  TsSkinManager* manager = Manager();
  if (TMainMenu* menu = FormMenu(); menu != nullptr && manager != nullptr)
    SkinMenusOfComponent(menu, drawNonClientArea_, drawNonClientArea_, manager->SkinableMenus(), manager->SkinnedPopups());
  MenusHooked = RefreshMenuBar();
}

bool TsSkinProvider::RefreshMenuBar() {
  if (RefreshingMenuBar) return false;
  TMainMenu* menu = FormMenu();
  if (menu == nullptr || menu->Items()->Count() == 0) return true;
  RefreshingMenuBar = true;
  try {
    // The bar built again makes the system measure its items anew.
    Form->UpdateMenuBar();
  } catch (...) {
    RefreshingMenuBar = false;
    throw;
  }
  RefreshingMenuBar = false;
  return true;
}

void TsSkinProvider::SkinFormMenus(bool flag) {
  TsSkinManager* manager = Manager();
  if (Designing() || Form == nullptr || manager == nullptr || !manager->IsDefault()) return;
  for (int i = 0; i < Form->ComponentCount(); ++i)
    SkinMenusOfComponent(Form->Components(i), flag, drawNonClientArea_, manager->SkinableMenus(), manager->SkinnedPopups());
}

void TsSkinProvider::PaintMenuLine(const TskFrameInput& frame, Integer state) {
  InitMenus();
  TsSkinManager* manager = Manager();
  TBitmap* cache = skinData_->CacheBitmap.get();
  TMainMenu* menu = FormMenu();
  const Integer lineHeight = frame.MenuLineHeight;
  const Integer lines = frame.MenuLines;
  if (manager == nullptr || cache == nullptr || menu == nullptr || lineHeight <= 0 || lines <= 0) return;
  const Integer cacheWidth = FrameCacheWidth(frame);
  const Integer titleBottom = FrameTitleBottom(frame);
  const TRect& shadow = frame.Shadow;
  // 1. The line's section.
  const Integer section = manager->GetSkinIndex(menuLineSkin_.empty() ? AnsiString("MENULINE") : menuLineSkin_);
  if (manager->IsValidSkinIndex(section)) {
    const TRect line{shadow.Left, titleBottom, cacheWidth - shadow.Right, titleBottom + lines * lineHeight + 1};
    GdiFlush();
    const TsPixelView view = PixelViewOf(*cache);
    TsBgPixels bg;
    bg.Bitmap = view;
    PaintSectionItem(SectionSkinOf(*manager), section, manager->gd[static_cast<size_t>(section)].ClassName, bg, -1, -1,
                     view, line.Left, line.Top, line, state, true);
  }
  // 2. The background the bar items are drawn on, as the cache shows it now.
  if (!MenuBarBmp) {
    MenuBarBmp = std::make_unique<TBitmap>();
    MenuBarBmp->SetPixelFormat(pf32bit);
  }
  MenuBarBmp->SetSize(std::max<Integer>(cacheWidth - shadow.Left - shadow.Right, 0), lines * lineHeight + 1);
  BitBlt(MenuBarBmp->Canvas().Handle(), 0, 0, MenuBarBmp->Width(), MenuBarBmp->Height(), cache->Canvas().Handle(),
         FrameClientOffsetX(frame) - frame.BorderWidth, FrameClientOffsetY(frame) - lines * lineHeight - frame.BorderWidth - 1,
         SRCCOPY);
  const HWND window = Form->Handle();
  const HMENU bar = GetMenu(window);
  TskMenuLinePass pass;
  pass.X = FrameSysBorderWidth(frame, true) + shadow.Left;
  pass.Y = titleBottom;
  // 3. A maximized MDI child's icon takes the bar's first entry.
  if (MDIFrameProvider == this) {
    if (TCustomForm* child = MaximizedMDIChild()) {
      HICON icon = child->Icon().Handle();
      if (icon == nullptr && Application != nullptr) icon = Application->Icon().Handle();
      if (icon == nullptr) icon = LoadIconW(nullptr, IDI_APPLICATION);
      DrawIconEx(cache->Canvas().Handle(), pass.X + 1, titleBottom + 1, icon, lineHeight - 2, lineHeight - 2, 0, nullptr,
                 DI_NORMAL);
      pass.Position = 1;
    }
  }
  // 4. The bar's items, each by its own handler, where the window's bar has it.
  RECT outer{};
  GetWindowRect(window, &outer);
  const Integer dx = BorderFormSideOffset(frame) + shadow.Left - outer.left;
  const Integer dy = BorderFormTopOffset(frame) + shadow.Top - outer.top + (TallMaxTitle ? 4 : 0);
  const bool frameOfChildren = Form->FormStyle() == fsMDIForm;
  for (int i = 0; i < menu->Items()->Count(); ++i) {
    TMenuItem* item = menu->Items()->Items(i);
    if (!item->Visible()) continue;
    if (frameOfChildren && (item->GroupIndex() == pass.LastGroup || PaintMDIChildMenuItems(pass, item->GroupIndex())))
      continue;
    RECT r{};
    const bool placed = bar != nullptr && GetMenuItemRect(window, bar, pass.Position, &r);
    ++pass.Position;
    if (!placed) continue;
    const TRect rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
    pass.X = rect.Right;
    pass.Y = rect.Top;
    if (!HasDrawHandlers(item)) {
      MenusHooked = false;  // attached again on the next painting
      continue;
    }
    item->OnAdvancedDrawItem(item, cache->Canvas(), rect, BarItemState());
  }
  // 5. The child's items after the frame's last group, and a maximized child's buttons.
  if (frameOfChildren) {
    PaintMDIChildMenuItems(pass, INT_MAX);
    PaintMDIButtons(frame);
  }
}

bool TsSkinProvider::PaintMDIChildMenuItems(TskMenuLinePass& pass, Integer groupLimit) {
  TMainMenu* childMenu = ChildMenu(Form);
  if (childMenu == nullptr || pass.ChildIndex >= childMenu->Items()->Count()) return false;
  const TskFrameInput frame = FrameInput();
  const Integer lineHeight = frame.MenuLineHeight;
  const Integer rowEnd = Form->Width() - 2 * FrameSysBorderWidth(frame, true) - 2 * frame.BorderWidth;
  const HWND window = Form->Handle();
  const HMENU bar = GetMenu(window);
  TBitmap* cache = skinData_->CacheBitmap.get();
  bool result = false;
  for (; pass.ChildIndex < childMenu->Items()->Count(); ++pass.ChildIndex) {
    TMenuItem* item = childMenu->Items()->Items(pass.ChildIndex);
    if (!item->Visible()) continue;
    // A later group waits for the frame's items before it.
    if (item->GroupIndex() > groupLimit) return result;
    if (item->GroupIndex() > pass.LastGroup) {
      pass.LastGroup = item->GroupIndex();
      result = item->GroupIndex() >= groupLimit;
    }
    // The merged item's width is its entry's in the frame's bar (the child's own window has no bar).
    RECT r{};
    const bool placed = bar != nullptr && GetMenuItemRect(window, bar, pass.Position, &r);
    ++pass.Position;
    if (!placed) continue;
    const Integer width = r.right - r.left;
    if (pass.X + width > rowEnd) {
      pass.X = FrameSysBorderWidth(frame, true) + frame.Shadow.Left;
      pass.Y += lineHeight;
    }
    if (cache != nullptr && HasDrawHandlers(item))
      item->OnAdvancedDrawItem(item, cache->Canvas(), TRect{pass.X, pass.Y, pass.X + width, pass.Y + lineHeight},
                               TOwnerDrawState{});
    pass.X += width;
  }
  return result;
}

void TsSkinProvider::PaintMDIArea(const TskFrameInput& frame) {
  TsSkinManager* manager = Manager();
  TBitmap* cache = skinData_->CacheBitmap.get();
  if (manager == nullptr || cache == nullptr || Form->FormStyle() != fsMDIForm) return;
  const Integer section = manager->GetSkinIndex("MDIAREA");
  if (!manager->IsValidSkinIndex(section)) return;
  const Integer side = FrameSysBorderWidth(frame, true) + frame.BorderWidth;
  const Integer menu = MenuPresent() ? frame.MenuLines * frame.MenuLineHeight : 0;
  TRect area;
  area.Left = AlignedChildrenSize(Form, alLeft, false) + side + frame.Shadow.Left;
  area.Top = AlignedChildrenSize(Form, alTop, false) + menu + FrameTitleBottom(frame) + frame.BorderWidth +
             (frame.MenuLineHeight != 0 ? 1 : 0);
  area.Right = FrameCacheWidth(frame) - side - AlignedChildrenSize(Form, alRight, false) - frame.Shadow.Right;
  area.Bottom = FrameCacheHeight(frame) - side - AlignedChildrenSize(Form, alBottom, false) - frame.Shadow.Bottom;
  if (area.IsEmpty()) return;
  TskBgInfo background;
  background.Bitmap = cache;
  background.IsBitmap = true;
  PaintSectionToDC(section, "MDIAREA", background, manager, cache->Canvas().Handle(), TPoint{0, 0}, area, 0, true);
}

void TsSkinProvider::InitWindowMenu(TMessage& message) {
  const auto popup = reinterpret_cast<HMENU>(message.WParam);
  if (HIWORD(message.LParam) != 0) EnableMenuItem(popup, SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
  TMenuItem* windowMenu = Form->WindowMenu();
  const bool opensWindowMenu = windowMenu != nullptr && popup != nullptr && popup == windowMenu->Handle();
  if (windowMenu != nullptr) {
    for (int i = windowMenu->Count() - 1; i >= 0; --i)
      if ((windowMenu->Items(i)->Tag() & kGeneratedEntry) != 0) delete windowMenu->Items(i);
  }
  if (Form->FormStyle() != fsMDIForm || Form->MDIChildCount() == 0 || windowMenu == nullptr) {
    CallSavedProc(message);
    return;
  }
  if (opensWindowMenu) {
    for (int i = 0; i < windowMenu->Count(); ++i) windowMenu->Items(i)->InitiateAction();
    if (windowMenu->Count() == 0 || !windowMenu->Items(windowMenu->Count() - 1)->IsLine()) {
      auto* line = New<TMenuItem>(Form);
      line->SetCaption("-");
      windowMenu->Add(line);
    }
    const TCustomForm* active = Form->ActiveMDIChild();
    for (int i = 0; i < Form->MDIChildCount(); ++i) {
      TCustomForm* child = Form->MDIChildren(i);
      if (!child->Visible()) continue;
      auto* entry = New<TMenuItem>(Form);
      entry->SetCaption(child->Caption());
      entry->SetTag(i | kGeneratedEntry);
      entry->SetChecked(child == active);
      entry->OnClick = TNotifyEvent([this](TObject* sender) { WindowMenuClick(sender); });
      windowMenu->Add(entry);
    }
    // The open menu shows the entries; the ones the MDI client adds for the children (they carry no item
    // data, the menu's own entries carry their command) go, so each child is listed once.
    windowMenu->RebuildHandle();
    const HMENU shown = windowMenu->Handle();
    for (int position = GetMenuItemCount(shown) - 1; position >= 0; --position) {
      MENUITEMINFOW info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_DATA;
      if (GetMenuItemInfoW(shown, static_cast<UINT>(position), TRUE, &info) && info.dwItemData == 0)
        RemoveMenu(shown, static_cast<UINT>(position), MF_BYPOSITION);
    }
  }
  message.Result = 0;
}

void TsSkinProvider::WindowMenuClick(TObject* sender) {
  const auto* entry = dynamic_cast<const TMenuItem*>(sender);
  if (entry == nullptr || Form == nullptr) return;
  const Integer index = entry->Tag() & ~kGeneratedEntry;
  if (index >= 0 && index < Form->MDIChildCount()) Form->MDIChildren(index)->BringToFront();
}

void TsSkinProvider::HookMDI(bool on) {
  if (!on) {
    MDIHelper.reset();
    return;
  }
  if (MDIHelper != nullptr) {
    const HWND client = Form != nullptr ? Form->ClientHandle() : nullptr;
    if (client == nullptr || !WindowIsSkinned(client)) MDIHelper.reset();
    return;
  }
  if (Form == nullptr || Form->FormStyle() != fsMDIForm) return;
  MDIFrameProvider = this;
  MDIHelper = std::make_unique<TsMDIForm>(this, Form, [this] { RepaintFrame(); });
  MDIHelper->HookClient();
}

void TsSkinProvider::RepaintMenuItem(TMenuItem* item, const TRect& rect, TOwnerDrawState state) {
  TMainMenu* menu = FormMenu();
  TBitmap* cache = skinData_->CacheBitmap.get();
  if (item == nullptr || menu == nullptr || cache == nullptr || !MenuPresent() || !HasDrawHandlers(item) ||
      !Form->HandleAllocated())
    return;
  const std::vector<TMenuItem*> bar = menu->BarItems();
  if (std::find(bar.begin(), bar.end(), item) == bar.end()) return;
  item->OnAdvancedDrawItem(item, cache->Canvas(), rect, state);
  // The window shows the picture less the border window's offsets and shadow margins.
  const TskFrameInput frame = FrameInput();
  const Integer dx = BorderFormSideOffset(frame) + frame.Shadow.Left;
  const Integer dy = BorderFormTopOffset(frame) + frame.Shadow.Top;
  const HWND window = Form->Handle();
  if (const HDC dc = GetWindowDC(window)) {
    BitBlt(dc, rect.Left - dx, rect.Top - dy, rect.Width(), rect.Height(), cache->Canvas().Handle(), rect.Left, rect.Top,
           SRCCOPY);
    ReleaseDC(window, dc);
  }
}

void TsSkinProvider::RepaintPendingMenuItem() {
  TsSkinManager* manager = Manager();
  TMainMenu* menu = FormMenu();
  if (manager == nullptr || menu == nullptr || manager->SkinableMenus().PendingBarItem == nullptr) return;
  TsSkinableMenus& menus = manager->SkinableMenus();
  TMenuItem* item = std::exchange(menus.PendingBarItem, nullptr);
  // Another form's item (or one freed meanwhile) is not this menu's.
  const std::vector<TMenuItem*> bar = menu->BarItems();
  if (std::find(bar.begin(), bar.end(), item) == bar.end()) return;
  const TskFrameInput frame = FrameInput();
  const TRect& r = menus.PendingBarRect;
  const Integer dx = BorderFormSideOffset(frame) + frame.Shadow.Left;
  const Integer dy = BorderFormTopOffset(frame) + frame.Shadow.Top;
  RepaintMenuItem(item, Bounds(r.Left + dx, r.Top + dy, r.Width(), r.Height()), TOwnerDrawState{});
}

bool TsSkinProvider::MenuMessage(TMessage& message) {
  if (MDIButtonMessage(message) || MDIMessage(message)) return true;
  switch (message.Msg) {
    case WM_INITMENUPOPUP:
      // Only an MDI frame's Window menu is the provider's; other forms' popups go on as they did.
      if (Form == nullptr || Form->FormStyle() != fsMDIForm) return false;
      InitWindowMenu(message);
      return true;
    default:
      return false;
  }
}
