// The title bar component: items of the application's own in a skinned form's title (buttons, drop-down
// menu buttons, tabs, spacers and text fields). The component holds the items and their state and
// answers the mouse; the form's provider adopts it, lays the items out in the title, paints them and
// hit-tests them (codes 2000 + index). Every change asks the form to repaint its title (skin command 62).
#pragma once
#include <functional>
#include <memory>

#include "skin/forms/skTitleBarLayout.h"
#include "vcl/gui/Control.h"
#include "vcl/rtl/Collection.h"
#include "vcl/rtl/Component.h"

class TBitmap;
class TCustomForm;
class TCustomImageList;
class TFont;
class THintWindow;
class TPopupMenu;
class IskFadeOwner;
class TskItemAnimation;
class TskTitleBarItem;
class TsTitleBar;

// The font of an item's caption and how much of it the skin decides.
class TskFontData : public TPersistent {
 public:
  explicit TskFontData(TskTitleBarItem* item);
  ~TskFontData() override;

  TFont& Font() { return *font_; }
  void SetFont(const TFont* value);  // copied without notice
  TColor GlowColor() const { return glowColor_; }
  void SetGlowColor(TColor value);
  Integer GlowSize() const { return glowSize_; }
  void SetGlowSize(Integer value);
  // Index 0 colour, 1 font name, 2 glowing, 3 size, 4 style: the skin's (or the system caption
  // font's) value instead of the Font's.
  bool UseSys(int index) const { return useSys_[index]; }
  void SetUseSys(int index, bool value);
  bool UseSysColor() const { return useSys_[0]; }
  bool UseSysFontName() const { return useSys_[1]; }
  bool UseSysGlowing() const { return useSys_[2]; }
  bool UseSysSize() const { return useSys_[3]; }
  bool UseSysStyle() const { return useSys_[4]; }
  void Assign(const TPersistent* source) override;
  // The glow mask of the caption, kept between paintings.
  std::unique_ptr<TBitmap> GlowCache;

 private:
  void Changed();

  TskTitleBarItem* item_;
  std::unique_ptr<TFont> font_;
  TColor glowColor_ = 0x808080;
  Integer glowSize_ = 0;
  bool useSys_[5] = {true, true, true, true, true};
};

// Paints an item in its state into the rectangle of the target (the provider installs it).
using TskItemPaintHandler = std::function<void(TskTitleBarItem* item, const TRect& rect, TBitmap* target)>;

class TskTitleBarItem : public TCollectionItem {
 public:
  explicit TskTitleBarItem(TCollection* collection);
  ~TskTitleBarItem() override;
  void AfterConstruction() override;
  void Assign(const TPersistent* source) override;

  // ---- published ----
  TskItemAlign Align() const { return align_; }
  void SetAlign(TskItemAlign value);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  const AnsiString& Caption() const { return caption_; }
  void SetCaption(const AnsiString& value);
  TPopupMenu* DropdownMenu = nullptr;
  bool Down() const { return down_; }
  void SetDown(bool value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  TskFontData& FontData() { return *fontData_; }
  TBitmap& Glyph() { return *glyph_; }
  void SetGlyph(const TBitmap* value);  // copied
  Integer Height() const { return height_; }
  void SetHeight(Integer value);
  const AnsiString& Hint() const { return hint_; }
  void SetHint(const AnsiString& value) { hint_ = value; }
  Integer DisabledImageIndex() const { return imageIndexes_[3]; }
  void SetDisabledImageIndex(Integer value) { SetImageIndexOf(3, value); }
  Integer ImageIndex() const { return imageIndexes_[0]; }
  void SetImageIndex(Integer value) { SetImageIndexOf(0, value); }
  Integer HotImageIndex() const { return imageIndexes_[1]; }
  void SetHotImageIndex(Integer value) { SetImageIndexOf(1, value); }
  Integer PressedImageIndex() const { return imageIndexes_[2]; }
  void SetPressedImageIndex(Integer value) { SetImageIndexOf(2, value); }
  const AnsiString& Name() const { return name_; }
  void SetName(const AnsiString& value) { name_ = value; }
  Integer NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(Integer value);
  bool ShowHint = false;
  const AnsiString& SkinSection() const { return skinSection_; }
  void SetSkinSection(const AnsiString& value);
  Integer Spacing() const { return spacing_; }
  void SetSpacing(Integer value);
  TskBtnStyle Style() const { return style_; }
  void SetStyle(TskBtnStyle value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  Integer Width() const { return width_; }
  void SetWidth(Integer value);
  TNotifyEvent OnClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  // ---- the item's state ----
  // Tabs of one group exclude each other.
  Integer GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(Integer value);
  TNotifyEvent OnChange;  // for the owner: the skin section changed
  TskItemSize ContentSize;  // image or glyph plus caption, from the last auto-size
  bool MenuShown = false;
  bool Pressed = false;
  Integer MouseState = 0;  // 0 normal, 1 hot, 2 pressed
  TRect Rect;              // in the picture of the form's window
  TCustomForm* HostForm = nullptr;  // hosts the item instead of the title bar's form
  TskItemPaintHandler PaintHandler;
  // The painter's data of the item (its section, border mask), made when the skin is applied.
  struct TSkinData {
    Integer SectionIndex = -1;
    AnsiString SectionName;
    Integer BorderIndex = -1;
    Integer PaintedState = 0;  // the state the form's picture shows the item in
  };
  std::unique_ptr<TSkinData> SkinData;

  TsTitleBar* TitleBar() const;
  // The state it is painted in: 2 while its menu shows or it is down, else the mouse state.
  Integer State() const { return MenuShown || down_ ? 2 : MouseState; }
  // Recomputes the size (autoSize flag and AutoSize set) and asks the form to repaint its title.
  void Invalidate(bool autoSize);
  void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y);
  void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y);
  void Click();
  // Shows the item's hint (ShowHint, a hint, none shown yet); HideHint frees it.
  void PopupHint();
  void HideHint();
  THintWindow* HintWindow() const { return hintWindow_.get(); }
  // Starts or redirects the item's fading towards a state (10 steps, a press 1) over the owner's
  // picture; nothing new without an owner. State 0 takes the faded picture away at once.
  void StartFade(Integer state, IskFadeOwner* owner, bool fadingIn);
  std::unique_ptr<TskItemAnimation> Animation;

 private:
  void SetImageIndexOf(int which, Integer value);
  void ComputeSize();
  // Set a changed value and invalidate with auto-size.
  template <class T>
  void Store(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Invalidate(true);
  }

  TskItemAlign align_ = tbaLeft;
  bool autoSize_ = true;
  AnsiString caption_;
  bool down_ = false;
  bool enabled_ = true;
  std::unique_ptr<TskFontData> fontData_;
  std::unique_ptr<TBitmap> glyph_;
  Integer height_ = 18;
  AnsiString hint_;
  Integer imageIndexes_[4] = {-1, -1, -1, -1};  // normal, hot, pressed, disabled
  AnsiString name_;
  Integer numGlyphs_ = 1;
  AnsiString skinSection_;
  Integer spacing_ = 4;
  TskBtnStyle style_ = bsButton;
  bool visible_ = true;
  Integer width_ = 22;
  Integer groupIndex_ = 0;
  std::unique_ptr<THintWindow> hintWindow_;
};

class TskTitleItems : public TOwnedCollection {
 public:
  explicit TskTitleItems(TsTitleBar* owner);
  TsTitleBar* TitleBar() const { return titleBar_; }
  TskTitleBarItem* Items(int index) const { return static_cast<TskTitleBarItem*>(TCollection::Items(index)); }

 private:
  TsTitleBar* titleBar_;
};

class TsTitleBar : public TComponent {
 public:
  // EAbort "TsTitleBar component may be used with forms only!" unless the owner is a form.
  explicit TsTitleBar(TComponent* owner);
  ~TsTitleBar() override;

  // ---- published ----
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* value);
  TskTitleItems& Items() { return *items_; }
  void SetItems(const TskTitleItems* value) { items_->Assign(value); }
  Integer ItemsMargin() const { return itemsMargin_; }
  void SetItemsMargin(Integer value) { itemsMargin_ = value; }
  Integer ItemsSpacing() const { return itemsSpacing_; }
  void SetItemsSpacing(Integer value) { itemsSpacing_ = value; }
  bool ShowCaption() const { return showCaption_; }
  void SetShowCaption(bool value);

  TCustomForm* Form() const { return form_; }
  // Once read, auto-sized items are sized again: the margin is read after them.
  void Loaded() override;
  // Skin command 62 (lParam 1) to the form, unless it is being read or has no window.
  void Invalidate();
  // Places the visible items in Area (window coordinates of the form's picture).
  void UpdateLayout();
  // The title area the painter gives the bar.
  TskTitleBarArea Area;
  // The screen position of the picture the items' rectangles are in (set by the painter; unset: the
  // host form's window).
  std::function<TPoint()> PictureOrigin;
  // The summed widths of the visible items per alignment after the last layout.
  Integer AlignedWidth(TskItemAlign align) const { return widths_[align]; }
  // The picture of a menu button drawn by the bar itself: three states side by side, its alpha
  // prepared for blending (nil when the resource is missing).
  TBitmap* MenuButtonImage() const { return menuButton_.get(); }

 private:
  static TComponent* FormOwner(TComponent* owner);

  TCustomForm* form_;
  TCustomImageList* images_ = nullptr;
  std::unique_ptr<TskTitleItems> items_;
  Integer itemsMargin_ = 3;
  Integer itemsSpacing_ = 0;
  bool showCaption_ = false;
  Integer widths_[4] = {0, 0, 0, 0};
  std::unique_ptr<TBitmap> menuButton_;
};

// The definition reader's tables of TsTitleBar, TskTitleBarItem and TskFontData.
void RegisterTitleBarClasses();

// The drop-down picture's alpha as the bar uses it: every pixel other than the key colour 0xFF00FF
// gets alpha 255 - its stored alpha and its colour multiplied by that alpha / 256.
void PrepareMenuButtonPixels(Cardinal* pixels, size_t count);
