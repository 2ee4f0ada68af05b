// What a form's skin provider publishes for its title: the caption icon, the user title buttons and a
// second text painted beside the caption. These objects only hold settings and tell their provider
// when the frame must be painted again; the frame painter reads them.
#pragma once
#include <memory>
#include "skin/forms/sTitleButtonAnim.h"
#include "vcl/gui/Control.h"
#include "vcl/rtl/Collection.h"

class TBitmap;
class TCustomForm;
class TFont;
class THintWindow;
class TsSkinProvider;

// The glyph and size of the caption icon (0 x 0: the form's own icon at the system's small size).
class TsTitleIcon : public TPersistent {
 public:
  explicit TsTitleIcon(TsSkinProvider* provider);
  ~TsTitleIcon() override;

  TBitmap& Glyph() { return *glyph_; }
  void SetGlyph(const TBitmap* value);  // copied
  Integer Height() const { return height_; }
  void SetHeight(Integer value) { height_ = value; }
  Integer Width() const { return width_; }
  void SetWidth(Integer value) { width_ = value; }
  bool Visible() const { return visible_; }
  // Repaints the provider's frame unless the provider is being read or designed.
  void SetVisible(bool value);

 private:
  TsSkinProvider* provider_;
  std::unique_ptr<TBitmap> glyph_;
  Integer height_ = 0;
  Integer width_ = 0;
  bool visible_ = true;
};

class TsTitleButtons;

// A button of the user's in the title bar.
class TsTitleButton : public TCollectionItem {
 public:
  explicit TsTitleButton(TCollection* collection);
  ~TsTitleButton() override;
  void AfterConstruction() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  TBitmap& Glyph() { return *glyph_; }
  void SetGlyph(const TBitmap* value);  // copied
  const AnsiString& Hint() const { return hint_; }
  void SetHint(const AnsiString& value) { hint_ = value; }
  const AnsiString& Name() const { return name_; }
  void SetName(const AnsiString& value) { name_ = value; }
  bool UseSkinData() const { return useSkinData_; }
  void SetUseSkinData(bool value) { useSkinData_ = value; }
  bool Visible() const { return visible_; }
  // Repaints the provider's frame.
  void SetVisible(bool value);
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;

  // Everything but Visible.
  void Assign(const TPersistent* source) override;
  AnsiString DisplayName() const override { return name_; }
  void SetDisplayName(const AnsiString& value) override { name_ = value; }
  void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y);
  void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y);
  // The hint at the cursor (a non-empty Hint, none shown yet), kept inside the form's work area;
  // HideHint frees it.
  void ShowHint(TCustomForm* form);
  void HideHint();
  THintWindow* HintWindow() const { return hintWindow_.get(); }

  // The skin mask of the button's image, -1 none (set when the provider prepares the form).
  Integer MaskIndex = -1;
  // The button's state, place and fading as the provider's painter keeps them.
  TskSysButtonData Data;

 private:
  TsSkinProvider* Provider() const;

  bool enabled_ = true;
  std::unique_ptr<TBitmap> glyph_;
  AnsiString hint_;
  AnsiString name_;
  bool useSkinData_ = true;
  bool visible_ = true;
  std::unique_ptr<THintWindow> hintWindow_;
};

class TsTitleButtons : public TOwnedCollection {
 public:
  explicit TsTitleButtons(TsSkinProvider* provider);
  TsSkinProvider* Provider() const { return provider_; }
  TsTitleButton* Items(int index) const { return static_cast<TsTitleButton*>(TCollection::Items(index)); }

 private:
  TsSkinProvider* provider_;
};

// A second text in the title, in its own font (its colour clNone: the caption's colour).
class TskAddedTitle : public TPersistent {
 public:
  explicit TskAddedTitle(TsSkinProvider* provider);
  ~TskAddedTitle() override;

  TFont& Font() { return *font_; }
  const AnsiString& Text() const { return text_; }
  void SetText(const AnsiString& value);
  bool ShowMainCaption() const { return showMainCaption_; }
  void SetShowMainCaption(bool value);

 private:
  // Every change repaints the provider's frame unless the provider is being read.
  void Changed();

  TsSkinProvider* provider_;
  std::unique_ptr<TFont> font_;
  AnsiString text_;
  bool showMainCaption_ = true;
};
