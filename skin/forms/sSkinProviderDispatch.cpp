// The form's window procedure while a provider lives: the skin commands answered whether or not the
// form is skinned, the unskinned form's procedure, and the commands of a skinned form. Window messages
// of a skinned form that no handler here claims go to the procedure the form had before.
#include <algorithm>

#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sHideAnimation.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/Label.h"

namespace {

constexpr UINT kRedrawAll = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;

bool OwnManagerIn(const TMessage& message, const TsSkinManager* manager) {
  return manager != nullptr && message.LParam == reinterpret_cast<LPARAM>(manager);
}

}  // namespace

LRESULT TsSkinProvider::SendToSelf(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage message{msg, wParam, lParam, 0};
  FormWndProc(message);
  return message.Result;
}

void TsSkinProvider::CallSavedProc(TMessage& message) {
  if (savedWindowProc_) {
    savedWindowProc_(message);
  } else if (Form != nullptr) {
    Form->WndProc(message);
  }
}

void TsSkinProvider::FormWndProc(TMessage& message) {
  if (message.Msg == SkinCommandMessage && AnswerAlways(message)) return;
  const bool destroying = Form == nullptr || Form->ComponentState().Contains(csDestroying);
  if (destroying || !FormSkinned()) {
    DispatchUnskinned(message);
  } else if (message.Msg == SkinCommandMessage) {
    AnswerSkinned(message);
  } else {
    // The menu messages come before the title's: an MDI frame's menu line answers its own hit codes.
    if (!PaintingMessage(message) && !LifeCycleMessage(message) && !MenuMessage(message) && !TitleMessage(message) &&
        !AdapterMessage(message))
      CallSavedProc(message);
    if (!HideAnimationTakesBorder(message)) FollowBorderWindow(message);
  }
  if (message.Msg == SkinCommandMessage) AdapterAfterCommand(message);
}

// The title's mouse messages: the provider's hit test answers the points of its own title.
bool TsSkinProvider::TitleMessage(TMessage& message) {
  switch (message.Msg) {
    case WM_NCHITTEST: {
      if (RunTimeCreated) {
        RunTimeCreated = false;
        PrepareForm();
      }
      if (CaptionHeight(true) == 0 || !drawNonClientArea_) return false;
      const Integer code = HitTest(message);
      switch (code) {
        case HTNOWHERE: case HTCLIENT: case HTCAPTION: case HTMENU:
        case HTLEFT: case HTRIGHT: case HTTOP: case HTTOPLEFT: case HTTOPRIGHT: case HTBOTTOM: case HTBOTTOMLEFT:
        case HTBOTTOMRIGHT:
          // The grip's corner is the provider's; the system frame answers the rest.
          if (code == HTBOTTOMRIGHT && GripMode == gmRightBottom) break;
          CallSavedProc(message);
          return true;
        default:
          break;
      }
      message.Result = code;
      return true;
    }
    case WM_NCMOUSEMOVE:
      if (Form == nullptr || !Form->Enabled()) return true;
      if (TsSkinManager* manager = Manager()) manager->SetActiveControl(Form);
      NCMouseMove(message);
      return true;
    default:
      return MouseMessage(message);
  }
}

bool TsSkinProvider::AnswerAlways(TMessage& message) {
  const bool destroying = Form == nullptr || Form->ComponentState().Contains(csDestroying);
  switch (SkinCommandOf(message.WParam)) {
    case scNewSkin:
      // The system menu that a first initialisation makes is what tells a form set up.
      if (!destroying && skinData_ != nullptr && SkinSysMenu == nullptr && OwnManagerIn(message, Manager()))
        InitializeSkin();
      return false;
    case scRemoveSkin:
      RemoveSkin(message);
      return true;
    case scIsSkinned:
      message.Result = 1;
      return true;
    case scEndUpdate:
      if (skinData_ != nullptr && (skinData_->StateBits & ssMenuChangePending) != 0) {
        skinData_->StateBits &= static_cast<Word>(~ssMenuChangePending);
        if (Form != nullptr) Form->Perform(CM_MENUCHANGED, 0, 0);
      }
      return false;
    case scFillBgRequest:
      if (!SentFromOtherThread() && message.LParam != 0)
        FillBackground(*reinterpret_cast<TskBgRequest*>(message.LParam));
      return true;
    case scGetStateWord:
      message.Result = skinData_ != nullptr ? skinData_->StateBits : 0;
      return true;
    case scGetApplicationObject:
      message.Result = reinterpret_cast<LRESULT>(Application);
      return true;
    case scGetClientOffsets:
      message.Result = static_cast<LRESULT>(static_cast<DWORD>(MAKELONG(ClientOffsetX(), ClientOffsetY())));
      return true;
    default:
      return false;
  }
}

// Paint mode: the requester's place in the client area moves by the client offsets before the cache is
// copied from there. Otherwise the answer describes the whole picture, so its origin is the client
// area's corner in it.
void TsSkinProvider::FillBackground(TskBgRequest& request) {
  if (skinData_ == nullptr || Form == nullptr) return;
  const bool paint = request.PaintFlag != 0;
  const Integer dx = ClientOffsetX();
  const Integer dy = ClientOffsetY();
  if (paint) {
    request.OffsetX += dx;
    request.OffsetY += dy;
  } else {
    request.OffsetX = request.OffsetY = 0;
  }
  if (Form->OnPaint) {
    request.Bitmap = skinData_->CacheBitmap.get();
    request.OffsetX = dx;
    request.OffsetY = dy;
    request.AnswerKind = bgBitmap;
    return;
  }
  Integer state = 0;
  if (TsSkinManager* manager = Manager(); manager != nullptr && manager->IsValidSkinIndex(skinData_->SectionIndex)) {
    const Integer states = manager->gd[static_cast<size_t>(skinData_->SectionIndex)].States;
    state = std::min<Integer>(DrawnActive ? 1 : 0, states - 1);
  }
  skinData_->FillBgRequest(request, std::max<Integer>(state, 0), Form->HandleAllocated() ? Form->Handle() : nullptr);
  if (paint) return;
  if (request.AnswerKind == bgBitmap && request.Bitmap == nullptr) request.Bitmap = skinData_->CacheBitmap.get();
  request.OffsetX += dx;
  request.OffsetY += dy;
}

void TsSkinProvider::RemoveSkin(TMessage& message) {
  if (Form == nullptr) return;
  if (!OwnManagerIn(message, Manager())) {
    BroadcastToChildControls(Form, message);
    return;
  }
  const bool destroying = Form->ComponentState().Contains(csDestroying);
  if (Form->HandleAllocated()) DisableDwmTransitions(Form->Handle(), false);
  HandleSkinCommand(message, skinData_.get());
  MenuRowCount = TitleSectionIndex = CaptionSectionIndex = -1;
  BroadcastToChildControls(Form, message);
  RemoveAdapter();
  if (destroying) return;
  if (Form->HandleAllocated()) {
    SetSysMenuStyle(false);
    if (Form->BorderStyle() != bsNone && !MDIMenuLoop) SetWindowRgn(Form->Handle(), nullptr, TRUE);
    RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
  }
  for (int i = 0; i < Form->ControlCount(); ++i)
    if (auto* label = dynamic_cast<TLabel*>(Form->Controls(i))) label->Font().SetColor(clWindowText);
  if (UseGlobalColor() && !skinData_->CustomColor) Form->SetColor(clBtnFace);
  skinData_->CacheBitmap.reset();
}

void TsSkinProvider::DispatchUnskinned(TMessage& message) {
  if (message.Msg != SkinCommandMessage) {
    CallSavedProc(message);
    HideAfterWindowPosChanged(*this, message);
    return;
  }
  switch (SkinCommandOf(message.WParam)) {
    case scNewSkin: {
      TsSkinManager* manager = Manager();
      const bool destroying = Form == nullptr || Form->ComponentState().Contains(csDestroying);
      if (destroying || skinData_ == nullptr || !OwnManagerIn(message, manager)) return;
      skinData_->UpdateIndexes();
      TitleSectionIndex = ResolveTitleSection();
      CaptionSectionIndex = manager->GetSkinIndex("CAPTION");
      TallMaxTitle = false;  // needs an extended border window
      SetSysMenuStyle(true);
      skinData_->BackgroundDirty = true;
      MenuRowCount = -1;
      if (useGlobalColor_ && !skinData_->CustomColor && manager->SkinData.Active)
        Form->SetColor(manager->GetGlobalColor());
      if (Form->HandleAllocated()) DisableDwmTransitions(Form->Handle(), drawNonClientArea_);
      return;
    }
    case scGetProvider:
      message.Result = reinterpret_cast<LRESULT>(this);
      return;
    default:
      CallSavedProc(message);
  }
}

void TsSkinProvider::AnswerSkinned(TMessage& message) {
  TsSkinManager* manager = Manager();
  const HWND window = Form->HandleAllocated() ? Form->Handle() : nullptr;
  switch (SkinCommandOf(message.WParam)) {
    case scNewSkin:
      if (!OwnManagerIn(message, manager)) return;
      skinData_->UpdateIndexes();
      TitleSectionIndex = ResolveTitleSection();
      CaptionSectionIndex = manager->GetSkinIndex("CAPTION");
      InitTitleItems();
      SetSysMenuStyle(true);
      skinData_->BackgroundDirty = true;
      MenuRowCount = -1;
      SendToSelf(WM_NCPAINT, 1, 0);
      return;
    case scRefresh:
      if (!OwnManagerIn(message, manager)) return;
      if (Form->Parent() != nullptr && Form->FormStyle() != fsMDIChild)
        skinData_->StateBits &= static_cast<Word>(~ssPlainBackground);
      MenuRowCount = -1;
      if (Form->BorderStyle() != bsNone) RegionRectsChanged = true;
      if (!FormShowing()) return;
      skinData_->BackgroundDirty = true;
      if (!InAnimationProcess && window != nullptr) RedrawWindow(window, nullptr, nullptr, kRedrawAll);
      ApplyGlobalColor();
      skinData_->SetUpdating(false);
      return;
    case scGetProvider:
      message.Result = reinterpret_cast<LRESULT>(this);
      return;
    case scParentUpdated:
      if (skinData_->UpdatingFlag) {
        skinData_->SetUpdating(false);
        if (window != nullptr) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
      }
      return;
    case scSetUpdating:
      skinData_->SetUpdating(SkinSwitchOf(message.WParam) == 1);
      if (skinData_->UpdatingFlag) skinData_->BackgroundDirty = true;
      return;
    case scSetUrgentPainting:
      HandleSkinCommand(message, skinData_.get());
      if (skinData_->UrgentPaint) RepaintFrame();
      return;
    case scIsUpdating:
      message.Result = !InAnimationProcess && skinData_->StateClearOrActive() && skinData_->UpdatingFlag ? 1 : 0;
      return;
    case scBgChanged:
      skinData_->BackgroundDirty = true;
      return;
    case scParentBgNeeded: {
      Integer answer = 0;
      if (manager->IsValidSkinIndex(skinData_->SectionIndex)) {
        const TsGenState& normal = manager->gd[static_cast<size_t>(skinData_->SectionIndex)].Props[0];
        answer = normal.GradientPercent + normal.ImagePercent > 0 ? 1 : 0;
      }
      message.LParam = answer;
      message.Result = answer;
      return;
    }
    case scGetBgColor:
      message.Result = static_cast<LRESULT>(static_cast<Cardinal>(skinData_->GetBgColor(0, window)));
      return;
    case scMouseLeave:
      HotHitTest = -1;
      return;
    case scScrollBegin:
      if (skinData_->ParentBgState() == 1 && window != nullptr) SendMessageW(window, WM_SETREDRAW, 0, 0);
      return;
    case scScrollEnd:
      if (skinData_->ParentBgState() == 1 && window != nullptr) {
        SendMessageW(window, WM_SETREDRAW, 1, 0);
        RedrawWindow(window, nullptr, nullptr, kRedrawAll);
      }
      return;
    case scTitleChanged:
      if (message.LParam == 1) skinData_->BackgroundDirty = true;
      RepaintFrame();
      return;
    default:
      return;  // the other commands end here, their Result as the sender set it
  }
}
