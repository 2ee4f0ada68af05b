#include "skin/forms/sSystemMenu.h"

#include <string>

#include "skin/forms/sSkinProvider.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/rtl/Strings.h"
#include "vcl/rtl/TextConv.h"

const char* const SRestore = "Restore";
const char* const SMove = "Move";
const char* const SSize = "Size";
const char* const SMinimize = "Minimize";
const char* const SMaximize = "Maximize";
const char* const SClose = "Close";
const char* const SAvailSkins = "Available skins";
const char* const SInternal = "(internal)";

namespace {

constexpr int kMaxMenuText = 255;

// An entry's text (by command or by position), empty when it cannot be read.
AnsiString MenuText(HMENU menu, UINT item, UINT flags) {
  wchar_t buffer[kMaxMenuText + 1] = {};
  const int length = GetMenuStringW(menu, item, buffer, kMaxMenuText + 1, flags);
  if (length <= 0) return AnsiString();
  return Utf16ToCp1250(std::u16string_view(reinterpret_cast<const char16_t*>(buffer), static_cast<size_t>(length)));
}

void SplitAtTab(const AnsiString& text, AnsiString& caption, AnsiString& shortCut) {
  const size_t tab = text.find('\t');
  caption = text.substr(0, tab);
  shortCut = tab == AnsiString::npos ? AnsiString() : text.substr(tab + 1);
}

// A copy of a user popup's item and its sub-items under `parent`. Copies take the copied item's name
// followed by "Copy"; an unnamed item gives an unnamed copy (two unnamed items would clash otherwise).
void CopyItem(TMenuItem* source, TMenuItem* parent, TComponent* owner) {
  auto* copy = New<TMenuItem>(owner);
  if (!source->Name().empty()) copy->SetName(source->Name() + "Copy");
  copy->SetCaption(source->Caption());
  copy->SetShortCut(source->ShortCut());
  copy->SetChecked(source->Checked());
  copy->OnClick = source->OnClick;
  copy->SetEnabled(source->Enabled());
  copy->SetImageIndex(source->ImageIndex());
  parent->Add(copy);
  for (int i = 0; i < source->Count(); ++i) CopyItem(source->Items(i), copy, owner);
}

}  // namespace

TsSystemMenu::TsSystemMenu(TsSkinProvider* provider, TCustomForm* form)
    : TsCustomSysMenu(provider), provider_(provider), form_(form) {
  SetName("skSysMenu" + std::to_string(GetTickCount()));
  BuildItems();
}

HMENU TsSystemMenu::WindowMenu() const {
  return form_ != nullptr && form_->HandleAllocated() ? GetSystemMenu(form_->Handle(), FALSE) : nullptr;
}

TskSysMenuForm TsSystemMenu::FormState() const {
  TskSysMenuForm f;
  if (form_ == nullptr) return f;
  f.Border = static_cast<TskTitleBorder>(form_->BorderStyle());
  const TBorderIcons icons = form_->BorderIcons();
  f.SystemMenu = icons.Contains(biSystemMenu);
  f.Minimize = icons.Contains(biMinimize);
  f.Maximize = icons.Contains(biMaximize);
  const bool window = form_->HandleAllocated();
  f.Iconic = window && IsIconic(form_->Handle());
  f.State = f.Iconic ? TskWindowState::Minimized
            : window && IsZoomed(form_->Handle()) ? TskWindowState::Maximized
                                                   : static_cast<TskWindowState>(form_->WindowState());
  f.MdiChild = form_->FormStyle() == fsMDIChild;
  f.MainForm = Application != nullptr && Application->MainForm() == form_;
  const HMENU menu = WindowMenu();
  f.HasCloseCommand = menu != nullptr && GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) != static_cast<UINT>(-1);
  return f;
}

TMenuItem* TsSystemMenu::AddItem(const AnsiString& name, const AnsiString& caption, TNotifyEvent onClick) {
  auto* item = New<TMenuItem>(this);
  if (!name.empty()) item->SetName(name);
  item->SetCaption(caption);
  item->OnClick = std::move(onClick);
  Items()->Add(item);
  return item;
}

void TsSystemMenu::AddSeparator(const AnsiString& name) { AddItem(name, "-", nullptr); }

AnsiString TsSystemMenu::CommandCaption(HMENU menu, UINT command, const AnsiString& fallback,
                                        TShortCut* shortCut) const {
  const AnsiString text = menu != nullptr ? MenuText(menu, command, MF_BYCOMMAND) : AnsiString();
  if (text.empty()) return fallback;
  AnsiString caption, keys;
  SplitAtTab(text, caption, keys);
  if (shortCut != nullptr) *shortCut = TextToShortCut(keys);
  return caption;
}

void TsSystemMenu::SendCommand(UINT command, bool refresh) {
  if (form_ == nullptr || !form_->HandleAllocated()) return;
  SendMessageW(form_->Handle(), WM_SYSCOMMAND, command, 0);
  if (refresh) UpdateItems(false);
}

void TsSystemMenu::BuildItems() {
  Items()->Clear();
  restore_ = move_ = size_ = minimize_ = maximize_ = close_ = subMenu_ = nullptr;
  extraCount_ = 0;
  const HMENU menu = WindowMenu();
  if (menu == nullptr) return;
  AddSubMenu(ipTop);
  restore_ = AddItem("skIR", CommandCaption(menu, SC_RESTORE, SRestore, nullptr),
                     [this](TObject*) { SendCommand(SC_RESTORE, true); });
  move_ = AddItem("skIM", CommandCaption(menu, SC_MOVE, SMove, nullptr), [this](TObject*) { SendCommand(SC_MOVE, false); });
  size_ = AddItem("skIS", CommandCaption(menu, SC_SIZE, SSize, nullptr), [this](TObject*) { SendCommand(SC_SIZE, false); });
  // Minimising from the menu skips the provider's minimise animation.
  minimize_ = AddItem("skIN", CommandCaption(menu, SC_MINIMIZE, SMinimize, nullptr), [this](TObject*) {
    provider_->SkipAnimation = true;
    SendCommand(SC_MINIMIZE, false);
    provider_->SkipAnimation = false;
    UpdateItems(false);
  });
  maximize_ = AddItem("skIX", CommandCaption(menu, SC_MAXIMIZE, SMaximize, nullptr),
                      [this](TObject*) { SendCommand(SC_MAXIMIZE, true); });
  AddSeparator();

  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    const UINT id = GetMenuItemID(menu, i);
    if (id >= 0xF000 && id <= 0xF1FF) continue;
    if ((GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) != 0) continue;
    const AnsiString text = MenuText(menu, static_cast<UINT>(i), MF_BYPOSITION);
    if (text.empty()) continue;
    AnsiString caption, keys;
    SplitAtTab(text, caption, keys);
    TMenuItem* item = AddItem(AnsiString(), caption, nullptr);
    item->SetShortCut(TextToShortCut(keys));
    item->SetTag(static_cast<Integer>(id));
    // Extra commands are posted: the application's handler runs after the menu has closed.
    item->OnClick = [this](TObject* sender) {
      if (form_ != nullptr && form_->HandleAllocated())
        PostMessageW(form_->Handle(), WM_SYSCOMMAND, static_cast<WPARAM>(static_cast<TComponent*>(sender)->Tag()), 0);
    };
    ++extraCount_;
  }
  if (extraCount_ > 0) AddSeparator();

  AddSubMenu(ipBeforeClose);
  TShortCut closeKeys = scNone;
  close_ = AddItem("skIC", CommandCaption(menu, SC_CLOSE, SClose, &closeKeys), [this](TObject*) { SendCommand(SC_CLOSE, false); });
  close_->SetShortCut(closeKeys);
  AddSubMenu(ipBottom);
}

void TsSystemMenu::AddSubMenu(TskMenuItemPos position) {
  TskSysSubMenu& sub = provider_->SysSubMenu();
  if (sub.Position != position || sub.Caption.empty() || sub.PopupMenu == nullptr) return;
  if (position == ipBottom) AddSeparator("sk_BtmDiv");
  subMenu_ = AddItem("sk_SubMenu", sub.Caption, nullptr);
  TMenuItem* source = sub.PopupMenu->Items();
  for (int i = 0; i < source->Count(); ++i) CopyItem(source->Items(i), subMenu_, this);
  SetImages(sub.PopupMenu->Images());
  if (position != ipBottom) AddSeparator("sk_TopDiv");
}

void TsSystemMenu::UpdateItems(bool rebuild) {
  if (rebuild || close_ == nullptr) BuildItems();
  if (close_ == nullptr) return;
  const TskSysMenuState s = States();
  const std::pair<TMenuItem*, TskSysMenuItem> items[] = {{restore_, s.Restore}, {move_, s.Move},
                                                         {size_, s.Size},       {minimize_, s.Minimize},
                                                         {maximize_, s.Maximize}, {close_, s.Close}};
  for (const auto& [item, state] : items) {
    item->SetVisible(state.Visible);
    item->SetEnabled(state.Enabled);
  }
}

void TsSystemMenu::AddSkinItems() {
  TsSkinManager* manager = provider_->SkinData().GetSkinManager();
  if (manager == nullptr) manager = TsSkinManager::DefaultManager();
  if (manager == nullptr || FindComponent("SkinSelectItem") != nullptr) return;
  TStringList names;
  AnsiString first;
  manager->ListSkins(names, 2, first);
  if (names.Count() == 0) return;
  auto* list = New<TMenuItem>(this);
  list->SetName("SkinSelectItem");
  list->SetCaption(SAvailSkins);
  Items()->Insert(0, list);
  auto* line = New<TMenuItem>(this);
  line->SetCaption("-");
  Items()->Insert(1, line);
  for (int i = 0; i < names.Count(); ++i) {
    auto* item = New<TMenuItem>(this);
    item->SetName("SkinSelectItem" + std::to_string(i));
    item->SetCaption(names.Strings(i));
    item->SetRadioItem(true);
    item->SetChecked(names.Strings(i) == manager->SkinName());
    item->SetBreak(SkinItemStartsColumn(i));
    item->OnClick = [manager](TObject* sender) {
      AnsiString name = static_cast<TMenuItem*>(sender)->Caption();
      std::erase(name, '&');
      if (const size_t mark = name.find(SInternal); mark != AnsiString::npos)
        name.resize(mark + std::char_traits<char>::length(SInternal));
      manager->SetSkinName(name);
    };
    list->Add(item);
  }
}
