// The menu engine: hooking of the application's menus (bar items and popup items) and the measuring of
// popup items.
#include "skin/adapters/sSkinMenus.h"

#include <windows.h>

#include <algorithm>

#include "skin/adapters/skSBMnuWnd.h"
#include "skin/forms/sSkinText.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Control.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GraphicsObjects.h"
#include "vcl/gui/ImageList.h"
#include "vcl/gui/MainMenu.h"
#include "vcl/gui/PopupMenu.h"
#include "vcl/gui/Screen.h"

TsMenuItemType CurrentItemType = smNormal;
Integer PopupGlyphWidth = 16;
Integer GlyphColumnWidth = 0;

namespace {

constexpr UINT kMeasureFlags = DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS | DT_WORDBREAK;

bool BeingDestroyed(const TComponent* component) {
  return component->ComponentState().Contains(csDestroying);
}

// The target takes the source's values one by one: a font that already matches is kept (a changed
// font makes the canvas realize a new one, which costs more than painting an item).
void MatchFont(TFont& target, const TFont& source) {
  target.SetName(source.Name());
  target.SetHeight(source.Height());
  target.SetStyle(source.Style());
  target.SetColor(source.Color());
  target.SetCharset(source.Charset());
  target.SetPitch(source.Pitch());
}

// The item is in a column that a Break started (it or an item before it in its parent has Break).
bool InLaterColumn(const TMenuItem* item) {
  const TMenuItem* parent = item->Parent();
  if (parent == nullptr) return false;
  for (int i = 0, n = parent->IndexOf(item); i <= n; ++i)
    if (parent->Items(i)->Break()) return true;
  return false;
}

}  // namespace

TsSkinableMenus::TsSkinableMenus(TsSkinManager* owner)
    : measure_(this, &TsSkinableMenus::MeasurePopupItem),
      draw_(this, &TsSkinableMenus::DrawPopupItem),
      barMeasure_(this, &TsSkinableMenus::MeasureBarItem),
      barDraw_(this, &TsSkinableMenus::DrawBarItem),
      captionFont_(std::make_unique<TFont>()),
      manager_(owner) {}

TsSkinableMenus::~TsSkinableMenus() { manager_ = nullptr; }

bool TsSkinableMenus::Designing() const {
  return manager_ != nullptr && manager_->ComponentState().Contains(csDesigning);
}

bool TsSkinableMenus::SkinnedPopups() const { return manager_ != nullptr && manager_->SkinnedPopups(); }

void TsSkinableMenus::SetActive(bool value) {
  if (value == active_) return;
  UpdateMenus(value);
}

void TsSkinableMenus::SyncActive() {
  if (manager_ != nullptr) SetActive(manager_->SkinData.Active);
}

// ---- hooking ----

namespace {

// A slot that holds no handler gets the engine's; a slot that holds the engine's is emptied.
void FillFreeSlots(TMenuItem* item, const TMenuMeasureItemEvent& measure, const TAdvancedMenuDrawItemEvent& draw) {
  if (!item->OnMeasureItem) item->OnMeasureItem = measure;
  if (!item->OnAdvancedDrawItem) item->OnAdvancedDrawItem = draw;
}

void ClearOwnSlots(TMenuItem* item, const TMenuMeasureItemEvent& measure, const TAdvancedMenuDrawItemEvent& draw) {
  if (item->OnMeasureItem == measure) item->OnMeasureItem = TMenuMeasureItemEvent();
  if (item->OnAdvancedDrawItem == draw) item->OnAdvancedDrawItem = TAdvancedMenuDrawItemEvent();
}

// The bar items paint over the menu line of a skinned form: the bar of a form without a skin stays the
// system's (owner-drawn, its items would paint nothing). A skinned form hooks its menu itself.
bool ShownOnSkinnedForm(const TMainMenu* menu) {
  for (int i = 0; Screen != nullptr && i < Screen->CustomFormCount(); ++i) {
    TCustomForm* form = Screen->CustomForms(i);
    if (form->Menu() == menu) return form->HandleAllocated() && WindowIsSkinned(form->Handle());
  }
  return false;
}

}  // namespace

void TsSkinableMenus::SetPopupHandlers(TMenuItem* item) { FillFreeSlots(item, measure_, draw_); }
void TsSkinableMenus::ClearPopupHandlers(TMenuItem* item) { ClearOwnSlots(item, measure_, draw_); }
void TsSkinableMenus::SetBarHandlers(TMenuItem* item) { FillFreeSlots(item, barMeasure_, barDraw_); }
void TsSkinableMenus::ClearBarHandlers(TMenuItem* item) { ClearOwnSlots(item, barMeasure_, barDraw_); }

bool TsSkinableMenus::IsTopMainMenuItem(const TMenuItem* item) const {
  const TMenu* menu = item != nullptr ? item->GetParentMenu() : nullptr;
  return dynamic_cast<const TMainMenu*>(menu) != nullptr && item->Parent() == menu->Items();
}

void TsSkinableMenus::HookItem(TMenuItem* item, bool enable) {
  if (item == nullptr) return;
  if (!enable) {
    ClearPopupHandlers(item);
    ClearBarHandlers(item);
    return;
  }
  // The bar items of a main menu are drawn over the form's menu line, not as popup items. Like the
  // popup handlers, the bar handlers never replace what the application set.
  if (IsTopMainMenuItem(item))
    SetBarHandlers(item);
  else if (SkinnedPopups())
    SetPopupHandlers(item);
}

void TsSkinableMenus::HookSubItems(TMenuItem* item, bool enable) {
  if (item == nullptr) return;
  for (int i = 0; i < item->Count(); ++i) {
    TMenuItem* sub = item->Items(i);
    if (enable) {
      if (!IsTopMainMenuItem(sub)) SetPopupHandlers(sub);
    } else {
      ClearPopupHandlers(sub);
    }
    HookSubItems(sub, enable);
  }
}

void TsSkinableMenus::HookPopupMenu(TPopupMenu* menu, bool enable) {
  if (menu == nullptr) return;
  menu->SetOwnerDraw(enable && SkinnedPopups());
  TMenuAnimations animation = menu->MenuAnimation();
  if (enable)
    animation.Include(maNone);
  else
    animation.Exclude(maNone);
  menu->SetMenuAnimation(animation);
  HookSubItems(menu->Items(), enable && SkinnedPopups());
}

void TsSkinableMenus::HookMainMenu(TMainMenu* menu, bool enable) {
  if (menu == nullptr) return;
  const bool managerActive = manager_ != nullptr && manager_->Active();
  for (int i = 0; i < menu->Items()->Count(); ++i) {
    TMenuItem* item = menu->Items()->Items(i);
    if (!enable) {
      ClearBarHandlers(item);
      continue;
    }
    if (!managerActive) continue;
    if (!SkinnedPopups()) return;  // the menu stays as the system draws it
    SetBarHandlers(item);
  }
  if (!BeingDestroyed(menu) && menu->Items()->Count() > 0) menu->SetOwnerDraw(enable);
}

void TsSkinableMenus::HookComponent(TComponent* component, bool active) {
  if (auto* popup = dynamic_cast<TPopupMenu*>(component)) {
    HookPopupMenu(popup, active && SkinnedPopups());
  } else if (auto* menu = dynamic_cast<TMainMenu*>(component)) {
    if (!active || ShownOnSkinnedForm(menu)) {
      HookMainMenu(menu, active);
      for (int i = 0; i < menu->Items()->Count(); ++i) HookSubItems(menu->Items()->Items(i), active && SkinnedPopups());
    }
  } else if (auto* item = dynamic_cast<TMenuItem*>(component)) {
    if (dynamic_cast<const TMainMenu*>(item->GetParentMenu()) == nullptr) HookSubItems(item, active && SkinnedPopups());
  }
  for (int i = 0; i < component->ComponentCount(); ++i) HookComponent(component->Components(i), active);
}

void TsSkinableMenus::UpdateMenus(bool active) {
  active_ = active;
  if (Designing() || Application == nullptr) return;
  for (int i = 0; i < Application->ComponentCount(); ++i) HookComponent(Application->Components(i), active);
}

void HookContextMenu(TControl* control, TsSkinManager* manager) {
  if (control == nullptr || manager == nullptr) return;
  if (auto* popup = dynamic_cast<TPopupMenu*>(control->PopupMenu()))
    manager->SkinableMenus().HookPopupMenu(popup, manager->Active());
}

// ---- measuring ----

TPoint TsSkinableMenus::ItemGlyphSize(TMenuItem* item) {
  if (item->HasBitmap()) return TPoint{item->Bitmap().Width(), item->Bitmap().Height()};
  const TCustomImageList* images = item->Parent() != nullptr ? item->Parent()->SubMenuImages() : nullptr;
  if (images == nullptr) {
    const TMenu* menu = item->GetParentMenu();
    images = menu != nullptr ? menu->Images() : nullptr;
  }
  if (images != nullptr) return TPoint{images->Width(), images->Height()};
  return TPoint{16, 16};
}

Integer TsSkinableMenus::ExtraLineWidthOf(TMenuItem* item) {
  if (manager_ == nullptr || !manager_->MenuSupport().UseExtraLine || item == nullptr) return 0;
  const TskPopupRecord* record = FindPopupData(item, 0, nullptr, 0);
  return record != nullptr && record->LineShown ? manager_->MenuSupport().ExtraLineWidth : 0;
}

Integer TsSkinableMenus::ExtraWidthOfColumn(TMenuItem* item) { return InLaterColumn(item) ? 0 : ExtraLineWidthOf(item); }

AnsiString TsSkinableMenus::MeasureText(TMenuItem* item) const {
  switch (MenuItemTypeOf(item->Caption())) {
    case smCaption:
      return "-" + item->Caption() + "-";
    case smDivider:
      return AnsiString();
    default:
      return item->ShortCut() != scNone ? item->Caption() + ShortCutToText(item->ShortCut()) : item->Caption();
  }
}

Integer TsSkinableMenus::ItemHeight(TCanvas& canvas, TMenuItem* item) {
  const TsMenuItemType type = MenuItemTypeOf(item->Caption());
  if (type == smDivider) return DividerHeight();
  AnsiString text = item->Caption();
  if (type != smCaption && item->ShortCut() != scNone) text += ShortCutToText(item->ShortCut());
  TRect r{0, 0, 800, 0};
  const Integer textHeight = std::max<Integer>(DrawTextStr(canvas.Handle(), text, r, kMeasureFlags), r.Height());
  return PopupItemHeight(type, textHeight, ItemGlyphSize(item).Y, TskMenuMetrics{Margin, Spacing});
}

Integer TsSkinableMenus::DividerHeight() const {
  // A skin's divider mask draws its line in its top or bottom border: the divider keeps both borders'
  // rows, so that the line shows (2 rows without a mask).
  if (manager_ == nullptr) return 2;
  const Integer mask = manager_->GetMaskIndex(manager_->GetSkinIndex("DIVIDERV"), "DIVIDERV", "BORDERSMASK");
  if (!manager_->IsValidMaskIndex(mask)) return 2;
  return std::max<Integer>(2, manager_->MaskTopHeight(mask) + manager_->MaskBottomHeight(mask));
}

void TsSkinableMenus::SelectItemFont(TCanvas& canvas, TMenuItem* item, TOwnerDrawState state, bool& colorChanged) {
  colorChanged = false;
  if (Screen != nullptr) MatchFont(canvas.Font(), Screen->MenuFont());
  if (TCustomForm* form = MenuOwnerForm(item->GetParentMenu())) canvas.Font().SetCharset(form->Font().Charset());
  TFontStyles style;
  if (item->Default() || state.Contains(odDefault)) style.Include(fsBold);
  canvas.Font().SetStyle(style);
  if (manager_ != nullptr && manager_->OnGetPopupItemData) {
    const TColor before = canvas.Font().Color();
    TskPopupItemData data{&canvas.Font()};
    manager_->OnGetPopupItemData(item, state, data);
    colorChanged = canvas.Font().Color() != before;
  }
  canvas.TextExtent(" ");  // selects the font into the DC
}

void TsSkinableMenus::MeasurePopupItem(TObject* sender, TCanvas& canvas, Integer& width, Integer& height) {
  auto* item = dynamic_cast<TMenuItem*>(sender);
  if (item == nullptr || BeingDestroyed(item)) return;
  PopupMeasured = true;
  const TskPopupRecord* record = FindPopupData(item, 0, nullptr, 0);
  CurrentItemType = MenuItemTypeOf(item->Caption());
  bool lineShown = record != nullptr && record->LineShown;
  if (record == nullptr && !Designing() && item->Parent() != nullptr && item->Parent()->Count() > 0)
    lineShown = QueryExtraLine(item->Parent()->Items(0));
  bool colorChanged = false;
  SelectItemFont(canvas, item, TOwnerDrawState(), colorChanged);
  TRect r{0, 0, CurrentItemType == smNormal ? 800 : 1, 0};
  DrawTextStr(canvas.Handle(), MeasureText(item), r, kMeasureFlags);
  const bool withLine = lineShown && manager_ != nullptr && manager_->MenuSupport().UseExtraLine && !InLaterColumn(item);
  const Integer extra = withLine ? manager_->MenuSupport().ExtraLineWidth : 0;
  width = PopupItemWidth(ItemGlyphSize(item).X, r.Width(), extra, TskMenuMetrics{Margin, Spacing});
  height = ItemHeight(canvas, item);
}

namespace {

// The measured sizes of the visible items of a popup.
std::vector<TskPopupItemSize> MeasuredItems(TCanvas& canvas, TMenuItem* parent) {
  std::vector<TskPopupItemSize> sizes;
  for (int i = 0; i < parent->Count(); ++i) {
    TMenuItem* item = parent->Items(i);
    TskPopupItemSize size;
    size.Visible = item->Visible();
    size.Break = item->Break();
    if (size.Visible) item->MeasureItem(canvas, size.Width, size.Height);
    sizes.push_back(size);
  }
  return sizes;
}

}  // namespace

Integer TsSkinableMenus::PopupHeight(TCanvas& canvas, TMenuItem* item) {
  if (item == nullptr || item->Parent() == nullptr) return 0;
  return PopupHeightOf(MeasuredItems(canvas, item->Parent()));
}

Integer TsSkinableMenus::PopupWidth(TCanvas& canvas, TMenuItem* item) {
  if (item == nullptr || item->Parent() == nullptr) return 0;
  return PopupWidthOf(MeasuredItems(canvas, item->Parent()));
}
