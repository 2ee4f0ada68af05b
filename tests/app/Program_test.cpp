// The program qnt itself, started as separate processes: a second start ends at once with exit code 0
// and brings the running copy to the front, and a damaged or foreign single-instance record harms
// neither copy.
#include <gtest/gtest.h>

#include <string>

#include "DiaryDriver.h"
#include "ProcessSupport.h"
#include "app/InstCtrl.h"

namespace {

// The program runs from a copy in a folder of the test's own: its data folder, made beside the
// program, never lands in the build tree (where tools/run keeps the diary it shows).
std::wstring ProgramExe() {
  static const diarytest::DiaryFolder folder;
  return folder.Exe();
}

constexpr DWORD kStartMs = 30000;  // a first start under Wine may be slow
constexpr DWORD kEndMs = 15000;

// A window of the test that holds the foreground before a later copy starts, and counts the
// messages of the single-instance protocol that reach it.
class ForegroundWindow {
 public:
  ForegroundWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QnProgramTestWindow";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, wc.lpszClassName, L"test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                              nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~ForegroundWindow() { DestroyWindow(window_); }
  ForegroundWindow(const ForegroundWindow&) = delete;
  ForegroundWindow& operator=(const ForegroundWindow&) = delete;

  HWND Handle() const { return window_; }
  bool TakeForeground() {
    SetForegroundWindow(window_);
    return apptest::WaitUntil([&] { return GetForegroundWindow() == window_; }, 5000);
  }
  int ProtocolMessages() const { return protocolMessages_; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ForegroundWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && (msg == kInstanceHandOverMessage || msg == InstanceBringToFrontMessage())) {
      ++self->protocolMessages_;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
  }
  HWND window_ = nullptr;
  int protocolMessages_ = 0;
};

// A running first copy of the program with its main window up.
struct FirstCopy {
  FirstCopy() : process(ProgramExe()) {
    if (process.Started()) {
      apptest::WaitUntil([&] { return (mainWindow = apptest::FindProcessWindow(process.Id(), L"TfrmMain")) != nullptr; },
                         kStartMs);
    }
  }
  ~FirstCopy() {
    if (mainWindow != nullptr && process.Running()) {
      PostMessageW(mainWindow, WM_CLOSE, 0, 0);
      DWORD code = 0;
      process.WaitForExit(kEndMs, code);
    }
  }
  apptest::Process process;
  HWND mainWindow = nullptr;
};

// Starts the program again and expects it to end by itself with exit code 0, leaving the first copy
// running and in front.
void ExpectSecondStartEndsAndRaises(FirstCopy& first, ForegroundWindow& other) {
  ASSERT_TRUE(other.TakeForeground());
  apptest::Process second(ProgramExe());
  ASSERT_TRUE(second.Started());
  DWORD code = 999;
  ASSERT_TRUE(second.WaitForExit(kEndMs, code)) << "the second copy did not end";
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(apptest::WaitUntil([&] { return GetForegroundWindow() == first.mainWindow; }, 5000))
      << "the first copy did not come to the front";
  EXPECT_TRUE(first.process.Running());
}

}  // namespace

TEST(Program, SecondStartEndsAtOnceAndBringsTheFirstCopyToTheFront) {
  FirstCopy first;
  ASSERT_NE(first.mainWindow, nullptr) << "the program did not show its main window";
  ForegroundWindow other;
  ExpectSecondStartEndsAndRaises(first, other);
  // The record belongs to the first copy: maximum 0 from the main window's definition, nobody handing over.
  apptest::SharedRecord record = apptest::SharedRecord::Open(apptest::RecordNameFor(ProgramExe()));
  ASSERT_TRUE(record.Valid());
  DWORD owner = 0;
  GetWindowThreadProcessId(record.WindowHandle(), &owner);
  EXPECT_EQ(owner, first.process.Id());
  EXPECT_EQ(record.Max(), 0);
  EXPECT_EQ(record.Count(), 0);
  // Minimized, it is restored as well.
  ShowWindow(first.mainWindow, SW_MINIMIZE);
  ASSERT_TRUE(apptest::WaitUntil([&] { return IsIconic(first.mainWindow) != FALSE; }, 5000));
  ExpectSecondStartEndsAndRaises(first, other);
  EXPECT_FALSE(IsIconic(first.mainWindow));
}

TEST(Program, ARecordWithoutALiveFirstCopyIsTakenOver) {
  ForegroundWindow foreign;
  struct Case {
    const char* name;
    std::int32_t window;
    std::int8_t max;
    std::uint8_t count;
  };
  const Case cases[] = {
      {"zeroed, as a copy that never published its window", 0, 0, 0},
      {"a window of another program", static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(foreign.Handle())), -1, 0},
      {"a handle of no window, counts full", 0x7FFF1234, 5, 255},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    apptest::SharedRecord record = apptest::SharedRecord::Create(apptest::RecordNameFor(ProgramExe()));
    ASSERT_TRUE(record.Valid());
    record.Set(c.window, c.max, c.count);
    {
      FirstCopy first;
      ASSERT_NE(first.mainWindow, nullptr) << "the program did not start over a damaged record";
      DWORD owner = 0;
      GetWindowThreadProcessId(record.WindowHandle(), &owner);
      EXPECT_EQ(owner, first.process.Id());
      EXPECT_EQ(record.Max(), 0);
      EXPECT_EQ(record.Count(), 0);
      ExpectSecondStartEndsAndRaises(first, foreign);
    }
    EXPECT_EQ(foreign.ProtocolMessages(), 0);
  }
}

TEST(Program, ARunningCopysRecordDamagedMeanwhileHarmsNeitherCopy) {
  FirstCopy first;
  ASSERT_NE(first.mainWindow, nullptr);
  ForegroundWindow other;
  apptest::SharedRecord record = apptest::SharedRecord::Open(apptest::RecordNameFor(ProgramExe()));
  ASSERT_TRUE(record.Valid());
  struct Case {
    const char* name;
    std::int8_t max;
    std::uint8_t count;
  };
  const Case cases[] = {
      {"count full", 127, 255},
      {"no limit, one place left: hands over to a copy that takes nothing", -1, 254},
      {"negative maximum other than -1", -128, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    record.Set(record.Window(), c.max, c.count);
    ExpectSecondStartEndsAndRaises(first, other);
    EXPECT_EQ(record.Count(), c.count);
  }
  record.Set(record.Window(), 0, 0);
}
