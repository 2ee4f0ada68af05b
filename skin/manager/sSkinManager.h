// TsSkinManager: the component that owns the application's current skin. It finds the skin named by
// SkinName (a packed "<name>.cvz" in SkinDirectory, else a folder "<name>\Options.dat", else a skin
// stored in the component), reads its options text and images into the section, mask and pattern
// tables, checks the skin's version, and then has every skinned window take the skin or drop it.
//
// A load that fails (a damaged pack, a bad number in a mask value) changes nothing: the previous
// skin's tables and name stay, and the reason is reported through the skin message hook, which never
// blocks in tests.
#pragma once
#include <functional>
#include <memory>
#include <vector>
#include "skin/manager/sConst.h"
#include "skin/manager/sSkinOptions.h"
#include "vcl/gui/Dialogs.h"
#include "vcl/rtl/Component.h"
#include "vcl/rtl/Set.h"
#include "vcl/rtl/Strings.h"

class TBitmap;
class TskSkinConvertor;
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

// A skin stored in the component: its name and its packed bytes (a "CVzf" container).
struct TsStoredSkin {
  AnsiString Name;
  std::vector<Byte> Data;
};

class TsSkinManager : public TComponent {
 public:
  explicit TsSkinManager(TComponent* owner);
  ~TsSkinManager() override;
  void AfterConstruction() override;
  void Loaded() override;

  // The first manager created, until it is freed.
  static TsSkinManager* DefaultManager();

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
  std::vector<TsStoredSkin>& InternalSkins() { return internalSkins_; }

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

 private:
  struct LoadedSkin;
  class SkinReader;

  void LoadPackedSkin(LoadedSkin& skin, const AnsiString& packedPath);
  void LoadSkinFolder(LoadedSkin& skin);
  void ReadPackedSkin(LoadedSkin& skin, TskSkinConvertor& pack);
  void ReadSkin(LoadedSkin& skin, const TMemIniFile& ini, const TskSkinConvertor* pack);
  void CheckVersion(double version);
  void RefreshAllWindows(bool animated);
  void RemoveSkinFromAllWindows();
  bool Designing() const { return ComponentState().Contains(csDesigning); }
  bool LoadingDefinition() const { return ComponentState().Contains(csLoading); }

  bool active_ = true;
  AnsiString skinName_;
  AnsiString skinDirectory_;
  TStringList commonSections_;
  TskSkinningRules skinningRules_{srStdForms, srStdDialogs, srThirdParty};
  std::vector<TsStoredSkin> internalSkins_;
  IWindowsNotifier* notifier_ = nullptr;
  bool hasSkin_ = false;  // a load has completed at least once
};

// Set for good by the first skin transfer: a folder of the skin's name then wins over a pack.
extern bool SkinTransferred;

// The manager's registration for form definitions.
void RegisterSkinManagerClasses();
