// The main window's two image lists, filled from the program's ICON resources (drawn by
// tools/make-diary-icons). ImageList1 serves the tool bar, the grid's menu and the actions; ImageList2
// the memo's menus. Each index holds the image its users name in the window's definition.
#pragma once
#include "vcl/gui/ImageList.h"

// The resource names of ImageList1's and ImageList2's images, by index ("DIARY_BLANK" where no
// control shows the image).
extern const char* const kImageList1Icons[15];
extern const char* const kImageList2Icons[5];

// Replaces the images of both lists with the program's icons.
void FillDiaryImageLists(TCustomImageList& imageList1, TCustomImageList& imageList2);
