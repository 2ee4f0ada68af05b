// TStatusBar over the system status bar (window class "TStatusBar", a superclass of
// "msctls_statusbar32"), at the bottom of its parent by default. The diary shows one simple panel:
// SimplePanel on, the text in SimpleText. The layer places it (the window does not move itself to the
// parent's bottom edge); a size grip shows when its parent is a sizeable form. Without SimplePanel the
// bar shows its Panels side by side, each Width wide (the last to the end); an owner-drawn panel is
// painted by OnDrawPanel on Canvas.
#pragma once
#include <functional>
#include <memory>
#include <vector>
#include "vcl/gui/WinControl.h"
#include "vcl/rtl/Alignment.h"

enum TStatusPanelStyle { psText = 0, psOwnerDraw = 1 };

struct TStatusPanel {
  AnsiString Text;
  Integer Width = 50;
  TStatusPanelStyle Style = psText;
  TAlignment Alignment = taLeftJustify;
};

class TStatusBar;
using TDrawPanelEvent = std::function<void(TStatusBar* sender, TStatusPanel* panel, const TRect& rect)>;

class TStatusBar : public TWinControl {
 public:
  explicit TStatusBar(TComponent* owner);

  bool SimplePanel() const { return simplePanel_; }
  void SetSimplePanel(bool value);
  const AnsiString& SimpleText() const { return simpleText_; }
  void SetSimpleText(const AnsiString& value);
  bool SizeGrip() const { return sizeGrip_; }
  void SetSizeGrip(bool value);
  // A frame this many pixels wide around the bar, outside its client area, in the bar's Color.
  Integer BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(Integer value);

  int PanelCount() const { return static_cast<int>(panels_.size()); }
  // The panel at the index; EListError outside the list. Changes show after PanelsChanged.
  TStatusPanel& Panels(int index);
  TStatusPanel& AddPanel();
  void PanelsChanged() { ApplyPanels(); }
  // The DC of the panel being drawn; outside a drawing, one that its user sets (SetHandle).
  TCanvas& Canvas() { return *canvas_; }
  TDrawPanelEvent OnDrawPanel;

  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateWnd() override;

 private:
  void ApplyText();
  void ApplyPanels();
  void DrawPanel(DRAWITEMSTRUCT& item);

  bool simplePanel_ = false;
  AnsiString simpleText_;
  bool sizeGrip_ = true;
  Integer borderWidth_ = 0;
  std::vector<TStatusPanel> panels_;
  std::unique_ptr<TControlCanvas> canvas_;
};
