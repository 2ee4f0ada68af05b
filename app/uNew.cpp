#include "app/uNew.h"

#include "app/uMain.h"
#include "vcl/db/DataSet.h"
#include "vcl/db/Fields.h"
#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/TextConv.h"

TfrmNew* frmNew = nullptr;

AnsiString HungarianWeekdayNameOf(int dayOfWeek) {
  // Written out here rather than taken from the system: the diary stores them, so they must not
  // follow the user's language settings.
  static const char* const kNames[] = {"Vasárnap", "Hétfő", "Kedd", "Szerda", "Csütörtök", "Péntek", "Szombat"};
  if (dayOfWeek < 1 || dayOfWeek > 7) return AnsiString();
  return Utf8ToCp1250(kNames[dayOfWeek - 1]);
}

AnsiString HungarianWeekdayName(TDateTime date) { return HungarianWeekdayNameOf(DayOfWeek(date)); }

AnsiString DayTitle(TDateTime date) {
  // The dots are literal characters, never the system's date separator: the key must sort by date.
  return FormatDateTime("yyyy.mm.dd", date) + " - " + HungarianWeekdayName(date);
}

bool SelectOrInsertDay(TDataSet& table, const AnsiString& title) {
  // Key and title come from one text, so the key always equals the title's first 10 characters.
  const AnsiString day = title.substr(0, 10);
  if (table.Locate("ShortDateDay", Variant(day), TLocateOptions{})) return false;
  table.Open();
  table.Insert();
  table.FieldByName("ShortDateDay")->SetAsString(day);
  table.FieldByName("Title")->SetAsString(title);
  table.FieldByName("Text")->SetAsString(AnsiString());
  table.Post();
  return true;
}

void TfrmNew::FormCreate(TObject*) {
  CalNew->SetDate(Now());
  FitToCalendar();
}

void TfrmNew::FitToCalendar() {
  // The defined layout: the calendar's left edge is the side margin, the buttons sit 20 pixels below
  // it, with the definition's space below them. Only the sizes follow the calendar.
  const Integer margin = CalNew->Left();
  const Integer buttonGap = btnOK->Top() - CalNew->Top() - CalNew->Height();
  const Integer bottomSpace = ClientHeight() - btnOK->Top() - btnOK->Height();
  const TPoint size = CalNew->MinimumSize();
  CalNew->SetBounds(margin, CalNew->Top(), size.X, size.Y);
  LabelDay->SetBounds(margin, LabelDay->Top(), size.X, LabelDay->Height());
  const Integer buttonTop = CalNew->Top() + size.Y + buttonGap;
  btnOK->SetBounds(margin, buttonTop, btnOK->Width(), btnOK->Height());
  btnCancel->SetBounds(margin + size.X - btnCancel->Width(), buttonTop, btnCancel->Width(), btnCancel->Height());
  SetClientSize(size.X + 2 * margin, buttonTop + btnOK->Height() + bottomSpace);
}

void TfrmNew::FormShow(TObject* sender) {
  // Each showing starts on the calendar, so that the keyboard moves the day at once (a click on OK the
  // last time left the focus there).
  SetActiveControl(CalNew);
  CalNewClick(sender);
}

void TfrmNew::CalNewClick(TObject*) { LabelDay->SetCaption(DayTitle(CalNew->Date())); }

void TfrmNew::btnOKClick(TObject*) {
  TDataSet* table = frmMain->Table();
  if (SelectOrInsertDay(*table, LabelDay->Caption())) frmMain->SQLMemTable1AfterScroll(table);
  frmMain->SetActiveControl(frmMain->Memo1);
  Close();
}

void TfrmNew::btnCancelClick(TObject*) { Close(); }

void TfrmNew::DefineFields(TFieldTable& fields) {
  fields.Add("LabelDay", LabelDay);
  fields.Add("CalNew", CalNew);
  fields.Add("btnOK", btnOK);
  fields.Add("btnCancel", btnCancel);
}

void TfrmNew::DefineMethods(TMethodTable& methods) {
  methods.Add("FormCreate", this, &TfrmNew::FormCreate);
  methods.Add("FormShow", this, &TfrmNew::FormShow);
  methods.Add("CalNewClick", this, &TfrmNew::CalNewClick);
  methods.Add("btnOKClick", this, &TfrmNew::btnOKClick);
  methods.Add("btnCancelClick", this, &TfrmNew::btnCancelClick);
}

void RegisterNewForm() { RegisterStreamedClass<TfrmNew, TForm>("TfrmNew"); }
