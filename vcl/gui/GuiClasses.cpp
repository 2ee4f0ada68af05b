#include "vcl/gui/GuiClasses.h"

#include "vcl/gui/ActionList.h"
#include "vcl/gui/Button.h"
#include "vcl/gui/ComboBox.h"
#include "vcl/gui/CustomControl.h"
#include "vcl/gui/DBControlClasses.h"
#include "vcl/gui/Edit.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GraphicControl.h"
#include "vcl/gui/ImageList.h"
#include "vcl/gui/Label.h"
#include "vcl/gui/ListBox.h"
#include "vcl/gui/Memo.h"
#include "vcl/gui/Menus.h"
#include "vcl/gui/MonthCalendar.h"
#include "vcl/gui/Panel.h"
#include "vcl/gui/PopupMenu.h"
#include "vcl/gui/Splitter.h"
#include "vcl/gui/ScrollBar.h"
#include "vcl/gui/StatusBar.h"
#include "vcl/gui/ToolBar.h"
#include "vcl/rtl/PropertyTable.h"

namespace {

const TIdents<TAlign> kAligns = {{"alNone", alNone},   {"alTop", alTop},     {"alBottom", alBottom}, {"alLeft", alLeft},
                                 {"alRight", alRight}, {"alClient", alClient}, {"alCustom", alCustom}};
const TIdents<TAlignment> kAlignments = {
    {"taLeftJustify", taLeftJustify}, {"taRightJustify", taRightJustify}, {"taCenter", taCenter}};
const TIdents<TFormBorderStyle> kBorderStyles = {{"bsNone", bsNone},         {"bsSingle", bsSingle},
                                                 {"bsSizeable", bsSizeable}, {"bsDialog", bsDialog},
                                                 {"bsToolWindow", bsToolWindow}, {"bsSizeToolWin", bsSizeToolWin}};
const TIdents<TFormBorderStyle> kControlBorderStyles = {{"bsNone", bsNone}, {"bsSingle", bsSingle}};
const TIdents<TBorderIcon> kBorderIcons = {
    {"biSystemMenu", biSystemMenu}, {"biMinimize", biMinimize}, {"biMaximize", biMaximize}, {"biHelp", biHelp}};
const TIdents<TPosition> kPositions = {
    {"poDesigned", poDesigned},           {"poDefault", poDefault},         {"poDefaultPosOnly", poDefaultPosOnly},
    {"poDefaultSizeOnly", poDefaultSizeOnly}, {"poScreenCenter", poScreenCenter}, {"poDesktopCenter", poDesktopCenter},
    {"poMainFormCenter", poMainFormCenter}, {"poOwnerFormCenter", poOwnerFormCenter}};
const TIdents<TFormStyle> kFormStyles = {{"fsNormal", fsNormal}, {"fsStayOnTop", fsStayOnTop}};
const TIdents<TWindowState> kWindowStates = {
    {"wsNormal", wsNormal}, {"wsMinimized", wsMinimized}, {"wsMaximized", wsMaximized}};
const TIdents<TFontStyle> kFontStyles = {
    {"fsBold", fsBold}, {"fsItalic", fsItalic}, {"fsUnderline", fsUnderline}, {"fsStrikeOut", fsStrikeOut}};
const TIdents<TFontPitch> kFontPitches = {{"fpDefault", fpDefault}, {"fpVariable", fpVariable}, {"fpFixed", fpFixed}};
const TIdents<TTextLayout> kLayouts = {{"tlTop", tlTop}, {"tlCenter", tlCenter}, {"tlBottom", tlBottom}};
const TIdents<TComboBoxStyle> kComboBoxStyles = {
    {"csDropDown", csDropDown}, {"csSimple", csSimple}, {"csDropDownList", csDropDownList}};
const TIdents<TScrollStyle> kScrollStyles = {
    {"ssNone", ssNone}, {"ssHorizontal", ssHorizontal}, {"ssVertical", ssVertical}, {"ssBoth", ssBoth}};
const TIdents<TToolButtonStyle> kToolButtonStyles = {{"tbsButton", tbsButton},
                                                     {"tbsCheck", tbsCheck},
                                                     {"tbsDropDown", tbsDropDown},
                                                     {"tbsSeparator", tbsSeparator},
                                                     {"tbsDivider", tbsDivider}};
const TIdents<TEdgeBorder> kEdgeBorders = {{"ebLeft", ebLeft}, {"ebTop", ebTop}, {"ebRight", ebRight}, {"ebBottom", ebBottom}};
const TIdents<TScrollBarKind> kScrollBarKinds = {{"sbHorizontal", sbHorizontal}, {"sbVertical", sbVertical}};
const TIdents<TEdgeStyle> kEdgeStyles = {{"esNone", esNone}, {"esRaised", esRaised}, {"esLowered", esLowered}};
const TIdents<TResizeStyle> kResizeStyles = {
    {"rsNone", rsNone}, {"rsLine", rsLine}, {"rsUpdate", rsUpdate}, {"rsPattern", rsPattern}};
const TIdents<TPopupAlignment> kPopupAlignments = {{"paLeft", paLeft}, {"paRight", paRight}, {"paCenter", paCenter}};
const TIdents<TBevelCut> kBevels = {{"bvNone", bvNone}, {"bvLowered", bvLowered}, {"bvRaised", bvRaised}, {"bvSpace", bvSpace}};
const TIdents<Integer> kModalResults = {{"mrNone", mrNone},     {"mrOk", mrOk},       {"mrCancel", mrCancel},
                                        {"mrAbort", mrAbort},   {"mrRetry", mrRetry}, {"mrIgnore", mrIgnore},
                                        {"mrYes", mrYes},       {"mrNo", mrNo},       {"mrAll", mrAll},
                                        {"mrNoToAll", mrNoToAll}, {"mrYesToAll", mrYesToAll}};
const TIdents<Integer> kCursors = {
    {"crDefault", crDefault}, {"crNone", crNone},         {"crArrow", crArrow},       {"crCross", crCross},
    {"crIBeam", crIBeam},     {"crSizeNESW", crSizeNESW}, {"crSizeNS", crSizeNS},     {"crSizeNWSE", crSizeNWSE},
    {"crSizeWE", crSizeWE},   {"crUpArrow", crUpArrow},   {"crHourGlass", crHourGlass}, {"crDrag", crDrag},
    {"crNoDrop", crNoDrop},   {"crHSplit", crHSplit},     {"crVSplit", crVSplit},     {"crMultiDrag", crMultiDrag},
    {"crSQLWait", crSQLWait}, {"crNo", crNo},             {"crAppStart", crAppStart}, {"crHelp", crHelp},
    {"crHandPoint", crHandPoint}, {"crSizeAll", crSizeAll}};

void RegisterParts() {
  RegisterStreamedClass<TFont>("TFont", [](TPropertyTableOf<TFont>& p) {
    p.StringProp("Name", &TFont::SetName);
    p.IntegerProp("Height", &TFont::SetHeight);
    p.IntegerProp("Size", &TFont::SetSize);
    p.SetProp<TFontStyles>("Style", &TFont::SetStyle, kFontStyles);
    p.IntegerProp("Color", &TFont::SetColor, ColorIdents());
    p.OrdGetter("Color", &TFont::Color);
    p.IntegerProp("Charset", [](TFont& f, Integer v) { f.SetCharset(static_cast<Byte>(v)); },
                  {{"ANSI_CHARSET", ANSI_CHARSET}, {"DEFAULT_CHARSET", DEFAULT_CHARSET},
                   {"EASTEUROPE_CHARSET", EASTEUROPE_CHARSET}});
    p.EnumProp("Pitch", &TFont::SetPitch, kFontPitches);
  });
  RegisterStreamedClass<TSizeConstraints>("TSizeConstraints", [](TPropertyTableOf<TSizeConstraints>& p) {
    p.IntegerProp("MinWidth", &TSizeConstraints::SetMinWidth);
    p.IntegerProp("MinHeight", &TSizeConstraints::SetMinHeight);
    p.IntegerProp("MaxWidth", &TSizeConstraints::SetMaxWidth);
    p.IntegerProp("MaxHeight", &TSizeConstraints::SetMaxHeight);
  });
  RegisterStreamedClass<TMargins>("TMargins", [](TPropertyTableOf<TMargins>& p) {
    p.IntegerProp("Left", &TMargins::SetLeft);
    p.IntegerProp("Top", &TMargins::SetTop);
    p.IntegerProp("Right", &TMargins::SetRight);
    p.IntegerProp("Bottom", &TMargins::SetBottom);
  });
  RegisterStreamedClass<TPadding, TMargins>("TPadding");
}

void RegisterControls() {
  if (FindPropertyTable(typeid(TComponent)) == nullptr) {
    RegisterStreamedClass<TComponent>("TComponent",
                                      [](TPropertyTableOf<TComponent>& p) { p.IntegerProp("Tag", &TComponent::SetTag); });
  }
  RegisterStreamedClass<TControl, TComponent>("TControl", [](TPropertyTableOf<TControl>& p) {
    p.IntegerProp("Left", &TControl::SetLeft);
    p.IntegerProp("Top", &TControl::SetTop);
    p.IntegerProp("Width", &TControl::SetWidth);
    p.IntegerProp("Height", &TControl::SetHeight);
    p.IntegerProp("ClientWidth", &TControl::SetClientWidth);
    p.IntegerProp("ClientHeight", &TControl::SetClientHeight);
    p.EnumProp("Align", &TControl::SetAlign, kAligns);
    p.BoolProp("AlignWithMargins", &TControl::SetAlignWithMargins);
    p.ObjectProp("Margins", &TControl::Margins);
    p.ObjectProp("Constraints", &TControl::Constraints);
    p.BoolProp("Visible", &TControl::SetVisible);
    p.BoolProp("Enabled", &TControl::SetEnabled);
    p.IntegerProp("Color", &TControl::SetColor, ColorIdents());
    p.BoolProp("ParentColor", &TControl::SetParentColor);
    p.ObjectProp("Font", &TControl::Font);
    p.BoolProp("ParentFont", &TControl::SetParentFont);
    p.StringProp("Caption", &TControl::SetCaption);
    p.StringProp("Text", &TControl::SetText);
    p.StringProp("Hint", &TControl::SetHint);
    p.BoolProp("ShowHint", &TControl::SetShowHint);
    p.BoolProp("ParentShowHint", &TControl::SetParentShowHint);
    p.ComponentProp("PopupMenu", &TControl::SetPopupMenu);
    p.IntegerProp("Cursor", [](TControl& c, Integer v) { c.SetCursor(static_cast<TCursor>(v)); }, kCursors);
    p.EventProp("OnClick", &TControl::OnClick);
    p.EventProp("OnDblClick", &TControl::OnDblClick);
    p.EventProp("OnResize", &TControl::OnResize);
    p.EventProp("OnMouseEnter", &TControl::OnMouseEnter);
    p.EventProp("OnMouseLeave", &TControl::OnMouseLeave);
    p.EventProp("OnMouseDown", &TControl::OnMouseDown);
    p.EventProp("OnMouseUp", &TControl::OnMouseUp);
    // Read by name by code that treats controls alike (the skin library).
    p.OrdGetter("Left", &TControl::Left);
    p.OrdGetter("Top", &TControl::Top);
    p.OrdGetter("Width", &TControl::Width);
    p.OrdGetter("Height", &TControl::Height);
    p.OrdGetter("Align", &TControl::Align);
    p.OrdGetter("Visible", &TControl::Visible);
    p.OrdGetter("Enabled", &TControl::Enabled);
    p.OrdGetter("Color", &TControl::Color);
    p.OrdGetter("ParentColor", &TControl::ParentColor);
    p.OrdGetter("ParentFont", &TControl::ParentFont);
    p.ComponentGetter("PopupMenu", &TControl::PopupMenu);
    p.EventProp("OnMouseMove", &TControl::OnMouseMove);
  });
  RegisterStreamedClass<TWinControl, TControl>("TWinControl", [](TPropertyTableOf<TWinControl>& p) {
    p.BoolProp("TabStop", &TWinControl::SetTabStop);
    p.OrdGetter("TabStop", &TWinControl::TabStop);
    p.IntegerProp("TabOrder", &TWinControl::SetTabOrder);
    p.ObjectProp("Padding", &TWinControl::Padding);
    p.EventProp("OnEnter", &TWinControl::OnEnter);
    p.EventProp("OnExit", &TWinControl::OnExit);
    p.EventProp("OnKeyDown", &TWinControl::OnKeyDown);
    p.EventProp("OnKeyUp", &TWinControl::OnKeyUp);
    p.EventProp("OnKeyPress", &TWinControl::OnKeyPress);
  });
  RegisterStreamedClass<TCustomControl, TWinControl>("TCustomControl");
  RegisterStreamedClass<TGraphicControl, TControl>("TGraphicControl");
}

void RegisterForms() {
  RegisterStreamedClass<TCustomForm, TWinControl>("TCustomForm", [](TPropertyTableOf<TCustomForm>& p) {
    p.EnumProp("BorderStyle", &TCustomForm::SetBorderStyle, kBorderStyles);
    p.SetProp<TBorderIcons>("BorderIcons", &TCustomForm::SetBorderIcons, kBorderIcons);
    p.EnumProp("FormStyle", &TCustomForm::SetFormStyle, kFormStyles);
    p.EnumProp("Position", &TCustomForm::SetPosition, kPositions);
    p.EnumProp("WindowState", &TCustomForm::SetWindowState, kWindowStates);
    p.BoolProp("KeyPreview", &TCustomForm::SetKeyPreview);
    p.BoolProp("AlphaBlend", &TCustomForm::SetAlphaBlend);
    p.IntegerProp("AlphaBlendValue", [](TCustomForm& f, Integer v) { f.SetAlphaBlendValue(static_cast<Byte>(v)); });
    p.BoolProp("Visible", &TCustomForm::SetFormVisible);
    p.ComponentProp("ActiveControl", &TCustomForm::SetActiveControl);
    p.OrdGetter("BorderStyle", &TCustomForm::BorderStyle);
    p.SetGetter<TBorderIcons>("BorderIcons", &TCustomForm::BorderIcons, kBorderIcons);
    p.OrdGetter("FormStyle", &TCustomForm::FormStyle);
    p.OrdGetter("AlphaBlend", &TCustomForm::AlphaBlend);
    p.OrdGetter("AlphaBlendValue", &TCustomForm::AlphaBlendValue);
    p.OrdGetter("WindowState", &TCustomForm::WindowState);
    p.EventProp("OnCreate", &TCustomForm::OnCreate);
    p.EventProp("OnDestroy", &TCustomForm::OnDestroy);
    p.EventProp("OnShow", &TCustomForm::OnShow);
    p.EventProp("OnHide", &TCustomForm::OnHide);
    p.EventProp("OnActivate", &TCustomForm::OnActivate);
    p.EventProp("OnDeactivate", &TCustomForm::OnDeactivate);
    p.EventProp("OnPaint", &TCustomForm::OnPaint);
    p.EventProp("OnClose", &TCustomForm::OnClose);
    p.EventProp("OnCloseQuery", &TCustomForm::OnCloseQuery);
    p.EventProp("OnShortCut", &TCustomForm::OnShortCut);
  });
  RegisterStreamedClass<TForm, TCustomForm>("TForm");
}

void RegisterStandardControls() {
  RegisterStreamedClass<TButton, TWinControl>("TButton", [](TPropertyTableOf<TButton>& p) {
    p.BoolProp("Cancel", &TButton::SetCancel);
    p.BoolProp("Default", &TButton::SetDefault);
    p.IntegerProp("ModalResult", &TButton::SetModalResult, kModalResults);
  });
  RegisterStreamedClass<TLabel, TGraphicControl>("TLabel", [](TPropertyTableOf<TLabel>& p) {
    p.EnumProp("Alignment", &TLabel::SetAlignment, kAlignments);
    p.EnumProp("Layout", &TLabel::SetLayout, kLayouts);
    p.BoolProp("AutoSize", &TLabel::SetAutoSize);
    p.BoolProp("WordWrap", &TLabel::SetWordWrap);
    p.BoolProp("Transparent", &TLabel::SetTransparent);
    p.BoolProp("ShowAccelChar", &TLabel::SetShowAccelChar);
  });
  RegisterStreamedClass<TCustomEdit, TWinControl>("TCustomEdit", [](TPropertyTableOf<TCustomEdit>& p) {
    p.EnumProp("BorderStyle", &TCustomEdit::SetBorderStyle, kControlBorderStyles);
    p.BoolProp("ReadOnly", &TCustomEdit::SetReadOnly);
    p.IntegerProp("MaxLength", &TCustomEdit::SetMaxLength);
    p.BoolProp("HideSelection", &TCustomEdit::SetHideSelection);
    p.EventProp("OnChange", &TCustomEdit::OnChange);
  });
  RegisterStreamedClass<TEdit, TCustomEdit>("TEdit");
  RegisterStreamedClass<TCustomMemo, TCustomEdit>("TCustomMemo", [](TPropertyTableOf<TCustomMemo>& p) {
    p.StringsProp("Lines", &TCustomMemo::Lines);
    p.EnumProp("ScrollBars", &TCustomMemo::SetScrollBars, kScrollStyles);
    p.BoolProp("WordWrap", &TCustomMemo::SetWordWrap);
    p.EnumProp("Alignment", &TCustomMemo::SetAlignment, kAlignments);
    p.BoolProp("WantReturns", &TCustomMemo::SetWantReturns);
    p.BoolProp("WantTabs", &TCustomMemo::SetWantTabs);
  });
  RegisterStreamedClass<TMemo, TCustomMemo>("TMemo");
  RegisterStreamedClass<TCustomListBox, TWinControl>("TCustomListBox", [](TPropertyTableOf<TCustomListBox>& p) {
    p.StringsProp("Items", &TCustomListBox::Items);
    p.IntegerProp("ItemIndex", &TCustomListBox::SetItemIndex);
    p.EnumProp("BorderStyle", &TCustomListBox::SetBorderStyle, kControlBorderStyles);
    p.OrdGetter("ItemIndex", &TCustomListBox::ItemIndex);
  });
  RegisterStreamedClass<TListBox, TCustomListBox>("TListBox");
  RegisterStreamedClass<TCustomComboBox, TWinControl>("TCustomComboBox", [](TPropertyTableOf<TCustomComboBox>& p) {
    p.EnumProp("Style", &TCustomComboBox::SetStyle, kComboBoxStyles);
    p.StringsProp("Items", &TCustomComboBox::Items);
    p.IntegerProp("ItemIndex", &TCustomComboBox::SetItemIndex);
    p.IntegerProp("DropDownCount", &TCustomComboBox::SetDropDownCount);
    p.OrdGetter("Style", &TCustomComboBox::Style);
    p.OrdGetter("ItemIndex", &TCustomComboBox::ItemIndex);
  });
  RegisterStreamedClass<TComboBox, TCustomComboBox>("TComboBox");
  RegisterStreamedClass<TPanel, TCustomControl>("TPanel", [](TPropertyTableOf<TPanel>& p) {
    p.EnumProp("BevelOuter", &TPanel::SetBevelOuter, kBevels);
    p.EnumProp("BevelInner", &TPanel::SetBevelInner, kBevels);
    p.IntegerProp("BevelWidth", &TPanel::SetBevelWidth);
    p.IntegerProp("BorderWidth", &TPanel::SetBorderWidth);
    p.EnumProp("Alignment", &TPanel::SetAlignment, kAlignments);
    p.BoolProp("ShowCaption", &TPanel::SetShowCaption);
  });
  RegisterStreamedClass<TSplitter, TGraphicControl>("TSplitter", [](TPropertyTableOf<TSplitter>& p) {
    p.IntegerProp("MinSize", &TSplitter::SetMinSize);
    p.BoolProp("AutoSnap", &TSplitter::SetAutoSnap);
    p.EnumProp("ResizeStyle", &TSplitter::SetResizeStyle, kResizeStyles);
    p.BoolProp("Beveled", &TSplitter::SetBeveled);
    p.EventProp("OnMoved", &TSplitter::OnMoved);
    p.EventProp("OnCanResize", &TSplitter::OnCanResize);
  });
  RegisterStreamedClass<TToolBar, TWinControl>("TToolBar", [](TPropertyTableOf<TToolBar>& p) {
    p.IntegerProp("ButtonWidth", &TToolBar::SetButtonWidth);
    p.IntegerProp("ButtonHeight", &TToolBar::SetButtonHeight);
    p.ComponentProp("Images", &TToolBar::SetImages);
    p.ComponentProp("HotImages", &TToolBar::SetHotImages);
    p.BoolProp("Flat", &TToolBar::SetFlat);
    p.SetProp<TEdgeBorders>("EdgeBorders", &TToolBar::SetEdgeBorders, kEdgeBorders);
    p.EnumProp("EdgeInner", &TToolBar::SetEdgeInner, kEdgeStyles);
    p.EnumProp("EdgeOuter", &TToolBar::SetEdgeOuter, kEdgeStyles);
  });
  RegisterStreamedClass<TToolButton, TGraphicControl>("TToolButton", [](TPropertyTableOf<TToolButton>& p) {
    p.EnumProp("Style", &TToolButton::SetStyle, kToolButtonStyles);
    p.IntegerProp("ImageIndex", &TToolButton::SetImageIndex);
    p.BoolProp("Down", &TToolButton::SetDown);
  });
  RegisterStreamedClass<TStatusBar, TWinControl>("TStatusBar", [](TPropertyTableOf<TStatusBar>& p) {
    p.BoolProp("SimplePanel", &TStatusBar::SetSimplePanel);
    p.StringProp("SimpleText", &TStatusBar::SetSimpleText);
    p.BoolProp("SizeGrip", &TStatusBar::SetSizeGrip);
  });
  RegisterStreamedClass<TScrollBar, TWinControl>("TScrollBar", [](TPropertyTableOf<TScrollBar>& p) {
    p.EnumProp("Kind", &TScrollBar::SetKind, kScrollBarKinds);
    p.IntegerProp("Min", &TScrollBar::SetMin);
    p.IntegerProp("Max", &TScrollBar::SetMax);
    p.IntegerProp("PageSize", &TScrollBar::SetPageSize);
    p.IntegerProp("Position", &TScrollBar::SetPosition);
    p.EventProp("OnChange", &TScrollBar::OnChange);
  });
  RegisterStreamedClass<TMonthCalendar, TWinControl>("TMonthCalendar", [](TPropertyTableOf<TMonthCalendar>& p) {
    p.FloatProp("Date", &TMonthCalendar::SetDate);
    p.EventProp("OnChange", &TMonthCalendar::OnChange);
  });
}

void RegisterMenus() {
  RegisterStreamedClass<TMenuItem, TComponent>("TMenuItem", [](TPropertyTableOf<TMenuItem>& p) {
    p.StringProp("Caption", &TMenuItem::SetCaption);
    p.IntegerProp("ShortCut", [](TMenuItem& m, Integer v) { m.SetShortCut(static_cast<TShortCut>(v)); });
    p.IntegerProp("ImageIndex", &TMenuItem::SetImageIndex);
    p.BoolProp("Enabled", &TMenuItem::SetEnabled);
    p.BoolProp("Visible", &TMenuItem::SetVisible);
    p.BoolProp("Checked", &TMenuItem::SetChecked);
    p.BoolProp("RadioItem", &TMenuItem::SetRadioItem);
    p.BoolProp("Default", &TMenuItem::SetDefault);
    p.BoolProp("Break", &TMenuItem::SetBreak);
    p.IntegerProp("GroupIndex", &TMenuItem::SetGroupIndex);
    p.StringProp("Hint", &TMenuItem::SetHint);
    p.EventProp("OnClick", &TMenuItem::OnClick);
  });
  RegisterStreamedClass<TMenu, TComponent>("TMenu", [](TPropertyTableOf<TMenu>& p) {
    p.ComponentProp("Images", &TMenu::SetImages);
    p.BoolProp("OwnerDraw", &TMenu::SetOwnerDraw);
  });
  RegisterStreamedClass<TPopupMenu, TMenu>("TPopupMenu", [](TPropertyTableOf<TPopupMenu>& p) {
    p.EnumProp("Alignment", &TPopupMenu::SetAlignment, kPopupAlignments);
    p.BoolProp("AutoPopup", &TPopupMenu::SetAutoPopup);
    p.EventProp("OnPopup", &TPopupMenu::OnPopup);
  });
}

void RegisterActionsAndImages() {
  RegisterStreamedClass<TCustomImageList, TComponent>("TCustomImageList", [](TPropertyTableOf<TCustomImageList>& p) {
    p.IntegerProp("Width", &TCustomImageList::SetWidth);
    p.IntegerProp("Height", &TCustomImageList::SetHeight);
  });
  RegisterStreamedClass<TImageList, TCustomImageList>("TImageList");
  RegisterStreamedClass<TCustomActionList, TComponent>("TCustomActionList", [](TPropertyTableOf<TCustomActionList>& p) {
    p.ComponentProp("Images", &TCustomActionList::SetImages);
  });
  RegisterStreamedClass<TActionList, TCustomActionList>("TActionList");
  RegisterStreamedClass<TBasicAction, TComponent>("TBasicAction", [](TPropertyTableOf<TBasicAction>& p) {
    p.EventProp("OnExecute", &TBasicAction::OnExecute);
    p.EventProp("OnUpdate", &TBasicAction::OnUpdate);
  });
  RegisterStreamedClass<TContainedAction, TBasicAction>("TContainedAction", [](TPropertyTableOf<TContainedAction>& p) {
    p.StringProp("Category", &TContainedAction::SetCategory);
  });
  RegisterStreamedClass<TCustomAction, TContainedAction>("TCustomAction", [](TPropertyTableOf<TCustomAction>& p) {
    p.StringProp("Caption", &TCustomAction::SetCaption);
    p.StringProp("Hint", &TCustomAction::SetHint);
    p.BoolProp("Enabled", &TCustomAction::SetEnabled);
    p.BoolProp("Visible", &TCustomAction::SetVisible);
    p.BoolProp("Checked", &TCustomAction::SetChecked);
    p.IntegerProp("ImageIndex", &TCustomAction::SetImageIndex);
    p.IntegerProp("ShortCut", [](TCustomAction& a, Integer v) { a.SetShortCut(static_cast<TShortCut>(v)); });
  });
  RegisterStreamedClass<TAction, TCustomAction>("TAction");
}

}  // namespace

void RegisterGuiClasses() {
  RegisterParts();
  RegisterControls();
  RegisterForms();
  RegisterStandardControls();
  RegisterMenus();
  RegisterActionsAndImages();
  RegisterDBControlClasses();
}
