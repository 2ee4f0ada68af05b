// The gallery's MDI frame: a skinned form with a main menu (drawn on the skinned menu line, one item
// disabled) whose client window shows the skin's MDI area behind two children.
#pragma once
#include <vector>

#include "vcl/gui/Form.h"

class TMDIFrame : public TForm {
 public:
  explicit TMDIFrame(TComponent* owner);
  ~TMDIFrame() override;
  // Skinned (the provider comes before the window shows), shown, then the children made.
  void ShowWithChildren();

 private:
  std::vector<TForm*> children_;
};
