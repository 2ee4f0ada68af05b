// TDBGrid: a grid that shows the records of a data source, one row per record, and moves the dataset's
// current record as the user moves through it (keys, mouse, wheel, the vertical scroll bar). It is a
// self-painted control (window class "TDBGrid") with a standard vertical scroll bar; it shows records and
// does not edit cells.
//
// The grid keeps as many record buffers as rows fit its client area (its data link's BufferCount) and
// paints each row from its buffer. The vertical scroll bar follows the current record: over a dataset
// that numbers its records (IsSequenced) the thumb stands at RecNo within RecordCount, otherwise it has
// five positions (first, page up, middle, page down, last). Columns come from the Columns collection;
// while it is empty the grid shows every visible field of the dataset ("default columns", rebuilt when
// the dataset's layout changes, and given up as soon as the columns are changed).
#pragma once
#include <memory>
#include <vector>
#include "vcl/db/DataSource.h"
#include "vcl/db/Fields.h"
#include "vcl/gui/CustomControl.h"
#include "vcl/rtl/Collection.h"

class TDBGrid;
class TColumn;

// Options of the grid. dgEditing, dgAlwaysShowEditor, dgConfirmDelete and dgMultiSelect keep their
// numbers for definitions written elsewhere; this grid does not edit cells, delete records or select
// several rows, so they change nothing.
enum TDBGridOption {
  dgEditing = 0,
  dgAlwaysShowEditor = 1,
  dgTitles = 2,               // a title row with the columns' captions
  dgIndicator = 3,            // a narrow column marking the current record (and edit/insert state)
  dgColumnResize = 4,         // column borders in the title row can be dragged
  dgColLines = 5,
  dgRowLines = 6,
  dgTabs = 7,                 // Tab and Shift+Tab move between cells instead of leaving the grid
  dgRowSelect = 8,            // the whole current row is selected rather than one cell
  dgAlwaysShowSelection = 9,  // the selection shows while the grid does not have the focus
  dgConfirmDelete = 10,
  dgCancelOnExit = 11,        // leaving the grid cancels an insert that nothing was typed into
  dgMultiSelect = 12,
};
using TDBGridOptions = TSet<TDBGridOption, 13>;

using TDBGridClickEvent = std::function<void(TColumn* column)>;

// The title of a column: its caption (the field's display label unless set) and alignment.
class TColumnTitle : public TPersistent {
 public:
  explicit TColumnTitle(TColumn& column) : column_(column) {}
  AnsiString Caption() const;
  void SetCaption(const AnsiString& value);
  // Whether Caption was set (else it follows the field).
  bool IsCaptionStored() const { return captionStored_; }
  void RestoreDefaults();
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TColumn& Column() const { return column_; }
  TPersistent* GetOwner() const override;
  void Assign(const TPersistent* source) override;

 private:
  TColumn& column_;
  AnsiString caption_;
  bool captionStored_ = false;
  TAlignment alignment_ = taLeftJustify;
};

// One column of a grid: which field it shows and how wide it is. Every change repaints the grid.
class TColumn : public TCollectionItem {
 public:
  explicit TColumn(TCollection* collection);
  ~TColumn() override;

  const AnsiString& FieldName() const { return fieldName_; }
  void SetFieldName(const AnsiString& value);
  // The field of the grid's dataset named FieldName; nil while the dataset is closed or has none.
  TField* Field() const;
  // The width in pixels: as set, else from the field's DisplayWidth and the grid's font (64 without).
  Integer Width() const;
  void SetWidth(Integer value);
  bool IsWidthStored() const { return widthStored_; }
  // The field's alignment unless set.
  TAlignment Alignment() const;
  void SetAlignment(TAlignment value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  TColumnTitle& Title() { return *title_; }
  const TColumnTitle& Title() const { return *title_; }
  // The grid the column belongs to; nil outside one.
  TDBGrid* Grid() const;
  // Forgets what was set: caption, width and alignment follow the field again.
  void RestoreDefaults();

  AnsiString DisplayName() const override;
  void Assign(const TPersistent* source) override;

 private:
  friend class TColumnTitle;
  void TitleChanged() { Changed(false); }

  AnsiString fieldName_;
  Integer width_ = 0;
  bool widthStored_ = false;
  TAlignment alignment_ = taLeftJustify;
  bool alignmentStored_ = false;
  bool visible_ = true;
  std::unique_ptr<TColumnTitle> title_;
};

class TDBGridColumns : public TOwnedCollection {
 public:
  explicit TDBGridColumns(TDBGrid& grid);
  TColumn* Add() { return static_cast<TColumn*>(TCollection::Add()); }
  TColumn* Items(int index) const { return static_cast<TColumn*>(TCollection::Items(index)); }
  TColumn* operator[](int index) const { return Items(index); }
  TDBGrid& Grid() const { return grid_; }

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TDBGrid& grid_;
};

// The grid's link to its data source: its BufferCount is the number of rows the grid shows.
class TGridDataLink : public TDataLink {
 public:
  explicit TGridDataLink(TDBGrid& grid) : grid_(grid) { SetVisualControl(true); }

 protected:
  void ActiveChanged() override;
  void DataSetChanged() override;
  void DataSetScrolled(int distance) override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void EditingChanged() override;
  void FocusControl(TField** field) override;

 private:
  TDBGrid& grid_;
};

class TDBGrid : public TCustomControl {
 public:
  explicit TDBGrid(TComponent* owner);
  ~TDBGrid() override;

  TDataSource* DataSource() const { return link_->DataSource(); }
  void SetDataSource(TDataSource* value);
  TDataLink& DataLink() { return *link_; }
  TDBGridColumns& Columns() { return *columns_; }
  TDBGridOptions Options() const { return options_; }
  void SetOptions(TDBGridOptions value);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);

  // The selected column among the visible ones (-1 when there is none) and its field.
  int SelectedIndex() const { return selectedIndex_; }
  void SetSelectedIndex(int value);
  TColumn* SelectedColumn() const;
  TField* SelectedField() const;

  // The rows of records that fit the client area entirely (at least 1).
  int VisibleRowCount();
  // Height of a row (and of the title row) in pixels, without the line below it.
  Integer DefaultRowHeight();
  // A cell's rectangle in client coordinates: column is an index into the visible columns (-1: the
  // indicator), row the record row from the top (-1: the title row). An empty rect for a cell that is not
  // on the grid (a hidden part, an option that is off).
  TRect CellRect(int column, int row);
  // The width a column has when none was set.
  Integer DefaultColumnWidth(const TColumn& column);

  TDBGridClickEvent OnCellClick;
  TDBGridClickEvent OnTitleClick;

  void WndProc(TMessage& message) override;
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;
  void BeforeDestruction() override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateWnd() override;
  void Paint() override;
  void Resize() override;
  void KeyDown(Word& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
  void MouseMove(TShiftState shift, Integer x, Integer y) override;
  void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;

 private:
  friend class TGridDataLink;
  friend class TDBGridColumns;
  struct Metrics;
  // A column's extent in client coordinates (scrolled, not clipped); the line follows at right.
  struct Span {
    Integer left;
    Integer right;
  };

  // ---- what the link and the columns report ----
  void LinkActive(bool active);
  void DataChanged();
  // The active record moved; the rows shown moved by distance records (0: the same rows show, and
  // only the old and the new current row are painted again).
  void DataScrolled(int distance);
  void LayoutChanged();
  void RecordChanged(TField* field);
  void EditingChanged();
  bool FocusField(TField* field);
  void ColumnsChanged();

  // ---- layout ----
  Metrics GetMetrics();
  std::vector<TColumn*> VisibleColumns() const;
  std::vector<Span> Spans(const Metrics& m, const std::vector<TColumn*>& columns) const;
  // The record row at y (-1: the title row; -2: none) and the visible column at x (-1: the indicator;
  // -2: none).
  int RowAt(const Metrics& m, Integer y);
  int ColumnAt(const Metrics& m, const std::vector<Span>& spans, Integer x) const;
  void UpdateDefaultColumns();
  void UpdateRowCount();
  void UpdateScrollBars();
  void UpdateVerticalScrollBar();
  void UpdateHorizontalScrollBar();
  void MakeColumnVisible(int index);
  void InvalidateRow(int row);
  void ResetFontMetrics();
  // The column whose right border is within reach of x in the title row, or -1.
  int SizingColumnAt(Integer x, Integer y);

  // ---- navigation ----
  bool Browsing() const;
  void MoveBy(int distance);
  void Tab(bool goForward);
  void ScrollTo(int thumbPosition);
  void WMVScroll(TMessage& message);
  void WMHScroll(TMessage& message);
  void WMMouseWheel(TMessage& message);
  void DoExit();

  // ---- painting ----
  void PaintGrid(TCanvas& canvas, const TRect& client);
  void DrawIndicator(TCanvas& canvas, const TRect& r, bool current);

  std::unique_ptr<TGridDataLink> link_;
  std::unique_ptr<TDBGridColumns> columns_;
  TDBGridOptions options_;
  TBorderStyle borderStyle_ = bsSingle;
  int selectedIndex_ = 0;
  Integer leftOffset_ = 0;       // pixels of the columns scrolled out to the left
  bool defaultColumns_ = false;  // the columns were made from the dataset's fields
  bool buildingColumns_ = false;
  bool updatingScrollBars_ = false;
  int wheelDelta_ = 0;           // wheel movement not yet turned into records
  int paintedActiveRow_ = -1;    // the row the last paint drew as current (-1: none, or not known)
  int sizingColumn_ = -1;        // the column whose border is being dragged
  Integer sizingOffset_ = 0;     // from the mouse to the column's right border
  Integer rowHeight_ = 0;        // font metrics, 0 until measured
  Integer digitWidth_ = 0;
};
