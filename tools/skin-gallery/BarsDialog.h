// The gallery's bars dialog: a system tool bar, status bars, a size grip, track bars, a static with a
// static edge and scroll-bar controls, each taken over by its window adapter.
#pragma once
#include <memory>
#include <vector>

#include "vcl/gui/Form.h"

class TskMainWnd;
class TsCommonData;

class TBarsDialog : public TForm {
 public:
  explicit TBarsDialog(TComponent* owner);
  ~TBarsDialog() override;
  // The windows and their adapters; made once the dialog has its window.
  void AddBars();

 protected:
  // Owned by the gallery window, so that it stays above it.
  void CreateParams(TCreateParams& params) override;

 private:
  HWND Child(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, DWORD exStyle = 0);
  void AddToolBar();
  void AddClassToolBar();
  void AddStatusBars();
  void AddTrackBars();
  void AddScrollBars();

  std::vector<TskMainWnd*> adapters_;
  std::vector<std::unique_ptr<TsCommonData>> skinData_;
};
