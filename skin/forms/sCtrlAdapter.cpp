#include "skin/forms/sCtrlAdapter.h"

#include <windows.h>

#include "skin/adapters/skSBBarWnd.h"
#include "skin/adapters/skSBButtons.h"
#include "skin/adapters/skSBComboWnd.h"
#include "skin/adapters/skSBControlScrollWnd.h"
#include "skin/adapters/skSBEditWnd.h"
#include "skin/adapters/skSBGridWnd.h"
#include "skin/adapters/skSBListViewWnd.h"
#include "skin/adapters/skSBPanelWnd.h"
#include "skin/adapters/skSBSpinWnd.h"
#include "skin/adapters/skSBTabWnd.h"
#include "skin/adapters/skSBToolBarVCLWnd.h"
#include "skin/adapters/skSBTreeViewWnd.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GraphicControl.h"
#include "vcl/gui/Label.h"
#include "vcl/gui/WinControl.h"

namespace {

// Depth of the walk in progress. A window adapter's creation can send messages that lead back into a
// walk (a form's re-scan on a child's creation); the depth keeps the whole of a walk, its recursion
// included, to itself. Unit-wide: walks of different forms nest the same way.
int walkDepth = 0;

class TWalkScope {
 public:
  TWalkScope() { ++walkDepth; }
  ~TWalkScope() { --walkDepth; }
  TWalkScope(const TWalkScope&) = delete;
  TWalkScope& operator=(const TWalkScope&) = delete;
};

// The section an adapter is asked for: none while the skin state holds no name of its own.
AnsiString AskedSection(const TsCommonData& data) {
  const AnsiString& section = data.SkinSection();
  return section == "UNKNOWN" ? AnsiString() : section;
}

bool SkinnedByItself(TControl* control) { return (SendSkinCommandToControl(control, scIsSkinned) & 0xFF) != 0; }

// The first list (0..20) that names the class exactly, or -1.
int ListOfClass(const TsSkinManager& manager, const AnsiString& className) {
  for (int list = 0; list < TsSkinManager::ThirdPartyKindCount; ++list) {
    const TStringList& names = manager.ThirdPartyList(list);
    for (int i = 0; i < names.Count(); ++i)
      if (names.Strings(i) == className) return list;
  }
  return -1;
}

template <class T>
TskMainWnd* OnHandle(TWinControl* control, TsCommonData* data, TsSkinManager* manager) {
  return New<T>(control->Handle(), true, AskedSection(*data), manager, data);
}

}  // namespace

bool WndAdapterDead(const TskMainWnd* adapter) {
  return adapter == nullptr || adapter->Detached() || adapter->FreePending() || !IsWindow(adapter->Window);
}

// List 17 (speed buttons) names windowless controls: no adapter.
TskMainWnd* CreateListedAdapter(int list, TWinControl* control, TsCommonData* data, TsSkinManager* manager) {
  switch (list) {
    case 0:
      return OnHandle<TskEditWnd>(control, data, manager);
    case 1:
      return OnHandle<TskBtnWnd>(control, data, manager);
    case 2:
      return OnHandle<TskBitBtnWnd>(control, data, manager);
    case 3:
      return OnHandle<TskCheckBoxWnd>(control, data, manager);
    case 4:
      return OnHandle<TskComboBoxWnd>(control, data, manager);
    case 5:
      return OnHandle<TskGridWnd>(control, data, manager);
    case 6:
      return OnHandle<TskGroupBoxWnd>(control, data, manager);
    case 7:
      return OnHandle<TskListViewWnd>(control, data, manager);
    case 8:
      return OnHandle<TskPanelWnd>(control, data, manager);
    case 9:
      return OnHandle<TskTreeViewWnd>(control, data, manager);
    case 10:
      return New<TskWWComboBoxWnd>(control, true, AskedSection(*data), manager, data);
    case 11:
      return OnHandle<TskGridEhWnd>(control, data, manager);
    case 12:
      return OnHandle<TskVirtualTreeViewWnd>(control, data, manager);
    case 13:
      return OnHandle<TskPageControlWnd>(control, data, manager);
    case 14:
      return OnHandle<TskTabControlWnd>(control, data, manager);
    case 15:
      return OnHandle<TskToolBarVCLWnd>(control, data, manager);
    case 16:
      return OnHandle<TskStatusBarWnd>(control, data, manager);
    case 18:
      if (AskedSection(*data).empty()) data->SetSkinSection("PANEL_LOW");
      return OnHandle<TskEditWnd>(control, data, manager);
    case 19:
      return OnHandle<TskSpinWnd>(control, data, manager);
    case 20:
      if (AskedSection(*data).empty()) data->SetSkinSection("CHECKBOX");
      return OnHandle<TskSBWnd>(control, data, manager);
    default:
      return nullptr;
  }
}

// ---- the item ----

TskAdapterItem::TskAdapterItem(TskCtrlAdapter* adapter)
    : SkinData(std::make_unique<TsCommonData>(this)), Adapter(adapter) {
  SkinData->ControlKind = kAdapterItemKind;
}

TskAdapterItem::~TskAdapterItem() {
  // An adapter that is still inside a call of its own goes after that call and reads its skin state
  // until then: it takes the state along.
  if (WndAdapter != nullptr && WndAdapter->Running()) WndAdapter->AdoptSkinData(SkinData.release());
  FreeAdapter(WndAdapter);
}

void TskAdapterItem::HookControl(TWinControl* control) {
  if (control == nullptr || control->Tag() == kNoAdapterTag || !control->HandleAllocated() ||
      control->Parent() == nullptr || SkinnedByItself(control))
    return;
  Control = control;
  SkinData->HostControl = control;
  SkinData->HostObject = control;
  TsSkinManager* manager = SkinData->GetSkinManager();
  if (manager == nullptr) return;
  const int list = ListOfClass(*manager, control->ClassName());
  if (list >= 0) WndAdapter = CreateListedAdapter(list, control, SkinData.get(), manager);
}

// ---- the control adapter ----

TskCtrlAdapter::~TskCtrlAdapter() {
  RemoveDeadItems();
  FreeAllItems();
}

TsSkinManager* TskCtrlAdapter::Manager() const {
  return OwnerProvider != nullptr ? OwnerProvider->SkinData().GetSkinManager() : nullptr;
}

void TskCtrlAdapter::AskProvider(TComponent* item, bool& canBeAdded, AnsiString& section) {
  if (OwnerProvider != nullptr && OwnerProvider->OnSkinItem)
    OwnerProvider->OnSkinItem(OwnerProvider, item, canBeAdded, section);
}

bool TskCtrlAdapter::IsAdaptable(TControl* control) {
  if (control == nullptr || control->Tag() == kNoAdapterTag) return false;
  if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
    if (!windowed->HandleAllocated() || SkinnedByItself(windowed)) return false;
  }
  bool canBeAdded = true;
  AnsiString section;
  if (Is<TGraphicControl>(control)) {
    if (!Is<TLabel>(control)) return false;
    AskProvider(control, canBeAdded, section);
    return canBeAdded;
  }
  if (Is<TCustomForm>(control)) {
    section = "FORM";
    AskProvider(control, canBeAdded, section);
    return canBeAdded;
  }
  const TsSkinManager* manager = Manager();
  return manager != nullptr && ListOfClass(*manager, control->ClassName()) >= 0;
}

TskAdapterItem* TskCtrlAdapter::GetItem(int index) const {
  if (index < 0 || index >= ItemCount()) return nullptr;
  return items_[static_cast<size_t>(index)].get();
}

void TskCtrlAdapter::AddItem(TWinControl* control, const AnsiString& section) {
  if (control == nullptr || control->Tag() == kNoAdapterTag || control->Parent() == nullptr ||
      SkinnedByItself(control))
    return;
  bool canBeAdded = true;
  AnsiString skinSection = section;
  AskProvider(control, canBeAdded, skinSection);
  if (!canBeAdded) return;
  if (Is<TCustomForm>(control)) {
    AdaptEmbeddedForm(control, skinSection);
    return;
  }
  TskAdapterItem* item = nullptr;
  for (const auto& existing : items_)
    if (existing != nullptr && existing->Control == control) {
      item = existing.get();
      break;
    }
  if (item != nullptr) {
    if (!skinSection.empty()) item->SkinData->SetSkinSection(skinSection);
    if (item->WndAdapter != nullptr && WndAdapterDead(item->WndAdapter)) {
      FreeAdapter(item->WndAdapter);
      if (control->Parent() != nullptr) item->HookControl(control);
    }
    return;
  }
  items_.push_back(std::make_unique<TskAdapterItem>(this));
  item = items_.back().get();
  item->Control = control;
  if (!skinSection.empty()) item->SkinData->SetSkinSection(skinSection);
  if (control->Parent() != nullptr) item->HookControl(control);
  if (item->WndAdapter != nullptr) return;
  // Dropped again. Found by address: the hook's messages may have changed the list meanwhile.
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == item) {
      std::unique_ptr<TskAdapterItem> doomed = std::move(items_[i]);
      items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
}

void TskCtrlAdapter::AdaptEmbeddedForm(TWinControl* control, const AnsiString& section) {
  auto* form = static_cast<TCustomForm*>(control);
  TsSkinProvider* provider = New<TsSkinProvider>(form);
  provider->SkinData().SetSkinSection(section.empty() ? AnsiString("FORM") : section);
  provider->InitializeSkin();
  if (form->HandleAllocated()) DisableDwmTransitions(form->Handle(), true);
}

void TskCtrlAdapter::DeleteItem(int index) {
  if (index < 0 || index >= ItemCount()) return;
  const auto at = static_cast<size_t>(index);
  std::unique_ptr<TskAdapterItem> doomed = std::move(items_[at]);
  if (at + 1 < items_.size()) items_[at] = std::move(items_.back());
  items_.pop_back();
}

void TskCtrlAdapter::BroadcastMessage(const TMessage& message) {
  // Re-counted each round: a receiver may drop items.
  for (int i = 0; i < ItemCount(); ++i) {
    const TskAdapterItem* item = items_[static_cast<size_t>(i)].get();
    if (item == nullptr || WndAdapterDead(item->WndAdapter) || item->Control == nullptr ||
        item->Control->Parent() == nullptr)
      continue;
    SendMessageW(item->WndAdapter->Window, message.Msg, message.WParam, message.LParam);
  }
}

void TskCtrlAdapter::AdaptControls(TWinControl* root) {
  if (walkDepth > 0) return;
  TsSkinManager* manager = Manager();
  if (manager == nullptr || !manager->SkinningRules().Contains(srThirdParty)) return;
  TWinControl* target = root != nullptr ? root : (OwnerProvider != nullptr ? OwnerProvider->Form : nullptr);
  if (target == nullptr) return;
  TWalkScope scope;
  RemoveDeadItems();
  Walk(target);
}

void TskCtrlAdapter::TakeSkinLabelColor(TControl* label) {
  TControlStyle style = label->ControlStyle();
  label->SetControlStyle(style.Exclude(csOpaque));
  if (const TsSkinManager* manager = TsSkinManager::DefaultManager()) label->Font().SetColor(manager->GetGlobalFontColor());
}

// The components pass spares labels with Tag 98; the controls pass recolours every label placed
// directly on the target.
void TskCtrlAdapter::Walk(TWinControl* target) {
  const auto visit = [this](TComponent* component, bool componentsPass) {
    auto* control = dynamic_cast<TControl*>(component);
    auto* windowed = dynamic_cast<TWinControl*>(component);
    if (control != nullptr && IsAdaptable(control)) {
      if (windowed != nullptr) {
        AddItem(windowed, AnsiString());
      } else if (Is<TLabel>(control) && !(componentsPass && control->Tag() == kKeepLabelColorTag)) {
        TakeSkinLabelColor(control);
      }
    }
    if (windowed != nullptr && windowed->HandleAllocated() && windowed->Parent() != nullptr) Walk(windowed);
  };
  for (int i = 0; i < target->ComponentCount(); ++i) visit(target->Components(i), true);
  for (int i = 0; i < target->ControlCount(); ++i) visit(target->Controls(i), false);
}

void TskCtrlAdapter::RemoveDeadItems() {
  std::vector<std::unique_ptr<TskAdapterItem>> dead;
  auto kept = items_.begin();
  for (auto& item : items_) {
    if (item == nullptr || WndAdapterDead(item->WndAdapter)) {
      dead.push_back(std::move(item));
    } else {
      *kept++ = std::move(item);
    }
  }
  items_.erase(kept, items_.end());
  dead.clear();  // freed once the list is whole again: their adapters' messages may reach it
}

void TskCtrlAdapter::FreeAllItems() {
  if (CtrlAdapterFreeingAll) return;
  struct TFreeingAll {
    TFreeingAll() { CtrlAdapterFreeingAll = true; }
    ~TFreeingAll() { CtrlAdapterFreeingAll = false; }
  } freeing;
  while (!items_.empty()) {
    std::unique_ptr<TskAdapterItem> item = std::move(items_.back());
    items_.pop_back();
  }
}
