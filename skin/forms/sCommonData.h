// The skin state that every skinned host owns (a control, a window adapter, a form's provider), the
// records of the parent-background request that skinned controls exchange, the common receiver of the
// skin command message for such hosts, and user32's two layered-window entries.
//
// What skinned hosts use of the skin manager and its skin data, and where it lives:
//   the skin command message, its commands and senders ........ skin/manager/sMessages.h
//   TsSkinManager, its tables, lookups, hot control, hook ....... skin/manager/sSkinManager.h
//   skin records (sections, masks, patterns, gradients) ......... skin/manager/sConst.h
//   index and colour rules of a loaded skin ..................... skin/manager/sSkinLookups.h
//   effects and animation settings (AllowGlowing) ............... skin/manager/sSkinEffects.h
//   mask, glyph and background painters, pixel fills ............ skin/manager/sAlphaPaint.h, sControlPaint.h,
//                                                                   sGradient.h
//   glow windows (OpenGlowEffect, CloseGlowEffect) .............. skin/manager/skGlow.h
//   TskThreadedTimer ............................................ skin/manager/skThreadedTimer.h
//   the skinned-form list, frozen forms ......................... skin/manager/sStyleSimply.h
//   start-up values (key colour, NT flag, SkipFormClasses) ...... skin/manager/sSkinLibrary.h, sThirdParty.h
//   system routines, WOW64 and the process-wide switches ........ skin/manager/skntSystem.h
//   small routines (rectangles, words, strings) ................. skin/manager/skntUtils.h
//   PNG images .................................................. skin/manager/skPNGGraphic.h
//   published properties by name ................................ vcl/rtl/PropertyAccess.h
//   the layered-window entries, DefaultBgInfo ................... here
#pragma once
#include <memory>
#include "skin/forms/sSkinStateRules.h"
#include "vcl/gui/Geometry.h"
#include "vcl/gui/Messages.h"
#include "vcl/rtl/Persistent.h"

class TBitmap;
class TControl;
class TCustomForm;
class TsSkinManager;
class TWinControl;

// Bits of TsCommonData::StateBits.
enum : Word {
  ssPlainBackground = 0x1,
  ssNotComputed = 0x2,
  ssPrinting = 0x200,
  ssMenuChangePending = 0x400,
  ssInUpdate = 0x800,
};

// The parent-background request of skin command 34, passed by address between windows of the
// process. The sender clears AnswerKind, PaintFlag and TargetDC before asking.
struct TskBgRequest {
  TBitmap* Bitmap = nullptr;  // answer kind 2: the bitmap that holds the background (not owned)
  Integer Color = 0;          // answer kind 1: the background colour
  Integer OffsetX = 0;        // answer kind 2: origin of the asked control inside Bitmap
  Integer OffsetY = 0;
  TRect Rect;                 // paint mode: the area of TargetDC to fill
  Byte AnswerKind = 0;        // 0 not answered, 1 colour, 2 bitmap, 3 colour-key answer
  Byte PaintFlag = 0;         // 1: the responder paints into TargetDC at Rect itself
  HDC TargetDC = nullptr;
};

enum : Byte { bgNotAnswered = 0, bgColor = 1, bgBitmap = 2, bgColorKey = 3 };

// What painters take as the background behind what they paint.
struct TskBgInfo {
  TBitmap* Bitmap = nullptr;  // nil when the background is a colour (not owned)
  Integer OffsetX = 0;
  Integer OffsetY = 0;
  Integer Color = 0;
  bool IsBitmap = false;
};

// No bitmap, the "no colour" key, not a bitmap: painters then keep what is under them.
inline constexpr TskBgInfo DefaultBgInfo{nullptr, -99, 0, 0xFF00FF, false};

// What the skin state of a form's provider asks of it: the form whose frame it skins. The form skin
// provider implements it; a host object that does not is a control or an adapter.
class IskProviderHost {
 public:
  virtual TCustomForm* ProviderForm() const = 0;

 protected:
  ~IskProviderHost() = default;
};

// The colour every fallback answers: the system's button face.
inline constexpr Integer clSkinFallbackColor = static_cast<Integer>(0xFF00000Fu);

class TsCommonData : public TPersistent {
 public:
  // The host: HostObject is the owner; HostControl is the owner when it is a control. withCache makes
  // CacheBitmap at once (32 bits, 0 x 0).
  explicit TsCommonData(TObject* owner, bool withCache = false);
  // Closes the host's glow.
  ~TsCommonData() override;

  // ---- published ----
  // The section of the skin, upper case; empty becomes "UNKNOWN". A change resolves the indexes again
  // and has a live host refresh itself (command 3, or 2 when the skin lacks the section), then closes
  // the host's glow. Setting the same text again does nothing.
  const AnsiString& SkinSection() const { return skinSection_; }
  void SetSkinSection(const AnsiString& value);
  // OwnSkinManager, else the process's default manager (nil when none exists).
  TsSkinManager* GetSkinManager() const;
  // Keeps nil for the default manager. A change resolves the indexes and has a live control host
  // refresh (command 3) or drop the skin (command 2).
  void SetSkinManager(TsSkinManager* manager);
  // Stored in a definition only when the host chose its own manager.
  bool SkinManagerStored() const { return OwnSkinManager != nullptr; }
  void SetCustomColor(bool value);
  void SetCustomFont(bool value);

  // ---- questions ----
  // A section of the current manager's skin is resolved and neither the manager nor the host is
  // being destroyed; with checkActive, also the skin is loaded and applied. Never raises.
  bool Skinned(bool checkActive = false) const;
  // The host is focused, or hot (the mouse over a kind that tracks it); never when it is missing,
  // being destroyed, disabled or designed.
  bool IsActive() const;
  // The plain-background bit is clear, or the host is active.
  bool StateClearOrActive() const;
  // Painting of the host waits: its own flag, else its parent's answer to command 10.
  bool IsUpdating() const;
  // 1 when the host's background must be asked for anew (urgent, unskinned, disabled, or the parent
  // says so for a see-through section), else 0.
  Integer ParentBgState() const;
  // The windowed parent's answer to command 19, 0 without one.
  Integer ParentRepaintAnswer() const;
  // The colour the host's background shows in a state (0 normal, above 0 hot). `window` stands for the
  // host when it has no control (its parent window is asked then).
  Integer GetBgColor(Integer state, HWND window = nullptr) const;
  // The answer to scIsUpdating: painting is suspended or the cache no longer shows the background.
  bool NeedsRepaint() const { return UpdatingFlag || BackgroundDirty; }

  // ---- updates ----
  // Nested: command 31 on every BeginUpdate, command 32 only when the outermost EndUpdate ends.
  void BeginUpdate();
  void EndUpdate(bool repaint);
  void SetUpdating(bool value) { UpdatingFlag = value; }
  // Marks the cache dirty and redraws the host (with its frame and children); now: at once.
  void Invalidate(bool now = false);
  // CacheBitmap exists and has the host control's size.
  void InitCacheBmp();

  // ---- skin resolution ----
  void UpdateIndexes();
  void ApplyDefaultSection();
  void AfterHostLoaded();
  void UpdateBackgroundMode();
  // The host's Color and font colour follow the section (hue and saturation shifted) for edit-like
  // kinds, unless the host keeps its own.
  void UpdateHostColors(bool repaint);
  // 1 plain, 0 not plain, 2 the parent cannot tell yet.
  Integer PlainBackgroundKind() const;
  void UpdateSkinState(bool propagate);
  // ---- parent backgrounds and painting ----
  // Answers a parent-background request for the host (state 0 normal, else hot; window: the host's
  // window when it has no control): a colour for plain or unskinned hosts, the cache bitmap, or the
  // question passed on upward for a see-through host whose cache is not valid. In paint mode the
  // answer is painted into the request's DC instead.
  void FillBgRequest(TskBgRequest& request, Integer state, HWND window) const;
  // What lies behind the host: its parent's answer (a bitmap and the host's place in it, or a colour).
  TskBgInfo GetParentBg() const;
  // The host's own section into the rect of the bitmap (offset: the rect's place in the area the
  // background describes): the fill with the host's textures (its own colour when it keeps it), the
  // corner images and the border, then the host's hue and saturation shifts over the whole bitmap.
  void PaintOwnSection(const TskBgInfo& background, bool fillCentre, TBitmap& bitmap, TPoint offset, const TRect& rect,
                       Integer state) const;

  // Opens the glow around a hot host (window: the host's window when it has no control), or closes it
  // when the mouse left, the left button is down on the host, or hide is asked.
  void ShowGlow(bool hide, HWND window = nullptr);
  // Closes the host's glow when one is open.
  void CloseGlow();

  TObject* HostObject = nullptr;
  TControl* HostControl = nullptr;
  TsSkinManager* OwnSkinManager = nullptr;  // not owned
  bool CustomFont = false;
  bool CustomColor = false;
  Integer UpdateDepth = 0;
  Integer HueShift = 0;         // degrees applied to colours copied to the host
  Integer SaturationShift = 0;  // percent, after the hue
  Integer GlowIndex = -1;
  bool UpdatingFlag = false;
  Integer BorderMaskIndex = -1;
  Integer SectionIndex = -1;
  Integer TextureIndex = -1;
  Integer HotTextureIndex = -1;
  bool UrgentPaint = false;
  bool BackgroundDirty = true;
  bool PartialPaint = true;
  Integer ControlKind = 0;
  bool FocusFlag = false;
  bool MouseInside = false;
  Word StateBits = ssNotComputed;
  SmallInt BackgroundMode = 0;  // bmWidth | bmHeight | bmTexture
  HDC PrintTarget = nullptr;
  // The control's look composed in memory (32-bit); painters make it on first use.
  std::unique_ptr<TBitmap> CacheBitmap;

 private:
  // The provider's form when the host object is a form's provider, else nil.
  TCustomForm* ProviderForm() const;
  // Command 3 when the manager's skin has the section, else 2, through the host control's Perform.
  void RefreshHost(TsSkinManager* manager);
  // Sends a command to the host control (Perform) or to the provider's form window.
  void NotifyHost(Word command);
  bool HasSections(const TsSkinManager* manager) const;

  AnsiString skinSection_;
};

// ---- asking for backgrounds ----
// Asks the control (its window, or Perform for a control without one) with command 34. True when it
// answered. Unanswered: in paint mode the control paints itself into the request's DC through a
// viewport moved by the request's offsets (Rect stays moved); otherwise the answer becomes its colour.
bool GetParentBgFromControl(TskBgRequest& request, TControl* control, bool paint);
// The same with a raw window: the paint fallback follows the mode the request came with; the colour
// fallback is the default manager's global colour (the button face without a manager).
bool GetParentBgFromWindow(TskBgRequest& request, HWND window, bool paint);
// A bitmap answer as a bitmap background; any other as its colour (in RGB).
TskBgInfo BgInfoFromReply(const TskBgRequest& request);
// The background of a raw window's parent window; DefaultBgInfo without one.
TskBgInfo GetParentBgOfWnd(HWND window);

// The section painters' view of a manager's loaded skin, pattern images included (32-bit bitmaps).
struct TsSectionSkin;
TsSectionSkin SectionSkinOf(const TsSkinManager& manager);
// A section (valid index, rect at left and top not below 0 with a size) painted into a DC through a
// temporary bitmap: fill, corners and border over the background.
void PaintSectionToDC(Integer section, const AnsiString& name, const TskBgInfo& background, TsSkinManager* manager,
                      HDC dc, TPoint offset, const TRect& rect, Integer state, bool fillCentre);

// The section of the name (else of altName) of the manager (nil: the default manager) over the whole
// bitmap: over the DC's pixels at the rect's top-left when a DC is given, else over the colour. Returns
// the section's index, -1 (nothing painted) when the skin has neither.
Integer PaintSectionByName(TBitmap& bitmap, const AnsiString& name, const AnsiString& altName, HDC dc, Integer color,
                           const TRect& rect, TsSkinManager* manager, Integer state);
// The section whose font colours a control takes from its parents: the nearest parent section (by its
// published SkinData, else its answer to scGetSkinIndex) that is not mostly see-through, when that
// section gives its own font; `fallback` otherwise.
Integer ParentSectionIndex(TControl* control, Integer fallback, const TsSkinManager& manager, Integer state);
// Copies the host's cache from sourceRect to the clip rectangle of the DC, leaving out the places of
// the parent's children that paint themselves over it (graphic, opaque or designed ones), moved by
// (dx, dy); with repaintParent the parent's background goes into the cache's corners first.
void CopyControlCache(TWinControl* parent, TsCommonData& data, const TRect& sourceRect, Integer dy, Integer dx,
                      bool repaintParent, HDC dc, const TRect& clip);
// The same for a raw window's visible child windows (moved by (-dx, -dy)); a group box keeps its
// inside: only its caption strip and its GROUPBOX border strips are left out.
void CopyGroupBoxCache(HWND window, TsCommonData& data, const TRect& sourceRect, Integer dy, Integer dx,
                       bool repaintParent, HDC dc, const TRect& clip);

// The message being handled came from another thread (of this or another process). The skin command
// message lies in the range any process may send, and this program has one GUI thread: an address in
// lParam from elsewhere is not ours to read or write.
bool SentFromOtherThread();

// The common receiver of the skin command message. Returns true when the command counts as handled
// (the host then does not pass it on): 7, 10, 11, 19, 26, 34, 36, 37, 38, and 21 for a host control.
// Commands 1, 2 and 3 act only when lParam is the host's manager. Commands whose lParam is an address
// (15, 26, 34) sent from another thread are swallowed unread. False for anything else, for another
// message and for nil data.
bool HandleSkinCommand(TMessage& message, TsCommonData* data);
// The common reaction of skinned hosts to window and control messages: moves and sizes mark the
// background dirty (telling children whose gradient background stretches), focus and the mouse set
// FocusFlag and MouseInside (edit-like hosts repaint their frame: WM_NCPAINT on mouse enter and leave),
// the glow closes, a hidden host drops its caches. True only for WM_UPDATEUISTATE of a skinned host
// (swallowed) and where HandleSkinCommand says so for the skin command message; false for nil data.
bool HandleControlMessage(TMessage& message, TsCommonData* data);

// ---- layered windows ----
// user32's UpdateLayeredWindow and SetLayeredWindowAttributes, bound at start-up (nil where the
// system lacks one). Every glow, shadow, fading and animation window calls them through these two
// process-wide pointers, so a test may put recorders in their place (a headless system cannot read a
// layered window back).
using TUpdateLayeredWindow = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
using TSetLayeredWindowAttributes = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
extern TUpdateLayeredWindow UpdateLayeredWindowProc;
extern TSetLayeredWindowAttributes SetLayeredWindowAttributesProc;
inline TUpdateLayeredWindow UpdateLayeredWindowFunction() { return UpdateLayeredWindowProc; }
// Whether UpdateLayeredWindow was found.
bool LayeredWindowsAvailable();
// On (with layered windows): the window becomes layered and all but invisible (alpha 1); true, or false
// when it was layered already. Off (or without layered windows): the window loses WS_VISIBLE and
// WS_EX_LAYERED (a hidden window that was faded out is plain again); false.
bool MakeWindowTransparent(HWND window, bool on);
