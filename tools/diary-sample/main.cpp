// Writes a small diary (a handful of days with Hungarian text) into the data file named on the
// command line, in the program's own format: the table "fans" with the diary's fields and its date
// index, saved as the program saves it. tools/run --sample-days uses it so that a first look at the
// program shows days; it never overwrites an existing file.
#include <cstdio>

#include "app/uNew.h"
#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemSettings.h"
#include "vcl/db/Fields.h"
#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/FileUtils.h"
#include "vcl/rtl/TextConv.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qnt_sample DATA_FILE\n");
    return 2;
  }
  const AnsiString fileName = argv[1];
  if (FileExists(fileName)) {
    std::fprintf(stderr, "qnt_sample: %s exists; left as it is\n", argv[1]);
    return 0;
  }
  struct Day {
    Word year, month, day;
    const char* text;
  };
  const Day days[] = {
      {2026, 12, 1, "Első hó. A kertben még zöld a fű, de reggel fehér volt a tető."},
      {2026, 12, 6, "Mikulás: dió, mogyoró és egy kis csoki a csizmában."},
      {2026, 12, 8, "Könyvtár, aztán hosszú séta a folyóparton. Árvíztűrő tükörfúrógép."},
      {2026, 12, 10, "Levelet írtam a nagymamának; holnap viszem a postára."},
      {2026, 12, 11, "Ma kezdtem naplót írni a Quillnote-tal."},
  };
  int result = 0;
  try {
    InitializeEngineFoundation();
    {
      TSQLMemTable table(nullptr);
      table.SetDatabaseName("MEMORY");
      table.SetTableName("fans");
      table.FieldDefs().Add("RecID", ftAutoInc);
      table.FieldDefs().Add("ShortDateDay", ftString, 10);
      table.FieldDefs().Add("Title", ftString, 25);
      table.FieldDefs().Add("Text", ftMemo);
      table.IndexDefs().Add("ByShortDate", "ShortDateDay", TIndexOptions{ixPrimary});
      table.SetIndexName("ByShortDate");
      table.CreateTable();
      table.Open();
      for (const Day& d : days) {
        SelectOrInsertDay(table, DayTitle(EncodeDate(d.year, d.month, d.day)));
        table.Edit();
        table.FieldByName("Text")->SetAsString(Utf8ToCp1250(d.text));
        table.Post();
      }
      table.Close();
      ForceDirectories(ExtractFileDir(fileName));
      table.SaveToFile(fileName, 1, 9, 0x200000);
    }
  } catch (const Exception& e) {
    std::fprintf(stderr, "qnt_sample: %s\n", Cp1250ToUtf8(e.Message()).c_str());
    result = 1;
  }
  FinalizeEngineFoundation();
  return result;
}
