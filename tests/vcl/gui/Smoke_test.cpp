#include <gtest/gtest.h>
#include "vcl/gui/Application.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/Panel.h"

namespace {
class TSmokeForm : public TForm {
 public:
  using TForm::TForm;
};
}

TEST(Smoke, FormWithPanel) {
  auto* f = New<TSmokeForm>(nullptr);
  f->SetBounds(10, 10, 400, 300);
  auto* p = New<TPanel>(f);
  p->SetParent(f);
  p->SetAlign(alTop);
  p->SetHeight(30);
  std::printf("before show: panel %d %d %d %d client %d %d\n", p->Left(), p->Top(), p->Width(), p->Height(), f->ClientWidth(), f->ClientHeight());
  f->Show();
  Application->ProcessMessages();
  std::printf("after show: panel %d %d %d %d client %d %d visible %d active %d\n", p->Left(), p->Top(), p->Width(), p->Height(), f->ClientWidth(), f->ClientHeight(), IsWindowVisible(f->Handle()), f->Active());
  wchar_t cls[64]; GetClassNameW(f->Handle(), cls, 64);
  std::wprintf(L"class %ls\n", cls);
  GetClassNameW(p->Handle(), cls, 64);
  std::wprintf(L"class %ls\n", cls);
  delete f;
}
