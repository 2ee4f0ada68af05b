// Test hosts of the skin command message: controls that answer it through the common receiver of
// skinned hosts and record the commands that reach them, and a password box of the layer.
#pragma once
#include <algorithm>
#include <memory>
#include <vector>

#include "skin/forms/sCommonData.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/Edit.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GraphicControl.h"
#include "vcl/gui/Panel.h"

namespace skintest {

// Records every skin command (and its wParam), answers through HandleSkinCommand and leaves the rest to
// the control's own procedure, as a skinned host does.
template <class Base>
class TSkinned : public Base {
 public:
  explicit TSkinned(TComponent* owner) : Base(owner), data(new TsCommonData(this)) {}
  void WndProc(TMessage& message) override {
    if (message.Msg == SkinCommandMessage) {
      commands.push_back(SkinCommandOf(message.WParam));
      lastWParam = message.WParam;
      lastLParam = message.LParam;
    }
    if (HandleSkinCommand(message, data.get())) return;
    Base::WndProc(message);
  }
  bool Saw(Word command) const { return std::find(commands.begin(), commands.end(), command) != commands.end(); }

  std::unique_ptr<TsCommonData> data;
  std::vector<Word> commands;
  WPARAM lastWParam = 0;
  LPARAM lastLParam = 0;
};
using TSkinnedPanel = TSkinned<TPanel>;
using TSkinnedGraphic = TSkinned<TGraphicControl>;
using TSkinnedForm = TSkinned<TForm>;

// A text box that hides its text behind password characters.
class TPasswordEdit : public TEdit {
 public:
  using TEdit::TEdit;

 protected:
  void CreateParams(TCreateParams& params) override {
    TEdit::CreateParams(params);
    params.Style |= ES_PASSWORD;
  }
};

template <class T>
T* AddControl(TWinControl* parent, int left = 0) {
  T* control = New<T>(parent->Owner() != nullptr ? parent->Owner() : parent);
  control->SetBounds(left, 0, 40, 30);
  control->SetParent(parent);
  return control;
}

}  // namespace skintest
