// The main window's data file: where it lives, loading it when the window is created, writing it on
// request and when the window closes, and what happens to a file that cannot be read.
#include <chrono>
#include <ctime>

#include "app/uMain.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Dialogs.h"
#include "vcl/rtl/FileUtils.h"
#include "vcl/rtl/Format.h"
#include "vcl/rtl/TextConv.h"

AnsiString DataFolder;

AnsiString DataFileName() { return DataFolder + "\\" + "qnt.dat"; }

namespace {

// zlib at its best level, as the diary has always written the file; the block size only fills the
// header when nothing is compressed.
constexpr Byte kZlib = 1;
constexpr Byte kBestCompression = 9;
constexpr Integer kBlockSize = 0x200000;

// A free name beside the data file for keeping an unreadable one: "qnt-hibas-<date>-<time>.dat", with
// a counter when that is taken.
AnsiString KeptAsideName() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_s(&local, &now);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  const AnsiString base = DataFolder + "\\" + "qnt-hibas-" + stamp;
  AnsiString name = base + ".dat";
  for (int i = 2; FileExists(name) || DirectoryExists(name); ++i) name = base + "-" + std::to_string(i) + ".dat";
  return name;
}

}  // namespace

void TfrmMain::FormCreate(TObject*) {
  DataFolder = ExtractFileDir(Application->ExeName()) + "\\" + "Data";
  if (!DirectoryExists(DataFolder)) ForceDirectories(DataFolder);
  const AnsiString fileName = DataFileName();
  SQLMemTable1->Close();
  SQLMemTable1->IndexDefs().Clear();
  SQLMemTable1->IndexDefs().Add("ByShortDate", "ShortDateDay", TIndexOptions{ixPrimary});
  SQLMemTable1->SetIndexName("ByShortDate");
  if (FileExists(fileName)) {
    LoadDataFile();
  }
  // A first start, a start without the file and a start whose file could not be read begin with an
  // empty diary.
  if (!SQLMemTable1->Active() && !SQLMemTable1->Exists()) SQLMemTable1->CreateTable();
  SQLMemTable1->Open();
}

void TfrmMain::LoadDataFile() {
  SQLMemTable1->Close();
  try {
    if (SQLMemTable1->Exists()) SQLMemTable1->DeleteTable(false);
    SQLMemTable1->LoadFromFile(DataFileName());
    SQLMemTable1->Open();
    SQLMemTable1->Last();
  } catch (const Exception& e) {
    SQLMemTable1->Close();
    KeepUnreadableDataFile(e.Message());
  }
}

void TfrmMain::KeepUnreadableDataFile(const AnsiString& reason) {
  // The file stays as it is under another name, so that the next save cannot overwrite it and it can
  // still be mended or sent in; the diary goes on empty.
  const AnsiString fileName = DataFileName();
  const AnsiString keptName = KeptAsideName();
  AnsiString text = Utf8ToCp1250("A napló adatfájlja nem olvasható be:\r\n") + fileName + "\r\n\r\n" +
                    Utf8ToCp1250("Ok: ") + reason + "\r\n\r\n";
  if (RenameFile(fileName, keptName)) {
    text += Utf8ToCp1250("A fájlt változatlanul megőriztük ezen a néven:\r\n") + keptName + "\r\n\r\n" +
            Utf8ToCp1250("A program üres naplóval indul.");
  } else {
    saveBlocked_ = true;
    text += Utf8ToCp1250(
        "A fájlt nem sikerült átnevezni, ezért a program nem ír rá: ebben a munkamenetben a napló nem "
        "menthető.\r\nA program üres naplóval indul.");
  }
  MessageDlg(text, mtError, TMsgDlgButtons{mbOK}, 0);
}

void TfrmMain::SaveDataFile() {
  SQLMemTable1->Close();
  try {
    WriteDataFile();
  } catch (...) {
    // The diary stays usable (and can be saved again) after a failed save.
    SQLMemTable1->Open();
    throw;
  }
  SQLMemTable1->Open();
}

void TfrmMain::WriteDataFile() {
  if (saveBlocked_) {
    throw Exception(Utf8ToCp1250("A napló nem menthető: a beolvashatatlan adatfájlt nem sikerült félretenni (") +
                    DataFileName() + ").");
  }
  // The table writes a temporary file beside the data file and puts it in the file's place only once
  // it is complete: a failed save leaves the previous file as it was.
  SQLMemTable1->SaveToFile(DataFileName(), kZlib, kBestCompression, kBlockSize);
}

void TfrmMain::FormClose(TObject*, TCloseAction&) {
  // A day being edited is posted first: leaving saves, as the help text promises. A failing post or
  // save leaves the window open (the error is shown), so nothing typed is lost without a word.
  const TDataSetState state = SQLMemTable1->State();
  if (state == dsEdit || state == dsInsert) SQLMemTable1->Post();
  SQLMemTable1->Close();
  if (saveBlocked_) return;  // the user was told at start-up that this session cannot be saved
  WriteDataFile();
}

void TfrmMain::btnSaveClick(TObject*) {
  if (SQLMemTable1->RecordCount() < 1) return;
  if (SQLMemTable1->State() != dsBrowse) return;
  TBookmark bookmark = SQLMemTable1->GetBookmark();
  SQLMemTable1->DisableControls();
  try {
    SaveDataFile();
    SQLMemTable1->GotoBookmark(bookmark);
  } catch (...) {
    // The table is open again after a failed write: the day stays current there too.
    try {
      if (SQLMemTable1->Active() && SQLMemTable1->BookmarkValid(bookmark)) SQLMemTable1->GotoBookmark(bookmark);
    } catch (const Exception&) {
      // The save's own error is the one to report.
    }
    SQLMemTable1->EnableControls();
    SQLMemTable1->FreeBookmark(bookmark);
    throw;
  }
  SQLMemTable1->EnableControls();
  SQLMemTable1->FreeBookmark(bookmark);
}
