// The edit-family adapters of trees: TskTreeViewWnd for the system's tree views ("SysTreeView32"),
// whose background takes the section's colour (the window colour in dialog mode) and gets the window
// colour back when the skin goes; and TskVirtualTreeViewWnd for another vendor's virtual tree, whose
// colours it reaches by published property names ("VETColors", "PaintInfoColumn", "Header").
#pragma once
#include <array>
#include "skin/adapters/skSBEditWnd.h"

class TskTreeViewWnd : public TskEditWnd {
 public:
  using TskEditWnd::TskEditWnd;
  void RestoreStdLook() override;
  void SetSkinParams() override;
  void WndProc(TMessage& message) override;
  // The background colour the adapter gives the tree.
  TColor TreeColor() const { return treeColor_; }

 private:
  TColor treeColor_ = clNone;
};

class TskVirtualTreeViewWnd : public TskEditWnd {
 public:
  using TskEditWnd::TskEditWnd;
  void SaveStdLook() override;
  void RestoreStdLook() override;
  void SetSkinParams() override;
  void WndProc(TMessage& message) override;
  bool DropsTheme() const override { return false; }

  // The colours of "VETColors" the adapter sets to the section's font colour.
  static const std::array<const char*, 3> TextColorPaths;

 private:
  void NCPaint(TMessage& message);
  std::array<Integer, 3> savedTextColors_{-1, -1, -1};
  bool headerOwnerDraw_ = false;
};
