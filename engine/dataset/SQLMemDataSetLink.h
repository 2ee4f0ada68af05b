// What the session and database components ask of the engine's dataset components. The dataset
// component implements it beside its TDataSet base; sessions and databases never reach further into
// a dataset, so they can be built and tested before the dataset itself.
#pragma once
#include "vcl/rtl/SysTypes.h"

class TSQLMemDataSetLink {
 public:
  virtual ~TSQLMemDataSetLink() = default;
  // The session the dataset names ("" = the default session).
  virtual const AnsiString& SessionName() const = 0;
  // A session with AutoSessionName hands its name to the datasets of its owner.
  virtual void SetSessionName(const AnsiString& value) = 0;
  // Closes the dataset for a database that disconnects; closing releases the dataset's hold on the
  // database, which takes the dataset out of the database's list.
  virtual void CloseDataSet() = 0;
};
