// TskGridWnd: the edit-family adapter of grids, the component layer's and other vendors', whose
// colours it reaches by published property names (FixedColor, TitleFont.Color, GridLineColor,
// SelectionColor, ControlLook.FixedGradientFrom ...): those a grid publishes take the skin's colours
// while the adapter is attached and are given back afterwards; a grid that publishes none keeps its
// colours. A data-aware grid (one with a published "DataSource") dragged by its vertical thumb gets
// the track position as its scroll position. TskGridEhWnd adds another vendor's grid colours (row
// colours, grid line colours, the row detail panel's).
#pragma once
#include <array>
#include "skin/adapters/skSBEditWnd.h"

class TskGridWnd : public TskEditWnd {
 public:
  using TskEditWnd::TskEditWnd;
  void SaveStdLook() override;
  void RestoreStdLook() override;
  void SetSkinParams() override;
  void WndProc(TMessage& message) override;
  bool DropsTheme() const override { return false; }

  // The rows of the colour table: the path of each colour property the adapter looks for.
  static constexpr size_t kColorCount = 20;
  static const std::array<const char*, kColorCount> ColorPaths;

 private:
  // The colour each present property had before skinning; -1 while absent.
  std::array<Integer, kColorCount> saved_{};
};

class TskGridEhWnd : public TskGridWnd {
 public:
  using TskGridWnd::TskGridWnd;
  void SaveStdLook() override;
  void RestoreStdLook() override;
  void SetSkinParams() override;
  void WndProc(TMessage& message) override;

  static constexpr size_t kEhColorCount = 7;
  static const std::array<const char*, kEhColorCount> EhColorPaths;

 private:
  std::array<Integer, kEhColorCount> savedEh_{};
};
