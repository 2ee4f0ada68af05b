// The new-day dialog, TfrmNew: the user picks a date on a calendar; OK selects that day in the diary
// when it exists, and inserts it otherwise (key "yyyy.mm.dd", title key + " - " + the Hungarian
// weekday name, empty text), then hands the focus to the main window's memo so that the entry can be
// typed at once. The dialog lives from start-up to exit and is only shown and hidden; the calendar
// keeps the last picked date between two showings. The calendar is as large as the system calendar
// needs to show a whole month in its font, and the dialog fits around it; the keyboard moves the day.
#pragma once
#include "vcl/gui/Button.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/Label.h"
#include "vcl/gui/MonthCalendar.h"

class TDataSet;

class TfrmNew : public TForm {
 public:
  using TForm::TForm;

  TLabel* LabelDay = nullptr;
  TMonthCalendar* CalNew = nullptr;
  TButton* btnOK = nullptr;
  TButton* btnCancel = nullptr;

  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  // Shows the picked day in the label: "yyyy.mm.dd - <weekday>".
  void CalNewClick(TObject* sender);
  void btnOKClick(TObject* sender);
  void btnCancelClick(TObject* sender);

  void DefineFields(TFieldTable& fields) override;
  void DefineMethods(TMethodTable& methods) override;

 private:
  // Gives the calendar the size its font needs and fits the label, the buttons and the dialog around
  // it with the defined margins.
  void FitToCalendar();
};

extern TfrmNew* frmNew;

// The weekday of a date in Hungarian whatever the system's language ("Vasárnap" .. "Szombat", as
// Windows-1250 text); "" for a day-of-week number outside 1..7 (which DayOfWeek never gives).
AnsiString HungarianWeekdayName(TDateTime date);
AnsiString HungarianWeekdayNameOf(int dayOfWeek);
// The day's title as the diary stores it: "yyyy.mm.dd - <weekday>"; its first 10 characters are the key.
AnsiString DayTitle(TDateTime date);

// Selects the day of that title in the diary's table, or inserts it (key = the first 10 characters of
// the title, empty text) and posts it; true when it inserted. Failures of the insert or post pass to
// the caller.
bool SelectOrInsertDay(TDataSet& table, const AnsiString& title);

// Registers TfrmNew with the definition reader (its definition is the resource TFRMNEW).
void RegisterNewForm();
