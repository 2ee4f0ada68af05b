// TScreen: what the program knows about the screen and its forms: the global cursor (Screen->SetCursor
// (crHourGlass) during a long operation, crDefault to give the choice back to the windows), the forms
// in the order they were last active, the active form and control, the screen and work-area sizes and
// the system fonts for hints and menus.
#pragma once
#include <memory>
#include <vector>
#include "vcl/gui/Control.h"

class TCustomForm;
class TForm;
class TWinControl;

class TScreen : public TComponent {
 public:
  explicit TScreen(TComponent* owner);
  ~TScreen() override;

  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor value);
  // The system cursor of a cursor value (the arrow for unknown values).
  HCURSOR Cursors(TCursor value) const;

  // Forms, most recently active first.
  int CustomFormCount() const { return static_cast<int>(customForms_.size()); }
  TCustomForm* CustomForms(int index) const;  // EListError outside the list
  int FormCount() const;
  TForm* Forms(int index) const;              // only the TForm descendants
  TCustomForm* ActiveCustomForm() const { return activeCustomForm_; }
  TForm* ActiveForm() const;
  TWinControl* ActiveControl() const { return activeControl_; }

  Integer Width() const;
  Integer Height() const;
  TRect WorkAreaRect() const;
  Integer PixelsPerInch() const;
  TFont& HintFont() { return *hintFont_; }
  TFont& MenuFont() { return *menuFont_; }

  TNotifyEvent OnActiveFormChange;
  TNotifyEvent OnActiveControlChange;

 private:
  friend class TCustomForm;
  friend class TApplication;
  void AddForm(TCustomForm* form);
  void RemoveForm(TCustomForm* form);
  void SetActive(TCustomForm* form, TWinControl* control);

  TCursor cursor_ = crDefault;
  std::vector<TCustomForm*> customForms_;
  TCustomForm* activeCustomForm_ = nullptr;
  TWinControl* activeControl_ = nullptr;
  std::unique_ptr<TFont> hintFont_;
  std::unique_ptr<TFont> menuFont_;
};

extern TScreen* Screen;
