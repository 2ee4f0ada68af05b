// The skin state that every skinned host owns (a control, a window adapter, a form's provider), the
// records of the parent-background request that skinned controls exchange, and the common receiver of
// the skin command message for such hosts.
//
// This is the part the skin manager and its tests use today. The form-skinning work completes it: the
// skin manager lookups behind UpdateIndexes, the cache bitmap and painting, the parent-background
// answer (FillBgRequest), the default manager as a fallback of GetSkinManager, and the commands that
// need them (1, 2, 3, 13, 19, 20, 33, 34, 36, and command 21 of skinned hosts). Until then
// HandleSkinCommand reports those commands as not handled and leaves the data unchanged, so callers
// pass them on as they would for any command a host ignores.
#pragma once
#include <memory>
#include "vcl/gui/Geometry.h"
#include "vcl/gui/Messages.h"
#include "vcl/rtl/Persistent.h"

class TBitmap;
class TControl;
class TsSkinManager;

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

class TsCommonData : public TPersistent {
 public:
  // The host: HostObject is the owner; HostControl is the owner when it is a control.
  explicit TsCommonData(TObject* owner);
  ~TsCommonData() override;

  // The section of the skin, upper case; empty becomes "UNKNOWN". Without a manager the section
  // index becomes -1; resolving it in the manager's sections and repainting come with the manager.
  const AnsiString& SkinSection() const { return skinSection_; }
  void SetSkinSection(const AnsiString& value);

  // The manager chosen for this host (the default manager as fallback comes with the manager).
  TsSkinManager* GetSkinManager() const { return OwnSkinManager; }
  // The answer to scIsUpdating: painting is suspended or the cache no longer shows the background.
  bool NeedsRepaint() const { return UpdatingFlag || BackgroundDirty; }
  // A manager and a section of it: only then is anything painted from the skin. (Checking the index
  // against the manager's sections comes with the manager.)
  bool Skinned() const { return GetSkinManager() != nullptr && SectionIndex >= 0; }

  TObject* HostObject = nullptr;
  TControl* HostControl = nullptr;
  TsSkinManager* OwnSkinManager = nullptr;  // not owned
  bool CustomFont = false;
  bool CustomColor = false;
  Integer UpdateDepth = 0;
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
  HDC PrintTarget = nullptr;
  // The control's look composed in memory (32-bit); painters make it on first use.
  std::unique_ptr<TBitmap> CacheBitmap;

 private:
  AnsiString skinSection_;
};

// The common receiver of the skin command message. Returns true when the command counts as handled
// (the host then does not pass it on): 7, 10, 11, 26, 37, 38, and 21 for an unskinned host control.
// Also acts on 8, 9, 15, 17 and 22 without counting them handled. False for anything else, for
// another message and for nil data.
bool HandleSkinCommand(TMessage& message, TsCommonData* data);

// ---- layered windows ----
// user32's UpdateLayeredWindow, bound by name on first use (nil where the system lacks it). Glow,
// shadow and fading windows call it through this binding.
using TUpdateLayeredWindow = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
TUpdateLayeredWindow UpdateLayeredWindowFunction();
// Whether UpdateLayeredWindow was found.
bool LayeredWindowsAvailable();
