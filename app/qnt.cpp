// The program qnt: the diary's start-up, its message loop until the main window closes (which writes
// the diary's data file), and the end.
#include "app/DiaryProgram.h"
#include "vcl/gui/Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int exitCode = 0;
  try {
    StartDiary();
    Application->Run();
  } catch (...) {
    Application->HandleException(Application);
    exitCode = 1;
  }
  StopDiary();
  return exitCode;
}
