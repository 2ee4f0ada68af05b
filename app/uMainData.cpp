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
  // A load takes the table name stored in the file; a file that cannot be used must not leave its
  // table (or its name) behind for the empty diary that follows.
  const AnsiString tableName = SQLMemTable1->TableName();
  try {
    if (SQLMemTable1->Exists()) SQLMemTable1->DeleteTable(false);
    SQLMemTable1->LoadFromFile(DataFileName());
    SQLMemTable1->Open();
    SQLMemTable1->Last();
  } catch (const Exception& e) {
    SQLMemTable1->Close();
    try {
      if (SQLMemTable1->Exists()) SQLMemTable1->DeleteTable(false);
    } catch (const Exception&) {
      // What the failed load left is unusable either way; the diary's own table is made below.
    }
    SQLMemTable1->SetTableName(tableName);
    KeepUnreadableDataFile(e.Message());
  }
}

AnsiString PrintableText(const AnsiString& text) {
  constexpr size_t kMaxLength = 200;
  AnsiString out;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    // Windows-1250 leaves 0x81, 0x83, 0x88, 0x90 and 0x98 without a character; 0xAD is a soft hyphen.
    const bool unassigned = c == 0x81 || c == 0x83 || c == 0x88 || c == 0x90 || c == 0x98 || c == 0xAD;
    if (c == '\r' || c == '\n' || c == '\t') {
      out += ' ';
    } else if (c < 0x20 || c == 0x7F || unassigned) {
      out += '?';
    } else {
      out += ch;
    }
    if (out.size() > kMaxLength) {
      out.resize(kMaxLength);
      out += "...";
      break;
    }
  }
  return out;
}

void TfrmMain::KeepUnreadableDataFile(const AnsiString& reason) {
  // The file stays as it is under another name, so that the next save cannot overwrite it and it can
  // still be mended or sent in; the diary goes on empty.
  const AnsiString fileName = DataFileName();
  const AnsiString keptName = KeptAsideName();
  AnsiString text = Utf8ToCp1250("A napló adatfájlja nem olvasható be:\r\n") + fileName + "\r\n\r\n" +
                    Utf8ToCp1250("Ok: ") + PrintableText(reason) + "\r\n\r\n";
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
  // The table is closed for the write and opened again on the same day, whether the write worked or
  // not: after a failed save the diary stays usable and can be saved again.
  TBookmark bookmark = SQLMemTable1->Active() ? SQLMemTable1->GetBookmark() : TBookmark();
  SQLMemTable1->DisableControls();
  auto reopen = [&] {
    try {
      SQLMemTable1->Open();
      if (!bookmark.IsNull() && SQLMemTable1->BookmarkValid(bookmark)) SQLMemTable1->GotoBookmark(bookmark);
    } catch (...) {
      SQLMemTable1->EnableControls();
      SQLMemTable1->FreeBookmark(bookmark);
      throw;
    }
    SQLMemTable1->EnableControls();
    SQLMemTable1->FreeBookmark(bookmark);
  };
  try {
    SQLMemTable1->Close();
    WriteDataFile();
  } catch (const Exception&) {
    try {
      reopen();
    } catch (const Exception&) {
      // The save's own error is the one to report.
    }
    throw;
  }
  reopen();
}

void TfrmMain::WriteDataFile() {
  if (saveBlocked_) {
    throw Exception(Utf8ToCp1250("A napló nem menthető: a beolvashatatlan adatfájlt nem sikerült félretenni (") +
                    DataFileName() + ").");
  }
  // A Data folder removed while the diary runs is made again.
  if (!DirectoryExists(DataFolder)) ForceDirectories(DataFolder);
  // The table writes a temporary file beside the data file and puts it in the file's place only once
  // it is complete: a failed save leaves the previous file as it was.
  SQLMemTable1->SaveToFile(DataFileName(), kZlib, kBestCompression, kBlockSize);
}

bool TfrmMain::PostOrDropEdit() {
  const TDataSetState state = SQLMemTable1->State();
  if (state != dsEdit && state != dsInsert) return true;
  try {
    SQLMemTable1->Post();
    return true;
  } catch (const Exception& e) {
    // Asking (rather than failing again at every close) is what lets the user out.
    const AnsiString text = Utf8ToCp1250("A szerkesztett napot nem sikerült rögzíteni:\r\n") + PrintableText(e.Message()) +
                            "\r\n\r\n" + Utf8ToCp1250("Elveti a módosítást, és kilép?");
    if (MessageDlg(text, mtConfirmation, TMsgDlgButtons{mbYes, mbNo}, 0, mbNo) != mrYes) return false;
  }
  SQLMemTable1->Cancel();
  return true;
}

void TfrmMain::FormClose(TObject*, TCloseAction& action) {
  // A day being edited is posted first: leaving saves, as the help text promises. When the post or
  // the save fails the user chooses: leave without it, or stay (the diary open on the same day).
  if (!PostOrDropEdit()) {
    action = caNone;
    return;
  }
  if (saveBlocked_) return;  // the user was told at start-up that this session cannot be saved
  try {
    SaveDataFile();
  } catch (const Exception& e) {
    const AnsiString text = Utf8ToCp1250("A naplót nem sikerült menteni:\r\n") + PrintableText(e.Message()) +
                            "\r\n\r\n" +
                            Utf8ToCp1250("Kilép mentés nélkül? A legutóbbi mentés óta bevitt változások elvesznek.");
    if (MessageDlg(text, mtWarning, TMsgDlgButtons{mbYes, mbNo}, 0, mbNo) != mrYes) action = caNone;
  }
}

void TfrmMain::SaveAtSessionEnd() noexcept {
  // The system ends the process after this message: nothing can be asked, and what cannot be posted
  // is dropped so that the days before it are still saved.
  try {
    if (!saveBlocked_) {
      const TDataSetState state = SQLMemTable1->State();
      if (state == dsEdit || state == dsInsert) {
        try {
          SQLMemTable1->Post();
        } catch (const Exception&) {
          SQLMemTable1->Cancel();
        }
      }
      SaveDataFile();
    }
  } catch (...) {
    // Nowhere to report it: the session is ending.
  }
}

void TfrmMain::btnSaveClick(TObject*) {
  if (SQLMemTable1->RecordCount() < 1) return;
  if (SQLMemTable1->State() != dsBrowse) return;
  SaveDataFile();
}
