// TsSkinManager: the component that owns the application's current skin. It finds the skin named by
// SkinName (a packed "<name>.cvz" in SkinDirectory, else a folder "<name>\Options.dat", else a skin
// stored in the component), reads its options text and images into the section, mask and pattern
// tables, checks the skin's version, and then has every skinned window take the skin or drop it.
//
// A load that fails (a damaged pack, a bad number in a mask value) changes nothing: the previous
// skin's tables and name stay, and the reason is reported through the skin message hook, which never
// blocks in tests.
//
// Painters then ask the manager for indexes and colours of the loaded skin (sSkinLookups holds the
// rules); the manager tells every window when to take, repaint or drop the skin, tracks the control
// under the mouse, and, as the default manager, hooks the thread's window creation and the
// application's main window (sSkinManagerWindows).
#pragma once
#include <array>
#include <functional>
#include <memory>
#include <vector>
#include "skin/manager/sConst.h"
#include "skin/manager/sSkinLookups.h"
#include "skin/manager/sSkinEffects.h"
#include "skin/manager/sSkinOptions.h"
#include "skin/manager/sSkinTables.h"
#include "skin/manager/sStoredSkins.h"
#include "vcl/gui/Dialogs.h"
#include "vcl/gui/Menus.h"
#include "vcl/rtl/Component.h"
#include "vcl/rtl/Set.h"
#include "vcl/rtl/Strings.h"

class TBitmap;
class TControl;
class TFont;
class TMenuItem;
class TskSkinConvertor;
class TsSkinableMenus;
class TsSkinManager;

enum TskSkinningRule { srStdForms = 0, srStdDialogs = 1, srThirdParty = 2 };
using TskSkinningRules = TSet<TskSkinningRule, 3>;

// Set while a skin is being loaded; painters read it to hold back.
extern bool SkinIsChanging;

// The boxes of the skin library (load errors, version notices). The default shows MessageDlg with an
// OK button; tests and hosts that must not block install their own. Returns the previous hook.
using TskSkinMessageHook = std::function<void(const AnsiString& text, TMsgDlgType type)>;
TskSkinMessageHook SetSkinMessageHook(TskSkinMessageHook hook);
void ShowSkinMessage(const AnsiString& text, TMsgDlgType type);

// What the manager asks of the windows when its skin changes: capture them before a change (the
// notifier decides whether the change is animated), refresh them with the new skin, or remove skinning
// from them. The window services install one; without it the manager only keeps its tables.
class IWindowsNotifier {
 public:
  virtual ~IWindowsNotifier() = default;
  virtual void RefreshAllWindows(TsSkinManager& manager, bool animated) = 0;
  virtual void RemoveSkinFromAllWindows(TsSkinManager& manager) = 0;
  virtual void CaptureFormsBeforeChange(TsSkinManager& manager) = 0;
};


// The manager's menu options.
class TskMenuSupport : public TPersistent {
 public:
  TskMenuSupport();
  ~TskMenuSupport() override;
  AnsiString IcoLineSkin = "ICOLINE";  // the section of the menus' icon column; "ICOLINE" when left empty
  bool UseExtraLine = false;           // a strip down the popups' left edge (OnGetMenuExtraLineData fills it)
  Integer ExtraLineWidth = 32;
  TFont& ExtraLineFont() { return *extraLineFont_; }
  const TFont& ExtraLineFont() const { return *extraLineFont_; }
  void SetExtraLineFont(const TFont& value);
  Byte AlphaBlend = 255;               // the opacity of skinned popup menus; 255 opaque (not layered)

 private:
  std::unique_ptr<TFont> extraLineFont_;
};

// The popup's extra line: the first item of the popup, and what the strip shows (a section, a caption
// drawn bottom to top, a glyph whose ownership the event hands over) and whether it is shown at all.
using TskGetExtraLineData = TMethodPtr<void(TMenuItem* firstItem, AnsiString& skinSection, AnsiString& caption,
                                            std::unique_ptr<TBitmap>& glyph, bool& lineVisible)>;
// What an item is drawn with; the handler may change the font (a changed colour is drawn as it is).
struct TskPopupItemData {
  TFont* Font = nullptr;
};
using TskGetPopupItemData = TMethodPtr<void(TMenuItem* item, TOwnerDrawState state, TskPopupItemData& data)>;
// A system dialog the thread hook is about to skin; a handler that clears allowSkinning leaves it bare.
struct TskSysDlgData {
  HWND DlgHandle = nullptr;
};
using TskSysDlgInit = TMethodPtr<void(TskSysDlgData dlgData, bool& allowSkinning)>;

// The manager's ThirdParty: its lists of foreign class names, published under their kind names.
class TsThirdPartyList : public TPersistent {
 public:
  explicit TsThirdPartyList(TsSkinManager& manager) : Manager(manager) {}
  TsSkinManager& Manager;
};

class TsSkinManager : public TComponent {
 public:
  explicit TsSkinManager(TComponent* owner);
  ~TsSkinManager() override;
  void AfterConstruction() override;
  void Loaded() override;

  // The first manager created, until it is freed or another one is made the default.
  static TsSkinManager* DefaultManager();
  bool IsDefault() const { return DefaultManager() == this; }
  // True (or no default exists): this manager becomes the default, and its windows take its skin
  // (or drop skinning when it is inactive). False changes nothing.
  void SetIsDefault(bool value);

  // ---- published ----
  bool Active() const { return active_; }
  void SetActive(bool value);
  const AnsiString& SkinName() const { return skinName_; }
  // Loads the skin (see the top of this file); "Mint.cvz" names the skin "Mint".
  void SetSkinName(const AnsiString& value);
  const AnsiString& SkinDirectory() const { return skinDirectory_; }
  void SetSkinDirectory(const AnsiString& value);
  TStringList& CommonSections() { return commonSections_; }
  // Takes the lines (blanks removed from every line that is no comment) and reloads the skin.
  void SetCommonSections(const TStrings& lines);
  TskSkinningRules SkinningRules() const { return skinningRules_; }
  void SetSkinningRules(TskSkinningRules value) { skinningRules_ = value; }
  // The loaded skin's VERSION ("8.00"), or "N/A" while no skin is active.
  AnsiString SkinInfo() const;
  AnsiString Version() const { return "8.12"; }
  TsStoredSkins& InternalSkins() { return internalSkins_; }
  TskSkinEffects& Effects() { return effects_; }
  TskAnimEffects& AnimEffects() { return animEffects_; }
  TskMenuSupport& MenuSupport() { return menuSupport_; }
  // Whether popup menus are skinned (their items drawn by the menu engine, their windows adapted by
  // the CBT hook). Switching it on at run time hooks the menus again.
  bool SkinnedPopups() const { return skinnedPopups_; }
  void SetSkinnedPopups(bool value);
  // The menu engine (owned).
  TsSkinableMenus& SkinableMenus() { return *menus_; }
  TskGetExtraLineData OnGetMenuExtraLineData;
  TskGetPopupItemData OnGetPopupItemData;
  TskSysDlgInit OnSysDlgInit;

  TNotifyEvent OnBeforeChange;
  TNotifyEvent OnAfterChange;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnSkinListChanged;

  // ---- folders and lists ----
  // SkinDirectory resolved against the program's folder, without a trailing separator.
  AnsiString ResolveSkinDirectory() const;
  // Fills list (sorted) with the stored skins and, for kind 0 the folder skins, for kind 1 the packed
  // skins, for kind 2 both; firstName is the first stored skin's name, else the first one found.
  void ListSkins(TStrings& list, Byte kind, AnsiString& firstName) const;

  // ---- the loaded skin ----
  TsSkinData SkinData;
  TsGeneralDataArray gd;
  TsMaskArray ma;
  TsPatternArray pa;
  std::shared_ptr<TBitmap> MasterBitmap;
  bool IsPacked = false;          // the skin came from a pack (a file or a stored skin)
  SmallInt CommonSkinIndex = -1;  // the section GLOBALINFO

  // Set while a caller changes the skin and refreshes by itself (skin transfer).
  bool ManualUpdate = false;
  // Transferred options text (skin transfer): read instead of a folder's Options.dat while set.
  const TStrings* TransferOptions = nullptr;
  void SetWindowsNotifier(IWindowsNotifier* notifier) { notifier_ = notifier; }

  // ---- lookups (sSkinLookups: exact names, parent chains, -1 or a system colour when absent) ----
  Integer GetSkinIndex(const AnsiString& name) const { return FindSkinIndex(gd, name); }
  Integer GetMaskIndex(Integer skinIndex, const AnsiString& section, const AnsiString& key) const;
  Integer GetTextureIndex(Integer skinIndex, const AnsiString& section, const AnsiString& key) const;
  Integer GetPatternIndex(Integer skinIndex, const AnsiString& section, const AnsiString& key) const;
  Integer GetMaskIndexByNames(const AnsiString& section, const AnsiString& key) const {
    return FindMaskIndexByNames(ma, section, key);
  }
  bool IsValidSkinIndex(Integer index) const { return index >= 0 && index < std::ssize(gd); }
  bool IsValidMaskIndex(Integer index) const { return index >= 0 && index < std::ssize(ma); }
  Integer GetGlobalColor() const;
  Integer GetGlobalFontColor() const;
  Integer GetWindowColor() const;
  Integer GetEditFontColor() const;
  Integer GetHighlightColor(bool hot = false) const;
  Integer GetHighlightFontColor(bool hot = false) const;
  // Border widths of the mask at the index; 0 for an index that names no mask.
  Integer MaskLeftWidth(Integer maskIndex) const;
  Integer MaskTopHeight(Integer maskIndex) const;
  Integer MaskRightWidth(Integer maskIndex) const;
  Integer MaskBottomHeight(Integer maskIndex) const;
  // Extended borders are wanted and layered windows can show them.
  bool GetExtendedBorders() const;
  bool ExtendedBorders() const { return extendedBorders_; }
  void SetExtendedBorders(bool value);
  // The colour shift of the skin's images and colours (sColorShift): the hue rotated by HueOffset
  // degrees, the saturation moved by Saturation (modulo 101). A change reloads the active skin.
  Integer HueOffset() const { return hueOffset_; }
  void SetHueOffset(Integer value);
  Integer Saturation() const { return saturation_; }
  void SetSaturation(Integer value);
  // The indexes of often-used masks, recomputed after every load and on deactivation.
  TsCommonIndexes ConstData;
  void UpdateCommonIndexes();
  // Shadow margins of the extended borders (0 when they are off or no skin is active), and the shadow
  // images of inactive and active windows: the skin's EXBORDER states, else the library's built-in
  // images (none before the library's start-up).
  TsShadowSize ShadowSize;
  std::shared_ptr<TBitmap> ShadowTemplates[2];
  void UpdateShadowTemplates();

  // ---- foreign controls skinned as a known kind ----
  // Kinds in order: 0 "ThirdEdits", 1 "ThirdButtons", 2 "ThirdBitBtns", ... 20 "ThirdScrollBar".
  static constexpr int ThirdPartyKindCount = 21;
  static const std::array<const char*, ThirdPartyKindCount> ThirdPartyNames;
  // The class names of a kind, one a line ("TButton" for buttons, " " for every other kind by default).
  const AnsiString& ThirdParty(int kind) const;
  void SetThirdParty(int kind, const AnsiString& text);
  TsThirdPartyList& ThirdPartyObject() { return thirdPartyObject_; }
  // The names of a kind as painters look them up: trimmed, blank lines left out, compared exactly.
  const TStringList& ThirdPartyList(int kind) const;

  // ---- the windows (sSkinManagerWindows) ----
  // Every window takes the skin again (command 1); animated, the skinned forms are frozen meanwhile
  // and redrawn together at the end.
  void RefreshAllWindows(bool animated);
  // Every window drops the skin (command 2); the tables are emptied.
  void RemoveSkinFromAllWindows();
  // Commands 16 and 3 to every window; animated, the forms are frozen around it.
  void RepaintAllWindows(bool animated);
  // The control under the mouse, windowed or not: the old one gets command 30, the new one 29.
  TControl* ActiveControl() const { return hotControl_; }
  TControl* ActiveGraphControl() const { return hotGraphControl_; }
  void SetActiveControl(TControl* control);
  // A window without a control (one a window adapter serves) becomes the hot one; nil clears. The
  // window of a control stands for that control.
  void SetActiveControl(HWND window);
  // The hot window: the hot windowed control's window, or the hot raw window; nil when none.
  HWND ActiveWindow() const;
  void SetActiveGraphControl(TControl* control);
  // A skin sent by the external skin editor (WM_COPYDATA, wParam 7): a block of the transfer layout
  // loads, anything else is ignored; Result 1 tells the sender it was taken.
  void ReceiveSkinByCopyData(TMessage& message);
  bool SkinHookInstalled() const { return skinHook_ != nullptr; }
  // The thread's CBT hook (a W hook with the procedure set by SetSkinHookProcedure): installed once, at
  // run time, by the default manager only. RemoveHook frees what the hook made (FreeHookedWindows).
  void InstallHook();
  void RemoveHook();
  void Notification(TComponent* component, TOperation operation) override;

 private:
  struct LoadedSkin;

  void LoadPackedSkin(LoadedSkin& skin, const AnsiString& packedPath);
  void LoadSkinFolder(LoadedSkin& skin);
  void ReadPackedSkin(LoadedSkin& skin, TskSkinConvertor& pack);
  TsSkinReadOptions ReadOptions();
  void CheckVersion(double version);
  bool MainWindowHook(TMessage& message);
  // The hook's minimise, restore and iconic-picture rows for the main form; true when handled.
  bool MinimizeMainForm();
  bool RestoreMainForm();
  bool SendMainFormIconic(TMessage& message);
  void HookApplication(bool on);
  void ReloadForColorShift();
  void SetHot(TControl*& slot, TControl* control);
  bool Designing() const { return ComponentState().Contains(csDesigning); }
  bool LoadingDefinition() const { return ComponentState().Contains(csLoading); }

  bool active_ = true;
  AnsiString skinName_;
  AnsiString skinDirectory_;
  TStringList commonSections_;
  TskSkinningRules skinningRules_{srStdForms, srStdDialogs, srThirdParty};
  TsStoredSkins internalSkins_{this};
  TskSkinEffects effects_{this};
  TskAnimEffects animEffects_{this};
  TskMenuSupport menuSupport_;
  std::unique_ptr<TsSkinableMenus> menus_;
  bool skinnedPopups_ = true;
  TsThirdPartyList thirdPartyObject_{*this};
  IWindowsNotifier* notifier_ = nullptr;
  bool hasSkin_ = false;  // a load has completed at least once
  bool extendedBorders_ = false;
  Integer hueOffset_ = 0;
  Integer saturation_ = 0;
  std::array<AnsiString, ThirdPartyKindCount> thirdParty_;
  std::array<TStringList, ThirdPartyKindCount> thirdPartyLists_;
  TControl* hotControl_ = nullptr;       // not owned; forgotten when freed
  TControl* hotGraphControl_ = nullptr;
  HWND hotWindow_ = nullptr;             // a hot window without a control (then hotControl_ is nil)
  HHOOK skinHook_ = nullptr;
  bool mainWindowHooked_ = false;
};

// Set while every window takes a new skin, and while every window drops it (painters hold back).
extern bool SkinUpdating;
extern bool SkinRemoving;

// The procedure of the thread's CBT hook that the default manager installs: the window adapters'
// procedure once they are registered. Returns the previous one.
HOOKPROC SetSkinHookProcedure(HOOKPROC procedure);
// The step that frees the popup-menu adapters the hook made (nil: none). Returns the previous one.
using TskHookRelease = void (*)();
TskHookRelease SetSkinHookRelease(TskHookRelease release);

// A window that the CBT hook took over (the hook's providers derive from it). The hooked-window list
// holds them while the hook is installed: an entry that goes away is set to nil, and every walk skips
// nil entries. CtrlHandle is the window the manager's broadcasts reach (nil: reached otherwise, as a
// skinned form).
class TskHookedWindow {
 public:
  explicit TskHookedWindow(HWND window) : CtrlHandle(window) {}
  virtual ~TskHookedWindow() = default;
  TskHookedWindow(const TskHookedWindow&) = delete;
  TskHookedWindow& operator=(const TskHookedWindow&) = delete;
  // Frees the object (components go through their own protocol).
  virtual void FreeHooked() { delete this; }
  HWND CtrlHandle;
};
std::vector<TskHookedWindow*>& HookedWindows();
// Frees what the hook made: the popup-menu adapters (the release step), then every entry of the
// hooked-window list, leaving the list empty. RemoveHook and the library's stop step call it.
void FreeHookedWindows();

// Sends the message to every top-level form and its child controls: the application's forms that are
// not skinned, then the skinned-form list, then the visible hooked windows.
void BroadcastToForms(const TMessage& message);

// At the end of the program: waits, handling messages, until an animated skin change has finished,
// at most `milliseconds`. False when it had not finished.
bool WaitForSkinChangeAnimation(Cardinal milliseconds);

// Set for good by the first skin transfer: a folder of the skin's name then wins over a pack.
extern bool SkinTransferred;

// The manager's registration for form definitions.
void RegisterSkinManagerClasses();
