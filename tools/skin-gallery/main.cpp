// The skin gallery: one window "Skin gallery" of test windows, each taken over by a window adapter on
// the diary's built-in skin, to look at (and photograph, tools/run --gallery) what the adapters paint.
// Later adapters add their rows here.
#include <windows.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "skin/adapters/skSBStaticWnd.h"
#include "skin/manager/sSkinLibrary.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/rtl/TextConv.h"

namespace {

constexpr char kSkinName[] = "Quillnote";

std::vector<Byte> ReadPack() {
  std::ifstream in(QN_BUILTIN_SKIN, std::ios::binary);
  return std::vector<Byte>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TGalleryForm : public TForm {
 public:
  explicit TGalleryForm(TComponent* owner) : TForm(owner) {
    SetCaption("Skin gallery");
    SetBounds(60, 60, 480, 320);
  }
  ~TGalleryForm() override {
    for (TskMainWnd*& adapter : adapters_) FreeAdapter(adapter);
  }

  // The rows of test windows; made once the form has its window.
  void AddRows() {
    AddStatic("Árvíztűrő tükörfúrógép: egy skinnelt statikus szöveg.", "PANEL_LOW", 16, 16, 440, 40);
    AddStatic("Őszi hűvös reggel, fényes ütő a kőkerítésen.", "PANEL", 16, 72, 440, 40);
    AddStatic("Jobbra igazított sor", "SELECTION", 16, 128, 440, 24, WS_EX_RIGHT);
  }

 private:
  void AddStatic(const char* utf8, const char* section, int x, int y, int w, int h, DWORD exStyle = 0) {
    const WideString text = Cp1250ToUtf16(Utf8ToCp1250(utf8));
    const HWND window = CreateWindowExW(exStyle, L"STATIC", reinterpret_cast<const wchar_t*>(text.c_str()),
                                        WS_CHILD | WS_VISIBLE, x, y, w, h, Handle(), nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    if (window != nullptr) adapters_.push_back(New<TskStaticWnd>(window, true, section, nullptr, nullptr));
  }

  std::vector<TskMainWnd*> adapters_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int exitCode = 0;
  try {
    RegisterGuiClasses();
    Application->Initialize();
    Application->SetTitle("skin_gallery");
    SkinLibraryStartup();
    std::unique_ptr<TsSkinManager> manager(New<TsSkinManager>(nullptr));
    manager->InternalSkins().Add(kSkinName, ReadPack());
    manager->SetSkinName(kSkinName);
    TGalleryForm* form = nullptr;
    Application->CreateForm(form);
    form->Show();
    form->AddRows();
    Application->Run();
    delete form;  // its adapters go before the manager
  } catch (...) {
    Application->HandleException(Application);
    exitCode = 1;
  }
  DoneApplication();
  SkinLibraryShutdown();
  return exitCode;
}
