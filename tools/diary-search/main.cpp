// Starts a search in a running diary as a user would: brings its main window to the front, presses
// Ctrl+Alt+F, types the term named on the command line into the input box and presses Enter. tools/run
// --search uses it so that its screenshot shows the search-result window.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void Key(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
}

// Waits up to 20 s for a visible window of that class; nil when none came.
HWND WaitForWindow(const wchar_t* className) {
  for (int i = 0; i < 200; ++i) {
    HWND window = FindWindowW(className, nullptr);
    if (window != nullptr && IsWindowVisible(window)) return window;
    Sleep(100);
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qnt_search TERM\n");
    return 2;
  }
  HWND main = WaitForWindow(L"TfrmMain");
  if (main == nullptr) {
    std::fprintf(stderr, "qnt_search: no diary window\n");
    return 1;
  }
  SetForegroundWindow(main);
  Sleep(300);
  Key(VK_CONTROL, false);
  Key(VK_MENU, false);
  Key('F', false);
  Key('F', true);
  Key(VK_MENU, true);
  Key(VK_CONTROL, true);
  if (WaitForWindow(L"TInputQueryForm") == nullptr) {
    std::fprintf(stderr, "qnt_search: the input box did not come\n");
    return 1;
  }
  // The term is UTF-8 on the command line; it is typed character by character.
  const std::string term = argv[1];
  std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, term.c_str(), -1, nullptr, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, term.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  for (wchar_t c : wide) {
    if (c == L'\0') break;
    INPUT in[2]{};
    for (int i = 0; i < 2; ++i) {
      in[i].type = INPUT_KEYBOARD;
      in[i].ki.wScan = c;
      in[i].ki.dwFlags = KEYEVENTF_UNICODE | (i == 1 ? KEYEVENTF_KEYUP : 0);
    }
    SendInput(2, in, sizeof(INPUT));
  }
  Sleep(200);
  Key(VK_RETURN, false);
  Key(VK_RETURN, true);
  return 0;
}
