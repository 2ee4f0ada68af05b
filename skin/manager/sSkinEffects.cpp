#include "skin/manager/sSkinEffects.h"

#include "skin/forms/sCommonData.h"
#include "skin/manager/sSkinManager.h"
#include "skin/manager/skntSystem.h"
#include "vcl/rtl/PropertyTable.h"

namespace {

template <class T>
void RegisterAnimation(const char* name) {
  static const TIdents<TskAnimType> modes = {{"atFading", atFading}, {"atAero", atAero}};
  RegisterStreamedClass<T>(name, [](TPropertyTableOf<T>& p) {
    p.BoolProp("Active", [](T& a, bool v) { a.Active = v; });
    p.IntegerProp("Time", [](T& a, Integer v) { a.Time = static_cast<Word>(v); });
    p.EnumProp("Mode", [](T& a, TskAnimType v) { a.Mode = v; }, modes);
  });
}

}  // namespace

bool TskSkinEffects::AllowGlowing() const {
  if (!allowGlowing_) return false;
  const bool designing = manager_ != nullptr && manager_->ComponentState().Contains(csDesigning);
  return (LayeredWindowsAvailable() || designing) && !Wow64WithoutComposition();
}

TskAnimEffects::TskAnimEffects(TsSkinManager* manager)
    : Manager(manager),
      BlendOnMoving(std::make_unique<TskBlendOnMoving>()),
      Buttons(std::make_unique<TskBtnEffects>(manager)),
      DialogShow(std::make_unique<TskDialogShow>()),
      FormShow(std::make_unique<TskFormShow>()),
      FormHide(std::make_unique<TskFormHide>()),
      DialogHide(std::make_unique<TskFormHide>()),
      Minimizing(std::make_unique<TskMinimizing>()),
      PageChange(std::make_unique<TskPageChange>()),
      SkinChanging(std::make_unique<TskSkinChanging>()) {}

TskAnimEffects::~TskAnimEffects() = default;

void RegisterSkinEffectClasses() {
  RegisterStreamedClass<TskSkinEffects>("TskSkinEffects", [](TPropertyTableOf<TskSkinEffects>& p) {
    p.BoolProp("AllowGlowing", &TskSkinEffects::SetAllowGlowing);
    p.BoolProp("AllowAeroBluring", [](TskSkinEffects& e, bool v) { e.AllowAeroBluring = v; });
  });
  RegisterStreamedClass<TskBtnEffects>("TskBtnEffects", [](TPropertyTableOf<TskBtnEffects>& p) {
    static const TIdents<TskBtnEvent> events = {{"beMouseEnter", beMouseEnter},
                                                {"beMouseLeave", beMouseLeave},
                                                {"beMouseDown", beMouseDown},
                                                {"beMouseUp", beMouseUp}};
    p.SetProp<TskBtnEvents>("Events", [](TskBtnEffects& b, TskBtnEvents v) { b.Events = v; }, events);
  });
  RegisterAnimation<TskFormShow>("TskFormShow");
  RegisterAnimation<TskFormHide>("TskFormHide");
  RegisterAnimation<TskPageChange>("TskPageChange");
  RegisterAnimation<TskDialogShow>("TskDialogShow");
  RegisterAnimation<TskSkinChanging>("TskSkinChanging");
  RegisterAnimation<TskMinimizing>("TskMinimizing");
  RegisterStreamedClass<TskBlendOnMoving>("TskBlendOnMoving", [](TPropertyTableOf<TskBlendOnMoving>& p) {
    static const TIdents<TskAnimType> modes = {{"atFading", atFading}, {"atAero", atAero}};
    p.BoolProp("Active", [](TskBlendOnMoving& a, bool v) { a.Active = v; });
    p.IntegerProp("Time", [](TskBlendOnMoving& a, Integer v) { a.Time = static_cast<Word>(v); });
    p.EnumProp("Mode", [](TskBlendOnMoving& a, TskAnimType v) { a.Mode = v; }, modes);
    p.IntegerProp("BlendValue", [](TskBlendOnMoving& a, Integer v) { a.BlendValue = static_cast<Byte>(v); });
  });
  RegisterStreamedClass<TskAnimEffects>("TskAnimEffects", [](TPropertyTableOf<TskAnimEffects>& p) {
    p.ObjectProp("BlendOnMoving", [](TskAnimEffects& a) { return a.BlendOnMoving.get(); });
    p.ObjectProp("Buttons", [](TskAnimEffects& a) { return a.Buttons.get(); });
    p.ObjectProp("DialogShow", [](TskAnimEffects& a) { return a.DialogShow.get(); });
    p.ObjectProp("FormShow", [](TskAnimEffects& a) { return a.FormShow.get(); });
    p.ObjectProp("FormHide", [](TskAnimEffects& a) { return a.FormHide.get(); });
    p.ObjectProp("DialogHide", [](TskAnimEffects& a) { return a.DialogHide.get(); });
    p.ObjectProp("Minimizing", [](TskAnimEffects& a) { return a.Minimizing.get(); });
    p.ObjectProp("PageChange", [](TskAnimEffects& a) { return a.PageChange.get(); });
    p.ObjectProp("SkinChanging", [](TskAnimEffects& a) { return a.SkinChanging.get(); });
  });
}
