// The skin gallery: one window "Skin gallery" of test windows, each taken over by a window adapter on
// the diary's built-in skin, to look at (and photograph, tools/run --gallery) what the adapters paint.
// Later adapters add their rows here. With QN_GALLERY_BARS set in the environment the bars dialog
// (BarsDialog.h) opens over it: QN_GALLERY_BARS=1 tools/run --gallery --screenshot; with QN_GALLERY_MDI
// set, an MDI frame with a skinned main menu and two children (MDIFrame.h).
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "BarsDialog.h"
#include "MDIFrame.h"
#include "skin/adapters/skDialogWnd.h"
#include "skin/adapters/skDials.h"
#include "skin/adapters/skSBButtons.h"
#include "skin/adapters/skSBComboWnd.h"
#include "skin/adapters/skSBEditWnd.h"
#include "skin/adapters/skSBListViewWnd.h"
#include "skin/adapters/skSBPictureWnd.h"
#include "skin/adapters/skSBScrollWnd.h"
#include "skin/adapters/skSBSpinWnd.h"
#include "skin/adapters/skSBStaticWnd.h"
#include "skin/adapters/skSBTabWnd.h"
#include "skin/adapters/skSBTreeViewWnd.h"
#include "skin/manager/sSkinLibrary.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/rtl/TextConv.h"

namespace {

constexpr char kSkinName[] = "Quillnote";

// With QN_GALLERY_SYSMENU set the message box's skinned system menu opens (as a right click on its
// caption opens it) in place of the combo box's list: QN_GALLERY_SYSMENU=1 tools/run --gallery --screenshot.
void OpenBoxSystemMenu() {
  const HWND box = GetActiveWindow();
  RECT r{};
  if (box == nullptr || !GetWindowRect(box, &r)) return;
  const LPARAM at = MAKELPARAM(r.left + 60, r.top + GetSystemMetrics(SM_CYCAPTION) / 2 + 2);
  SendMessageW(box, WM_NCRBUTTONUP, static_cast<WPARAM>(SendMessageW(box, WM_NCHITTEST, 0, at)), at);
}

std::vector<Byte> ReadPack() {
  std::ifstream in(QN_BUILTIN_SKIN, std::ios::binary);
  return std::vector<Byte>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TGalleryForm : public TForm {
 public:
  explicit TGalleryForm(TComponent* owner) : TForm(owner) {
    SetCaption("Skin gallery");
    SetBounds(20, 40, 960, 720);
  }
  ~TGalleryForm() override {
    FreePageAdapters();
    for (TskMainWnd*& adapter : adapters_) FreeAdapter(adapter);
    if (glyphBitmap_ != nullptr) DeleteObject(glyphBitmap_);
  }

  // The rows of test windows; made once the form has its window.
  void AddRows() {
    AddStatic("Árvíztűrő tükörfúrógép: egy skinnelt statikus szöveg.", "PANEL_LOW", 16, 16, 440, 40);
    AddStatic("Őszi hűvös reggel, fényes ütő a kőkerítésen.", "PANEL", 16, 72, 440, 40);
    AddStatic("Jobbra igazított sor", "SELECTION", 16, 128, 440, 24, WS_EX_RIGHT);
    AddButtons(170);
    AddScrollBars(440);
    AddEditFamily(490, 16);
    AddSmallWindows(490, 444);
    AddTabbedDialog(16, 558);
  }

  // Shown: the combo box's list is opened once the window is on the screen.
  void OpenCombo() {
    if (combo_ != nullptr) SendMessageW(combo_, CB_SHOWDROPDOWN, TRUE, 0);
  }

 private:
  void AddStatic(const char* utf8, const char* section, int x, int y, int w, int h, DWORD exStyle = 0) {
    const WideString text = Cp1250ToUtf16(Utf8ToCp1250(utf8));
    const HWND window = CreateWindowExW(exStyle, L"STATIC", reinterpret_cast<const wchar_t*>(text.c_str()),
                                        WS_CHILD | WS_VISIBLE, x, y, w, h, Handle(), nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    if (window != nullptr) adapters_.push_back(New<TskStaticWnd>(window, true, section, nullptr, nullptr));
  }

  // Buttons of each kind in each state: push (normal, default, hot, pressed, disabled), 3-state check
  // boxes and radio buttons (unchecked, checked, indeterminate, disabled), a group box around them and
  // a button holding a bitmap.
  void AddButtons(int top) {
    struct Row {
      DWORD style;
      const char* text;
      int state;  // 0 normal, 1 default, 2 hot, 3 pressed, 4 disabled, 5 checked, 6 indeterminate
    };
    const Row pushes[] = {{BS_PUSHBUTTON, "Rendben", 0}, {BS_DEFPUSHBUTTON, "Alapértelmezett", 1},
                          {BS_PUSHBUTTON, "Forró", 2},     {BS_PUSHBUTTON, "Lenyomva", 3},
                          {BS_PUSHBUTTON, "Mégse", 4}};
    HWND hot = nullptr;
    int x = 16;
    for (const Row& row : pushes) {
      const HWND window = AddButton<TskBtnWnd>(row.text, row.style, x, top, 84, 26);
      if (row.state == 2) hot = window;
      if (row.state == 3) SendMessageW(window, BM_SETSTATE, TRUE, 0);
      if (row.state == 4) EnableWindow(window, FALSE);
      x += 90;
    }
    AddButton<TskGroupBoxWnd>("Jelölők és rádiógombok", BS_GROUPBOX, 16, top + 40, 440, 170);
    const Row checks[] = {{BS_AUTO3STATE, "Üres", 0}, {BS_AUTO3STATE, "Bejelölt", 5},
                          {BS_AUTO3STATE, "Határozatlan", 6}, {BS_AUTO3STATE, "Tiltott", 4}};
    const Row radios[] = {{BS_AUTORADIOBUTTON | WS_GROUP, "Egyik", 0}, {BS_AUTORADIOBUTTON, "Másik", 5},
                          {BS_AUTORADIOBUTTON, "Harmadik", 2}, {BS_AUTORADIOBUTTON, "Tiltott", 4}};
    for (int column = 0; column < 2; ++column) {
      int y = top + 64;
      for (const Row& row : column == 0 ? checks : radios) {
        const HWND window = AddButton<TskCheckBoxWnd>(row.text, row.style, 32 + column * 210, y, 180, 22);
        if (row.state == 5) SendMessageW(window, BM_SETCHECK, BST_CHECKED, 0);
        if (row.state == 6) SendMessageW(window, BM_SETCHECK, BST_INDETERMINATE, 0);
        if (row.state == 4) EnableWindow(window, FALSE);
        y += 34;
      }
    }
    const HWND glyph = AddButton<TskBitBtnWnd>("Megnyitás", BS_PUSHBUTTON | BS_BITMAP, 16, top + 224, 140, 30);
    std::vector<Cardinal> bits(16 * 16, 0x00C04020u);
    for (int i = 0; i < 16; ++i) bits[static_cast<size_t>(i * 16 + i)] = bits[static_cast<size_t>(i * 16 + 15 - i)] = 0x00FFFFFFu;
    glyphBitmap_ = CreateBitmap(16, 16, 1, 32, bits.data());
    if (glyph != nullptr) SendMessageW(glyph, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyphBitmap_));
    if (TsSkinManager* manager = TsSkinManager::DefaultManager(); manager != nullptr && hot != nullptr)
      manager->SetActiveControl(hot);
  }
  template <typename TAdapter>
  HWND AddButton(const char* utf8, DWORD style, int x, int y, int w, int h) {
    const WideString text = Cp1250ToUtf16(Utf8ToCp1250(utf8));
    const HWND window = CreateWindowExW(0, L"BUTTON", reinterpret_cast<const wchar_t*>(text.c_str()),
                                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x, y, w, h, Handle(), nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    if (window != nullptr) adapters_.push_back(New<TAdapter>(window, true, "", nullptr, nullptr));
    return window;
  }

  // A text box with long lines and many of them: skinned horizontal and vertical bars and the corner.
  void AddScrollBars(int top) {
    std::wstring text;
    for (int i = 1; i <= 60; ++i)
      text += L"Sor " + std::to_wstring(i) + L": a görgetősávokat a skin rajzolja, a szöveg széles és hosszú.\r\n";
    const HWND edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", text.c_str(),
                                      WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE, 16, top, 440,
                                      110, Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    if (edit == nullptr) return;
    adapters_.push_back(New<TskScrollWnd>(edit, true, "EDIT", nullptr, nullptr));
    SendMessageW(edit, EM_LINESCROLL, 4, 12);
  }

  // The edit family: text boxes (one disabled, with a password), a list box, a list view in report
  // view with a sorted column and a tree view.
  void AddEditFamily(int left, int top) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    auto child = [&](const wchar_t* cls, const char* utf8, DWORD style, int y, int w, int h) {
      const WideString text = Cp1250ToUtf16(Utf8ToCp1250(utf8));
      return CreateWindowExW(WS_EX_CLIENTEDGE, cls, reinterpret_cast<const wchar_t*>(text.c_str()),
                             WS_CHILD | WS_VISIBLE | style, left, y, w, h, Handle(), nullptr, instance, nullptr);
    };
    const HWND edit = child(L"EDIT", "Egysoros szövegmező", ES_AUTOHSCROLL, top, 210, 24);
    const HWND password = child(L"EDIT", "titok", ES_AUTOHSCROLL | ES_PASSWORD, top, 210, 24);
    SetWindowPos(password, nullptr, left + 226, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EnableWindow(password, FALSE);
    const HWND memo = child(L"EDIT", "Többsoros mező:\r\nhétfő, kedd, szerda,\r\ncsütörtök, péntek.",
                            ES_MULTILINE | WS_VSCROLL, top + 36, 210, 80);
    const HWND list = child(L"LISTBOX", "", LBS_NOTIFY | WS_VSCROLL, top + 36, 210, 80);
    SetWindowPos(list, nullptr, left + 226, top + 36, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    for (const char* item : {"Január", "Február", "Március", "Április", "Május", "Június", "Július"}) {
      const WideString text = Cp1250ToUtf16(Utf8ToCp1250(item));
      SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SendMessageW(list, LB_SETCURSEL, 2, 0);
    for (HWND window : {edit, password, memo, list})
      if (window != nullptr) adapters_.push_back(New<TskEditWnd>(window, true, "EDIT", nullptr, nullptr));
    AddListView(child(WC_LISTVIEWW, "", LVS_REPORT, top + 130, 436, 140));
    AddTreeView(child(WC_TREEVIEWW, "", TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT, top + 284, 436, 130));
  }
  void AddListView(HWND list) {
    if (list == nullptr) return;
    const char* titles[] = {"Dátum", "Cím", "Hely"};
    for (int i = 0; i < 3; ++i) {
      const WideString text = Cp1250ToUtf16(Utf8ToCp1250(titles[i]));
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH;
      column.cx = 130;
      column.pszText = const_cast<wchar_t*>(reinterpret_cast<const wchar_t*>(text.c_str()));
      SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    const char* rows[][3] = {{"2026-12-01", "Első hó", "Budapest"}, {"2026-12-05", "Mikulás", "Győr"},
                             {"2026-12-11", "Tűzoltók", "Pécs"}};
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) {
        const WideString text = Cp1250ToUtf16(Utf8ToCp1250(rows[r][c]));
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = r;
        item.iSubItem = c;
        item.pszText = const_cast<wchar_t*>(reinterpret_cast<const wchar_t*>(text.c_str()));
        SendMessageW(list, c == 0 ? LVM_INSERTITEMW : LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
      }
    const auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(header, HDM_GETITEMW, 1, reinterpret_cast<LPARAM>(&item));
    item.fmt |= HDF_SORTDOWN;
    SendMessageW(header, HDM_SETITEMW, 1, reinterpret_cast<LPARAM>(&item));
    adapters_.push_back(New<TskListViewWnd>(list, true, "EDIT", nullptr, nullptr));
  }
  void AddTreeView(HWND tree) {
    if (tree == nullptr) return;
    auto insert = [&](HTREEITEM parent, const char* utf8) {
      const WideString text = Cp1250ToUtf16(Utf8ToCp1250(utf8));
      TVINSERTSTRUCTW insert{};
      insert.hParent = parent;
      insert.hInsertAfter = TVI_LAST;
      insert.item.mask = TVIF_TEXT;
      insert.item.pszText = const_cast<wchar_t*>(reinterpret_cast<const wchar_t*>(text.c_str()));
      return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    };
    const HTREEITEM year = insert(TVI_ROOT, "2026");
    const HTREEITEM december = insert(year, "December");
    insert(december, "1. hét");
    insert(december, "2. hét");
    insert(year, "November");
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(year));
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(december));
    adapters_.push_back(New<TskTreeViewWnd>(tree, true, "EDIT", nullptr, nullptr));
  }

  // A combo box (opened), a message box's icon, a link label and an up-down control.
  void AddSmallWindows(int left, int top) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    combo_ = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST, left, top,
                             210, 140, Handle(), nullptr, instance, nullptr);
    if (combo_ != nullptr) {
      for (const char* item : {"Hétfő", "Kedd", "Szerda", "Csütörtök", "Péntek"}) {
        const WideString text = Cp1250ToUtf16(Utf8ToCp1250(item));
        SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
      }
      SendMessageW(combo_, CB_SETCURSEL, 1, 0);
      adapters_.push_back(New<TskComboBoxWnd>(combo_, true, "COMBOBOX", nullptr, nullptr));
    }
    const HWND icon = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_ICON, left + 226, top, 32, 32,
                                      Handle(), nullptr, instance, nullptr);
    if (icon != nullptr) {
      SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_INFORMATION)), 0);
      adapters_.push_back(New<TskIconWnd>(icon, true, "CHECKBOX", nullptr, nullptr));
    }
    const WideString linkText = Cp1250ToUtf16(Utf8ToCp1250("Részletek: nézd <A>itt</A>"));
    HWND link = CreateWindowExW(0, L"SysLink", reinterpret_cast<const wchar_t*>(linkText.c_str()),
                                WS_CHILD | WS_VISIBLE, left + 270, top + 6, 160, 22, Handle(), nullptr, instance, nullptr);
    if (link == nullptr)
      link = CreateWindowExW(0, L"STATIC", reinterpret_cast<const wchar_t*>(linkText.c_str()), WS_CHILD | WS_VISIBLE,
                             left + 270, top + 6, 160, 22, Handle(), nullptr, instance, nullptr);
    if (link != nullptr) adapters_.push_back(New<TskLinkWnd>(link, true, "WEBBUTTON", nullptr, nullptr));
    const HWND buddy = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"12", WS_CHILD | WS_VISIBLE | ES_NUMBER,
                                       left + 226, top + 44, 60, 24, Handle(), nullptr, instance, nullptr);
    const HWND spin = CreateWindowExW(0, UPDOWN_CLASSW, L"", WS_CHILD | WS_VISIBLE, left + 286, top + 44, 18, 24,
                                      Handle(), nullptr, instance, nullptr);
    if (buddy != nullptr) adapters_.push_back(New<TskEditWnd>(buddy, true, "EDIT", nullptr, nullptr));
    if (spin != nullptr) adapters_.push_back(New<TskSpinWnd>(spin, true, "UPDOWNBTN", nullptr, nullptr));
  }

  // A tabbed dialog: a tab control whose page (a dialog pane) holds check boxes and a text, and a
  // tab control with its tabs on the left side, their captions turned.
  void AddTabbedDialog(int left, int top) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    auto tabControl = [&](DWORD style, int x, int y, int w, int h, std::initializer_list<const char*> names) {
      const HWND tabs = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, x, y,
                                        w, h, Handle(), nullptr, instance, nullptr);
      if (tabs == nullptr) return tabs;
      SendMessageW(tabs, WM_SETFONT, SendMessageW(Handle(), WM_GETFONT, 0, 0), FALSE);
      int index = 0;
      for (const char* name : names) {
        const WideString text = Cp1250ToUtf16(Utf8ToCp1250(name));
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(reinterpret_cast<const wchar_t*>(text.c_str()));
        SendMessageW(tabs, TCM_INSERTITEMW, static_cast<WPARAM>(index++), reinterpret_cast<LPARAM>(&item));
      }
      return tabs;
    };
    const HWND tabs = tabControl(0, left, top, 440, 122, {"Általános", "Nézet", "Mentés"});
    if (tabs != nullptr) {
      RECT area{0, 0, 440, 122};
      SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
      const HWND page = CreateWindowExW(WS_EX_CONTROLPARENT, L"#32770", L"", WS_CHILD | WS_VISIBLE, area.left, area.top,
                                        area.right - area.left, area.bottom - area.top, tabs, nullptr, instance, nullptr);
      std::vector<HWND> checks;
      if (page != nullptr) {
        int y = 10;
        for (const char* text : {"Mentés kilépéskor", "Keresés kis- és nagybetű nélkül"}) {
          const WideString wide = Cp1250ToUtf16(Utf8ToCp1250(text));
          const HWND check = CreateWindowExW(0, L"BUTTON", reinterpret_cast<const wchar_t*>(wide.c_str()),
                                             WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 12, y, 260, 22, page, nullptr,
                                             instance, nullptr);
          if (check != nullptr) checks.push_back(check);
          y += 30;
        }
        if (!checks.empty()) SendMessageW(checks.front(), BM_SETCHECK, BST_CHECKED, 0);
      }
      adapters_.push_back(New<TskPageControlWnd>(tabs, true, "PAGECONTROL", nullptr, nullptr));
      for (HWND check : checks) adapters_.push_back(New<TskCheckBoxWnd>(check, true, "", nullptr, nullptr));
    }
    const HWND side = tabControl(TCS_VERTICAL | TCS_MULTILINE, left + 474, top - 30, 436, 152, {"Napok", "Képek", "Súgó"});
    if (side != nullptr) {
      SendMessageW(side, TCM_SETCURSEL, 1, 0);
      adapters_.push_back(New<TskTabControlWnd>(side, true, "PAGECONTROL", nullptr, nullptr));
    }
  }

  std::vector<TskMainWnd*> adapters_;
  HWND combo_ = nullptr;
  HBITMAP glyphBitmap_ = nullptr;
};

// A message box below the gallery's rows, skinned whole (frame, icon, text, button) by the skin's thread
// hook; this hook only places it as it activates. The combo box's list opens once the box is up (the
// box's activation would close it).
TGalleryForm* GalleryForm = nullptr;
HHOOK BoxHook = nullptr;
bool BoxPlaced = false;

void CALLBACK OpenComboTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (std::getenv("QN_GALLERY_SYSMENU") != nullptr) OpenBoxSystemMenu();
  else GalleryForm->OpenCombo();
}

LRESULT CALLBACK BoxCbtHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && !BoxPlaced) {
    const auto window = reinterpret_cast<HWND>(wParam);
    wchar_t cls[16]{};
    if (GetClassNameW(window, cls, 16) > 0 && lstrcmpW(cls, L"#32770") == 0) {
      BoxPlaced = true;
      SetWindowPos(window, nullptr, 745, 600, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      SetTimer(nullptr, 0, 300, OpenComboTimer);
    }
  }
  return CallNextHookEx(BoxHook, code, wParam, lParam);
}

void CALLBACK ShowBoxTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  BoxHook = SetWindowsHookExW(WH_CBT, BoxCbtHook, nullptr, GetCurrentThreadId());
  const WideString text = Cp1250ToUtf16(Utf8ToCp1250("Biztosan törli a mai bejegyzést?"));
  const WideString caption = Cp1250ToUtf16(Utf8ToCp1250("Megerősítés"));
  MessageBoxW(GalleryForm->Handle(), reinterpret_cast<const wchar_t*>(text.c_str()),
              reinterpret_cast<const wchar_t*>(caption.c_str()), MB_OKCANCEL | MB_ICONQUESTION);
  UnhookWindowsHookEx(BoxHook);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int exitCode = 0;
  try {
    RegisterGuiClasses();
    Application->Initialize();
    Application->SetTitle("skin_gallery");
    SkinLibraryStartup();
    RegisterSkinDialogs();
    std::unique_ptr<TsSkinManager> manager(New<TsSkinManager>(nullptr));
    // The hook skins the system dialogs only: the gallery's own forms show the rows as they are.
    manager->SetSkinningRules(TskSkinningRules{srStdDialogs});
    manager->InternalSkins().Add(kSkinName, ReadPack());
    manager->SetSkinName(kSkinName);
    TGalleryForm* form = nullptr;
    Application->CreateForm(form);
    form->Show();
    form->AddRows();
    TBarsDialog* bars = nullptr;
    if (std::getenv("QN_GALLERY_MDI") != nullptr) {
      New<TMDIFrame>(form)->ShowWithChildren();
    } else if (std::getenv("QN_GALLERY_BARS") != nullptr) {
      bars = New<TBarsDialog>(form);
      bars->Show();
      bars->AddBars();
    } else {
      GalleryForm = form;
      SetTimer(nullptr, 0, 300, ShowBoxTimer);
    }
    Application->Run();
    delete form;  // its adapters go before the manager
  } catch (...) {
    Application->HandleException(Application);
    exitCode = 1;
  }
  DoneApplication();
  SkinLibraryShutdown();
  UnregisterSkinDialogs();
  return exitCode;
}
