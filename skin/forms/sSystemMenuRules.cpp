#include "skin/forms/sSystemMenuRules.h"

namespace {
constexpr int kSkinsPerColumn = 20;
}

TskSysMenuState SysMenuItemStates(const TskSysMenuForm& f) {
  const bool framed = f.Border == TskTitleBorder::Single || f.Border == TskTitleBorder::Sizeable;
  const bool sizing = f.MdiChild || (f.Border != TskTitleBorder::None && f.Border != TskTitleBorder::Dialog &&
                                     f.Border != TskTitleBorder::ToolWindow);
  TskSysMenuState s;
  s.Restore = {f.SystemMenu && (f.MdiChild || framed),
               (f.Maximize && f.State != TskWindowState::Normal) || f.State == TskWindowState::Minimized};
  s.Move = {true, f.State != TskWindowState::Maximized};
  s.Size = {sizing, f.Border != TskTitleBorder::Single && !f.Iconic};
  s.Minimize = {f.SystemMenu && (f.Iconic || f.MdiChild || (framed && f.Minimize)),
                f.Minimize && (!f.Iconic || f.MainForm)};
  s.Maximize = {f.SystemMenu && (f.Iconic || f.MdiChild || (framed && f.Maximize)),
                (f.MdiChild || framed) && f.Maximize};
  s.Close = {f.SystemMenu && f.HasCloseCommand, true};
  return s;
}

bool SkinItemStartsColumn(int index) { return index > 0 && index % kSkinsPerColumn == 0; }
