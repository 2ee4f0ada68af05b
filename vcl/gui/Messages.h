// Window messages as the component layer passes them around: TMessage (one message and its answer),
// comparable method pointers for replaceable window procedures (TWndMethod) and hooks, and the
// layer's own notification numbers. Controls send the CM_ notifications to themselves through Perform
// when their state changes (visible, enabled, font, text, showing, mouse enter/leave...); the CN_
// messages are Win32 notifications reflected back to the control that caused them (a button's
// WM_COMMAND arrives at the button as CN_COMMAND) and key messages pre-dispatched by the application
// (CN_KEYDOWN). Other code (the skin library) keys behaviour on these exact numbers.
#pragma once
#include <array>
#include <atomic>
#include <cstring>
#include <functional>
#include <type_traits>
#include <utility>
#include "vcl/gui/Win.h"
#include "vcl/rtl/SysTypes.h"

// One message on its way through a control's window procedure; handlers set Result.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;

  Word WParamLo() const { return LOWORD(WParam); }
  Word WParamHi() const { return HIWORD(WParam); }
  Word LParamLo() const { return LOWORD(LParam); }
  Word LParamHi() const { return HIWORD(LParam); }
};

// A key message as shortcut matching sees it: the virtual key and the key data (lParam).
struct TWMKey {
  Word CharCode = 0;
  LPARAM KeyData = 0;
};

// A pointer to a method of an object, or to a free-standing function, that can be called like a
// std::function and compared like the library's method pointers: two TMethodPtr are equal when they
// name the same method of the same object. Code that installs its own window procedure keeps the
// previous one, calls it, and gives it back only when the current one is still its own.
template <class Sig>
class TMethodPtr;

template <class R, class... A>
class TMethodPtr<R(A...)> {
 public:
  TMethodPtr() = default;

  // A method of an object: TWndMethod(this, &TMyControl::MyWndProc).
  template <class C, class B>
    requires std::is_base_of_v<B, C>
  TMethodPtr(C* object, R (B::*method)(A...))
      : call_([object, method](A... args) -> R { return (object->*method)(std::forward<A>(args)...); }),
        data_(AddressOf(object)) {
    static_assert(sizeof(method) <= sizeof(Code), "member pointers fit the code field");
    std::memcpy(code_.data(), &method, sizeof(method));
  }

  // A closure: equal only to copies of the TMethodPtr made here.
  static TMethodPtr FromFunction(std::function<R(A...)> function) {
    TMethodPtr p;
    p.call_ = std::move(function);
    static std::atomic<unsigned long long> nextId{1};
    const unsigned long long id = nextId++;
    std::memcpy(p.code_.data(), &id, sizeof(id));
    return p;
  }

  R operator()(A... args) const { return call_(std::forward<A>(args)...); }
  explicit operator bool() const { return static_cast<bool>(call_); }
  // The object of a method pointer (its most derived address); nil for closures and empty pointers.
  const void* Data() const { return data_; }

  friend bool operator==(const TMethodPtr& a, const TMethodPtr& b) {
    return a.data_ == b.data_ && a.code_ == b.code_ && static_cast<bool>(a) == static_cast<bool>(b);
  }

 private:
  using Code = std::array<unsigned char, 2 * sizeof(void*)>;
  template <class C>
  static const void* AddressOf(C* object) {
    if constexpr (std::is_polymorphic_v<C>) {
      return dynamic_cast<const void*>(object);
    } else {
      return object;
    }
  }

  std::function<R(A...)> call_;
  const void* data_ = nullptr;
  Code code_{};
};

// A control's window procedure (TControl::WindowProc) and a hook of the application window.
using TWndMethod = TMethodPtr<void(TMessage&)>;
using TWindowHook = TMethodPtr<bool(TMessage&)>;

// ---- the component layer's notifications ----
inline constexpr UINT CM_BASE = 0xB000;
inline constexpr UINT CM_ACTIVATE = CM_BASE + 0;
inline constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
inline constexpr UINT CM_GOTFOCUS = CM_BASE + 2;
inline constexpr UINT CM_LOSTFOCUS = CM_BASE + 3;
inline constexpr UINT CM_CANCELMODE = CM_BASE + 4;
inline constexpr UINT CM_DIALOGKEY = CM_BASE + 5;        // WParam key; a control that acts on it answers 1
inline constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
inline constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;     // LParam the newly focused control
inline constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
inline constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
inline constexpr UINT CM_HITTEST = CM_BASE + 10;
inline constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;  // WParam the new Visible
inline constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
inline constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
inline constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
inline constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
inline constexpr UINT CM_CTL3DCHANGED = CM_BASE + 16;
inline constexpr UINT CM_PARENTCTL3DCHANGED = CM_BASE + 17;
inline constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
inline constexpr UINT CM_MOUSEENTER = CM_BASE + 19;      // LParam 0 at the control, the child when passed up
inline constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
inline constexpr UINT CM_MENUCHANGED = CM_BASE + 21;
inline constexpr UINT CM_APPKEYDOWN = CM_BASE + 22;
inline constexpr UINT CM_APPSYSCOMMAND = CM_BASE + 23;
inline constexpr UINT CM_BUTTONPRESSED = CM_BASE + 24;
inline constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 25;  // the handler of a windowed control shows/hides it
inline constexpr UINT CM_ENTER = CM_BASE + 26;
inline constexpr UINT CM_EXIT = CM_BASE + 27;
inline constexpr UINT CM_DESIGNHITTEST = CM_BASE + 28;
inline constexpr UINT CM_ICONCHANGED = CM_BASE + 29;
inline constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 30;
inline constexpr UINT CM_INVOKEHELP = CM_BASE + 31;
inline constexpr UINT CM_WINDOWHOOK = CM_BASE + 32;
inline constexpr UINT CM_RELEASE = CM_BASE + 33;         // posted by TCustomForm::Release: the form frees itself
inline constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 34;
inline constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
inline constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 36;
inline constexpr UINT CM_WININICHANGE = CM_BASE + 37;
inline constexpr UINT CM_FONTCHANGE = CM_BASE + 38;
inline constexpr UINT CM_TIMECHANGE = CM_BASE + 39;
inline constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 40;
inline constexpr UINT CM_UIACTIVATE = CM_BASE + 41;
inline constexpr UINT CM_UIDEACTIVATE = CM_BASE + 42;
inline constexpr UINT CM_DOCWINDOWACTIVATE = CM_BASE + 43;
inline constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 44;  // WParam the control, LParam 1 inserted / 0 removed
inline constexpr UINT CM_GETDATALINK = CM_BASE + 45;
inline constexpr UINT CM_CHILDKEY = CM_BASE + 46;
inline constexpr UINT CM_DRAG = CM_BASE + 47;
inline constexpr UINT CM_HINTSHOW = CM_BASE + 48;
inline constexpr UINT CM_DIALOGHANDLE = CM_BASE + 49;
inline constexpr UINT CM_ISTOOLCONTROL = CM_BASE + 50;
inline constexpr UINT CM_RECREATEWND = CM_BASE + 51;
inline constexpr UINT CM_INVALIDATE = CM_BASE + 52;
inline constexpr UINT CM_SYSFONTCHANGED = CM_BASE + 53;
inline constexpr UINT CM_CONTROLCHANGE = CM_BASE + 54;
inline constexpr UINT CM_CHANGED = CM_BASE + 55;
inline constexpr UINT CM_DOCKCLIENT = CM_BASE + 56;
inline constexpr UINT CM_UNDOCKCLIENT = CM_BASE + 57;
inline constexpr UINT CM_FLOAT = CM_BASE + 58;
inline constexpr UINT CM_BORDERCHANGED = CM_BASE + 59;
inline constexpr UINT CM_BIDIMODECHANGED = CM_BASE + 60;
inline constexpr UINT CM_PARENTBIDIMODECHANGED = CM_BASE + 61;
inline constexpr UINT CM_ALLCHILDRENFLIPPED = CM_BASE + 62;
inline constexpr UINT CM_ACTIONUPDATE = CM_BASE + 63;
inline constexpr UINT CM_ACTIONEXECUTE = CM_BASE + 64;
inline constexpr UINT CM_HINTSHOWPAUSE = CM_BASE + 65;
inline constexpr UINT CM_DOCKNOTIFICATION = CM_BASE + 66;
inline constexpr UINT CM_MOUSEWHEEL = CM_BASE + 67;
inline constexpr UINT CM_ISSHORTCUT = CM_BASE + 68;
inline constexpr UINT CM_INVALIDATEDOCKHOST = CM_BASE + 70;
inline constexpr UINT CM_SETACTIVECONTROL = CM_BASE + 71;
inline constexpr UINT CM_POPUPHWNDDESTROY = CM_BASE + 72;
inline constexpr UINT CM_CREATEPOPUP = CM_BASE + 73;
inline constexpr UINT CM_DESTROYHANDLE = CM_BASE + 74;
inline constexpr UINT CM_MOUSEACTIVATE = CM_BASE + 75;
inline constexpr UINT CM_CONTROLLISTCHANGING = CM_BASE + 76;

// ---- notifications reflected to the control they concern, and pre-dispatched keys ----
inline constexpr UINT CN_BASE = 0xBC00;
inline constexpr UINT CN_CHARTOITEM = CN_BASE + WM_CHARTOITEM;
inline constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
inline constexpr UINT CN_COMPAREITEM = CN_BASE + WM_COMPAREITEM;
inline constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
inline constexpr UINT CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG;
inline constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
inline constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
inline constexpr UINT CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
inline constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
inline constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
inline constexpr UINT CN_DELETEITEM = CN_BASE + WM_DELETEITEM;
inline constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
inline constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
inline constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
inline constexpr UINT CN_PARENTNOTIFY = CN_BASE + WM_PARENTNOTIFY;
inline constexpr UINT CN_VKEYTOITEM = CN_BASE + WM_VKEYTOITEM;
inline constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
inline constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
inline constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
inline constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
inline constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
inline constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
inline constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
// Posted by a tool bar to itself when the drop-down menu of one of its buttons has closed.
inline constexpr UINT CN_DROPDOWNCLOSED = WM_USER + 0x1000;
