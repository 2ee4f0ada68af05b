#include "MDIFrame.h"

#include <windows.h>

#include "skin/forms/sSkinProvider.h"
#include "vcl/gui/MainMenu.h"
#include "vcl/rtl/TextConv.h"

namespace {

TMenuItem* AddItem(TComponent* owner, TMenuItem* parent, const char* utf8) {
  auto* item = New<TMenuItem>(owner);
  item->SetCaption(Utf8ToCp1250(utf8));
  parent->Add(item);
  return item;
}

}  // namespace

TMDIFrame::TMDIFrame(TComponent* owner) : TForm(owner) {
  SetCaption(Utf8ToCp1250("Több dokumentum"));
  SetBounds(120, 90, 620, 440);
  auto* menu = New<TMainMenu>(this);
  TMenuItem* file = AddItem(this, menu->Items(), "&Fájl");
  AddItem(this, file, "&Megnyitás");
  AddItem(this, menu->Items(), "&Szerkesztés");
  TMenuItem* window = AddItem(this, menu->Items(), "&Ablak");
  AddItem(this, window, "&Lépcsőzetes");
  AddItem(this, menu->Items(), "&Nézet")->SetEnabled(false);
  AddItem(this, menu->Items(), "&Súgó");
  SetMenu(menu);
  SetWindowMenu(window);
  SetFormStyle(fsMDIForm);
}

TMDIFrame::~TMDIFrame() {
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) delete *it;
}

void TMDIFrame::ShowWithChildren() {
  HandleNeeded();
  New<TsSkinProvider>(this);
  Show();
  for (const char* caption : {"Első napló", "Második napló"}) {
    auto* child = New<TForm>(nullptr);
    child->SetCaption(Utf8ToCp1250(caption));
    child->SetFormStyle(fsMDIChild);
    const auto shift = static_cast<Integer>(children_.size()) * 150;
    child->SetBounds(16 + shift, 16 + shift / 3, 260, 170);
    child->Show();
    children_.push_back(child);
  }
}
