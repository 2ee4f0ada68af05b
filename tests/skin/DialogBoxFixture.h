// A real message box under the skinned dialog adapter: a test CBT hook attaches the adapter when the
// box activates, the checks run from a timer inside the box's modal loop, and the box is then closed
// (unless the checks closed it). The skin gives the dialog plain colours per state.
#pragma once
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "SkinFixture.h"
#include "skin/adapters/skDialogWnd.h"

namespace skintest {

// Solid colours of the close glyph's normal, hot and pressed images.
inline constexpr uint32_t kCloseColors[3] = {0xFFC01010u, 0xFF10C010u, 0xFF1010C0u};

inline constexpr uint32_t kCloseAloneColor = 0xFF20A0A0u;

struct TBoxRun {
  std::function<void(HWND)> Prepare;         // before the adapter is made
  std::function<void(TskDialogWnd&)> Check;  // while the box is up
  TskDialogWnd* Adapter = nullptr;
  HHOOK Hook = nullptr;
  bool Checked = false;
};
inline TBoxRun* CurrentRun = nullptr;

inline void CALLBACK CheckTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  TBoxRun& run = *CurrentRun;
  if (run.Adapter != nullptr && !run.Checked) {
    run.Checked = true;
    const HWND box = run.Adapter->Window;
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    run.Check(*run.Adapter);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  }
}

inline LRESULT CALLBACK BoxHook(int code, WPARAM wParam, LPARAM lParam) {
  TBoxRun& run = *CurrentRun;
  if (code == HCBT_ACTIVATE && run.Adapter == nullptr) {
    const auto window = reinterpret_cast<HWND>(wParam);
    wchar_t cls[16]{};
    GetClassNameW(window, cls, 16);
    if (lstrcmpW(cls, L"#32770") == 0) {
      if (run.Prepare) run.Prepare(window);
      run.Adapter = CreateDialogAdapter(window);
      SetTimer(nullptr, 0, 50, CheckTimer);
    }
  }
  return CallNextHookEx(run.Hook, code, wParam, lParam);
}

class DialogAdapterTest : public SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    if (HasFatalFailure()) return;
    TskMaskValue shape;
    shape.Form = TskMaskForm::Glyph;
    shape.Count = 3;
    TskMaskValue border;
    border.Form = TskMaskForm::Borders;
    border.Count = 2;
    border.WL = border.WT = border.WR = border.WB = 4;
    TSkinVariant variant;
    // A frame whose corners have two key-colour pixels each (left out of the region).
    variant.AddMask("DIALOG", "BORDERSMASK", border, 12, 12, [](int x, int y, int) {
      const bool corner = (x < 2 || x >= 10) && (y == 0 || y == 11);
      return corner ? 0xFFFF00FFu : 0xFF404040u;
    });
    // A plain title: one colour per state, no gradient.
    variant.Set("DIALOGTITLE", "GRADIENTPERCENT", 0).Set("DIALOGTITLE", "HOTGRADIENTPERCENT", 0)
        .Set("DIALOGTITLE", "IMAGEPERCENT", 0).Set("DIALOGTITLE", "HOTIMAGEPERCENT", 0)
        .Set("DIALOGTITLE", "TRANSPARENCY", 0).Set("DIALOGTITLE", "HOTTRANSPARENCY", 0)
        .Set("DIALOGTITLE", "COLOR", 0x605040).Set("DIALOGTITLE", "HOTCOLOR", 0x804020)
        .Set("DIALOGTITLE", "FONTCOLOR", 0xA0A0A0).Set("DIALOGTITLE", "HOTFONTCOLOR", 0xFFFFFF)
        .AddMask("GLOBALINFO", "SICONCLOSE", shape, 17, 15, [](int, int, int state) { return kCloseColors[state]; })
        .AddMask("GLOBALINFO", "BICLOSEALONE", shape, 25, 17, [](int, int, int) { return kCloseAloneColor; });
    LoadVariant(variant);
  }

  // Shows a message box of the type with the adapter attached; check runs while it is up. Answers the
  // box's answer.
  int RunBox(const std::function<void(TskDialogWnd&)>& check, const std::function<void(HWND)>& prepare = {},
             UINT type = MB_OK | MB_ICONQUESTION) {
    TBoxRun run;
    run.Check = check;
    run.Prepare = prepare;
    CurrentRun = &run;
    run.Hook = SetWindowsHookExW(WH_CBT, BoxHook, nullptr, GetCurrentThreadId());
    if (run.Hook == nullptr) {
      ADD_FAILURE() << "no hook";
      return 0;
    }
    const int answer = MessageBoxW(nullptr, L"Biztosan t\u00f6rli a bejegyz\u00e9st?", L"Meger\u0151s\u00edt\u00e9s", type);
    UnhookWindowsHookEx(run.Hook);
    CurrentRun = nullptr;
    EXPECT_TRUE(run.Checked) << "the message box never got its adapter";
    TskMainWnd* adapter = run.Adapter;
    FreeAdapter(adapter);
    return answer;
  }

  Cardinal TitleColor(int state) const {
    return ColorToRGB(static_cast<TColor>(SectionData("DIALOGTITLE").Props[static_cast<size_t>(state)].Color));
  }
  Cardinal TitleFontColor(int state) const {
    return ColorToRGB(static_cast<TColor>(SectionData("DIALOGTITLE").Props[static_cast<size_t>(state)].TextColor));
  }
};

// The screen point of a point in the window's coordinates.
inline LPARAM ScreenPoint(HWND window, int x, int y) {
  RECT r{};
  GetWindowRect(window, &r);
  return MAKELPARAM(r.left + x, r.top + y);
}

// A modeless dialog (class "#32770") of the style, made from a template in memory; the procedure
// handles nothing unless one is given.
inline HWND MakeDialog(DWORD style, DLGPROC proc = nullptr) {
  struct {
    DLGTEMPLATE t;
    WORD menu, cls;
    wchar_t title[8];
  } tpl{};
  tpl.t.style = style;
  tpl.t.cx = 160;
  tpl.t.cy = 80;
  lstrcpyW(tpl.title, L"Napl\u00f3");
  if (proc == nullptr) proc = [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; };
  return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &tpl.t, nullptr, proc, 0);
}

}  // namespace skintest
