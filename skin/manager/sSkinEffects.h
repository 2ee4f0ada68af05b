// The skin manager's effect settings, published as its Effects and AnimEffects: glow and aero-blur
// switches, the mouse events that animate buttons, and the animations of forms (showing, hiding,
// minimizing, moving, page changes and skin changes).
#pragma once
#include <memory>
#include "vcl/rtl/Persistent.h"
#include "vcl/rtl/Set.h"

class TsSkinManager;

enum TskAnimType { atFading = 0, atAero = 1 };
enum TskBtnEvent { beMouseEnter = 0, beMouseLeave = 1, beMouseDown = 2, beMouseUp = 3 };
using TskBtnEvents = TSet<TskBtnEvent, 4>;

class TskSkinEffects : public TPersistent {
 public:
  explicit TskSkinEffects(TsSkinManager* manager) : manager_(manager) {}
  // On only when the switch is on and layered windows can show a glow (always at design time), and not
  // in a 32-bit process on 64-bit Windows without desktop composition.
  bool AllowGlowing() const;
  void SetAllowGlowing(bool value) { allowGlowing_ = value; }
  bool AllowAeroBluring = true;

 private:
  TsSkinManager* manager_;
  bool allowGlowing_ = true;
};

class TskBtnEffects : public TPersistent {
 public:
  explicit TskBtnEffects(TsSkinManager* manager) : Manager(manager) {}
  TsSkinManager* Manager;
  TskBtnEvents Events{beMouseEnter, beMouseLeave, beMouseDown, beMouseUp};
};

class TskFormAnimation : public TPersistent {
 public:
  bool Active = true;
  Word Time = 0;  // milliseconds
  TskAnimType Mode = atAero;
};

class TskFormShow : public TskFormAnimation {};
class TskFormHide : public TskFormAnimation {};
class TskPageChange : public TskFormAnimation {};
class TskDialogShow : public TskFormAnimation {};

class TskSkinChanging : public TskFormAnimation {
 public:
  TskSkinChanging() {
    Time = 100;
    Mode = atFading;
  }
};

class TskMinimizing : public TskFormAnimation {
 public:
  TskMinimizing() { Time = 200; }
};

class TskBlendOnMoving : public TskFormAnimation {
 public:
  TskBlendOnMoving() {
    Active = false;
    Time = 1000;
  }
  Byte BlendValue = 170;
};

class TskAnimEffects : public TPersistent {
 public:
  explicit TskAnimEffects(TsSkinManager* manager);
  ~TskAnimEffects() override;

  TsSkinManager* Manager;
  std::unique_ptr<TskBlendOnMoving> BlendOnMoving;
  std::unique_ptr<TskBtnEffects> Buttons;
  std::unique_ptr<TskDialogShow> DialogShow;
  std::unique_ptr<TskFormShow> FormShow;
  std::unique_ptr<TskFormHide> FormHide;
  std::unique_ptr<TskFormHide> DialogHide;
  std::unique_ptr<TskMinimizing> Minimizing;
  std::unique_ptr<TskPageChange> PageChange;
  std::unique_ptr<TskSkinChanging> SkinChanging;
};

// Registers the effect classes for form definitions ("AnimEffects.SkinChanging.Time = 0").
void RegisterSkinEffectClasses();
