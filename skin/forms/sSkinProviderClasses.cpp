// The definition reader's tables of the form skin provider and the objects it publishes.
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/skTitleBar.h"
#include "vcl/gui/GraphicsObjects.h"
#include "vcl/rtl/PropertyTable.h"

void RegisterSkinProviderClasses() {
  static const TIdents<TAlignment> alignments = {
      {"taLeftJustify", taLeftJustify}, {"taRightJustify", taRightJustify}, {"taCenter", taCenter}};
  static const TIdents<TsGripMode> grips = {{"gmNone", gmNone}, {"gmRightBottom", gmRightBottom}};
  static const TIdents<TsResizeMode> resizes = {{"rmStandard", rmStandard}, {"rmBorder", rmBorder}};

  // The skin state as a host publishes it: its section and whether it keeps its own colour and font.
  RegisterStreamedClass<TsCommonData>("TsCommonData", [](TPropertyTableOf<TsCommonData>& p) {
    p.StringProp("SkinSection", &TsCommonData::SetSkinSection);
    p.BoolProp("CustomColor", &TsCommonData::SetCustomColor);
    p.BoolProp("CustomFont", &TsCommonData::SetCustomFont);
  });
  RegisterStreamedClass<TsTitleIcon>("TsTitleIcon", [](TPropertyTableOf<TsTitleIcon>& p) {
    p.IntegerProp("Height", &TsTitleIcon::SetHeight);
    p.IntegerProp("Width", &TsTitleIcon::SetWidth);
    p.BoolProp("Visible", &TsTitleIcon::SetVisible);
  });
  RegisterStreamedClass<TsTitleButton>("TsTitleButton", [](TPropertyTableOf<TsTitleButton>& p) {
    p.BoolProp("Enabled", &TsTitleButton::SetEnabled);
    p.StringProp("Hint", &TsTitleButton::SetHint);
    p.StringProp("Name", &TsTitleButton::SetName);
    p.BoolProp("UseSkinData", &TsTitleButton::SetUseSkinData);
    p.BoolProp("Visible", &TsTitleButton::SetVisible);
    p.EventProp("OnMouseDown", &TsTitleButton::OnMouseDown);
    p.EventProp("OnMouseUp", &TsTitleButton::OnMouseUp);
  });
  RegisterStreamedClass<TskAddedTitle>("TskAddedTitle", [](TPropertyTableOf<TskAddedTitle>& p) {
    p.ObjectProp("Font", &TskAddedTitle::Font);
    p.StringProp("Text", &TskAddedTitle::SetText);
    p.BoolProp("ShowMainCaption", &TskAddedTitle::SetShowMainCaption);
  });
  RegisterStreamedClass<TsSkinProvider, TComponent>("TsSkinProvider", [](TPropertyTableOf<TsSkinProvider>& p) {
    p.ObjectProp("AddedTitle", &TsSkinProvider::AddedTitle);
    p.BoolProp("AllowAnimation", [](TsSkinProvider& s, bool v) { s.AllowAnimation = v; });
    p.BoolProp("AllowExtBorders", &TsSkinProvider::SetAllowExtBorders);
    p.BoolProp("AllowBlendOnMoving", [](TsSkinProvider& s, bool v) { s.AllowBlendOnMoving = v; });
    p.EnumProp("CaptionAlignment", &TsSkinProvider::SetCaptionAlignment, alignments);
    p.BoolProp("DrawNonClientArea", &TsSkinProvider::SetDrawNonClientArea);
    p.BoolProp("DrawClientArea", [](TsSkinProvider& s, bool v) { s.DrawClientArea = v; });
    p.ObjectProp("SkinData", &TsSkinProvider::SkinData);
    p.EnumProp("GripMode", [](TsSkinProvider& s, TsGripMode v) { s.GripMode = v; }, grips);
    p.BoolProp("MakeSkinMenu", [](TsSkinProvider& s, bool v) { s.MakeSkinMenu = v; });
    p.StringProp("MenuLineSkin", &TsSkinProvider::SetMenuLineSkin);
    p.EnumProp("ResizeMode", [](TsSkinProvider& s, TsResizeMode v) { s.ResizeMode = v; }, resizes);
    p.BoolProp("ScreenSnap", [](TsSkinProvider& s, bool v) { s.ScreenSnap = v; });
    p.IntegerProp("SnapBuffer", [](TsSkinProvider& s, Integer v) { s.SnapBuffer = v; });
    p.BoolProp("ShowAppIcon", &TsSkinProvider::SetShowAppIcon);
    p.CollectionProp("TitleButtons", &TsSkinProvider::TitleButtons);
    p.ObjectProp("TitleIcon", &TsSkinProvider::TitleIcon);
    p.StringProp("TitleSkin", &TsSkinProvider::SetTitleSkin);
    p.ComponentProp("TitleBar", &TsSkinProvider::SetTitleBar);
    p.BoolProp("UseGlobalColor", &TsSkinProvider::SetUseGlobalColor);
    p.EventProp("OnAfterAnimation", &TsSkinProvider::OnAfterAnimation);
  });
}
