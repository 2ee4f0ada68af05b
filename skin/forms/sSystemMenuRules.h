// Which items of a skinned form's system menu are visible and enabled, from the form's border style,
// border icons and window state. The system menu (and, through its six answers, the title layout and
// the hit test) reads them; pure, so the table is tested natively.
#pragma once
#include "skin/forms/sTitleGeometry.h"

enum class TskWindowState { Normal, Minimized, Maximized };

struct TskSysMenuForm {
  TskTitleBorder Border = TskTitleBorder::Sizeable;
  bool SystemMenu = true, Minimize = true, Maximize = true;  // BorderIcons
  TskWindowState State = TskWindowState::Normal;
  bool Iconic = false, MdiChild = false, MainForm = true;
  bool HasCloseCommand = true;  // the window's own system menu has SC_CLOSE
};

struct TskSysMenuItem {
  bool Visible = false, Enabled = false;
  bool operator==(const TskSysMenuItem&) const = default;
};

struct TskSysMenuState {
  TskSysMenuItem Restore, Move, Size, Minimize, Maximize, Close;
  bool operator==(const TskSysMenuState&) const = default;
};

TskSysMenuState SysMenuItemStates(const TskSysMenuForm& form);
// The skin list starts a new column at every non-zero multiple of 20.
bool SkinItemStartsColumn(int index);
