#include "vcl/gui/DataAware.h"

void SetLinkDataSource(TComponent& control, TDataLink& link, TDataSource* value) {
  TDataSource* old = link.DataSource();
  if (value == old) return;
  if (old != nullptr) control.RemoveFreeNotification(old);
  link.SetDataSource(value);
  if (value != nullptr) value->FreeNotification(&control);
}

void ForgetRemovedDataSource(TDataLink* link, TComponent* component, TOperation operation) {
  if (operation == opRemove && link != nullptr && component != nullptr && component == link->DataSource())
    link->SetDataSource(nullptr);
}
