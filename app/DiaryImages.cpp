#include "app/DiaryImages.h"

const char* const kImageList1Icons[15] = {
    "DIARY_DAYNEW",  // 0: new day (grid menu)
    "DIARY_DELETE",  // 1: delete (tool bar, grid menu)
    "DIARY_BLANK",   "DIARY_BLANK", "DIARY_BLANK", "DIARY_BLANK", "DIARY_BLANK",
    "DIARY_HELP",    // 7: help
    "DIARY_SAVE",    // 8: save
    "DIARY_FIND",    // 9: find
    "DIARY_BLANK",
    "DIARY_DAYNEW",  // 11: new (tool bar)
    "DIARY_BLANK",
    "DIARY_HOME",    // 13: home page
    "DIARY_EXIT",    // 14: exit
};

const char* const kImageList2Icons[5] = {"DIARY_CUT", "DIARY_COPY", "DIARY_PASTE", "DIARY_SELECTALL", "DIARY_POST"};

void FillDiaryImageLists(TCustomImageList& imageList1, TCustomImageList& imageList2) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  imageList1.Clear();
  for (const char* name : kImageList1Icons) imageList1.AddIconResource(instance, name);
  imageList2.Clear();
  for (const char* name : kImageList2Icons) imageList2.AddIconResource(instance, name);
}
