// The diary's main window, TfrmMain: the days in a grid on the left (ordered by date), the current
// day's text in a memo on the right, a tool bar, two pop-up menus and an action list whose shortcuts
// drive it. The whole diary is one in-memory table, loaded from Data\qnt.dat beside the program when
// the window is created and written back on request and when the window closes.
//
// Data safety: the file is written through a temporary file that replaces the old one only once it
// is complete; a file that cannot be read is never overwritten: it is renamed aside, the user is told
// so, and the diary starts empty; closing the window while a day is being edited posts the edit first,
// and so does the end of the Windows session. A day's text needs a day: with no current day the memo
// takes no typing. Closing never traps the user: a post or a save that fails on the way out asks
// whether to leave without it, and a "no" leaves the diary open and usable on the same day.
#pragma once
#include "app/InstCtrl.h"
#include "engine/dataset/SQLMemQuery.h"
#include "engine/dataset/SQLMemTable.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/db/DataSource.h"
#include "vcl/gui/ActionList.h"
#include "vcl/gui/DBGrid.h"
#include "vcl/gui/DBMemo.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/ImageList.h"
#include "vcl/gui/Panel.h"
#include "vcl/gui/PopupMenu.h"
#include "vcl/gui/Splitter.h"
#include "vcl/gui/StatusBar.h"
#include "vcl/gui/ToolBar.h"

class TfrmMain : public TForm {
 public:
  using TForm::TForm;

  TToolBar* ToolBar1 = nullptr;
  TToolButton* btnNew = nullptr;
  TToolButton* btnDelete = nullptr;
  TToolButton* btnSave = nullptr;
  TToolButton* btnFind = nullptr;
  TToolButton* btnHomePage = nullptr;
  TToolButton* btnHelp = nullptr;
  TToolButton* btnExit = nullptr;
  TStatusBar* StatusBar1 = nullptr;
  TPanel* PanelMain = nullptr;
  TPanel* PanelLeft = nullptr;
  TSplitter* Splitter1 = nullptr;
  TPanel* PanelRight = nullptr;
  TPanel* PanelImage = nullptr;
  TDBGrid* DBG1 = nullptr;
  TDBMemo* Memo1 = nullptr;
  TSQLMemTable* SQLMemTable1 = nullptr;
  TDataSource* DS1 = nullptr;
  TSQLMemQuery* SQLMemQuery1 = nullptr;
  TDataSource* DS2 = nullptr;
  TPopupMenu* PopupMenu1 = nullptr;
  TMenuItem* mnuCut = nullptr;
  TMenuItem* mnuCopy = nullptr;
  TMenuItem* mnuPaste = nullptr;
  TMenuItem* mnuSelectAll = nullptr;
  TMenuItem* mnuPost = nullptr;
  TPopupMenu* PopupMenu2 = nullptr;
  TMenuItem* mnuNewDay = nullptr;
  TMenuItem* mnuDeleteDay = nullptr;
  TActionList* ActionList1 = nullptr;
  TAction* acNewDay = nullptr;
  TAction* acDeleteDay = nullptr;
  TAction* acSave = nullptr;
  TAction* acFind = nullptr;
  TAction* acHomePage = nullptr;
  TAction* acReadme = nullptr;
  TAction* acExit = nullptr;
  TImageList* ImageList1 = nullptr;
  TImageList* ImageList2 = nullptr;
  TOneInstance* OneInstance1 = nullptr;
  TsSkinManager* sSkinManager1 = nullptr;
  TsSkinProvider* sSkinProvider1 = nullptr;

  // The table the grid and the memo show (SQLMemTable1, through the data source).
  TDataSet* Table() const { return DS1 != nullptr ? DS1->DataSet() : nullptr; }

  // ---- handlers ----
  void FormCreate(TObject* sender);
  void FormClose(TObject* sender, TCloseAction& action);
  void FormResize(TObject* sender);
  void btnNewClick(TObject* sender);
  void btnDeleteClick(TObject* sender);
  void btnSaveClick(TObject* sender);
  // Asks for a term and lists the days whose text holds it (in any letter case) in the search-result
  // window; an empty term and a search without hits only say so.
  void btnFindClick(TObject* sender);
  void btnHomePageClick(TObject* sender);
  void btnHelpClick(TObject* sender);
  void btnExitClick(TObject* sender);
  void DS1StateChange(TObject* sender);
  void DS1DataChange(TObject* sender, TField* field);
  void mnuPostClick(TObject* sender);
  void SQLMemTable1AfterScroll(TDataSet* dataSet);
  void mnuCutClick(TObject* sender);
  void mnuCopyClick(TObject* sender);
  void mnuPasteClick(TObject* sender);
  void mnuSelectAllClick(TObject* sender);
  void PopupMenu1Popup(TObject* sender);

  void DefineFields(TFieldTable& fields) override;
  void DefineMethods(TMethodTable& methods) override;
  void DefinitionLoaded() override;
  // The end of the Windows session saves as closing does (the system may end the process after it).
  void WndProc(TMessage& message) override;

 private:
  // The current day's title ("" without one).
  AnsiString CurrentTitle() const;
  // Loads the data file into the table and goes to the last day; a file that cannot be read is kept
  // aside (KeepUnreadableDataFile) and the table stays closed.
  void LoadDataFile();
  void KeepUnreadableDataFile(const AnsiString& reason);
  // Writes the table into the data file and opens it again on the same day, also when the write
  // fails (the error passes on).
  void SaveDataFile();
  void WriteDataFile();
  // Posts the day being edited; when the post fails, asks whether to drop the change (true when it
  // was posted, dropped, or there was no edit; false when the user keeps it).
  bool PostOrDropEdit();
  // The memo takes typing only while there is a current day.
  void UpdateMemoAccess();
  // WM_ENDSESSION: post (or drop) the edit and save, without asking anything; errors are swallowed.
  void SaveAtSessionEnd() noexcept;

  // Set when an unreadable data file could not be renamed: nothing may then be written over it.
  bool saveBlocked_ = false;
};

// The main window, once Application->CreateForm has made it.
extern TfrmMain* frmMain;

// The folder of the diary's data: "Data" beside the program (set when the main window is created),
// and the data file in it, "qnt.dat".
extern AnsiString DataFolder;
AnsiString DataFileName();

// The grid's colour while a day is being edited (light blue, 0x00BBGGRR) and the status bar's warning then.
inline constexpr TColor kEditingGridColor = static_cast<TColor>(0xF0CAA6);
AnsiString EditingWarning();

// The search's statement over the diary's table and the value of its parameter p for a term: the
// term in lower case (as LOWER maps letters), framed in "%"; "%" and "_" in it act as wildcards.
AnsiString SearchStatement(const AnsiString& tableName);
AnsiString SearchPattern(const AnsiString& term);

// An error text as the diary shows it: characters that do not print (control bytes, bytes with no
// character in Windows-1250, as a damaged file's raw bytes can be) become "?", line breaks a space,
// and a text past 200 characters is cut with "...".
AnsiString PrintableText(const AnsiString& text);

// Registers TfrmMain, the skin manager and the diary's own components with the definition reader (the window's
// definition is the resource TFRMMAIN).
void RegisterMainForm();
