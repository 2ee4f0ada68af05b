// The per-form skinning component. Dropped on a form (or made at run time for a form that has none), it
// owns the form's skin state (section "FORM"), takes over the form's WindowProc with FormWndProc and
// gives it back when it goes, and holds what the frame painter and the title code read. One provider
// skins a form: a streamed provider replaces a run-time one, a second streamed one stays inert.
#pragma once
#include <memory>
#include "skin/forms/sCommonData.h"
#include "skin/forms/sSkinProviderTitle.h"
#include "vcl/gui/Form.h"
#include "vcl/rtl/Alignment.h"
#include "vcl/rtl/Component.h"

class TBitmap;
class TsSkinManager;

enum TsGripMode { gmNone = 0, gmRightBottom = 1 };
enum TsResizeMode { rmStandard = 0, rmBorder = 1 };
enum TskAnimEvent { aeShowing = 0, aeHiding = 1, aeSkinChanging = 2 };
using TskAfterAnimation = std::function<void(TskAnimEvent animType)>;

// Skin commands only a form's provider answers.
enum : Word {
  scGetStateWord = 70,     // -> the 16-bit state word of the form's skin data
  scGetApplicationObject = 94,  // -> the application object
  scGetClientOffsets = 95,      // -> MakeLong(client offset x, client offset y)
};

// A system or MDI title button as the frame painter keeps it.
struct TskSysButtonData {
  Integer State = -1;  // -1 not shown, 0 normal, 1 hot, 2 pressed
  Integer ImageIndex = -1;
  TRect Rect;          // in window coordinates of the cache bitmap
  Byte Flag = 0;
  Integer GlowID = -1;
};

class TsSkinProvider : public TComponent, public IskProviderHost {
 public:
  // EAbort "TsSkinProvider component may be used with forms only!" unless the owner is a form. At run
  // time a provider of a form that already has one frees a run-time provider, or else stays inert
  // (EmptyProvider); at design time a second one raises EAbort "Only one instance of the TsSkinProvider
  // component is allowed!".
  explicit TsSkinProvider(TComponent* owner) : TsSkinProvider(owner, false) {}
  // runTimeCreated: made by CreateRunTime.
  TsSkinProvider(TComponent* owner, bool runTimeCreated);
  // The provider that the thread hook makes for a form without one. It is marked before it finishes
  // construction, so it never sets the form up there: the form's first showing does.
  static TsSkinProvider* CreateRunTime(TCustomForm* form);
  ~TsSkinProvider() override;
  void AfterConstruction() override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

  TCustomForm* ProviderForm() const override { return Form; }

  // ---- published ----
  TskAddedTitle& AddedTitle() { return *addedTitle_; }
  bool AllowAnimation = true;
  bool AllowExtBorders() const { return allowExtBorders_; }
  void SetAllowExtBorders(bool value);
  bool AllowBlendOnMoving = true;
  TAlignment CaptionAlignment() const { return captionAlignment_; }
  void SetCaptionAlignment(TAlignment value);
  bool DrawNonClientArea() const { return drawNonClientArea_; }
  void SetDrawNonClientArea(bool value);
  bool DrawClientArea = true;
  TsCommonData& SkinData() { return *skinData_; }
  TsGripMode GripMode = gmNone;
  bool MakeSkinMenu = false;
  const AnsiString& MenuLineSkin() const { return menuLineSkin_; }
  void SetMenuLineSkin(const AnsiString& value);
  TsResizeMode ResizeMode = rmStandard;
  bool ScreenSnap = false;
  Integer SnapBuffer = 10;
  bool ShowAppIcon() const { return showAppIcon_; }
  void SetShowAppIcon(bool value);
  TsTitleButtons& TitleButtons() { return *titleButtons_; }
  void SetTitleButtons(const TsTitleButtons* value) { titleButtons_->Assign(value); }
  TsTitleIcon& TitleIcon() { return *titleIcon_; }
  const AnsiString& TitleSkin() const { return titleSkin_; }
  void SetTitleSkin(const AnsiString& value);
  bool UseGlobalColor() const { return useGlobalColor_; }
  void SetUseGlobalColor(bool value);
  TskAfterAnimation OnAfterAnimation;

  // ---- operations ----
  // The form's window procedure while the provider lives.
  void FormWndProc(TMessage& message);
  // A message with Result 0 through FormWndProc; its result.
  LRESULT SendToSelf(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  // Applies the skin to the form (nothing for run-time or inert providers, without manager or window,
  // or while the skin is not active).
  void InitializeSkin();
  // After loading: transitions, skin, title-button masks, the blending rule of tool windows.
  void PrepareForm();
  // With on: WS_SYSMENU follows DrawNonClientArea (off while the provider paints the frame). Without:
  // a form with a system menu icon gets WS_SYSMENU back and its small icon again.
  void SetSysMenuStyle(bool on);
  // Whether the form would have an extended border window (flag: the manager's switch).
  bool WantsExtBorders(bool flag) const;
  // Paints the frame again now.
  void RepaintFrame();
  // Left and top of the client area in the picture of the whole window.
  Integer ClientOffsetX() const;
  Integer ClientOffsetY() const;
  // The screen position of the form's outer rectangle, and a screen point relative to it.
  TPoint FormScreenOrigin() const;
  TPoint ScreenToFormPoint(Integer x, Integer y) const;
  // A 32-bit picture of the whole form (frame and child controls) of the cache's size, opaque; nil
  // without a cache. freeCache: the cache goes afterwards.
  std::unique_ptr<TBitmap> CopyCacheBmp(bool freeCache);
  // The form is skinned by an active skin.
  bool FormSkinned() const { return skinData_ && skinData_->Skinned(true); }

  // ---- state read by the frame painter, the title code and the window procedure ----
  TCustomForm* Form = nullptr;
  bool RunTimeCreated = false;
  bool EmptyProvider = false;
  bool DrawnActive = false;
  Integer HotHitTest = -1;
  Integer TitleSectionIndex = -1;
  Integer CaptionSectionIndex = -1;
  Integer MenuRowCount = -1;
  Integer RedrawLockCount = 0;
  bool MenusHooked = false;
  bool MenuLineDirty = true;
  bool RegionRectsChanged = true;
  bool RegionChanged = false;
  bool CaptionChanged = false;
  bool CaptionRegionChanged = false;
  bool MenuOwnerDraw = false;
  bool ClearButtons = false;
  bool AeroAtCreation = false;
  bool MDIMenuLoop = false;
  bool TallMaxTitle = false;
  Cardinal AnimState = 0;
  TskSysButtonData SysButtons[4];
  TskSysButtonData MDIButtons[3];
  TRect CaptionIconRect;
  std::unique_ptr<TBitmap> TitleBgBmp;
  std::unique_ptr<TBitmap> MenuBarBmp;

 private:
  // Validates the owner before anything of the component is made.
  static TComponent* FormOwner(TComponent* owner);
  bool Designing() const { return ComponentState().Contains(csDesigning); }
  bool LoadingOrDesigning() const {
    return ComponentState().Contains(csLoading) || ComponentState().Contains(csDesigning);
  }
  bool FormShowing() const;
  TsSkinManager* Manager() const { return skinData_ ? skinData_->GetSkinManager() : nullptr; }
  // The section of the title: TitleSkin, else "FORMTITLE".
  Integer ResolveTitleSection() const;
  // The form's Color follows the global colour of the skin, or the button face.
  void ApplyGlobalColor();
  // Skin commands answered whether or not the form is skinned; true when handled (exit).
  bool AnswerAlways(TMessage& message);
  // The unskinned or destroyed form's procedure.
  void DispatchUnskinned(TMessage& message);
  // Skin commands of a skinned form.
  void AnswerSkinned(TMessage& message);
  void RemoveSkin(TMessage& message);
  void FillBackground(TskBgRequest& request);
  void CallSavedProc(TMessage& message);

  std::unique_ptr<TsCommonData> skinData_;
  std::unique_ptr<TskAddedTitle> addedTitle_;
  std::unique_ptr<TsTitleIcon> titleIcon_;
  std::unique_ptr<TsTitleButtons> titleButtons_;
  TWndMethod savedWindowProc_;
  TWndMethod ownWindowProc_;
  bool hooked_ = false;  // this provider put FormWndProc into the form's WindowProc
  bool allowExtBorders_ = true;
  TAlignment captionAlignment_ = taLeftJustify;
  bool drawNonClientArea_ = true;
  AnsiString menuLineSkin_;
  bool showAppIcon_ = true;
  AnsiString titleSkin_;
  bool useGlobalColor_ = true;
};

// Whether the program runs as the skin editor's preview ("/skpreview" as its first parameter); every
// provider's construction writes it.
extern bool PreviewFlag;

// The definition reader's table of TsSkinProvider and its published objects.
void RegisterSkinProviderClasses();
