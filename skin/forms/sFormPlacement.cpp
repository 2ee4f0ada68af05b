#include "skin/forms/sFormPlacement.h"
#include "skin/forms/sBorderForm.h"
#include "skin/forms/sSkinProvider.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/Geometry.h"

HWND PreviewedWindow = nullptr;

namespace {

constexpr UINT kSkinEditorMessage = 0xA400;
constexpr WPARAM kPreviewShown = 3;
constexpr int kSkinEditorTries = 101;

TskMonitorAreas SystemMonitorAreas(HWND window) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  const HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
  if (monitor == nullptr || !GetMonitorInfoW(monitor, &info)) {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const TRect screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return TskMonitorAreas{screen, FromRECT(work)};
  }
  // The border window's snapping and stretching ask the same work area (and tests replace it there).
  return TskMonitorAreas{FromRECT(info.rcMonitor), BorderWorkAreaSource ? BorderWorkAreaSource(window) : FromRECT(info.rcWork)};
}

TskMonitorSource& MonitorSource() {
  static TskMonitorSource source;
  return source;
}

}  // namespace

TskMonitorSource SetMonitorSource(TskMonitorSource source) {
  TskMonitorSource previous = std::move(MonitorSource());
  MonitorSource() = std::move(source);
  return previous;
}

TskMonitorAreas MonitorAreasOf(HWND window) {
  return MonitorSource() ? MonitorSource()(window) : SystemMonitorAreas(window);
}

TRect FormWorkArea(TCustomForm* form) {
  const HWND window = form != nullptr && form->HandleAllocated() ? form->Handle() : nullptr;
  const TskMonitorAreas areas = MonitorAreasOf(window);
  return form != nullptr && form->FormStyle() == fsStayOnTop ? areas.Bounds : areas.WorkArea;
}

void NotifySkinEditor(HWND window) {
  if (!PreviewFlag || PreviewedWindow != nullptr || window == nullptr) return;
  if (TCustomForm* main = Application != nullptr ? Application->MainForm() : nullptr) {
    if (!main->HandleAllocated() || main->Handle() != window) return;
  }
  PreviewedWindow = window;
  PreviewFlag = false;
  for (int i = 0; i < kSkinEditorTries; ++i) {
    const HWND editor = FindWindowW(nullptr, kSkinEditorTitle);
    if (editor == nullptr) return;
    DWORD_PTR answer = 0;
    const LRESULT sent = SendMessageTimeoutW(editor, kSkinEditorMessage, kPreviewShown, reinterpret_cast<LPARAM>(window),
                                             SMTO_ABORTIFHUNG | SMTO_BLOCK, kSkinEditorTimeoutMs, &answer);
    if (sent == 0 || answer == 1) return;
  }
}
