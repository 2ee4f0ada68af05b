// TToolBar over the system tool bar (window class "TToolBar", a superclass of "ToolbarWindow32") and
// its TToolButtons. The buttons are controls of their own (hint, image index, enabled and visible
// state, OnClick, a definition's child objects) whose bounds follow the native buttons; the window draws
// them with the tool bar's image list, greyed while the button or the whole tool bar is disabled.
// Separators are Width pixels wide (8 unless set); with ShowCaptions the buttons show their Caption. The hints are the application's: moving the mouse
// over a button shows that button's Hint. EdgeBorders draw 3-D edges on the chosen sides outside the
// client area (one pixel for each of EdgeInner and EdgeOuter that is not esNone). The system's custom
// draw reaches OnAdvancedCustomDraw (the bar) and OnAdvancedCustomDrawButton (each button) with Canvas
// on the DC being painted. A drop-down button's click shows its DropdownMenu below it; when the menu
// has closed the bar posts itself CN_DROPDOWNCLOSED. Each native button carries its TToolButton in
// its data (TBBUTTON.dwData).
#pragma once
#include <functional>
#include <memory>
#include <vector>
#include "vcl/gui/GraphicControl.h"
#include "vcl/gui/WinControl.h"
#include "vcl/rtl/Set.h"

class TToolBar;
class TToolButton;
class TCustomImageList;
class TPopupMenu;

enum TToolButtonStyle { tbsButton = 0, tbsCheck = 1, tbsDropDown = 2, tbsSeparator = 3, tbsDivider = 4 };
enum TEdgeBorder { ebLeft = 0, ebTop = 1, ebRight = 2, ebBottom = 3 };
using TEdgeBorders = TSet<TEdgeBorder, 4>;
enum TEdgeStyle { esNone = 0, esRaised = 1, esLowered = 2 };

// Stages of the system's custom draw as the events see them.
enum TCustomDrawStage { cdPrePaint = 0, cdPostPaint = 1, cdPreErase = 2, cdPostErase = 3 };
// An item's CDIS_* bits (selected 1, disabled 4, checked 8, hot 0x40 ...).
using TCustomDrawState = Cardinal;
// defaultDraw false: the system draws nothing more of the bar (of the button) in that stage.
using TTBAdvancedCustomDrawEvent =
    std::function<void(TToolBar* sender, const TRect& rect, TCustomDrawStage stage, bool& defaultDraw)>;
// flags: TBCDRF_* bits the system then draws the button with.
using TTBAdvancedCustomDrawBtnEvent = std::function<void(TToolBar* sender, TToolButton* button, TCustomDrawState state,
                                                         TCustomDrawStage stage, Cardinal& flags, bool& defaultDraw)>;

class TToolButton : public TGraphicControl {
 public:
  explicit TToolButton(TComponent* owner);

  TToolButtonStyle Style() const { return style_; }
  void SetStyle(TToolButtonStyle value);
  bool IsSeparator() const { return style_ == tbsSeparator || style_ == tbsDivider; }
  Integer ImageIndex() const { return imageIndex_; }
  void SetImageIndex(Integer value);
  // A check button's pressed state.
  bool Down();
  void SetDown(bool value);
  // Highlighted by the application (shown pressed), and neither up nor down (shown pressed and faded).
  bool Marked() const { return marked_; }
  void SetMarked(bool value);
  bool Indeterminate() const { return indeterminate_; }
  void SetIndeterminate(bool value);
  // The menu a drop-down button shows below itself when clicked (nil: none).
  TPopupMenu* DropdownMenu() const { return dropdownMenu_; }
  void SetDropdownMenu(TPopupMenu* value);
  void Notification(TComponent* component, TOperation operation) override;
  // The tool bar the button is on (its parent), or nil.
  TToolBar* ToolBar() const;
  // The position among the tool bar's buttons; -1 off a tool bar.
  int Index() const;

  // The width of a separator; other buttons take the tool bar's ButtonWidth.
  void SetBounds(Integer left, Integer top, Integer width, Integer height) override;
  void WndProc(TMessage& message) override;

 private:
  friend class TToolBar;
  TToolButtonStyle style_ = tbsButton;
  Integer imageIndex_ = -1;
  bool down_ = false;
  bool marked_ = false;
  bool indeterminate_ = false;
  TPopupMenu* dropdownMenu_ = nullptr;
  Integer separatorWidth_ = 8;
  int command_ = 0;  // the native button's command, given by the tool bar
};

class TToolBar : public TWinControl {
 public:
  explicit TToolBar(TComponent* owner);
  ~TToolBar() override;

  int ButtonCount() const { return static_cast<int>(buttons_.size()); }
  TToolButton* Buttons(int index) const;  // EListError outside the list
  Integer ButtonWidth() const { return buttonWidth_; }
  void SetButtonWidth(Integer value);
  Integer ButtonHeight() const { return buttonHeight_; }
  void SetButtonHeight(Integer value);
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* value);
  // The images shown while the mouse is over a button (nil: the normal images).
  TCustomImageList* HotImages() const { return hotImages_; }
  void SetHotImages(TCustomImageList* value);
  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  // The buttons' captions shown: below the images, or right of them when List is set.
  bool ShowCaptions() const { return showCaptions_; }
  void SetShowCaptions(bool value);
  bool List() const { return list_; }
  void SetList(bool value);
  TEdgeBorders EdgeBorders() const { return edgeBorders_; }
  void SetEdgeBorders(TEdgeBorders value);
  TEdgeStyle EdgeInner() const { return edgeInner_; }
  void SetEdgeInner(TEdgeStyle value);
  TEdgeStyle EdgeOuter() const { return edgeOuter_; }
  void SetEdgeOuter(TEdgeStyle value);

  // The DC of the custom draw in progress; outside it, one that its user sets (SetHandle) or the
  // window's own.
  TCanvas& Canvas() { return *canvas_; }
  TTBAdvancedCustomDrawEvent OnAdvancedCustomDraw;
  TTBAdvancedCustomDrawBtnEvent OnAdvancedCustomDrawButton;

  TRect ClientRect() override;
  void WndProc(TMessage& message) override;
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateWnd() override;

 private:
  friend class TToolButton;
  Integer EdgeSize() const;
  TToolButton* ButtonAt(TPoint p) const;
  TToolButton* ButtonOfCommand(int command) const;
  BYTE ButtonState(const TToolButton* button);
  // Puts every button into the window again and lays the buttons out.
  void ButtonsChanged();
  void UpdateButtonState(TToolButton* button);
  void UpdateButtonStates();
  void LayOutButtons();
  void ApplyImagesAndSize();
  void PaintEdges();
  LRESULT CustomDraw(NMTBCUSTOMDRAW& draw);
  void DropDown(int command);

  std::vector<TToolButton*> buttons_;
  std::unique_ptr<TControlCanvas> canvas_;
  int nextCommand_ = 1;
  Integer buttonWidth_ = 23;
  Integer buttonHeight_ = 22;
  TCustomImageList* images_ = nullptr;
  TCustomImageList* hotImages_ = nullptr;
  bool flat_ = false;
  bool showCaptions_ = false;
  bool list_ = false;
  TEdgeBorders edgeBorders_{ebTop};
  TEdgeStyle edgeInner_ = esRaised;
  TEdgeStyle edgeOuter_ = esLowered;
};
