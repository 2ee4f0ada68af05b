// The edit family under a skin whose "EDIT" border mask has key-colour corners and whose column header
// has a distinct colour per state: frames of text boxes, list boxes, list views and tree views in and
// out of dialog mode, the list view's header, the tree's background, a disabled password box, an empty
// list box's top index, the component layer's memo and grid (the owner path), and grid and virtual-tree
// colours by published property name.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "AdapterFixture.h"
#include "skin/adapters/skSBEditWnd.h"
#include "skin/adapters/skSBGridWnd.h"
#include "skin/adapters/skSBListViewWnd.h"
#include "skin/adapters/skSBTreeViewWnd.h"
#include "skin/forms/sPixelRoutines.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/CustomControl.h"
#include "vcl/gui/DBGrid.h"
#include "vcl/gui/DBMemo.h"
#include "vcl/gui/Edit.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/gui/ListBox.h"
#include "vcl/rtl/PropertyTable.h"

namespace {

using skintest::AdapterFixture;
using skintest::ClientPixel;
using skintest::kAdapterFormColor;
using skintest::Ref;
using skintest::WindowPixel;
using skintest::TSkinnedForm;
using skintest::TPasswordEdit;
using skintest::TSkinVariant;

// The test skin's colours (0xAARRGGBB in the mask painters).
constexpr uint32_t kRingOuter = 0xFF203040u;
constexpr uint32_t kRingInner = 0xFF608090u;
constexpr uint32_t kHeaderEdge = 0xFF404040u;
constexpr uint32_t kHeaderFace[3] = {0xFFB0D0F0u, 0xFFC8E8C8u, 0xFF4060A0u};
constexpr TColor kFormColor = kAdapterFormColor;

TSkinVariant EditVariant() {
  TskMaskValue frame;
  frame.Form = TskMaskForm::Borders;
  frame.Count = 2;
  frame.WL = frame.WT = frame.WR = frame.WB = 2;
  frame.DrawMode = 1;
  TskMaskValue header;
  header.Form = TskMaskForm::Borders;
  header.Count = 3;
  header.WL = header.WT = header.WR = header.WB = 1;
  header.DrawMode = 5;
  TSkinVariant variant;
  variant.Set("EDIT", "COLOR", 0xD8ECF4)
      .AddMask("EDIT", "BORDERSMASK", frame, 6, 6,
               [](int x, int y, int) {
                 const bool cornerX = x == 0 || x == 5, cornerY = y == 0 || y == 5;
                 if (cornerX && cornerY) return kKeyPixel;
                 if (x == 0 || y == 0 || x == 5 || y == 5) return kRingOuter;
                 if (x == 1 || y == 1 || x == 4 || y == 4) return kRingInner;
                 return 0xFFF4ECD8u;
               })
      .AddMask("COLHEADER", "BORDERSMASK", header, 6, 6, [](int x, int y, int state) {
        return x == 0 || y == 0 || x == 5 || y == 5 ? kHeaderEdge : kHeaderFace[state];
      });
  return variant;
}

class EditFamilyTest : public AdapterFixture {
 protected:
  TSkinVariant Variant() const override { return EditVariant(); }
  HWND Child(const wchar_t* cls, DWORD style, int x = 20, int y = 20, int w = 160, int h = 100) {
    const HWND window = AdapterFixture::Child(cls, L"", style, x, y, w, h, WS_EX_CLIENTEDGE);
    EXPECT_NE(window, nullptr);
    return window;
  }
  Cardinal Color(const char* section, int state = 0) const {
    return ColorToRGB(static_cast<TColor>(SectionData(section).Props[static_cast<size_t>(state)].Color));
  }
  Cardinal Border() const { return ColorToRGB(static_cast<TColor>(manager_->SkinData.BorderColor)); }
};

enum class Kind { Edit, ListView, TreeView };

TEST_F(EditFamilyTest, FramesShowTheMaskWithTheParentInItsCornersOrTheDialogFrame) {
  const struct {
    const char* name;
    const wchar_t* cls;
    DWORD style;
    Kind kind;
  } cases[] = {
      {"EDIT", L"EDIT", ES_AUTOHSCROLL, Kind::Edit},
      {"multi-line EDIT", L"EDIT", ES_MULTILINE | WS_VSCROLL, Kind::Edit},
      {"LISTBOX", L"LISTBOX", LBS_NOTIFY | WS_VSCROLL, Kind::Edit},
      {"SysListView32", WC_LISTVIEWW, LVS_REPORT, Kind::ListView},
      {"SysTreeView32", WC_TREEVIEWW, TVS_HASLINES, Kind::TreeView},
  };
  ASSERT_NE(Border(), Ref(kRingOuter));
  for (const bool dialog : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (dialog ? " in dialog mode" : ""));
      const HWND window = Child(c.cls, c.style);
      switch (c.kind) {
        case Kind::Edit: Adapt<TskEditWnd>(window, "", nullptr, dialog); break;
        case Kind::ListView: Adapt<TskListViewWnd>(window, "", nullptr, dialog); break;
        case Kind::TreeView: Adapt<TskTreeViewWnd>(window, "", nullptr, dialog); break;
      }
      RECT r{};
      GetWindowRect(window, &r);
      const int w = r.right - r.left, h = r.bottom - r.top;
      if (!dialog) {
        for (POINT corner : {POINT{0, 0}, POINT{w - 1, 0}, POINT{0, h - 1}, POINT{w - 1, h - 1}})
          EXPECT_EQ(WindowPixel(window, corner.x, corner.y), ColorToRGB(kFormColor)) << corner.x << "," << corner.y;
        EXPECT_EQ(WindowPixel(window, w / 2, 0), Ref(kRingOuter));
        EXPECT_EQ(WindowPixel(window, w / 2, 1), Ref(kRingInner));
        EXPECT_EQ(WindowPixel(window, 1, h / 2), Ref(kRingInner));
      } else {
        EXPECT_EQ(WindowPixel(window, 0, 0), Border());
        EXPECT_EQ(WindowPixel(window, w / 2, 0), Border());
        EXPECT_EQ(WindowPixel(window, w / 2, 1), ColorToRGB(clWindow));
      }
      DestroyWindow(window);
    }
  }
}

TEST_F(EditFamilyTest, TreeBackgroundFollowsTheSectionAndReturnsAfterTheSkinGoes) {
  for (const bool dialog : {false, true}) {
    SCOPED_TRACE(dialog ? "dialog mode" : "outside dialog mode");
    const HWND tree = Child(WC_TREEVIEWW, TVS_HASLINES);
    TskTreeViewWnd* adapter = Adapt<TskTreeViewWnd>(tree, "", nullptr, dialog);
    const Cardinal expected = dialog ? ColorToRGB(clWindow) : Color("EDIT");
    ASSERT_NE(Color("EDIT"), ColorToRGB(clWindow));
    EXPECT_EQ(static_cast<Cardinal>(SendMessageW(tree, TVM_GETBKCOLOR, 0, 0)), expected);
    EXPECT_EQ(ClientPixel(tree, 30, 30), expected) << "the erase paints the same colour";
    SendMessageW(tree, SkinCommandMessage, SkinCommandWParam(scRemoveSkin), reinterpret_cast<LPARAM>(manager_));
    EXPECT_EQ(static_cast<Cardinal>(SendMessageW(tree, TVM_GETBKCOLOR, 0, 0)), ColorToRGB(clWindow));
    EXPECT_EQ(adapter->TreeColor(), dialog ? clWindow : static_cast<TColor>(Color("EDIT")));
  }
}

// A report view of three columns, the second sorted downwards.
class ListViewHeaderTest : public EditFamilyTest {
 protected:
  void SetUp() override {
    EditFamilyTest::SetUp();
    if (HasFatalFailure()) return;
    list_ = Child(WC_LISTVIEWW, LVS_REPORT, 20, 20, 420, 200);
    const wchar_t* titles[] = {L"Dátum", L"Cím", L"Hely"};
    for (int i = 0; i < 3; ++i) {
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
      column.fmt = LVCFMT_LEFT;
      column.cx = 110;
      column.pszText = const_cast<wchar_t*>(titles[i]);
      SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    header_ = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(header_, HDM_GETITEMW, 1, reinterpret_cast<LPARAM>(&item));
    item.fmt |= HDF_SORTDOWN;
    SendMessageW(header_, HDM_SETITEMW, 1, reinterpret_cast<LPARAM>(&item));
    adapter_ = Adapt<TskListViewWnd>(list_);
    RedrawWindow(header_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }
  TRect ItemRect(int index) const {
    RECT r{};
    SendMessageW(header_, HDM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    return TRect{r.left, r.top, r.right, r.bottom};
  }
  // The box of the pixels of the item that differ from its face, between x0 and x1 (Right, Bottom
  // exclusive; empty when none).
  TRect InkBox(const TRect& item, int x0, int x1) const {
    const HDC dc = GetDC(header_);
    const COLORREF face = GetPixel(dc, item.Left + 2, item.Top + item.Height() / 2);
    TRect box{x1, item.Bottom, x0, item.Top};
    for (int y = item.Top + 1; y < item.Bottom - 1; ++y)
      for (int x = x0; x < x1; ++x)
        if (GetPixel(dc, x, y) != face)
          box = TRect{std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1), std::max(box.Bottom, y + 1)};
    ReleaseDC(header_, dc);
    return box;
  }
  // The width of a title in the list's font.
  int TextWidth(const wchar_t* text) const {
    const HDC dc = GetDC(header_);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list_, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
    SelectObject(dc, old);
    ReleaseDC(header_, dc);
    return size.cx;
  }

  HWND list_ = nullptr;
  HWND header_ = nullptr;
  TskListViewWnd* adapter_ = nullptr;
};

TEST_F(ListViewHeaderTest, ItemsAndTheRestOfTheHeaderShowTheSectionAndTheSortGlyphFollowsTheText) {
  ASSERT_NE(header_, nullptr);
  EXPECT_EQ(adapter_->Header(), header_);
  RECT client{};
  GetClientRect(header_, &client);
  for (int i = 0; i < 3; ++i) {
    const TRect r = ItemRect(i);
    EXPECT_EQ(ClientPixel(header_, r.Right - 3, r.Top + 2), Ref(kHeaderFace[0])) << i;
    EXPECT_EQ(ClientPixel(header_, r.Left, r.Top), Ref(kHeaderEdge)) << i;
  }
  EXPECT_EQ(ClientPixel(header_, (ItemRect(2).Right + client.right) / 2, client.bottom / 2), Ref(kHeaderFace[0]))
      << "right of the last column";

  // The glyph: right of the sorted title only, six pixels after the text (which counts five more).
  const TRect sorted = ItemRect(1), plain = ItemRect(0);
  const int sortedTextEnd = sorted.Left + 4 + TextWidth(L"Cím") + 5;
  const int plainTextEnd = plain.Left + 4 + TextWidth(L"Dátum") + 5;
  EXPECT_FALSE(InkBox(sorted, sortedTextEnd, sorted.Right - 2).IsEmpty());
  EXPECT_TRUE(InkBox(plain, plainTextEnd, plain.Right - 2).IsEmpty());
  const TRect glyph = InkBox(sorted, sortedTextEnd, sorted.Right - 2);
  EXPECT_GE(glyph.Left, sortedTextEnd + 1);
  EXPECT_LE(glyph.Left, sortedTextEnd + 4);
}

TEST_F(ListViewHeaderTest, APressedColumnShowsItsStateWithTheTextOnePixelLower) {
  const TRect item = ItemRect(0);
  const int textEnd = item.Left + 4 + TextWidth(L"Dátum") + 5;
  const TRect normal = InkBox(item, item.Left + 2, textEnd);
  ASSERT_FALSE(normal.IsEmpty());
  SendMessageW(header_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(item.Left + 30, item.Top + 5));
  UpdateWindow(header_);
  EXPECT_EQ(adapter_->PressedColumn(), 0);
  EXPECT_EQ(ClientPixel(header_, item.Right - 3, item.Top + 2), Ref(kHeaderFace[2]));
  EXPECT_EQ(ClientPixel(header_, ItemRect(1).Right - 3, item.Top + 2), Ref(kHeaderFace[0])) << "the others stay";
  const TRect pressed = InkBox(item, item.Left + 2, textEnd + 1);
  EXPECT_EQ(pressed.Left, normal.Left + 1);
  EXPECT_EQ(pressed.Top, normal.Top + 1);
  SendMessageW(header_, WM_LBUTTONUP, 0, MAKELPARAM(item.Left + 30, item.Top + 5));
  RedrawWindow(header_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(adapter_->PressedColumn(), -1);
  EXPECT_EQ(ClientPixel(header_, item.Right - 3, item.Top + 2), Ref(kHeaderFace[0]));
}

// In icon view the header's painting is the system's; the adapter lets the header go when detached.
TEST_F(ListViewHeaderTest, IconViewLeavesTheHeaderToTheSystemAndDetachGivesItBack) {
  const TRect item = ItemRect(0);
  auto paintedFace = [&] {
    const HDC screen = GetDC(header_);
    const HDC dc = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, item.Right + 10, item.Bottom + 10);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageW(header_, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    const COLORREF c = GetPixel(dc, item.Right - 3, item.Top + 2);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(header_, screen);
    return c;
  };
  EXPECT_EQ(paintedFace(), Ref(kHeaderFace[0]));
  SendMessageW(list_, LVM_SETVIEW, LV_VIEW_ICON, 0);
  EXPECT_EQ(adapter_->ListViewStyle(), 0);
  EXPECT_NE(paintedFace(), Ref(kHeaderFace[0]));
  SendMessageW(list_, LVM_SETVIEW, LV_VIEW_DETAILS, 0);
  EXPECT_EQ(paintedFace(), Ref(kHeaderFace[0]));

  const auto headerProc = GetWindowLongPtrW(header_, GWLP_WNDPROC);
  TskMainWnd* adapter = adapter_;
  adapters_.clear();
  DetachScrollWnd(list_, true, false, adapter);
  EXPECT_NE(GetWindowLongPtrW(header_, GWLP_WNDPROC), headerProc);
  EXPECT_NE(paintedFace(), Ref(kHeaderFace[0]));
}

// The client area of a disabled box painted through its adapter, as pixels.
std::vector<Cardinal> DisabledClient(TWinControl* parent, TEdit* edit, const char* text, int top,
                                     std::vector<TskMainWnd*>& adapters, std::vector<std::unique_ptr<TsCommonData>>& data) {
  edit->SetBounds(20, top, 140, 24);
  edit->SetParent(parent);
  edit->SetText(text);
  edit->SetEnabled(false);
  data.push_back(std::make_unique<TsCommonData>(edit));
  adapters.push_back(New<TskEditWnd>(edit->Handle(), true, "EDIT", nullptr, data.back().get()));
  RedrawWindow(edit->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
  RECT client{};
  GetClientRect(edit->Handle(), &client);
  std::vector<Cardinal> pixels;
  for (int y = 0; y < client.bottom; ++y)
    for (int x = 0; x < client.right; ++x) pixels.push_back(ClientPixel(edit->Handle(), x, y));
  return pixels;
}

TEST_F(EditFamilyTest, ADisabledPasswordBoxShowsItsStarsFromTheCache) {
  std::vector<std::unique_ptr<TsCommonData>> data;
  std::vector<TskMainWnd*> adapters;
  auto* password = New<TPasswordEdit>(form_);
  const std::vector<Cardinal> hidden = DisabledClient(form_, password, "abc", 20, adapters, data);
  const auto* adapter = dynamic_cast<TskEditWnd*>(adapters.back());
  ASSERT_NE(adapter, nullptr);
  EXPECT_TRUE(adapter->SingleLineEdit);
  const std::vector<Cardinal> stars = DisabledClient(form_, New<TEdit>(form_), "***", 60, adapters, data);
  const std::vector<Cardinal> plain = DisabledClient(form_, New<TEdit>(form_), "abc", 100, adapters, data);
  EXPECT_TRUE(hidden == stars);
  EXPECT_FALSE(hidden == plain);
  for (TskMainWnd*& a : adapters) FreeAdapter(a);
}

TEST_F(EditFamilyTest, AnEmptyListBoxHasNoTopItem) {
  auto* box = New<TListBox>(form_);
  box->SetBounds(20, 20, 120, 80);
  box->SetParent(form_);
  const HWND window = box->Handle();
  EXPECT_EQ(SendMessageW(window, LB_GETTOPINDEX, 0, 0), 0) << "the system's answer";
  TsCommonData data(box);
  Adapt<TskEditWnd>(window, "", &data);
  EXPECT_EQ(SendMessageW(window, LB_GETTOPINDEX, 0, 0), -1);
  box->Items().Add("egy");
  EXPECT_EQ(SendMessageW(window, LB_GETTOPINDEX, 0, 0), 0);
  for (TskMainWnd*& a : adapters_) FreeAdapter(a);
}

// The component layer's memo and grid: frames, bars and colours through their WindowProc.
TEST_F(EditFamilyTest, TheLayersMemoAndGridGetSkinnedFramesBarsAndColours) {
  auto* memo = New<TDBMemo>(form_);
  memo->SetBounds(20, 20, 200, 120);
  memo->SetScrollBars(ssVertical);
  memo->SetParent(form_);
  for (int i = 0; i < 40; ++i) memo->Lines().Add("sor " + std::to_string(i));
  auto* grid = New<TDBGrid>(form_);
  grid->SetBounds(240, 20, 240, 140);
  grid->SetParent(form_);
  const TColor memoColor = memo->Color(), gridColor = grid->Color();
  TsCommonData memoData(memo), gridData(grid);
  auto* memoAdapter = Adapt<TskEditWnd>(memo->Handle(), "", &memoData);
  Adapt<TskGridWnd>(grid->Handle(), "", &gridData);
  EXPECT_EQ(memoAdapter->HookedControl(), memo);
  EXPECT_FALSE(memoAdapter->SingleLineEdit);
  for (TWinControl* control : {static_cast<TWinControl*>(memo), static_cast<TWinControl*>(grid)}) {
    const HWND window = control->Handle();
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    EXPECT_EQ(WindowPixel(window, control->Width() / 2, 0), Ref(kRingOuter)) << control->ClassName();
    EXPECT_EQ(WindowPixel(window, 0, 0), ColorToRGB(kFormColor)) << control->ClassName();
    EXPECT_EQ(static_cast<Cardinal>(ColorToRGB(control->Color())), Color("EDIT")) << control->ClassName();
  }
  // The memo's bar: the track below the thumb at the top.
  TRect bar;
  ASSERT_TRUE(memoAdapter->BarRect(1, bar));
  ASSERT_TRUE(memoAdapter->VertBar()->State.Shown);
  RECT r{};
  GetWindowRect(memo->Handle(), &r);
  EXPECT_EQ(WindowPixel(memo->Handle(), bar.Left - r.left + 8, bar.Bottom - r.top - 17 - 3), Color("SCROLLBAR2V"));
  for (TskMainWnd*& a : adapters_) FreeAdapter(a);
  EXPECT_EQ(memo->Color(), memoColor);
  EXPECT_EQ(grid->Color(), gridColor);
}

// Grids and trees of other vendors, as far as the test classes publish their colour properties.
class TTitleFontHolder : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  TColor FixedColor() const { return fixed_; }
  void SetFixedColor(TColor c) { fixed_ = c; }
  TColor GridLineColor() const { return line_; }
  void SetGridLineColor(TColor c) { line_ = c; }
  TFont& TitleFont() { return titleFont_; }

 private:
  TColor fixed_ = clBtnFace;
  TColor line_ = clSilver;
  TFont titleFont_;
};

class TVetColors : public TPersistent {
 public:
  TColor Compressed = clBlue, File = clBlack, Folder = clNavy;
};

class TVirtualTreeLike : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  TVetColors& VETColors() { return colors_; }

 private:
  TVetColors colors_;
};

class TLineParams : public TPersistent {
 public:
  TColor Bright = clWhite;
};

class TEhGridLike : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  TColor Even = clWhite, Odd = 0xF0FBFF;
  TLineParams& GridLineParams() { return lines_; }

 private:
  TLineParams lines_;
};

void RegisterForeignClasses() {
  static const bool once = [] {
    RegisterGuiClasses();
    RegisterStreamedClass<TTitleFontHolder, TCustomControl>("TTitleFontHolder", [](TPropertyTableOf<TTitleFontHolder>& p) {
      p.IntegerProp("FixedColor", &TTitleFontHolder::SetFixedColor);
      p.OrdGetter("FixedColor", &TTitleFontHolder::FixedColor);
      p.IntegerProp("GridLineColor", &TTitleFontHolder::SetGridLineColor);
      p.OrdGetter("GridLineColor", &TTitleFontHolder::GridLineColor);
      p.ObjectProp("TitleFont", &TTitleFontHolder::TitleFont);
    });
    RegisterStreamedClass<TVetColors>("TVetColors", [](TPropertyTableOf<TVetColors>& p) {
      p.IntegerProp("CompressedTextColor", &TVetColors::Compressed);
      p.OrdGetter("CompressedTextColor", [](TVetColors& c) { return c.Compressed; });
      p.IntegerProp("FolderTextColor", &TVetColors::Folder);
      p.OrdGetter("FolderTextColor", [](TVetColors& c) { return c.Folder; });
    });
    RegisterStreamedClass<TVirtualTreeLike, TCustomControl>("TVirtualTreeLike", [](TPropertyTableOf<TVirtualTreeLike>& p) {
      p.ObjectProp("VETColors", &TVirtualTreeLike::VETColors);
    });
    RegisterStreamedClass<TLineParams>("TLineParams", [](TPropertyTableOf<TLineParams>& p) {
      p.IntegerProp("BrightColor", &TLineParams::Bright);
      p.OrdGetter("BrightColor", [](TLineParams& l) { return l.Bright; });
    });
    RegisterStreamedClass<TEhGridLike, TCustomControl>("TEhGridLike", [](TPropertyTableOf<TEhGridLike>& p) {
      p.IntegerProp("EvenRowColor", &TEhGridLike::Even);
      p.OrdGetter("EvenRowColor", [](TEhGridLike& g) { return g.Even; });
      p.IntegerProp("OddRowColor", &TEhGridLike::Odd);
      p.OrdGetter("OddRowColor", [](TEhGridLike& g) { return g.Odd; });
      p.ObjectProp("GridLineParams", &TEhGridLike::GridLineParams);
    });
    return true;
  }();
  (void)once;
}

TEST_F(EditFamilyTest, ForeignGridAndTreeColoursByNameFollowTheSkinAndComeBack) {
  RegisterForeignClasses();
  auto* grid = New<TTitleFontHolder>(form_);
  grid->SetBounds(20, 20, 200, 100);
  grid->SetParent(form_);
  grid->TitleFont().SetColor(clMaroon);
  auto* tree = New<TVirtualTreeLike>(form_);
  tree->SetBounds(240, 20, 200, 100);
  tree->SetParent(form_);
  TsCommonData gridData(grid), treeData(tree);
  Adapt<TskGridWnd>(grid->Handle(), "", &gridData);
  Adapt<TskVirtualTreeViewWnd>(tree->Handle(), "", &treeData);
  const Integer window = manager_->GetWindowColor(), editFont = manager_->GetEditFontColor();
  EXPECT_EQ(grid->FixedColor(), static_cast<TColor>(manager_->GetGlobalColor()));
  EXPECT_EQ(grid->TitleFont().Color(), static_cast<TColor>(manager_->GetGlobalFontColor()));
  EXPECT_EQ(grid->GridLineColor(), static_cast<TColor>(BlendColors(window, editFont, 0.7)));
  const auto font = static_cast<TColor>(SectionData("EDIT").Props[0].TextColor);
  EXPECT_EQ(tree->VETColors().Compressed, font);
  EXPECT_EQ(tree->VETColors().Folder, font);
  EXPECT_EQ(tree->VETColors().File, clBlack) << "not published: untouched";
  for (TskMainWnd*& a : adapters_) FreeAdapter(a);
  EXPECT_EQ(grid->FixedColor(), static_cast<TColor>(ColorToRGB(clBtnFace)));
  EXPECT_EQ(grid->TitleFont().Color(), static_cast<TColor>(ColorToRGB(clMaroon)));
  EXPECT_EQ(grid->GridLineColor(), static_cast<TColor>(ColorToRGB(clSilver)));
  EXPECT_EQ(tree->VETColors().Compressed, static_cast<TColor>(ColorToRGB(clBlue)));
  EXPECT_EQ(tree->VETColors().Folder, static_cast<TColor>(ColorToRGB(clNavy)));
}

// Row colours follow the skin only where the grid shows two; the rest of the table by name as above.
TEST_F(EditFamilyTest, AnotherVendorsGridTakesRowAndLineColoursOnlyWhereItShowsTwoRowColours) {
  RegisterForeignClasses();
  const Integer window = manager_->GetWindowColor(), editFont = manager_->GetEditFontColor();
  for (const bool twoColours : {true, false}) {
    SCOPED_TRACE(twoColours ? "two row colours" : "one row colour");
    auto* grid = New<TEhGridLike>(form_);
    grid->SetBounds(20, 20, 200, 100);
    grid->SetParent(form_);
    if (!twoColours) grid->Odd = clWhite;
    const TColor odd = grid->Odd;
    TsCommonData data(grid);
    TskMainWnd* adapter = Adapt<TskGridEhWnd>(grid->Handle(), "", &data);
    EXPECT_EQ(grid->Even, twoColours ? static_cast<TColor>(BlendColors(editFont, window, 0.1)) : clWhite);
    EXPECT_EQ(grid->Odd, twoColours ? static_cast<TColor>(window) : clWhite);
    EXPECT_EQ(grid->GridLineParams().Bright, static_cast<TColor>(BlendColors(0xFFFFFF, window, 0.2)));
    adapters_.clear();
    FreeAdapter(adapter);
    EXPECT_EQ(grid->Even, clWhite);
    EXPECT_EQ(grid->Odd, static_cast<TColor>(ColorToRGB(odd)));
    EXPECT_EQ(grid->GridLineParams().Bright, clWhite);
    delete grid;
  }
}

}  // namespace
