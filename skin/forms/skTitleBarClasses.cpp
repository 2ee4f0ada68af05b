// The definition reader's tables of the title bar component, its items and their font data.
#include "skin/forms/skTitleBar.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/GraphicsObjects.h"
#include "vcl/gui/ImageList.h"
#include "vcl/gui/PopupMenu.h"
#include "vcl/rtl/PropertyTable.h"

void RegisterTitleBarClasses() {
  static const TIdents<TskItemAlign> aligns = {
      {"tbaLeft", tbaLeft}, {"tbaRight", tbaRight}, {"tbaCenter", tbaCenter}, {"tbaCenterInSpace", tbaCenterInSpace}};
  static const TIdents<TskBtnStyle> styles = {
      {"bsButton", bsButton}, {"bsMenu", bsMenu}, {"bsTab", bsTab}, {"bsSpacing", bsSpacing}, {"bsInfo", bsInfo}};

  RegisterStreamedClass<TskFontData>("TskFontData", [](TPropertyTableOf<TskFontData>& p) {
    p.ObjectProp("Font", &TskFontData::Font);
    p.IntegerProp("GlowColor", &TskFontData::SetGlowColor, ColorIdents());
    p.IntegerProp("GlowSize", &TskFontData::SetGlowSize);
    static constexpr const char* kUseSys[] = {"UseSysColor", "UseSysFontName", "UseSysGlowing", "UseSysSize", "UseSysStyle"};
    for (int i = 0; i < 5; ++i) p.BoolProp(kUseSys[i], [i](TskFontData& d, bool v) { d.SetUseSys(i, v); });
  });
  RegisterStreamedClass<TskTitleBarItem>("TskTitleBarItem", [](TPropertyTableOf<TskTitleBarItem>& p) {
    p.EnumProp("Align", &TskTitleBarItem::SetAlign, aligns);
    p.BoolProp("AutoSize", &TskTitleBarItem::SetAutoSize);
    p.StringProp("Caption", &TskTitleBarItem::SetCaption);
    p.ComponentProp<TPopupMenu>("DropdownMenu", [](TskTitleBarItem& item, TPopupMenu* menu) {
      item.DropdownMenu = menu;
      item.Invalidate(true);  // the arrow widens an auto-sized item
    });
    p.BoolProp("Down", &TskTitleBarItem::SetDown);
    p.BoolProp("Enabled", &TskTitleBarItem::SetEnabled);
    p.ObjectProp("FontData", &TskTitleBarItem::FontData);
    p.IntegerProp("Height", &TskTitleBarItem::SetHeight);
    p.StringProp("Hint", &TskTitleBarItem::SetHint);
    p.IntegerProp("DisabledImageIndex", &TskTitleBarItem::SetDisabledImageIndex);
    p.IntegerProp("ImageIndex", &TskTitleBarItem::SetImageIndex);
    p.IntegerProp("HotImageIndex", &TskTitleBarItem::SetHotImageIndex);
    p.IntegerProp("PressedImageIndex", &TskTitleBarItem::SetPressedImageIndex);
    p.IntegerProp("Index", [](TskTitleBarItem& item, Integer v) { item.SetIndex(v); });
    p.StringProp("Name", &TskTitleBarItem::SetName);
    p.IntegerProp("NumGlyphs", &TskTitleBarItem::SetNumGlyphs);
    p.BoolProp("ShowHint", &TskTitleBarItem::ShowHint);
    p.StringProp("SkinSection", &TskTitleBarItem::SetSkinSection);
    p.IntegerProp("Spacing", &TskTitleBarItem::SetSpacing);
    p.EnumProp("Style", &TskTitleBarItem::SetStyle, styles);
    p.BoolProp("Visible", &TskTitleBarItem::SetVisible);
    p.IntegerProp("Width", &TskTitleBarItem::SetWidth);
    p.EventProp("OnClick", &TskTitleBarItem::OnClick);
    p.EventProp("OnMouseDown", &TskTitleBarItem::OnMouseDown);
    p.EventProp("OnMouseUp", &TskTitleBarItem::OnMouseUp);
    p.EventProp("OnMouseEnter", &TskTitleBarItem::OnMouseEnter);
    p.EventProp("OnMouseLeave", &TskTitleBarItem::OnMouseLeave);
  });
  RegisterStreamedClass<TsTitleBar, TComponent>("TsTitleBar", [](TPropertyTableOf<TsTitleBar>& p) {
    p.ComponentProp("Images", &TsTitleBar::SetImages);
    p.CollectionProp("Items", &TsTitleBar::Items);
    p.IntegerProp("ItemsMargin", &TsTitleBar::SetItemsMargin);
    p.IntegerProp("ItemsSpacing", &TsTitleBar::SetItemsSpacing);
    p.BoolProp("ShowCaption", &TsTitleBar::SetShowCaption);
  });
}
