// The fading of a title button: a small layered window laid over the button shows the button's image in
// its new state (or the skin's glow around a hot system button) with a constant alpha that a 12 ms
// timer raises step by step, and lowers again when the button goes back to normal. Forms and skinned
// dialogs both use it: all it needs of its owner is the IskFadeOwner interface.
#pragma once
#include <windows.h>

#include <memory>

#include "vcl/gui/Timer.h"
#include "vcl/rtl/Types.h"

class TBitmap;
class TForm;
class TsSkinManager;
class TskSBAnimation;

// A title button as the painters keep it: a system or MDI button, a user button or a title-bar item.
struct TskSysButtonData {
  Integer State = -1;  // -1 not shown, 0 normal, 1 hot, 2 pressed
  Integer ImageIndex = -1;  // its mask, -1 none
  TRect Rect;          // in window coordinates of the cache bitmap (the border window's with one)
  Byte Flag = 0;
  Integer GlowID = -1;
  bool Big = false;    // aligned to the title's top under the skin's BIVALIGN 1
  Integer HitCode = 0;  // 8 minimise, 9 maximise, 20 close, 21 help, 1000 + i user button i
  std::unique_ptr<TskSBAnimation> Anim;  // its fading, made by the first one; freed with the record
};

// What a fading asks of the window whose button fades (a form's provider, a skinned dialog).
class IskFadeOwner {
 public:
  virtual ~IskFadeOwner() = default;
  // The owner's window; nil while it has none.
  virtual HWND FadeOwnerWindow() const = 0;
  // The border window around it, whose picture holds the buttons; nil without one.
  virtual HWND FadeBorderWindow() const = 0;
  virtual TsSkinManager* FadeManager() const = 0;
  // The glyph of a user button or title-bar item drawn over its image (nil: none, and for system
  // buttons).
  virtual TBitmap* FadeGlyph(Integer hitCode) const = 0;
};

// The step count at which a fading shows its full image at once.
inline constexpr Integer kFadeSteps = 10;
inline constexpr Cardinal kFadeInterval = 12;

class TskSBAnimation : public TTimer {
 public:
  TskSBAnimation(IskFadeOwner* owner, TskSysButtonData& button);
  ~TskSBAnimation() override;

  // Goes to a state: nothing when it is the current one. A non-zero state starts at step 1 (pressed
  // builds its image afresh), normal steps back by one; the first frame shows at once and the timer
  // runs for more than one step.
  void ChangeState(Integer state, bool fadingIn);
  // The constant alpha per step: 255 / StepCount, the whole 255 for a count of 1 or less.
  Byte StepValue() const;
  // Frees the image and the window (a new state's picture is built on the next frame).
  void FreeImage();
  // The next frame with the constant alpha.
  void ShowFrame(Byte alpha);
  // A running fading takes the step count and direction (and the state when fading in) and runs on; a
  // press shows its full picture at once.
  void Redirect(Integer state, Integer steps, bool fadingIn);

  TskSysButtonData& Button() const { return *button_; }
  IskFadeOwner* Owner() const { return owner_; }
  HWND FadeWindow() const;
  TBitmap* Image() const { return image_.get(); }

  Integer Step = 0;
  Integer State = -1;  // the target state; -1 idle
  bool FadingIn = false;
  Integer StepCount = 0;  // -1 once a fade-in has completed

 protected:
  void Timer() override;
  // Where the window goes on the screen.
  TRect TargetRect() const;
  // The picture of the button in its state, of the target rectangle's size (none: nothing shows).
  virtual void BuildImage();
  void SetImage(std::unique_ptr<TBitmap> image);
  // Hands the window over (it stays on the screen as it is) and frees the image; the next frame makes
  // a new window.
  TForm* ReleaseWindow();
  // A fade-in reached its full picture.
  virtual void FadeInCompleted() {}

 private:
  // The glow mask of a hot minimise, maximise or close button when glowing is allowed, else -1.
  Integer GlowMask() const;
  Integer GlowMargin() const;
  void MakeWindow();
  // When the cursor left the button the timer stops and the owner hears WM_MOUSELEAVE (true).
  bool MouseLeft();

  IskFadeOwner* owner_;
  TskSysButtonData* button_;
  TForm* glowWnd_ = nullptr;  // owned
  std::unique_ptr<TBitmap> image_;
};

// Starts or redirects a button's fading. A new animation (none without an owner) goes to the state with
// its first frame; a running one is redirected.
void StartTitleButtonAnim(TskSysButtonData& button, Integer state, Integer steps, IskFadeOwner* owner, bool fadingIn);

// A button's glyph into a 32-bit image at a point: a 32-bit glyph by its alpha, any other with its
// bottom-left pixel's colour left out and the rest opaque.
void DrawFadeGlyph(TBitmap& image, const TBitmap& glyph, Integer x, Integer y);
