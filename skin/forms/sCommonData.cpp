#include "skin/forms/sCommonData.h"

#include "skin/manager/sMessages.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/Control.h"
#include "vcl/rtl/AnsiStrings.h"

TsCommonData::TsCommonData(TObject* owner) : HostObject(owner), HostControl(dynamic_cast<TControl*>(owner)) {}

TsCommonData::~TsCommonData() = default;

void TsCommonData::SetSkinSection(const AnsiString& value) {
  skinSection_ = value.empty() ? AnsiString("UNKNOWN") : AnsiUpperCase(value);
  if (GetSkinManager() == nullptr) SectionIndex = -1;
}

bool HandleSkinCommand(TMessage& message, TsCommonData* data) {
  if (data == nullptr || message.Msg != SkinCommandMessage) return false;
  const bool on = SkinSwitchOf(message.WParam) == 1;
  switch (SkinCommandOf(message.WParam)) {
    case scIsSkinned:
      message.Result = 1;
      return true;
    case scSetUpdating:
      data->UpdatingFlag = on;
      return false;
    case scSetUrgentPainting:
      data->UrgentPaint = on;
      return false;
    case scIsUpdating:
      message.Result = data->NeedsRepaint() ? 1 : 0;
      return true;
    case scIsHalfVisible:
      message.Result = data->PartialPaint ? 1 : 0;
      return true;
    case scSetSkinSection:
      if (message.LParam != 0) data->SetSkinSection(reinterpret_cast<const TskSectionInfo*>(message.LParam)->Name);
      return false;
    case scBgChanged:
      data->BackgroundDirty = true;
      return false;
    case scSetHalfVisible:
      data->PartialPaint = true;
      return false;
    case scGetBgColor:
      // A skinned host mixes its section's colour with its parent's; that needs the skin's sections.
      if (data->HostControl == nullptr || data->Skinned()) return false;
      message.Result = static_cast<LRESULT>(ColorToRGB(data->HostControl->Color()));
      return true;
    case scGetSkinIndex:
      if (message.LParam != 0) reinterpret_cast<TskSectionInfo*>(message.LParam)->Index = data->SectionIndex;
      return true;
    case scGetCommonData:
      message.Result = reinterpret_cast<LRESULT>(data);
      return true;
    case scPrintMode:
      if (message.LParam != 0) {
        data->StateBits |= ssPrinting;
      } else {
        data->StateBits &= static_cast<Word>(~ssPrinting);
      }
      data->PrintTarget = reinterpret_cast<HDC>(message.LParam);
      return true;
    default:
      return false;
  }
}

TUpdateLayeredWindow UpdateLayeredWindowFunction() {
  static const TUpdateLayeredWindow function = [] {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 == nullptr ? nullptr
                             : reinterpret_cast<TUpdateLayeredWindow>(
                                   reinterpret_cast<void*>(GetProcAddress(user32, "UpdateLayeredWindow")));
  }();
  return function;
}

bool LayeredWindowsAvailable() { return UpdateLayeredWindowFunction() != nullptr; }
