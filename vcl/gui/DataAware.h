// How a data-aware control keeps its data link's data source: it follows the source with a free
// notification, so a data source freed first unlinks itself from the control.
#pragma once
#include "vcl/db/DataSource.h"
#include "vcl/rtl/Component.h"

// Points the link at value, moving the control's free notification from the old source to the new one.
void SetLinkDataSource(TComponent& control, TDataLink& link, TDataSource* value);
// From the control's Notification: unlinks a data source that is being removed.
void ForgetRemovedDataSource(TDataLink* link, TComponent* component, TOperation operation);
