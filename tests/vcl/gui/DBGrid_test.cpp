// The data grid over a 1000-record dataset: keys, mouse clicks, the wheel and the vertical scroll bar
// move the dataset's current record and the grid keeps it in view; rows follow the grid's height;
// columns, options, colours and the border change at run time; what it paints (the selection, the
// colours, Hungarian text) is read back from its pixels.
#include "vcl/gui/DBGrid.h"

#include <gtest/gtest.h>

#include <string>

#include "GuiTestSupport.h"
#include "vcl/db/ArrayDataSet.h"
#include "vcl/gui/Button.h"
#include "vcl/gui/PopupMenuBase.h"
#include "vcl/rtl/TextConv.h"

using dbtest::Column;
using dbtest::TArrayDataSet;

namespace {

AnsiString Hu(const char* utf8) { return Utf8ToCp1250(utf8); }

class TfrmDBGrid : public TForm {
 public:
  explicit TfrmDBGrid(TComponent* owner) : TForm(owner) {
    SetClientSize(420, 320);
    dataSet = New<TArrayDataSet>(this, std::vector<Column>{{"ID", ftInteger}, {"Title", ftString, 25}, {"Text", ftMemo}});
    source = New<TDataSource>(this);
    source->SetDataSet(dataSet);
    grid = New<TDBGrid>(this);
    grid->SetBounds(10, 10, 250, 200);
    grid->SetColor(clWhite);
    grid->SetParent(this);
    button = New<TButton>(this);
    button->SetBounds(300, 10, 75, 25);
    button->SetParent(this);
  }
  TArrayDataSet* dataSet;
  TDataSource* source;
  TDBGrid* grid;
  TButton* button;
};

// A bitmap of a window's client area as the window paints it (WM_PRINTCLIENT).
class ClientImage {
 public:
  explicit ClientImage(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    width_ = r.right;
    height_ = r.bottom;
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, width_, height_);
    ReleaseDC(nullptr, screen);
    old_ = SelectObject(dc_, bitmap_);
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
  }
  // An image of the same size to draw the expected picture on.
  ClientImage(int width, int height) : width_(width), height_(height) {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, width_, height_);
    ReleaseDC(nullptr, screen);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~ClientImage() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  ClientImage(const ClientImage&) = delete;
  ClientImage& operator=(const ClientImage&) = delete;
  HDC Dc() const { return dc_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  COLORREF Pixel(int x, int y) const { return GetPixel(dc_, x, y); }

 private:
  int width_ = 0;
  int height_ = 0;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

struct DBGridFixture : ::testing::Test {
  std::unique_ptr<TfrmDBGrid> form{New<TfrmDBGrid>(nullptr)};
  TDBGrid& grid = *form->grid;
  TArrayDataSet& ds = *form->dataSet;

  void SetUp() override {
    ds.Open();
    for (int i = 1; i <= 1000; ++i)
      ds.AppendRecord({i, Hu("Nap ") + std::to_string(i), "text " + std::to_string(i)});
    ds.First();
    auto* column = grid.Columns().Add();
    column->SetFieldName("Title");
    column->SetWidth(120);
    grid.Columns().Add()->SetFieldName("ID");
    grid.SetOptions(TDBGridOptions{dgColumnResize, dgColLines, dgRowLines, dgTabs, dgRowSelect, dgAlwaysShowSelection,
                                   dgCancelOnExit});
    grid.SetDataSource(form->source);
    form->Show();
    grid.SetFocus();
    guitest::Pump();
  }
  void TearDown() override { guitest::Pump(); }

  void Key(WORD key, std::initializer_list<int> down = {}) {
    guitest::KeysDown keys(down);
    guitest::PostKey(grid.Handle(), key);
    guitest::Pump();
  }
  void Mouse(UINT msg, TPoint p, WPARAM keys = 0) {
    SendMessageW(grid.Handle(), msg, keys, MAKELPARAM(p.X, p.Y));
  }
  void Click(TPoint p) {
    Mouse(WM_LBUTTONDOWN, p, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, p);
  }
  static TPoint Centre(const TRect& r) { return Point((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2); }
  SCROLLINFO VerticalBar() {
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_ALL;
    GetScrollInfo(grid.Handle(), SB_VERT, &si);
    return si;
  }
  // The record number shown in the grid's first row.
  int TopRecNo() { return ds.RecNo() - grid.DataLink().ActiveRecord(); }
  // The grid shows the current record and the scroll bar's thumb stands on it.
  void ExpectInStep() {
    const int rows = grid.VisibleRowCount();
    EXPECT_EQ(grid.DataLink().BufferCount(), rows);
    EXPECT_GE(grid.DataLink().ActiveRecord(), 0);
    EXPECT_LT(grid.DataLink().ActiveRecord(), rows);
    const SCROLLINFO si = VerticalBar();
    EXPECT_EQ(si.nPos, ds.RecNo());
    EXPECT_EQ(si.nMin, 1);
    EXPECT_EQ(si.nMax, 1000 + rows - 1);
    EXPECT_EQ(static_cast<int>(si.nPage), rows);
  }
  // Whether the cell shows exactly `text`, drawn in the grid's font at the cell's text position in the
  // given colours (compared inside the cell, one pixel in from its edges).
  // Right-aligned text (numbers) ends 3 pixels in from the right.
  bool CellShows(int column, int row, const std::u16string& text, COLORREF background, COLORREF foreground,
                 TAlignment alignment = taLeftJustify) {
    const TRect cell = grid.CellRect(column, row);
    if (cell.IsEmpty()) return false;
    ClientImage actual(grid.Handle());
    ClientImage expected(actual.Width(), actual.Height());
    HGDIOBJ oldFont = SelectObject(expected.Dc(), grid.Font().Handle());
    SetTextColor(expected.Dc(), foreground);
    SetBkColor(expected.Dc(), background);
    const auto* w = reinterpret_cast<const wchar_t*>(text.c_str());
    SIZE extent{};
    GetTextExtentPoint32W(expected.Dc(), w, static_cast<int>(text.size()), &extent);
    const int x = alignment == taRightJustify ? cell.Right - extent.cx - 3 : cell.Left + 2;
    const RECT r = ToRECT(cell);
    ExtTextOutW(expected.Dc(), x, cell.Top + 2, ETO_CLIPPED | ETO_OPAQUE, &r, w, static_cast<UINT>(text.size()), nullptr);
    SelectObject(expected.Dc(), oldFont);
    int ink = 0;
    for (int y = cell.Top + 1; y < cell.Bottom - 1; ++y)
      for (int x = cell.Left + 1; x < cell.Right - 1; ++x) {
        if (actual.Pixel(x, y) != expected.Pixel(x, y)) return false;
        if (expected.Pixel(x, y) != background) ++ink;
      }
    return ink > 0 || text.empty();
  }
};

}  // namespace

TEST_F(DBGridFixture, WindowOfItsOwnClassWithAVerticalScrollBar) {
  EXPECT_EQ(guitest::WindowClassOf(grid.Handle()), L"TDBGrid");
  EXPECT_NE(GetWindowLongPtrW(grid.Handle(), GWL_STYLE) & WS_VSCROLL, 0);
  EXPECT_NE(GetWindowLongPtrW(grid.Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(SendMessageW(grid.Handle(), CM_GETDATALINK, 0, 0), reinterpret_cast<LRESULT>(&grid.DataLink()));
  ExpectInStep();
  EXPECT_EQ(ds.RecNo(), 1);
  // No border: the client area grows by the edges.
  const Integer clientWidth = grid.ClientWidth();
  grid.SetBorderStyle(bsNone);
  EXPECT_EQ(GetWindowLongPtrW(grid.Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(grid.ClientWidth(), clientWidth + 2 * GetSystemMetrics(SM_CXEDGE));
  EXPECT_EQ(grid.ClientWidth(), grid.Width() - GetSystemMetrics(SM_CXVSCROLL));
  ExpectInStep();
}

TEST_F(DBGridFixture, KeysMoveTheCurrentRecordAndTheGridFollows) {
  const int rows = grid.VisibleRowCount();
  ASSERT_GT(rows, 5);
  struct Step {
    const char* what;
    WORD key;
    std::initializer_list<int> down;
    int recNo;  // expected afterwards
  };
  const Step steps[] = {
      {"Down", VK_DOWN, {}, 2},
      {"Down", VK_DOWN, {}, 3},
      {"Up", VK_UP, {}, 2},
      {"Page Down", VK_NEXT, {}, 2 + rows},
      {"Page Down", VK_NEXT, {}, 2 + 2 * rows},
      {"Page Up", VK_PRIOR, {}, 2 + rows},
      {"Ctrl+End", VK_END, {VK_CONTROL, VK_LCONTROL}, 1000},
      {"Down at the end", VK_DOWN, {}, 1000},
      {"Page Down at the end", VK_NEXT, {}, 1000},
      {"Up", VK_UP, {}, 999},
      {"Ctrl+Home", VK_HOME, {VK_CONTROL, VK_LCONTROL}, 1},
      {"Up at the start", VK_UP, {}, 1},
      {"Page Up at the start", VK_PRIOR, {}, 1},
      {"End (row select)", VK_END, {}, 1000},
      {"Home (row select)", VK_HOME, {}, 1},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    Key(s.key, s.down);
    EXPECT_EQ(ds.RecNo(), s.recNo);
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), s.recNo);
    ExpectInStep();
  }
  // Paging keeps the window of rows moving with the record: a page down from the top row shows the
  // next page.
  Key(VK_NEXT);
  EXPECT_EQ(TopRecNo(), 2);
  EXPECT_EQ(grid.DataLink().ActiveRecord(), rows - 1);

  // Without row select Home and End pick the first and last column and leave the record alone.
  grid.SetOptions(grid.Options().Exclude(dgRowSelect));
  const int recNo = ds.RecNo();
  Key(VK_END);
  EXPECT_EQ(grid.SelectedIndex(), 1);
  EXPECT_EQ(grid.SelectedField(), ds.FieldByName("ID"));
  Key(VK_LEFT);
  EXPECT_EQ(grid.SelectedIndex(), 0);
  Key(VK_HOME);
  EXPECT_EQ(grid.SelectedIndex(), 0);
  EXPECT_EQ(ds.RecNo(), recNo);
}

TEST_F(DBGridFixture, MouseSelectsTheClickedRowAndTheWheelMovesByRecords) {
  Key(VK_NEXT);
  Key(VK_NEXT);  // somewhere in the middle, the window of rows scrolled
  const int top = TopRecNo();
  ASSERT_GT(top, 1);
  Click(Centre(grid.CellRect(0, 4)));
  EXPECT_EQ(ds.RecNo(), top + 4);
  EXPECT_EQ(grid.DataLink().ActiveRecord(), 4);
  EXPECT_EQ(TopRecNo(), top);  // a click inside the window does not scroll it
  Click(Centre(grid.CellRect(1, 0)));
  EXPECT_EQ(ds.RecNo(), top);
  ExpectInStep();

  // Without row select the clicked cell's column is selected too.
  grid.SetOptions(grid.Options().Exclude(dgRowSelect));
  Click(Centre(grid.CellRect(1, 2)));
  EXPECT_EQ(ds.RecNo(), top + 2);
  EXPECT_EQ(grid.SelectedIndex(), 1);
  int clicked = 0;
  TColumn* clickedColumn = nullptr;
  grid.OnCellClick = [&](TColumn* column) {
    ++clicked;
    clickedColumn = column;
  };
  Click(Centre(grid.CellRect(0, 3)));
  EXPECT_EQ(clicked, 1);
  EXPECT_EQ(clickedColumn, grid.Columns()[0]);

  // The wheel: one record per notch, partial turns add up.
  const int before = ds.RecNo();
  auto wheel = [&](int delta) {
    SendMessageW(grid.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), 0);
  };
  wheel(-WHEEL_DELTA);
  EXPECT_EQ(ds.RecNo(), before + 1);
  wheel(2 * WHEEL_DELTA);
  EXPECT_EQ(ds.RecNo(), before - 1);
  wheel(-WHEEL_DELTA / 2);
  EXPECT_EQ(ds.RecNo(), before - 1);
  wheel(-WHEEL_DELTA / 2);
  EXPECT_EQ(ds.RecNo(), before);
  ExpectInStep();
}

TEST_F(DBGridFixture, ClicksBelowTheLastRecordChangeNothing) {
  // A short dataset leaves empty rows under its records.
  while (ds.RowCount() > 3) ds.DeleteRowAt(3);
  ds.Refresh();
  ds.First();
  ASSERT_GT(grid.VisibleRowCount(), 5);
  Click(Centre(grid.CellRect(0, 5)));
  EXPECT_EQ(ds.RecNo(), 1);
  Click(Centre(grid.CellRect(0, 2)));
  EXPECT_EQ(ds.RecNo(), 3);
  // The scroll bar still shows the record's place: three records, one screen.
  const SCROLLINFO si = VerticalBar();
  EXPECT_EQ(si.nPos, 3);
  EXPECT_EQ(si.nMax, 3 + grid.VisibleRowCount() - 1);
}

TEST_F(DBGridFixture, VerticalScrollBarNavigatesThroughTheDataSet) {
  const int rows = grid.VisibleRowCount();
  auto scroll = [&](WORD code, WORD position = 0) {
    SendMessageW(grid.Handle(), WM_VSCROLL, MAKEWPARAM(code, position), 0);
  };
  struct Step {
    const char* what;
    WORD code;
    WORD position;
    int recNo;
    int top;  // the record in the first row, 0: not checked
  };
  // A line down makes the record under the window current and scrolls by one; a line up the one above.
  const Step steps[] = {
      {"line down", SB_LINEDOWN, 0, rows + 1, 2},
      {"line down", SB_LINEDOWN, 0, rows + 2, 3},
      {"line up", SB_LINEUP, 0, 2, 2},
      {"page down", SB_PAGEDOWN, 0, 2 + rows, 0},
      {"page up", SB_PAGEUP, 0, 2, 0},
      {"thumb to 500", SB_THUMBPOSITION, 500, 500, 0},
      {"thumb tracking moves nothing", SB_THUMBTRACK, 700, 500, 0},
      {"thumb to the end", SB_THUMBPOSITION, 1000, 1000, 1000 - rows + 1},
      {"thumb to 1", SB_THUMBPOSITION, 1, 1, 1},
      {"bottom", SB_BOTTOM, 0, 1000, 0},
      {"top", SB_TOP, 0, 1, 1},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    scroll(s.code, s.position);
    EXPECT_EQ(ds.RecNo(), s.recNo);
    if (s.top != 0) {
      EXPECT_EQ(TopRecNo(), s.top);
    }
    ExpectInStep();
  }
}

TEST_F(DBGridFixture, UnnumberedDataSetGetsAFivePositionBar) {
  class TUnnumbered : public TArrayDataSet {
   public:
    using TArrayDataSet::TArrayDataSet;
    bool IsSequenced() override { return false; }
  };
  auto* other = New<TUnnumbered>(form.get(), std::vector<Column>{{"ID", ftInteger}});
  other->Open();
  for (int i = 1; i <= 100; ++i) other->AppendRecord({i});
  other->First();
  form->source->SetDataSet(other);
  SCROLLINFO si = VerticalBar();
  EXPECT_EQ(si.nMax, 4);
  EXPECT_EQ(si.nPos, 0);
  other->MoveBy(50);
  si = VerticalBar();
  EXPECT_EQ(si.nPos, 2);
  SendMessageW(grid.Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 4), 0);
  EXPECT_EQ(other->FieldByName("ID")->AsInteger(), 100);
  EXPECT_EQ(VerticalBar().nPos, 4);
  SendMessageW(grid.Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 1), 0);  // a page up
  EXPECT_EQ(other->FieldByName("ID")->AsInteger(), 100 - grid.VisibleRowCount());
}

TEST_F(DBGridFixture, RowsFollowTheHeightAndTheOptions) {
  const int rows = grid.VisibleRowCount();
  const Integer step = grid.DefaultRowHeight() + 1;  // a row and its line
  Key(VK_NEXT);
  const int recNo = ds.RecNo();
  grid.SetHeight(grid.Height() + 3 * step);
  EXPECT_EQ(grid.VisibleRowCount(), rows + 3);
  EXPECT_EQ(ds.RecNo(), recNo);  // more rows, the same current record
  ExpectInStep();
  grid.SetHeight(grid.Height() - 5 * step);
  EXPECT_EQ(grid.VisibleRowCount(), rows - 2);
  EXPECT_EQ(ds.RecNo(), recNo);
  ExpectInStep();

  // A title row takes one row; the indicator moves the columns right.
  const int before = grid.VisibleRowCount();
  const TRect cell = grid.CellRect(0, 0);
  grid.SetOptions(grid.Options().Include(dgTitles).Include(dgIndicator));
  EXPECT_EQ(grid.VisibleRowCount(), before - 1);
  EXPECT_EQ(grid.CellRect(0, 0).Left, cell.Left + 12);
  EXPECT_EQ(grid.CellRect(0, 0).Top, cell.Top + step);
  EXPECT_EQ(grid.CellRect(0, -1).Top, 0);
  ExpectInStep();
  // Tiny grids still show one row.
  grid.SetHeight(5);
  EXPECT_EQ(grid.VisibleRowCount(), 1);
  ExpectInStep();
}

TEST_F(DBGridFixture, SelectionColourAndRunTimeColourChanges) {
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  const COLORREF white = RGB(255, 255, 255);
  Key(VK_DOWN);  // the current record on row 1
  // A pixel on the right of a row's first cell, clear of the text and the focus frame.
  auto pixelOfRow = [&](int row) {
    const TRect r = grid.CellRect(0, row);
    ClientImage image(grid.Handle());
    return image.Pixel(r.Right - 4, (r.Top + r.Bottom) / 2);
  };
  EXPECT_EQ(pixelOfRow(1), highlight);
  EXPECT_EQ(pixelOfRow(0), white);
  EXPECT_EQ(pixelOfRow(2), white);

  // Unfocused: the selection shows only with dgAlwaysShowSelection.
  form->button->SetFocus();
  guitest::Pump();
  EXPECT_EQ(pixelOfRow(1), highlight);
  grid.SetOptions(grid.Options().Exclude(dgAlwaysShowSelection));
  EXPECT_EQ(pixelOfRow(1), white);

  // Colour and Enabled change at run time, as the diary does while a day is being edited.
  const TColor editColour = 0xF0CAA6;
  grid.SetColor(editColour);
  grid.SetEnabled(false);
  EXPECT_EQ(pixelOfRow(0), static_cast<COLORREF>(editColour));
  EXPECT_FALSE(IsWindowEnabled(grid.Handle()));
  EXPECT_FALSE(grid.CanFocus());
  grid.SetColor(clWhite);
  grid.SetEnabled(true);
  EXPECT_EQ(pixelOfRow(0), white);
  EXPECT_TRUE(IsWindowEnabled(grid.Handle()));
}

TEST_F(DBGridFixture, HungarianTextIsPaintedAsUnicode) {
  ds.First();
  ds.Next();
  ds.Edit();
  ds.FieldByName("Title")->SetAsString(Hu("2024.01.08 - Hétfő ŐŰőű"));
  ds.Post();
  ds.First();
  const COLORREF text = ColorToRGB(grid.Font().Color());
  EXPECT_TRUE(CellShows(0, 1, u"2024.01.08 - Hétfő ŐŰőű", RGB(255, 255, 255), text));
  // What a conversion through another code page would have shown.
  EXPECT_FALSE(CellShows(0, 1, u"2024.01.08 - H\u00e9tf\u00f5 \u00d5\u00db\u00f5\u00fb", RGB(255, 255, 255), text));
  EXPECT_TRUE(CellShows(1, 1, u"2", RGB(255, 255, 255), text, taRightJustify));
}

TEST_F(DBGridFixture, ColumnsChangeAtRunTime) {
  const COLORREF white = RGB(255, 255, 255);
  const COLORREF text = ColorToRGB(grid.Font().Color());
  ds.First();
  EXPECT_TRUE(CellShows(0, 1, u"Nap 2", white, text));
  grid.Columns()[0]->SetFieldName("Text");
  EXPECT_TRUE(CellShows(0, 1, u"(MEMO)", white, text));
  grid.Columns()[0]->SetFieldName("ID");
  EXPECT_TRUE(CellShows(0, 1, u"2", white, text, taRightJustify));  // the field's alignment
  grid.Columns()[0]->SetAlignment(taLeftJustify);
  EXPECT_TRUE(CellShows(0, 1, u"2", white, text));
  grid.Columns()[0]->SetFieldName("NoSuchField");  // an empty column, no error
  EXPECT_TRUE(CellShows(0, 1, u"", white, text));
  grid.Columns()[0]->SetFieldName("Title");

  grid.Columns()[0]->SetWidth(80);
  EXPECT_EQ(grid.CellRect(0, 0).Width(), 80);
  EXPECT_EQ(grid.CellRect(1, 0).Left, grid.CellRect(0, 0).Right + 1);

  // Titles: the caption as set, else the field's label.
  grid.SetOptions(grid.Options().Include(dgTitles));
  grid.Columns()[0]->Title().SetCaption(Hu("Cím:"));
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const COLORREF faceText = GetSysColor(COLOR_BTNTEXT);
  EXPECT_TRUE(CellShows(0, -1, u"Cím:", face, faceText));
  EXPECT_TRUE(CellShows(1, -1, u"ID", face, faceText));

  // A hidden column takes no room.
  const Integer idLeft = grid.CellRect(1, 0).Left;
  grid.Columns()[0]->SetVisible(false);
  EXPECT_EQ(grid.CellRect(0, 0).Left, idLeft - 81);
  EXPECT_EQ(grid.SelectedField(), ds.FieldByName("ID"));
}

TEST_F(DBGridFixture, DefaultColumnsComeFromTheFieldsUntilTheColumnsAreChanged) {
  grid.Columns().Clear();
  form->source->SetDataSet(nullptr);
  form->source->SetDataSet(&ds);
  ASSERT_EQ(grid.Columns().Count(), 3);
  EXPECT_EQ(grid.Columns()[0]->FieldName(), "ID");
  EXPECT_EQ(grid.Columns()[2]->FieldName(), "Text");
  // Hiding a field drops its column; closing drops them all; opening brings them back.
  ds.FieldByName("Text")->SetVisible(false);
  EXPECT_EQ(grid.Columns().Count(), 2);
  ds.Close();
  EXPECT_EQ(grid.Columns().Count(), 0);
  ds.Open();
  EXPECT_EQ(grid.Columns().Count(), 3);
  // Changed columns are the grid's own from then on.
  grid.Columns()[0]->SetWidth(30);
  ds.Close();
  ds.Open();
  ASSERT_EQ(grid.Columns().Count(), 3);
  EXPECT_EQ(grid.Columns()[0]->Width(), 30);
}

TEST_F(DBGridFixture, TabsMoveThroughCellsAndLeaveAtTheEnd) {
  EXPECT_NE(SendMessageW(grid.Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB, 0);
  grid.SetOptions(grid.Options().Exclude(dgRowSelect));
  Key(VK_TAB);
  EXPECT_EQ(grid.SelectedIndex(), 1);
  EXPECT_EQ(ds.RecNo(), 1);
  Key(VK_TAB);  // the last cell of the row: on to the next record's first
  EXPECT_EQ(grid.SelectedIndex(), 0);
  EXPECT_EQ(ds.RecNo(), 2);
  Key(VK_TAB, {VK_SHIFT, VK_LSHIFT});
  EXPECT_EQ(grid.SelectedIndex(), 1);
  EXPECT_EQ(ds.RecNo(), 1);
  Key(VK_TAB, {VK_SHIFT, VK_LSHIFT});
  EXPECT_EQ(grid.SelectedIndex(), 0);
  Key(VK_TAB, {VK_SHIFT, VK_LSHIFT});  // before the first cell: the focus moves on
  EXPECT_EQ(GetFocus(), form->button->Handle());

  // Without dgTabs the grid does not take Tab: the form moves the focus.
  grid.SetFocus();
  grid.SetOptions(grid.Options().Exclude(dgTabs));
  EXPECT_EQ(SendMessageW(grid.Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB, 0);
  Key(VK_TAB);
  EXPECT_EQ(GetFocus(), form->button->Handle());
  EXPECT_EQ(ds.RecNo(), 1);
}

TEST_F(DBGridFixture, LeavingTheGridCancelsAnUntouchedInsert) {
  ds.Insert();
  form->button->SetFocus();
  guitest::Pump();
  EXPECT_EQ(ds.State(), dsBrowse);
  EXPECT_EQ(ds.RecordCount(), 1000);

  grid.SetFocus();
  ds.Insert();
  ds.FieldByName("Title")->SetAsString("kept");
  form->button->SetFocus();
  EXPECT_EQ(ds.State(), dsInsert);  // something was typed: it stays for the user to post
  ds.Cancel();

  grid.SetFocus();
  grid.SetOptions(grid.Options().Exclude(dgCancelOnExit));
  ds.Insert();
  form->button->SetFocus();
  EXPECT_EQ(ds.State(), dsInsert);
  ds.Cancel();
}

TEST_F(DBGridFixture, ColumnBordersInTheTitleRowCanBeDragged) {
  grid.SetOptions(grid.Options().Include(dgTitles));
  const TRect title = grid.CellRect(0, -1);
  const Integer width = grid.Columns()[0]->Width();
  const TPoint border = Point(title.Right, title.Top + 3);
  Mouse(WM_LBUTTONDOWN, border, MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, Point(border.X + 30, border.Y), MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, Point(border.X + 25, border.Y + 40), MK_LBUTTON);
  Mouse(WM_LBUTTONUP, Point(border.X + 25, border.Y + 40));
  EXPECT_EQ(grid.Columns()[0]->Width(), width + 25);
  EXPECT_EQ(ds.RecNo(), 1);  // no row was clicked

  // Clicking a title is no drag.
  int titles = 0;
  grid.OnTitleClick = [&](TColumn* column) { titles += column == grid.Columns()[1] ? 1 : 100; };
  Click(Centre(grid.CellRect(1, -1)));
  EXPECT_EQ(titles, 1);
  EXPECT_EQ(grid.Columns()[1]->IsWidthStored(), false);

  // Without dgColumnResize the border is only a border.
  grid.SetOptions(grid.Options().Exclude(dgColumnResize));
  const TPoint border2 = Point(grid.CellRect(0, -1).Right, 3);
  Mouse(WM_LBUTTONDOWN, border2, MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, Point(border2.X + 30, 3), MK_LBUTTON);
  Mouse(WM_LBUTTONUP, Point(border2.X + 30, 3));
  EXPECT_EQ(grid.Columns()[0]->Width(), width + 25);
}

TEST_F(DBGridFixture, WideColumnsScrollSideways) {
  EXPECT_EQ(GetWindowLongPtrW(grid.Handle(), GWL_STYLE) & WS_HSCROLL, 0);
  grid.Columns()[0]->SetWidth(200);  // with the ID column wider than the grid
  ASSERT_GT(200 + 1 + grid.Columns()[1]->Width(), grid.ClientWidth());
  EXPECT_NE(GetWindowLongPtrW(grid.Handle(), GWL_STYLE) & WS_HSCROLL, 0);
  EXPECT_EQ(grid.CellRect(1, 0).Left, 201);
  SendMessageW(grid.Handle(), WM_HSCROLL, MAKEWPARAM(SB_LINERIGHT, 0), 0);
  EXPECT_EQ(grid.CellRect(1, 0).Left, 201 - 20);
  EXPECT_EQ(grid.CellRect(0, 0).Left, 0);  // the first column's visible part starts at the edge
  EXPECT_EQ(grid.CellRect(0, 0).Right, 180);
  // With row select the arrow keys scroll sideways.
  Key(VK_RIGHT);
  EXPECT_EQ(grid.CellRect(1, 0).Left, 201 - 40);
  Key(VK_LEFT);
  EXPECT_EQ(grid.CellRect(1, 0).Left, 201 - 20);
  // Selecting a column scrolls it into view.
  grid.SetOptions(grid.Options().Exclude(dgRowSelect));
  grid.SetSelectedIndex(1);
  EXPECT_EQ(grid.CellRect(1, 0).Right, grid.ClientWidth());
  EXPECT_EQ(grid.CellRect(1, 0).Width(), grid.Columns()[1]->Width());
  grid.SetSelectedIndex(0);
  EXPECT_EQ(grid.CellRect(1, 0).Left, 201);
  // Narrow again: no bar, nothing scrolled.
  SendMessageW(grid.Handle(), WM_HSCROLL, MAKEWPARAM(SB_RIGHT, 0), 0);
  grid.Columns()[0]->SetWidth(50);
  EXPECT_EQ(GetWindowLongPtrW(grid.Handle(), GWL_STYLE) & WS_HSCROLL, 0);
  EXPECT_EQ(grid.CellRect(1, 0).Left, 51);
}

TEST_F(DBGridFixture, RightClickShowsThePopupMenu) {
  class TRecordingMenu : public TPopupMenuBase {
   public:
    using TPopupMenuBase::TPopupMenuBase;
    void Popup(Integer x, Integer y) override {
      ++popups;
      at = Point(x, y);
    }
    bool IsShortCut(const TWMKey&) override { return false; }
    int popups = 0;
    TPoint at;
  };
  auto* menu = New<TRecordingMenu>(form.get());
  grid.SetPopupMenu(menu);
  const TPoint p = grid.ClientToScreen(Point(20, 30));
  SendMessageW(grid.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(grid.Handle()), MAKELPARAM(p.X, p.Y));
  EXPECT_EQ(menu->popups, 1);
  EXPECT_EQ(menu->at, p);
  EXPECT_EQ(menu->PopupComponent(), &grid);
}

TEST_F(DBGridFixture, ClosingOrLosingTheDataLeavesAnEmptyGrid) {
  ds.Close();
  EXPECT_FALSE(grid.DataLink().Active());
  EXPECT_EQ(VerticalBar().nMax, 0);  // nothing to scroll
  Key(VK_DOWN);  // nothing to move
  Click(Centre(grid.CellRect(0, 1)));
  SendMessageW(grid.Handle(), WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
  ds.Open();
  EXPECT_EQ(ds.RecNo(), 1);
  ExpectInStep();
  // The data source goes away: the grid lets go of it.
  delete form->source;
  EXPECT_EQ(grid.DataSource(), nullptr);
  ClientImage image(grid.Handle());  // still paints
  EXPECT_EQ(image.Pixel(5, 5), RGB(255, 255, 255));
}

TEST_F(DBGridFixture, AMoveWithinTheShownRowsRepaintsOnlyTheTwoRowsAndAScrollRepaintsAll) {
  const Integer step = grid.DefaultRowHeight() + 1;  // a row and its line
  const int rows = grid.VisibleRowCount();
  RECT client{};
  GetClientRect(grid.Handle(), &client);
  auto updated = [&] {
    RECT r{};
    GetUpdateRect(grid.Handle(), &r, FALSE);
    return r;
  };
  // What the window shows equals what the grid paints for its state: no stale highlight is left.
  auto showsItsState = [&] {
    const ClientImage expected(grid.Handle());
    HDC dc = GetDC(grid.Handle());
    int differing = 0;
    for (int y = 0; y < expected.Height(); y += 2)
      for (int x = 0; x < expected.Width(); x += 2) differing += GetPixel(dc, x, y) != expected.Pixel(x, y) ? 1 : 0;
    ReleaseDC(grid.Handle(), dc);
    return differing;
  };
  ValidateRect(grid.Handle(), nullptr);
  // From the first row to the third: the rows between them at most, never the rest.
  ds.MoveBy(2);
  RECT r = updated();
  EXPECT_GT(r.bottom, r.top) << "nothing to repaint";
  EXPECT_LE(r.bottom - r.top, 3 * step);
  EXPECT_LT(r.bottom, client.bottom - step);
  guitest::Pump();
  EXPECT_EQ(showsItsState(), 0);
  // Past the last row shown: the rows move, everything is painted again.
  ValidateRect(grid.Handle(), nullptr);
  ds.MoveBy(rows);
  r = updated();
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.bottom, client.bottom);
  guitest::Pump();
  EXPECT_EQ(showsItsState(), 0);
  ds.MoveBy(-1);
  guitest::Pump();
  EXPECT_EQ(showsItsState(), 0);
}
