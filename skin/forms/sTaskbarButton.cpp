#include "skin/forms/sTaskbarButton.h"

#include <commctrl.h>

#include <cstdint>
#include <cstring>

#include "skin/forms/sMinMoveSteps.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Form.h"

namespace {

// 4096 bytes committed in the shell's process, released with the process handle.
class TShellMemory {
 public:
  explicit TShellMemory(DWORD processId) {
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                           FALSE, processId);
    if (process_ != nullptr) block_ = VirtualAllocEx(process_, nullptr, kSize, MEM_COMMIT, PAGE_READWRITE);
  }
  ~TShellMemory() {
    if (block_ != nullptr) VirtualFreeEx(process_, block_, 0, MEM_RELEASE);
    if (process_ != nullptr) CloseHandle(process_);
  }
  TShellMemory(const TShellMemory&) = delete;
  TShellMemory& operator=(const TShellMemory&) = delete;

  bool Ready() const { return block_ != nullptr; }
  HANDLE Process() const { return process_; }
  LPARAM Address() const { return reinterpret_cast<LPARAM>(block_); }
  bool Read(const void* from, void* to, size_t size) const {
    SIZE_T read = 0;
    return ReadProcessMemory(process_, from, to, size, &read) != FALSE && read == size;
  }
  // The shell is a 32-bit process (under WOW64): its records hold 4-byte pointers.
  bool Shell32Bit() const {
    BOOL wow = FALSE;
    return IsWow64Process(process_, &wow) != FALSE && wow != FALSE;
  }

 private:
  static constexpr SIZE_T kSize = 4096;
  HANDLE process_ = nullptr;
  void* block_ = nullptr;
};

// The layout of TBBUTTON in the shell's bitness: the state and style bytes, then (after the padding to
// pointer size) the data pointer.
struct TButtonLayout {
  size_t RecordSize;
  size_t DataOffset;
  size_t PointerSize;
};
constexpr TButtonLayout kLayout32{20, 12, 4};
constexpr TButtonLayout kLayout64{32, 16, 8};
constexpr size_t kStateOffset = 8, kStyleOffset = 9;
constexpr BYTE kSkippedStyles = 0x0D;  // separators, groups and drop-downs hold no application

std::uint64_t PointerAt(const BYTE* bytes, size_t size) {
  std::uint64_t value = 0;
  std::memcpy(&value, bytes, size);  // little-endian: the low bytes first
  return value;
}

HWND FindTaskToolbar() {
  const HWND tray = FindTaskbarWindow();
  const HWND rebar = tray != nullptr ? FindWindowExW(tray, nullptr, L"ReBarWindow32", nullptr) : nullptr;
  const HWND tasks = rebar != nullptr ? FindWindowExW(rebar, nullptr, L"MSTaskSwWClass", nullptr) : nullptr;
  return tasks != nullptr ? FindWindowExW(tasks, nullptr, L"ToolbarWindow32", nullptr) : nullptr;
}

}  // namespace

HWND ApplicationButtonWindow() {
  if (Application == nullptr) return nullptr;
  if (TCustomForm* main = Application->MainForm(); main != nullptr && main->HandleAllocated()) return main->Handle();
  return Application->HandleAllocated() ? Application->Handle() : nullptr;
}

TRect TaskbarButtonRect(HWND window) {
  const HWND toolbar = FindTaskToolbar();
  if (toolbar == nullptr || window == nullptr) return TRect{};
  const LRESULT count = SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0);
  DWORD processId = 0;
  GetWindowThreadProcessId(toolbar, &processId);
  if (count <= 0 || processId == 0) return TRect{};
  TShellMemory memory(processId);
  if (!memory.Ready()) return TRect{};
  const TButtonLayout layout = memory.Shell32Bit() ? kLayout32 : kLayout64;
  const auto wanted = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(window));
  const void* remote = reinterpret_cast<const void*>(memory.Address());
  for (LRESULT i = 0; i < count; ++i) {
    BYTE record[32] = {};
    if (SendMessageW(toolbar, TB_GETBUTTON, static_cast<WPARAM>(i), memory.Address()) == 0) continue;
    if (!memory.Read(remote, record, layout.RecordSize)) continue;
    if ((record[kStyleOffset] & kSkippedStyles) != 0 || (record[kStateOffset] & TBSTATE_HIDDEN) != 0) continue;
    const std::uint64_t data = PointerAt(record + layout.DataOffset, layout.PointerSize);
    BYTE owner[8] = {};
    if (data == 0 || !memory.Read(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(data)), owner, layout.PointerSize))
      continue;
    if (PointerAt(owner, layout.PointerSize) != wanted) continue;
    RECT item{};
    if (SendMessageW(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(i), memory.Address()) == 0 ||
        !memory.Read(remote, &item, sizeof(item)))
      return TRect{};
    RECT bar{};
    GetWindowRect(toolbar, &bar);
    return TRect{item.left + bar.left, item.top + bar.top, item.right + bar.left, item.bottom + bar.top};
  }
  return TRect{};
}

TRect MinimizeTargetRect(const TRect& formRect) {
  const HWND tray = FindTaskbarWindow();
  if (tray == nullptr) return TRect{};
  if (!AeroIsEnabled()) {
    const TRect button = TaskbarButtonRect(ApplicationButtonWindow());
    if (!button.IsEmpty()) return button;
  }
  RECT r{};
  GetWindowRect(tray, &r);
  const TPoint centre{(formRect.Left + formRect.Right) / 2, (formRect.Top + formRect.Bottom) / 2};
  const TPoint p = TaskbarEdgePoint(TRect{r.left, r.top, r.right, r.bottom}, centre);
  return TRect{p.X, p.Y, p.X, p.Y};
}
