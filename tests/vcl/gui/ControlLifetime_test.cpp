// How forms and controls live and die with code that hooks them, as a skin library does: components
// that give a form's window procedure back when they are freed, CBT hooks that look forms up while
// their windows are being made, window procedures that replace themselves, and canvases whose window
// is made anew.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "GuiTestSupport.h"
#include "vcl/gui/CustomControl.h"
#include "vcl/gui/Form.h"

namespace {

// Takes its owner form's window procedure over and gives it back when it is freed, as a skin provider
// does. It notes whether the form was still a whole form at that moment.
class TProcKeeper : public TComponent {
 public:
  explicit TProcKeeper(TCustomForm* form) : TComponent(form), form_(form) {
    old_ = form->WindowProc();
    form->SetWindowProc(TWndMethod(this, &TProcKeeper::Proc));
  }
  ~TProcKeeper() override {
    formWasWhole = dynamic_cast<TCustomForm*>(static_cast<TObject*>(form_)) != nullptr;
    windowWasGone = formWasWhole && !form_->HandleAllocated();
    if (formWasWhole && form_->WindowProc() == TWndMethod(this, &TProcKeeper::Proc)) form_->SetWindowProc(old_);
  }
  void Proc(TMessage& m) { old_(m); }

  static inline bool formWasWhole = false;
  static inline bool windowWasGone = false;

 private:
  TCustomForm* form_;
  TWndMethod old_;
};

class TfrmHooked : public TForm {
 public:
  using TForm::TForm;
};

}  // namespace

TEST(ControlLifetime, OwnedComponentsAreFreedWhileTheFormIsWholeAfterItsWindow) {
  TProcKeeper::formWasWhole = false;
  TProcKeeper::windowWasGone = false;
  TfrmHooked* form = New<TfrmHooked>(nullptr);
  New<TProcKeeper>(form);
  form->Show();
  ASSERT_TRUE(form->HandleAllocated());
  delete form;
  EXPECT_TRUE(TProcKeeper::formWasWhole);
  EXPECT_TRUE(TProcKeeper::windowWasGone);
  guitest::Pump();
}

namespace {

// A thread CBT hook that, like a skin library's, looks the watched form up by its handle whenever a
// window is announced, and counts the windows of the form's class.
struct CreationWatch {
  static inline TCustomForm* form = nullptr;
  static inline int formWindows = 0;
  static inline std::vector<std::pair<HWND, HWND>> announced;  // (announced window, form's Handle())
  static inline bool inside = false;

  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && form != nullptr) {
      HWND window = reinterpret_cast<HWND>(wParam);
      wchar_t name[64] = {};
      GetClassNameW(window, name, 64);
      if (std::wstring(name) == L"TfrmHooked") ++formWindows;
      if (!inside) {  // without the mend, Handle() would make windows again and again
        inside = true;
        announced.emplace_back(window, form->Handle());
        inside = false;
      }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
};

}  // namespace

TEST(ControlLifetime, HandleAskedForFromACreationHookIsTheWindowBeingMade) {
  std::unique_ptr<TfrmHooked> form(New<TfrmHooked>(nullptr));
  CreationWatch::form = form.get();
  CreationWatch::formWindows = 0;
  CreationWatch::announced.clear();
  HHOOK hook = SetWindowsHookExW(WH_CBT, &CreationWatch::Hook, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  HWND window = form->Handle();
  UnhookWindowsHookEx(hook);
  CreationWatch::form = nullptr;

  EXPECT_EQ(CreationWatch::formWindows, 1);
  ASSERT_FALSE(CreationWatch::announced.empty());
  EXPECT_EQ(CreationWatch::announced.front().first, window);
  EXPECT_EQ(CreationWatch::announced.front().second, window);
  EXPECT_EQ(FindControl(window), form.get());
}

namespace {

class TPaintBox : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
};

// Notes when the closure holding it is destroyed (in globals: nothing of the closure may be touched
// once it could be gone).
bool gMarkDestroyed = false;
bool gDestroyedWhileRunning = true;
struct LifeMark {
  LifeMark() = default;
  LifeMark(const LifeMark&) = delete;
  ~LifeMark() { gMarkDestroyed = true; }
};

}  // namespace

TEST(ControlLifetime, CanvasLetsGoOfTheDcOfARecreatedWindow) {
  std::unique_ptr<TForm> form(New<TForm>(nullptr));
  auto* box = New<TPaintBox>(form.get());
  box->SetBounds(0, 0, 50, 50);
  box->SetParent(form.get());
  form->Show();
  HDC first = box->Canvas().Handle();
  EXPECT_EQ(WindowFromDC(first), box->Handle());

  box->RecreateWnd();
  EXPECT_FALSE(box->Canvas().HandleAllocated());
  EXPECT_EQ(WindowFromDC(box->Canvas().Handle()), box->Handle());
}

TEST(ControlLifetime, WindowProcedureThatReplacesItselfRunsToItsEnd) {
  std::unique_ptr<TForm> form(New<TForm>(nullptr));
  const TWndMethod original = form->WindowProc();
  gMarkDestroyed = false;
  gDestroyedWhileRunning = true;
  auto mark = std::make_shared<LifeMark>();
  TControl* target = form.get();
  form->SetWindowProc(TWndMethod::FromFunction([mark, target, original](TMessage& m) {
    original(m);
    target->SetWindowProc(original);  // a hook that unhooks itself on its first message
    gDestroyedWhileRunning = gMarkDestroyed;
  }));
  mark.reset();  // the closure holds the only reference now
  form->Perform(WM_USER, 0, 0);
  EXPECT_FALSE(gDestroyedWhileRunning);
  EXPECT_TRUE(gMarkDestroyed);  // gone once the call is over
  EXPECT_TRUE(form->WindowProc() == original);
}
