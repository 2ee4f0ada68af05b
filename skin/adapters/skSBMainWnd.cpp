#include "skin/adapters/skSBMainWnd.h"

#include <windows.h>

#include <algorithm>

#include "skin/adapters/sSkinMenus.h"
#include "skin/adapters/skSBUtils.h"
#include "skin/forms/sSkinText.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/Edit.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/WinControl.h"
#include "vcl/rtl/ExceptionHandler.h"
#include "vcl/rtl/TextConv.h"

bool AdaptingDialogChildren = false;
bool CtrlAdapterFreeingAll = false;

// Runs one message through an adapter: counts the call, keeps exceptions inside, and frees the adapter
// after its outermost call when a free was asked meanwhile.
class TskAdapterCall {
 public:
  static void Dispatch(TskMainWnd& adapter, TMessage& message) {
    ++adapter.callDepth_;
    try {
      adapter.WndProc(message);
    } catch (...) {
      HandleApplicationException(&adapter);
    }
    if (--adapter.callDepth_ == 0 && adapter.freePending_) delete &adapter;
  }
};

namespace {

WNDPROC CurrentProcedure(HWND window) {
  return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
}

WNDPROC ReplacedProcedure(HWND window) {
  return reinterpret_cast<WNDPROC>(GetPropW(window, kReplacedProcProperty));
}

// Commands whose lParam is an address in this process are taken only from this thread: the skin
// command message is in the application range that any process may send.
bool SentFromAnotherThread() { return (InSendMessageEx(nullptr) & ISMEX_SEND) != 0; }

bool ProviderHost(const TsCommonData* data) {
  return data != nullptr && dynamic_cast<IskProviderHost*>(data->HostObject) != nullptr;
}

// The skin state's IsUpdating answers only for controls and forms; a foreign window's state is its own
// flag, else its parent window's answer.
bool StateIsUpdating(const TsCommonData& data, HWND window) {
  if (data.IsUpdating()) return true;
  if (data.HostControl != nullptr || ProviderHost(&data)) return false;
  if (data.UpdatingFlag) return true;
  const HWND parent = GetParent(window);
  return parent != nullptr && SendSkinCommand(parent, scIsUpdating) == 1;
}

// The control kind the list-view adapter gives its skin state.
constexpr Integer kListViewKind = 10;

bool CompositionEnabled() {
  using TDwmIsCompositionEnabled = HRESULT(WINAPI*)(BOOL*);
  static const TDwmIsCompositionEnabled query = [] {
    const HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
    return dwm != nullptr ? reinterpret_cast<TDwmIsCompositionEnabled>(
                                reinterpret_cast<void*>(GetProcAddress(dwm, "DwmIsCompositionEnabled")))
                          : nullptr;
  }();
  BOOL enabled = FALSE;
  return query != nullptr && SUCCEEDED(query(&enabled)) && enabled;
}

void RemoveOwnProperty(HWND window, const TskMainWnd* adapter) {
  if (window != nullptr && GetPropW(window, kAdapterProperty) == adapter) RemovePropW(window, kAdapterProperty);
}

}  // namespace

// ---- the static procedure of foreign windows ----

LRESULT CALLBACK AdapterWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  try {
    TskMainWnd* adapter = FindAdapter(window);
    if (adapter != nullptr && adapter->SavedWndProc != nullptr && !adapter->detached_) {
      TMessage message{msg, wParam, lParam, 0};
      TskAdapterCall::Dispatch(*adapter, message);
      result = message.Result;
    } else if (const WNDPROC replaced = ReplacedProcedure(window); replaced != nullptr) {
      // The adapter is gone but this procedure still sits in a chain under another subclass.
      result = CallWindowProcW(replaced, window, msg, wParam, lParam);
    } else {
      result = DefWindowProcW(window, msg, wParam, lParam);
    }
  } catch (...) {
    HandleApplicationException(nullptr);
  }
  if (msg == WM_NCDESTROY) {
    RemovePropW(window, kReplacedProcProperty);
    RemovePropW(window, kAdapterProperty);
  }
  return result;
}

// ---- the adapter ----

TskMainWnd::TskMainWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager,
                       TsCommonData* data)
    : Window(window), SkinManager(manager), link_(std::make_shared<TskHookLink>()), repaint_(repaint),
      section_(section) {
  if (data != nullptr) {
    SkinData = data;
  } else {
    SkinData = new TsCommonData(nullptr);
    ownsSkinData_ = true;
  }
  // Without a manager of its own the adapter follows its skin state's (the default manager).
  if (SkinManager == nullptr) SkinManager = SkinData->GetSkinManager();
}

TskMainWnd::~TskMainWnd() {
  link_->Adapter = nullptr;
  if (ownsSkinData_) delete SkinData;
  SkinData = nullptr;
  SkinManager = nullptr;
}

void TskMainWnd::AfterConstruction() {
  TObject::AfterConstruction();
  // Without visual styles, so that the window paints what the skin gives it.
  if (SetWindowThemeProc != nullptr && DropsTheme() && section_ != "DIALOG" && !AdaptingDialogChildren)
    SetWindowThemeProc(Window, L" ", L" ");
  SkinData->SetCustomFont(SkinData->CustomFont);
  if (SkinData->SkinSection().empty() || SkinData->SkinSection() == "UNKNOWN") SkinData->SetSkinSection(section_);
  DialogMode = AdaptingDialogChildren;
  SaveStdLook();
  SkinParamsApplied = false;
  ReadWindowText();
  link_->Adapter = this;
  entry_ = TWndMethod::FromFunction([link = link_](TMessage& message) {
    if (link->Adapter != nullptr) {
      TskAdapterCall::Dispatch(*link->Adapter, message);
    } else if (link->Previous) {
      link->Previous(message);
    }
  });
  AttachAdapter(this, Window);
  if (TControl* control = SkinData->HostControl) {
    SavedControlStyle = control->ControlStyle();
    TControlStyle style = SavedControlStyle;
    control->SetControlStyle(style.Include(csOpaque));
  }
  if (repaint_ && IsWindowVisible(Window)) RefreshFrame(Window, true);
}

void TskMainWnd::BeforeDestruction() {
  // Whatever else stays, nothing may reach the freed adapter: neither the static procedure through
  // the property nor an entry left in a control's chain.
  if (!detached_) RemoveOwnProperty(Window, this);
  link_->Adapter = nullptr;
  if (!detached_ && SkinManager != nullptr && SkinData != nullptr) {
    TControl* control = SkinData->HostControl;
    if (control != nullptr && !SavedControlStyle.Empty()) control->SetControlStyle(SavedControlStyle);
    if (!CtrlAdapterFreeingAll || SkinRemoving) {
      Unhook();
      RestoreStdLook();
      // A list view keeps its theme while desktop composition is on.
      const bool keepTheme = ProviderHost(SkinData) || (SkinData->ControlKind == kListViewKind && CompositionEnabled());
      if (SetWindowThemeProc != nullptr && IsWindow(Window) && !keepTheme) SetWindowThemeProc(Window, nullptr, nullptr);
      detached_ = true;
    }
  }
  TObject::BeforeDestruction();
}

bool TskMainWnd::SkinManagerActive() const { return SkinManager != nullptr && SkinManager->Active(); }

TControl* TskMainWnd::HookedControl() const {
  if (SkinData == nullptr) return nullptr;
  if (auto* provider = dynamic_cast<IskProviderHost*>(SkinData->HostObject)) return provider->ProviderForm();
  return SkinData->HostControl;
}

void TskMainWnd::ReadWindowText() {
  const int length = GetWindowTextLengthW(Window);
  if (length <= 0) {
    WindowText.clear();
    return;
  }
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  const int got = GetWindowTextW(Window, reinterpret_cast<wchar_t*>(text.data()), length + 1);
  text.resize(static_cast<size_t>(std::max(got, 0)));
  WindowText = Utf16ToCp1250(text);
}

bool TskMainWnd::Unhook() {
  if (TControl* control = HookedControl(); control != nullptr && SavedWindowProc) {
    if (!(control->WindowProc() == entry_)) return false;  // another hook sits above: the chain stays
    control->SetWindowProc(SavedWindowProc);
    return true;
  }
  if (SavedWndProc != nullptr) {
    if (!IsWindow(Window)) return true;
    const TskMainWnd* stored = FindAdapter(Window);
    if (CurrentProcedure(Window) != AdapterWindowProc || (stored != nullptr && stored != this)) return false;
    SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SavedWndProc));
    RemovePropW(Window, kReplacedProcProperty);
    return true;
  }
  return true;
}

LRESULT TskMainWnd::CallOldProc(HWND window, UINT msg, WPARAM wParam, LPARAM& lParam) {
  if (SavedWindowProc) {
    TMessage message{msg, wParam, lParam, 0};
    SavedWindowProc(message);
    lParam = message.LParam;
    return message.Result;
  }
  if (SavedWndProc != nullptr) return CallWindowProcW(SavedWndProc, window, msg, wParam, lParam);
  return DefWindowProcW(window, msg, wParam, lParam);
}

void TskMainWnd::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY: {
      if (SkinData != nullptr && SkinData->GlowIndex != -1) SkinData->ShowGlow(true, Window);
      CallOldProc(message);
      if (message.Result == 0) {
        try {
          TskMainWnd* self = this;
          DetachAdapter(Window, false, false, self);
        } catch (...) {
        }
      }
      if (message.Msg == WM_NCDESTROY) RemoveOwnProperty(Window, this);
      return;
    }
    case WM_UPDATEUISTATE:
      return;
    case WM_PRINT:
      message.Result = SendMessageW(Window, WM_PAINT, message.WParam, message.LParam);
      return;
    case WM_SIZE:
      if (SkinData != nullptr) SkinData->BackgroundDirty = true;
      break;
    case WM_CONTEXTMENU:
      if (SkinData != nullptr) HookContextMenu(SkinData->HostControl, SkinManager);
      break;
    case WM_SETTEXT:
      CallOldProc(message);
      ReadWindowText();
      return;
    case WM_MOUSEMOVE:
      if (TsSkinManager* manager = TsSkinManager::DefaultManager();
          manager != nullptr && !manager->ComponentState().Contains(csDesigning) && IsWindowEnabled(Window) &&
          manager->ActiveWindow() != Window)
        manager->SetActiveControl(Window);
      break;
    default:
      break;
  }
  if (SkinData == nullptr || SkinManager == nullptr || !SkinManager->Active() || message.Msg != SkinCommandMessage) {
    CallOldProc(message);
    return;
  }
  HandleSkinCommandMessage(message);
}

void TskMainWnd::HandleSkinCommandMessage(TMessage& message) {
  TsCommonData& data = *SkinData;
  const bool fromManager = message.LParam == reinterpret_cast<LPARAM>(SkinManager);
  const TMessage original = message;
  switch (SkinCommandOf(message.WParam)) {
    case scNewSkin:
      if (fromManager) {
        data.UpdateIndexes();
        data.BackgroundDirty = true;
        NotifyChildren(data.HostControl, Window, original);
      }
      break;
    case scRemoveSkin:
      if (fromManager) RestoreStdLook();
      break;
    case scRefresh:
      if (!fromManager) break;
      data.UpdateIndexes();
      data.BackgroundDirty = true;
      data.SetUpdating(false);
      if (IsWindowVisible(Window)) {
        SendMessageW(Window, WM_PAINT, 0, 0);
        NotifyChildren(data.HostControl, Window, original);
      }
      return;
    case scParentUpdated:
      if (!data.UpdatingFlag) break;
      data.UpdatingFlag = false;
      data.UpdatingFlag = StateIsUpdating(data, Window);
      if (!data.UpdatingFlag)
        RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
      return;
    case scIsSkinned:
      message.Result = 1;
      return;
    case scIsUpdating:
      message.Result = StateIsUpdating(data, Window) ? 1 : 0;
      return;
    case scSetSkinSection:
      if (message.LParam != 0 && !SentFromAnotherThread())
        data.SetSkinSection(reinterpret_cast<const TskSectionInfo*>(message.LParam)->Name);
      break;
    case scParentBgNeeded:
      if (data.HostControl == nullptr) break;
      HandleSkinCommand(message, &data);
      return;
    case scGetBgColor:
      CallOldProc(message);
      if (message.Result == 0) message.Result = static_cast<LRESULT>(ColorToRGB(data.GetBgColor(0, Window)));
      return;
    case scRebuildCache:
      RebuildWindowBg(&data, Window, false);
      break;
    case scFillBgRequest:
      if (message.LParam != 0 && !SentFromAnotherThread())
        data.FillBgRequest(*reinterpret_cast<TskBgRequest*>(message.LParam), 0, Window);
      return;
    case scGetCommonData:
      message.Result = reinterpret_cast<LRESULT>(&data);
      return;
    case scPrintMode:
      if (message.LParam != 0) {
        data.StateBits |= ssPrinting;
      } else {
        data.StateBits &= static_cast<Word>(~ssPrinting);
      }
      data.PrintTarget = reinterpret_cast<HDC>(message.LParam);
      break;
    case scGetApplication:
      message.Result = reinterpret_cast<LRESULT>(Application);
      return;
    default:
      break;
  }
  CallOldProc(message);
}

// ---- attaching and detaching ----

void AttachAdapter(TskMainWnd* adapter, HWND window) {
  adapter->Scrolling = false;
  adapter->Window = window;
  SetPropW(window, kAdapterProperty, adapter);
  if (TControl* control = adapter->HookedControl()) {
    adapter->link_->Previous = control->WindowProc();
    adapter->SavedWindowProc = control->WindowProc();
    control->SetWindowProc(adapter->entry_);
    return;
  }
  if (const WNDPROC replaced = ReplacedProcedure(window); replaced != nullptr) {
    // The static procedure is still in the window's chain (a detached adapter left it under another
    // subclass): it reaches this adapter through the property, so it is not put in a second time.
    adapter->SavedWndProc = replaced;
    return;
  }
  adapter->SavedWndProc = CurrentProcedure(window);
  SetPropW(window, kReplacedProcProperty, reinterpret_cast<HANDLE>(adapter->SavedWndProc));
  SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AdapterWindowProc));
}

bool DetachAdapter(HWND window, bool free, bool frameChanged, TskMainWnd*& adapter) {
  if (adapter == nullptr) return false;
  bool detached = adapter->detached_;
  if (!detached) {
    detached = adapter->Unhook();
    RemoveOwnProperty(window, adapter);
    // From here on the adapter's entry (where it stays in a chain) forwards to what it replaced.
    adapter->link_->Adapter = nullptr;
    adapter->RestoreStdLook();
    if (IsWindowVisible(window)) RefreshFrame(window, frameChanged);
    adapter->detached_ = detached;
  }
  if (free) FreeAdapter(adapter);
  return detached;
}

void FreeAdapter(TskMainWnd*& adapter) {
  if (adapter == nullptr) return;
  TskMainWnd* object = adapter;
  adapter = nullptr;
  if (object->Running()) {
    if (!object->Detached()) {
      TskMainWnd* self = object;
      DetachAdapter(object->Window, false, false, self);
    }
    object->freePending_ = true;
    return;
  }
  delete object;
}

TskMainWnd* FindAdapter(HWND window) {
  return window != nullptr ? static_cast<TskMainWnd*>(GetPropW(window, kAdapterProperty)) : nullptr;
}

void RefreshFrame(HWND window, bool frameChanged) {
  if (frameChanged) {
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  } else {
    SendMessageW(window, WM_NCPAINT, 1, 0);
  }
}

void NotifyChildren(TControl* control, HWND window, const TMessage& message) {
  if (auto* container = dynamic_cast<TWinControl*>(control)) {
    BroadcastToChildControls(container, message);
  } else if (control == nullptr) {
    BroadcastToChildWindows(window, message);
  }
}

// ---- the background ----

namespace {

// The frame of a text box as its border style and 3-D look leave it.
struct TEditTextPlace {
  TRect Rect;
  UINT Flags = DT_SINGLELINE | DT_NOPREFIX;
};

TEditTextPlace DisabledEditTextPlace(TCustomEdit& edit) {
  // The component layer's text boxes are always 3-D and have no bevels.
  const Integer inset = edit.BorderStyle() == bsNone ? 0 : 2;
  const Integer extra = edit.BorderStyle() == bsSingle ? 1 : 0;
  TEditTextPlace place;
  place.Rect = TRect{inset + extra, inset + extra, edit.Width() - inset - extra, edit.Height() - inset};
  return place;
}

// A disabled text box shows its text (or its password characters) drawn from the skin.
void DrawDisabledEditText(TsCommonData& data, TCustomEdit& edit, HWND window) {
  AnsiString text = edit.Text();
  if (text.empty()) return;
  if (const auto passwordChar = static_cast<wchar_t>(SendMessageW(window, EM_GETPASSWORDCHAR, 0, 0));
      passwordChar != 0) {
    const unsigned char c = Utf16CharToCp1250(static_cast<char16_t>(passwordChar));
    text = AnsiString(text.size(), static_cast<char>(c != 0 ? c : '*'));
  }
  TEditTextPlace place = DisabledEditTextPlace(edit);
  TCanvas& canvas = data.CacheBitmap->Canvas();
  canvas.SetFont(edit.Font());
  DrawControlText(canvas, text, true, data.IsActive(), data, place.Flags, place.Rect);
}

}  // namespace

void RebuildWindowBg(TsCommonData* data, HWND window, bool dialogMode) {
  if (data == nullptr || !data->BackgroundDirty || window == nullptr || !IsWindow(window)) return;
  RECT windowRect{};
  GetWindowRect(window, &windowRect);
  data->InitCacheBmp();
  const HWND parent = GetParent(window);
  TskBgInfo background = DefaultBgInfo;
  if (parent != nullptr) {
    TskBgRequest request;
    GetParentBgFromWindow(request, parent, false);
    // A parent that says it is updating: nothing is painted now, the background stays marked changed.
    if (request.AnswerKind == bgColorKey) {
      data->SetUpdating(true);
      return;
    }
    background = BgInfoFromReply(request);
  }
  const Integer width = windowRect.right - windowRect.left;
  const Integer height = windowRect.bottom - windowRect.top;
  TBitmap& cache = *data->CacheBitmap;
  if (cache.Width() != width || cache.Height() != height) cache.SetSize(width, height);
  TsSkinManager* defaultManager = TsSkinManager::DefaultManager();
  if (dialogMode && defaultManager != nullptr && defaultManager->SkinData.BorderColor != static_cast<Integer>(clSkinNoColor)) {
    TCanvas& canvas = cache.Canvas();
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(clWindow);
    canvas.FillRect(TRect{0, 0, width, height});
    canvas.Brush().SetColor(static_cast<TColor>(defaultManager->SkinData.BorderColor));
    canvas.FrameRect(TRect{0, 0, width, height});
  } else {
    POINT topLeft{windowRect.left, windowRect.top};
    if (parent == nullptr || !ScreenToClient(parent, &topLeft)) return;
    TsSkinManager* manager = data->GetSkinManager();
    if (manager != nullptr && manager->IsValidSkinIndex(data->SectionIndex)) {
      const bool active = data->HostControl != nullptr
                              ? data->IsActive()
                              : data->FocusFlag || data->MouseInside || GetFocus() == window;
      const Integer state = active && IsMultiStateSection(data) ? 1 : 0;
      data->PaintOwnSection(background, true, cache, TPoint{topLeft.x, topLeft.y}, TRect{0, 0, width, height}, state);
    }
  }
  TControl* control = data->HostControl;
  if (auto* edit = dynamic_cast<TCustomEdit*>(control); edit != nullptr && !IsWindowEnabled(window))
    DrawDisabledEditText(*data, *edit, window);
  if (control != nullptr && !control->Enabled()) {
    Byte flags = bwBlend;
    SendSkinCommand(window, scPaintingChild, reinterpret_cast<LPARAM>(&flags));
    BlendWithBackground(PixelViewOf(cache), flags, control->Left(), control->Top(), BgPixelsOf(data->GetParentBg()),
                        static_cast<Integer>(ColorToRGB(control->Color())));
  }
  data->BackgroundDirty = false;
}
