#include "vcl/gui/DBGrid.h"

#include "vcl/gui/DataAware.h"
#include <algorithm>
#include <climits>
#include <cstdlib>

#include "vcl/gui/Form.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/TextConv.h"

namespace {

constexpr Integer kIndicatorWidth = 11;
constexpr Integer kDefaultColumnWidth = 64;
constexpr Integer kSizingReach = 2;      // pixels either side of a column border that start a drag
constexpr Integer kHorizontalLine = 20;  // pixels one click on a horizontal scroll arrow moves

// Restores the data link's active record after rows were painted from their buffers.
class ActiveRecordScope {
 public:
  explicit ActiveRecordScope(TDataLink& link) : link_(link), saved_(link.ActiveRecord()) {}
  ~ActiveRecordScope() {
    try {
      link_.SetActiveRecord(saved_);
    } catch (...) {
    }
  }
  ActiveRecordScope(const ActiveRecordScope&) = delete;
  ActiveRecordScope& operator=(const ActiveRecordScope&) = delete;

 private:
  TDataLink& link_;
  int saved_;
};

// A memory bitmap the size of the client area: the grid is painted there and copied in one piece, so
// the screen never shows the background before the cells.
class OffscreenBuffer {
 public:
  OffscreenBuffer(HDC target, int width, int height)
      : dc_(CreateCompatibleDC(target)), bitmap_(CreateCompatibleBitmap(target, width, height)) {
    if (dc_ != nullptr && bitmap_ != nullptr) old_ = SelectObject(dc_, bitmap_);
  }
  ~OffscreenBuffer() {
    if (old_ != nullptr) SelectObject(dc_, old_);
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  OffscreenBuffer(const OffscreenBuffer&) = delete;
  OffscreenBuffer& operator=(const OffscreenBuffer&) = delete;
  bool Valid() const { return old_ != nullptr; }
  HDC Dc() const { return dc_; }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_ = nullptr;
};

// Keeps a canvas on a DC for a scope and takes it off again (its objects leave the DC).
class CanvasOnDc {
 public:
  CanvasOnDc(TCanvas& canvas, HDC dc) : canvas_(canvas) { canvas_.SetHandle(dc); }
  ~CanvasOnDc() { canvas_.SetHandle(nullptr); }
  CanvasOnDc(const CanvasOnDc&) = delete;
  CanvasOnDc& operator=(const CanvasOnDc&) = delete;

 private:
  TCanvas& canvas_;
};

Integer TextWidthOn(HDC dc, const AnsiString& text) {
  const WideString w = Cp1250ToUtf16(text);
  SIZE size{};
  GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(w.c_str()), static_cast<int>(w.size()), &size);
  return size.cx;
}

void FillSolid(TCanvas& canvas, const TRect& r, TColor color) {
  if (r.IsEmpty()) return;
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(color);
  canvas.FillRect(r);
}

// Text in a cell, 2 pixels in from the side it is aligned to (3 from the right), over the brush.
void CellText(TCanvas& canvas, const TRect& r, const TRect& full, const AnsiString& text, TAlignment alignment) {
  Integer x = full.Left + 2;
  if (alignment != taLeftJustify) {
    const Integer width = canvas.TextWidth(text);
    x = alignment == taRightJustify ? full.Right - width - 3 : full.Left + (full.Width() - width) / 2;
  }
  canvas.TextRect(r, x, full.Top + 2, text);
}

}  // namespace

// ---- the geometry of one paint or hit test ----

struct TDBGrid::Metrics {
  Integer clientWidth = 0;
  Integer clientHeight = 0;
  Integer rowHeight = 0;
  Integer colLine = 0;        // width of a vertical grid line (0 without dgColLines)
  Integer rowLine = 0;        // height of a horizontal grid line
  Integer dataTop = 0;        // y of the first record row
  Integer dataLeft = 0;       // x of the first column when nothing is scrolled
  Integer indicatorWidth = 0; // 0 without dgIndicator

  Integer RowTop(int row) const { return dataTop + row * (rowHeight + rowLine); }
};

TDBGrid::Metrics TDBGrid::GetMetrics() {
  Metrics m;
  const TRect client = ClientRect();
  m.clientWidth = client.Width();
  m.clientHeight = client.Height();
  m.rowHeight = DefaultRowHeight();
  m.colLine = options_.Contains(dgColLines) ? 1 : 0;
  m.rowLine = options_.Contains(dgRowLines) ? 1 : 0;
  m.dataTop = options_.Contains(dgTitles) ? m.rowHeight + m.rowLine : 0;
  m.indicatorWidth = options_.Contains(dgIndicator) ? kIndicatorWidth : 0;
  m.dataLeft = m.indicatorWidth > 0 ? m.indicatorWidth + m.colLine : 0;
  return m;
}

// ---- TColumnTitle ----

AnsiString TColumnTitle::Caption() const {
  if (captionStored_) return caption_;
  if (TField* field = column_.Field()) return field->DisplayLabel();
  return column_.FieldName();
}

void TColumnTitle::SetCaption(const AnsiString& value) {
  if (captionStored_ && value == caption_) return;
  caption_ = value;
  captionStored_ = true;
  column_.TitleChanged();
}

void TColumnTitle::RestoreDefaults() {
  caption_.clear();
  captionStored_ = false;
  alignment_ = taLeftJustify;
  column_.TitleChanged();
}

void TColumnTitle::SetAlignment(TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  column_.TitleChanged();
}

TPersistent* TColumnTitle::GetOwner() const { return &column_; }

void TColumnTitle::Assign(const TPersistent* source) {
  if (const auto* title = dynamic_cast<const TColumnTitle*>(source)) {
    caption_ = title->caption_;
    captionStored_ = title->captionStored_;
    alignment_ = title->alignment_;
    column_.TitleChanged();
    return;
  }
  TPersistent::Assign(source);
}

// ---- TColumn ----

TColumn::TColumn(TCollection* collection)
    : TCollectionItem(collection), title_(std::make_unique<TColumnTitle>(*this)) {}

TColumn::~TColumn() = default;

TDBGrid* TColumn::Grid() const {
  auto* columns = dynamic_cast<TDBGridColumns*>(Collection());
  return columns != nullptr ? &columns->Grid() : nullptr;
}

void TColumn::SetFieldName(const AnsiString& value) {
  if (value == fieldName_) return;
  fieldName_ = value;
  Changed(false);
}

TField* TColumn::Field() const {
  // Looked up on every use rather than kept: the dataset's fields die when it closes.
  TDBGrid* grid = Grid();
  if (grid == nullptr || fieldName_.empty() || !grid->DataLink().Active()) return nullptr;
  TDataSet* dataSet = grid->DataLink().DataSet();
  return dataSet != nullptr ? dataSet->FindField(fieldName_) : nullptr;
}

Integer TColumn::Width() const {
  if (widthStored_) return width_;
  TDBGrid* grid = Grid();
  return grid != nullptr ? grid->DefaultColumnWidth(*this) : kDefaultColumnWidth;
}

void TColumn::SetWidth(Integer value) {
  if (value < 0) value = 0;
  if (widthStored_ && value == width_) return;
  width_ = value;
  widthStored_ = true;
  Changed(false);
}

TAlignment TColumn::Alignment() const {
  if (alignmentStored_) return alignment_;
  if (TField* field = Field()) return field->Alignment();
  return taLeftJustify;
}

void TColumn::SetAlignment(TAlignment value) {
  if (alignmentStored_ && value == alignment_) return;
  alignment_ = value;
  alignmentStored_ = true;
  Changed(false);
}

void TColumn::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  Changed(false);
}

void TColumn::RestoreDefaults() {
  widthStored_ = false;
  alignmentStored_ = false;
  title_->RestoreDefaults();
  Changed(false);
}

AnsiString TColumn::DisplayName() const { return fieldName_.empty() ? TCollectionItem::DisplayName() : fieldName_; }

void TColumn::Assign(const TPersistent* source) {
  if (const auto* column = dynamic_cast<const TColumn*>(source)) {
    fieldName_ = column->fieldName_;
    width_ = column->width_;
    widthStored_ = column->widthStored_;
    alignment_ = column->alignment_;
    alignmentStored_ = column->alignmentStored_;
    visible_ = column->visible_;
    title_->Assign(column->title_.get());
    Changed(false);
    return;
  }
  TCollectionItem::Assign(source);
}

// ---- TDBGridColumns ----

TDBGridColumns::TDBGridColumns(TDBGrid& grid) : TOwnedCollection(&grid, TCollectionItemClass::Of<TColumn>()), grid_(grid) {}

void TDBGridColumns::Update(TCollectionItem* /*item*/) { grid_.ColumnsChanged(); }

// ---- TGridDataLink ----

void TGridDataLink::ActiveChanged() { grid_.LinkActive(Active()); }
void TGridDataLink::DataSetChanged() { grid_.DataChanged(); }
void TGridDataLink::DataSetScrolled(int distance) { grid_.DataScrolled(distance); }
void TGridDataLink::LayoutChanged() { grid_.LayoutChanged(); }
void TGridDataLink::RecordChanged(TField* field) { grid_.RecordChanged(field); }
void TGridDataLink::EditingChanged() { grid_.EditingChanged(); }

void TGridDataLink::FocusControl(TField** field) {
  if (field != nullptr && *field != nullptr && grid_.FocusField(*field)) *field = nullptr;
}

// ---- TDBGrid: construction and properties ----

TDBGrid::TDBGrid(TComponent* owner)
    : TCustomControl(owner),
      link_(std::make_unique<TGridDataLink>(*this)),
      columns_(std::make_unique<TDBGridColumns>(*this)),
      options_{dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs, dgCancelOnExit} {
  SetControlStyle(TControlStyle{csCaptureMouse, csOpaque, csDoubleClicks, csClickEvents});
  StoreBounds(0, 0, 320, 120);
  SetColor(clWindow);
  SetTabStop(true);
}

void TDBGrid::BeforeDestruction() {
  TCustomControl::BeforeDestruction();
  // The link goes quietly: nothing is repainted for a grid that is being freed.
  try {
    link_->SetDataSource(nullptr);
  } catch (...) {
  }
}

TDBGrid::~TDBGrid() { link_.reset(); }

void TDBGrid::SetDataSource(TDataSource* value) { SetLinkDataSource(*this, *link_, value); }

void TDBGrid::Notification(TComponent* component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  ForgetRemovedDataSource(link_.get(), component, operation);
}

void TDBGrid::SetOptions(TDBGridOptions value) {
  if (value == options_) return;
  const bool layout = value.Contains(dgTitles) != options_.Contains(dgTitles) ||
                      value.Contains(dgRowLines) != options_.Contains(dgRowLines);
  options_ = value;
  if (layout) UpdateRowCount();
  UpdateScrollBars();
  Invalidate();
}

void TDBGrid::SetBorderStyle(TBorderStyle value) {
  if (value != bsNone) value = bsSingle;
  if (value == borderStyle_) return;
  borderStyle_ = value;
  RecreateWnd();
  UpdateRowCount();
}

void TDBGrid::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style |= WS_VSCROLL;
  if (borderStyle_ == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TDBGrid::AfterCreateWnd() {
  TCustomControl::AfterCreateWnd();
  UpdateScrollBars();
}

void TDBGrid::Loaded() {
  TCustomControl::Loaded();
  UpdateRowCount();
  UpdateScrollBars();
}

void TDBGrid::Resize() {
  TCustomControl::Resize();
  UpdateRowCount();
  UpdateScrollBars();
}

// ---- columns ----

std::vector<TColumn*> TDBGrid::VisibleColumns() const {
  std::vector<TColumn*> list;
  for (int i = 0; i < columns_->Count(); ++i)
    if (TColumn* column = columns_->Items(i); column->Visible()) list.push_back(column);
  return list;
}

TColumn* TDBGrid::SelectedColumn() const {
  const std::vector<TColumn*> columns = VisibleColumns();
  if (selectedIndex_ < 0 || selectedIndex_ >= static_cast<int>(columns.size())) return nullptr;
  return columns[static_cast<std::size_t>(selectedIndex_)];
}

TField* TDBGrid::SelectedField() const {
  TColumn* column = SelectedColumn();
  return column != nullptr ? column->Field() : nullptr;
}

void TDBGrid::SetSelectedIndex(int value) {
  const int count = static_cast<int>(VisibleColumns().size());
  value = count == 0 ? -1 : std::clamp(value, 0, count - 1);
  if (value == selectedIndex_) return;
  selectedIndex_ = value;
  if (value >= 0) MakeColumnVisible(value);
  Invalidate();
}

void TDBGrid::UpdateDefaultColumns() {
  if (!defaultColumns_ && columns_->Count() > 0) return;
  buildingColumns_ = true;
  try {
    columns_->BeginUpdate();
    try {
      columns_->Clear();
      if (link_->Active()) {
        for (TField* field : link_->DataSet()->Fields())
          if (field->Visible()) columns_->Add()->SetFieldName(field->FieldName());
      }
    } catch (...) {
      columns_->EndUpdate();
      throw;
    }
    columns_->EndUpdate();
  } catch (...) {
    buildingColumns_ = false;
    throw;
  }
  buildingColumns_ = false;
  defaultColumns_ = true;
}

void TDBGrid::ColumnsChanged() {
  if (!buildingColumns_) defaultColumns_ = false;
  if (ComponentState().Contains(csDestroying)) return;
  const int count = static_cast<int>(VisibleColumns().size());
  selectedIndex_ = count == 0 ? -1 : std::clamp(selectedIndex_, 0, count - 1);
  UpdateScrollBars();
  Invalidate();
}

Integer TDBGrid::DefaultColumnWidth(const TColumn& column) {
  TField* field = column.Field();
  if (field == nullptr) return kDefaultColumnWidth;
  if (digitWidth_ == 0) ResetFontMetrics();
  Integer width = CheckedAdd(CheckedMul<Integer>(field->DisplayWidth(), digitWidth_), 4);
  if (options_.Contains(dgTitles)) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font().Handle());
    width = std::max(width, TextWidthOn(dc, column.Title().Caption()) + 4);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
  }
  return width;
}

// ---- metrics and rows ----

void TDBGrid::ResetFontMetrics() {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font().Handle());
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  rowHeight_ = tm.tmHeight + 3;
  digitWidth_ = std::max<Integer>(TextWidthOn(dc, "0"), 1);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
}

Integer TDBGrid::DefaultRowHeight() {
  if (rowHeight_ == 0) ResetFontMetrics();
  return rowHeight_;
}

int TDBGrid::VisibleRowCount() {
  const Metrics m = GetMetrics();
  const Integer available = m.clientHeight - m.dataTop;
  const Integer rows = (available + m.rowLine) / (m.rowHeight + m.rowLine);
  return std::max<Integer>(rows, 1);
}

void TDBGrid::UpdateRowCount() {
  const TComponentState state = ComponentState();
  if (state.Contains(csLoading) || state.Contains(csDestroying)) return;
  const int rows = VisibleRowCount();
  if (link_->BufferCount() != rows) link_->SetBufferCount(rows);
  Invalidate();
}

std::vector<TDBGrid::Span> TDBGrid::Spans(const Metrics& m, const std::vector<TColumn*>& columns) const {
  std::vector<Span> spans;
  spans.reserve(columns.size());
  Integer left = m.dataLeft - leftOffset_;
  for (TColumn* column : columns) {
    const Integer right = CheckedAdd(left, column->Width());
    spans.push_back({left, right});
    left = CheckedAdd(right, m.colLine);
  }
  return spans;
}

TRect TDBGrid::CellRect(int column, int row) {
  const Metrics m = GetMetrics();
  TRect r;
  if (row == -1) {
    if (!options_.Contains(dgTitles)) return {};
    r.Top = 0;
  } else if (row >= 0 && row < VisibleRowCount()) {
    r.Top = m.RowTop(row);
  } else {
    return {};
  }
  r.Bottom = std::min(r.Top + m.rowHeight, m.clientHeight);
  if (column == -1) {
    r.Left = 0;
    r.Right = m.indicatorWidth;
  } else {
    const std::vector<Span> spans = Spans(m, VisibleColumns());
    if (column < 0 || column >= static_cast<int>(spans.size())) return {};
    r.Left = std::max(spans[static_cast<std::size_t>(column)].left, m.dataLeft);
    r.Right = std::min(spans[static_cast<std::size_t>(column)].right, m.clientWidth);
  }
  if (r.IsEmpty()) return {};
  return r;
}

int TDBGrid::RowAt(const Metrics& m, Integer y) {
  if (options_.Contains(dgTitles) && y >= 0 && y < m.rowHeight) return -1;
  if (y < m.dataTop || y >= m.clientHeight) return -2;
  const int row = (y - m.dataTop) / (m.rowHeight + m.rowLine);
  return row < VisibleRowCount() ? row : -2;
}

int TDBGrid::ColumnAt(const Metrics& m, const std::vector<Span>& spans, Integer x) const {
  if (x < 0 || x >= m.clientWidth) return -2;
  if (x < m.dataLeft) return m.indicatorWidth > 0 ? -1 : -2;
  for (std::size_t i = 0; i < spans.size(); ++i)
    if (x >= spans[i].left && x < spans[i].right + m.colLine) return static_cast<int>(i);
  return -2;
}

void TDBGrid::InvalidateRow(int row) {
  if (!HandleAllocated() || row < 0) return;
  const Metrics m = GetMetrics();
  const RECT r{0, m.RowTop(row), m.clientWidth, m.RowTop(row) + m.rowHeight + m.rowLine};
  InvalidateRect(Handle(), &r, FALSE);
}

int TDBGrid::SizingColumnAt(Integer x, Integer y) {
  if (!options_.Contains(dgColumnResize) || !options_.Contains(dgTitles)) return -1;
  const Metrics m = GetMetrics();
  if (y < 0 || y >= m.rowHeight) return -1;
  const std::vector<Span> spans = Spans(m, VisibleColumns());
  int best = -1;
  Int64 bestDistance = kSizingReach + 1;
  for (std::size_t i = 0; i < spans.size(); ++i) {
    const Int64 distance = std::abs(static_cast<Int64>(x) - spans[i].right);
    // The nearest border wins; of a narrow column's two borders the later one, so it can grow again.
    if (spans[i].right >= m.dataLeft && distance <= bestDistance) {
      best = static_cast<int>(i);
      bestDistance = distance;
    }
  }
  return best;
}

// ---- scroll bars ----

void TDBGrid::UpdateScrollBars() {
  if (!HandleAllocated() || updatingScrollBars_ || ComponentState().Contains(csDestroying)) return;
  updatingScrollBars_ = true;
  try {
    UpdateHorizontalScrollBar();
    UpdateVerticalScrollBar();
  } catch (...) {
    updatingScrollBars_ = false;
    throw;
  }
  updatingScrollBars_ = false;
}

void TDBGrid::UpdateVerticalScrollBar() {
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_POS;
  GetScrollInfo(Handle(), SB_VERT, &si);
  si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  TDataSet* dataSet = Browsing() ? link_->DataSet() : nullptr;
  if (dataSet == nullptr || dataSet->IsEmpty()) {
    si.nMin = si.nMax = si.nPos = 0;
    si.nPage = 0;
  } else if (const Integer count = dataSet->IsSequenced() ? dataSet->RecordCount() : -1; count >= 0) {
    // The thumb stands at the current record's number; the page is one screen of rows, so that the
    // thumb reaches the end of the bar when the last record is current.
    const int rows = VisibleRowCount();
    si.nMin = 1;
    si.nPage = static_cast<UINT>(rows);
    si.nMax = static_cast<int>(std::min<Int64>(static_cast<Int64>(count) + rows - 1, INT_MAX));
    // A record being inserted has no number yet: the thumb stays where it was.
    if (const Integer recNo = dataSet->RecNo(); recNo > 0) si.nPos = recNo;
  } else {
    si.nMin = 0;
    si.nMax = 4;
    si.nPage = 0;
    si.nPos = dataSet->Bof() ? 0 : dataSet->Eof() ? 4 : 2;
  }
  SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
}

void TDBGrid::UpdateHorizontalScrollBar() {
  const Metrics m = GetMetrics();
  Integer total = 0;
  for (TColumn* column : VisibleColumns()) total = CheckedAdd(total, CheckedAdd(column->Width(), m.colLine));
  const Integer available = m.clientWidth - m.dataLeft;
  const bool needed = available > 0 && total > available;
  leftOffset_ = needed ? std::clamp<Integer>(leftOffset_, 0, total - available) : 0;
  const bool shown = (GetWindowLongPtrW(Handle(), GWL_STYLE) & WS_HSCROLL) != 0;
  if (needed != shown) ShowScrollBar(Handle(), SB_HORZ, needed ? TRUE : FALSE);
  if (needed) {
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = total - 1;
    si.nPage = static_cast<UINT>(available);
    si.nPos = leftOffset_;
    SetScrollInfo(Handle(), SB_HORZ, &si, TRUE);
  }
}

void TDBGrid::MakeColumnVisible(int index) {
  const std::vector<TColumn*> columns = VisibleColumns();
  if (index < 0 || index >= static_cast<int>(columns.size())) return;
  const Metrics m = GetMetrics();
  const Span span = Spans(m, columns)[static_cast<std::size_t>(index)];
  // In unscrolled coordinates, relative to the start of the columns.
  const Integer left = span.left + leftOffset_ - m.dataLeft;
  const Integer right = span.right + leftOffset_ - m.dataLeft;
  const Integer available = m.clientWidth - m.dataLeft;
  Integer offset = leftOffset_;
  if (left < offset) {
    offset = left;
  } else if (right > offset + available) {
    offset = std::min(left, right - available);
  }
  if (offset == leftOffset_) return;
  leftOffset_ = offset;
  UpdateScrollBars();
  Invalidate();
}

// ---- what the link reports ----

void TDBGrid::LinkActive(bool /*active*/) {
  if (ComponentState().Contains(csDestroying)) return;
  wheelDelta_ = 0;
  LayoutChanged();
}

void TDBGrid::LayoutChanged() {
  if (ComponentState().Contains(csDestroying)) return;
  UpdateDefaultColumns();
  const int count = static_cast<int>(VisibleColumns().size());
  selectedIndex_ = count == 0 ? -1 : std::clamp(selectedIndex_, 0, count - 1);
  UpdateRowCount();
  UpdateScrollBars();
  Invalidate();
}

void TDBGrid::DataChanged() {
  if (ComponentState().Contains(csDestroying)) return;
  Invalidate();
  if (HandleAllocated() && !updatingScrollBars_) UpdateVerticalScrollBar();
}

void TDBGrid::DataScrolled(int distance) {
  if (ComponentState().Contains(csDestroying)) return;
  if (distance != 0 || paintedActiveRow_ < 0) {
    DataChanged();
    return;
  }
  // The same records in the same rows: the highlight moves from the row last painted as current
  // (an earlier move not painted yet left its rows to repaint already) to the new one.
  const int active = link_->ActiveRecord();
  if (active != paintedActiveRow_) {
    InvalidateRow(paintedActiveRow_);
    InvalidateRow(active);
  }
  if (HandleAllocated() && !updatingScrollBars_) UpdateVerticalScrollBar();
}

void TDBGrid::RecordChanged(TField* /*field*/) {
  if (ComponentState().Contains(csDestroying)) return;
  InvalidateRow(link_->ActiveRecord());
}

void TDBGrid::EditingChanged() {
  if (ComponentState().Contains(csDestroying)) return;
  InvalidateRow(link_->ActiveRecord());
}

bool TDBGrid::FocusField(TField* field) {
  const std::vector<TColumn*> columns = VisibleColumns();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i]->Field() != field) continue;
    if (!CanFocus()) return false;
    SetFocus();
    SetSelectedIndex(static_cast<int>(i));
    return true;
  }
  return false;
}

// ---- navigation ----

bool TDBGrid::Browsing() const { return link_->Active() && link_->DataSet() != nullptr; }

void TDBGrid::MoveBy(int distance) {
  if (Browsing()) link_->DataSet()->MoveBy(distance);
}

void TDBGrid::Tab(bool goForward) {
  const int count = static_cast<int>(VisibleColumns().size());
  const bool cells = !options_.Contains(dgRowSelect) && count > 0;
  if (cells && goForward && selectedIndex_ < count - 1) {
    SetSelectedIndex(selectedIndex_ + 1);
    return;
  }
  if (cells && !goForward && selectedIndex_ > 0) {
    SetSelectedIndex(selectedIndex_ - 1);
    return;
  }
  if (Browsing() && !link_->DataSet()->IsEmpty() && link_->DataSet()->MoveBy(goForward ? 1 : -1) != 0) {
    if (cells) SetSelectedIndex(goForward ? 0 : count - 1);
    return;
  }
  // Past the last cell of the last record (or before the first): the focus goes on, so that Tab never
  // traps the user in the grid.
  if (TCustomForm* form = GetParentForm(this)) form->SelectNext(this, goForward, true);
}

void TDBGrid::KeyDown(Word& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key == 0) return;
  const bool ctrl = shift.Contains(ssCtrl);
  const bool rowSelect = options_.Contains(dgRowSelect);
  const int count = static_cast<int>(VisibleColumns().size());
  switch (key) {
    case VK_UP: MoveBy(-1); break;
    case VK_DOWN: MoveBy(1); break;
    case VK_PRIOR: MoveBy(-VisibleRowCount()); break;
    case VK_NEXT: MoveBy(VisibleRowCount()); break;
    case VK_HOME:
      if (ctrl || rowSelect) {
        if (Browsing()) link_->DataSet()->First();
      } else {
        SetSelectedIndex(0);
      }
      break;
    case VK_END:
      if (ctrl || rowSelect) {
        if (Browsing()) link_->DataSet()->Last();
      } else {
        SetSelectedIndex(count - 1);
      }
      break;
    case VK_LEFT:
    case VK_RIGHT: {
      const bool right = key == VK_RIGHT;
      if (rowSelect) {
        TMessage m{WM_HSCROLL, static_cast<WPARAM>(right ? SB_LINERIGHT : SB_LINELEFT), 0, 0};
        WMHScroll(m);
      } else {
        SetSelectedIndex(selectedIndex_ + (right ? 1 : -1));
      }
      break;
    }
    case VK_TAB:
      if (!options_.Contains(dgTabs) || shift.Contains(ssAlt)) return;
      Tab(!shift.Contains(ssShift));
      break;
    default:
      return;
  }
  key = 0;
}

void TDBGrid::ScrollTo(int position) {
  TDataSet* dataSet = link_->DataSet();
  if (!dataSet->IsSequenced() || dataSet->RecordCount() < 0) {
    switch (position) {
      case 0: dataSet->First(); break;
      case 1: dataSet->MoveBy(-VisibleRowCount()); break;
      case 3: dataSet->MoveBy(VisibleRowCount()); break;
      case 4: dataSet->Last(); break;
      default: break;
    }
    return;
  }
  const Integer count = dataSet->RecordCount();
  if (position <= 1) {
    dataSet->First();
  } else if (position >= count) {
    dataSet->Last();
  } else {
    dataSet->SetRecNo(position);
    // A dataset that cannot jump to a number gets there record by record.
    const Integer now = dataSet->RecNo();
    if (now > 0 && now != position) dataSet->MoveBy(position - now);
  }
}

void TDBGrid::WMVScroll(TMessage& m) {
  m.Result = 0;
  if (!Browsing()) return;
  TDataSet* dataSet = link_->DataSet();
  switch (LOWORD(m.WParam)) {
    case SB_LINEUP: dataSet->MoveBy(-link_->ActiveRecord() - 1); break;
    case SB_LINEDOWN: dataSet->MoveBy(link_->RecordCount() - link_->ActiveRecord()); break;
    case SB_PAGEUP: dataSet->MoveBy(-VisibleRowCount()); break;
    case SB_PAGEDOWN: dataSet->MoveBy(VisibleRowCount()); break;
    case SB_TOP: dataSet->First(); break;
    case SB_BOTTOM: dataSet->Last(); break;
    case SB_THUMBPOSITION: {
      // The message carries 16 bits of position; a longer range is read from the bar itself.
      int position = HIWORD(m.WParam);
      SCROLLINFO si{};
      si.cbSize = sizeof(si);
      si.fMask = SIF_RANGE | SIF_TRACKPOS;
      if (GetScrollInfo(Handle(), SB_VERT, &si) && si.nMax > 0xFFFF) position = si.nTrackPos;
      ScrollTo(position);
      break;
    }
    default: break;  // the thumb's tracking moves nothing until it is let go
  }
}

void TDBGrid::WMHScroll(TMessage& m) {
  m.Result = 0;
  if (!HandleAllocated()) return;
  const Metrics metrics = GetMetrics();
  const Integer page = std::max<Integer>(metrics.clientWidth - metrics.dataLeft, 1);
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL;
  if ((GetWindowLongPtrW(Handle(), GWL_STYLE) & WS_HSCROLL) == 0 || !GetScrollInfo(Handle(), SB_HORZ, &si)) return;
  Integer offset = leftOffset_;
  switch (LOWORD(m.WParam)) {
    case SB_LINELEFT: offset -= kHorizontalLine; break;
    case SB_LINERIGHT: offset += kHorizontalLine; break;
    case SB_PAGELEFT: offset -= page; break;
    case SB_PAGERIGHT: offset += page; break;
    case SB_LEFT: offset = 0; break;
    case SB_RIGHT: offset = si.nMax; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: offset = si.nTrackPos; break;
    default: return;
  }
  offset = std::clamp<Integer>(offset, 0, std::max<Integer>(si.nMax - static_cast<Integer>(si.nPage) + 1, 0));
  if (offset == leftOffset_) return;
  leftOffset_ = offset;
  si.fMask = SIF_POS;
  si.nPos = offset;
  SetScrollInfo(Handle(), SB_HORZ, &si, TRUE);
  Invalidate();
}

void TDBGrid::WMMouseWheel(TMessage& m) {
  m.Result = 0;
  wheelDelta_ += GET_WHEEL_DELTA_WPARAM(m.WParam);
  // One record per notch; a finer wheel adds up to notches.
  while (wheelDelta_ >= WHEEL_DELTA) {
    wheelDelta_ -= WHEEL_DELTA;
    MoveBy(-1);
  }
  while (wheelDelta_ <= -WHEEL_DELTA) {
    wheelDelta_ += WHEEL_DELTA;
    MoveBy(1);
  }
}

void TDBGrid::DoExit() {
  if (!options_.Contains(dgCancelOnExit) || !Browsing()) return;
  TDataSet* dataSet = link_->DataSet();
  if (dataSet->State() == dsInsert && !dataSet->Modified()) dataSet->Cancel();
}

// ---- mouse ----

void TDBGrid::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  if (button == mbLeft) {
    if (CanFocus() && !Focused()) SetFocus();
    sizingColumn_ = SizingColumnAt(x, y);
    const Metrics m = GetMetrics();
    const std::vector<Span> spans = Spans(m, VisibleColumns());
    if (sizingColumn_ >= 0) {
      sizingOffset_ = spans[static_cast<std::size_t>(sizingColumn_)].right - x;
    } else if (const int row = RowAt(m, y); row >= 0 && Browsing() && row < link_->RecordCount()) {
      if (const int column = ColumnAt(m, spans, x); column >= 0) SetSelectedIndex(column);
      link_->DataSet()->MoveBy(row - link_->ActiveRecord());
    }
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TDBGrid::MouseMove(TShiftState shift, Integer x, Integer y) {
  if (sizingColumn_ >= 0) {
    const std::vector<TColumn*> columns = VisibleColumns();
    if (sizingColumn_ < static_cast<int>(columns.size())) {
      const Span span = Spans(GetMetrics(), columns)[static_cast<std::size_t>(sizingColumn_)];
      columns[static_cast<std::size_t>(sizingColumn_)]->SetWidth(std::max<Integer>(x + sizingOffset_ - span.left, 1));
    }
  }
  TCustomControl::MouseMove(shift, x, y);
}

void TDBGrid::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  if (button == mbLeft) {
    if (sizingColumn_ >= 0) {
      sizingColumn_ = -1;
    } else {
      const Metrics m = GetMetrics();
      const std::vector<TColumn*> columns = VisibleColumns();
      const int row = RowAt(m, y);
      const int column = ColumnAt(m, Spans(m, columns), x);
      if (row == -1 && column >= 0) {
        if (OnTitleClick) OnTitleClick(columns[static_cast<std::size_t>(column)]);
      } else if (row >= 0 && column >= 0 && Browsing() && row < link_->RecordCount()) {
        if (OnCellClick) OnCellClick(SelectedColumn());
      }
    }
  }
  TCustomControl::MouseUp(button, shift, x, y);
}

// ---- messages ----

void TDBGrid::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_GETDLGCODE:
      m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | (options_.Contains(dgTabs) ? DLGC_WANTTAB : 0);
      return;
    case WM_ERASEBKGND:
      m.Result = 1;  // Paint covers the whole client area
      return;
    case WM_VSCROLL:
      if (m.LParam == 0) {
        WMVScroll(m);
        return;
      }
      break;
    case WM_HSCROLL:
      if (m.LParam == 0) {
        WMHScroll(m);
        return;
      }
      break;
    case WM_MOUSEWHEEL:
      WMMouseWheel(m);
      return;
    case WM_SETCURSOR:
      if (LOWORD(m.LParam) == HTCLIENT && reinterpret_cast<HWND>(m.WParam) == Handle()) {
        POINT p{};
        GetCursorPos(&p);
        ::ScreenToClient(Handle(), &p);
        if (sizingColumn_ >= 0 || SizingColumnAt(p.x, p.y) >= 0) {
          ::SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
          m.Result = 1;
          return;
        }
      }
      break;
    case WM_CAPTURECHANGED:
      sizingColumn_ = -1;
      break;
    case CM_EXIT:
      DoExit();
      break;
    case CM_GETDATALINK:
      m.Result = reinterpret_cast<LRESULT>(link_.get());
      return;
    default:
      break;
  }
  TCustomControl::WndProc(m);
  switch (m.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case CM_ENABLEDCHANGED:
      Invalidate();
      break;
    case CM_FONTCHANGED:
      ResetFontMetrics();
      UpdateRowCount();
      UpdateScrollBars();
      break;
    default:
      break;
  }
}

// ---- painting ----

void TDBGrid::Paint() {
  const TRect client = ClientRect();
  if (client.IsEmpty()) return;
  paintedActiveRow_ = link_->Active() ? link_->ActiveRecord() : -1;
  HDC target = Canvas().Handle();
  OffscreenBuffer buffer(target, client.Width(), client.Height());
  if (!buffer.Valid()) {
    PaintGrid(Canvas(), client);
    return;
  }
  TCanvas canvas;
  {
    CanvasOnDc on(canvas, buffer.Dc());
    PaintGrid(canvas, client);
  }
  BitBlt(target, 0, 0, client.Width(), client.Height(), buffer.Dc(), 0, 0, SRCCOPY);
}

void TDBGrid::DrawIndicator(TCanvas& canvas, const TRect& r, bool current) {
  FillSolid(canvas, r, clBtnFace);
  RECT edge = ToRECT(r);
  DrawEdge(canvas.Handle(), &edge, BDR_RAISEDINNER, BF_RECT);
  if (!current) return;
  const TDataSetState state = link_->DataSet()->State();
  const Integer cx = r.Left + r.Width() / 2;
  const Integer cy = r.Top + r.Height() / 2;
  canvas.Brush().SetColor(clBlack);
  canvas.Pen().SetColor(clBlack);
  if (state == dsEdit) {
    // An I-beam: the record is being edited.
    canvas.FillRect(Rect(cx, cy - 4, cx + 1, cy + 5));
    canvas.FillRect(Rect(cx - 2, cy - 4, cx + 3, cy - 3));
    canvas.FillRect(Rect(cx - 2, cy + 4, cx + 3, cy + 5));
  } else if (state == dsInsert) {
    // A star: a new record.
    canvas.FillRect(Rect(cx - 3, cy, cx + 4, cy + 1));
    canvas.FillRect(Rect(cx, cy - 3, cx + 1, cy + 4));
    canvas.FillRect(Rect(cx - 2, cy - 2, cx - 1, cy - 1));
    canvas.FillRect(Rect(cx + 2, cy - 2, cx + 3, cy - 1));
    canvas.FillRect(Rect(cx - 2, cy + 2, cx - 1, cy + 3));
    canvas.FillRect(Rect(cx + 2, cy + 2, cx + 3, cy + 3));
  } else {
    // An arrow: the current record.
    canvas.Polygon({Point(cx - 2, cy - 4), Point(cx + 2, cy), Point(cx - 2, cy + 4)});
  }
}

void TDBGrid::PaintGrid(TCanvas& canvas, const TRect& client) {
  const Metrics m = GetMetrics();
  const std::vector<TColumn*> columns = VisibleColumns();
  const std::vector<Span> spans = Spans(m, columns);
  const int columnCount = static_cast<int>(columns.size());
  const bool focused = Focused();
  const bool showSelection = focused || options_.Contains(dgAlwaysShowSelection);
  const bool rowSelect = options_.Contains(dgRowSelect);
  const TColor gridLine = clSilver;
  const TColor fixedLine = clBtnShadow;
  // A cell's visible part: not over the indicator, not past the client area.
  auto visible = [&](const Span& span, Integer top) {
    return Rect(std::max(span.left, m.dataLeft), top, std::min(span.right, m.clientWidth), top + m.rowHeight);
  };

  canvas.Font().Assign(&Font());
  FillSolid(canvas, client, Color());
  // Where the columns end on the right; the row lines stop there.
  const Integer columnsRight =
      spans.empty() ? m.dataLeft : std::clamp(spans.back().right + m.colLine, m.dataLeft, m.clientWidth);

  if (options_.Contains(dgTitles)) {
    if (m.indicatorWidth > 0) {
      DrawIndicator(canvas, Rect(0, 0, m.indicatorWidth, m.rowHeight), false);
      if (m.colLine > 0) FillSolid(canvas, Rect(m.indicatorWidth, 0, m.dataLeft, m.rowHeight), fixedLine);
    }
    canvas.Font().SetColor(clBtnText);
    for (int i = 0; i < columnCount; ++i) {
      const Span& span = spans[static_cast<std::size_t>(i)];
      const TRect r = visible(span, 0);
      if (r.IsEmpty()) continue;
      const TColumnTitle& title = columns[static_cast<std::size_t>(i)]->Title();
      canvas.Brush().SetColor(clBtnFace);
      CellText(canvas, r, Rect(span.left, 0, span.right, m.rowHeight), title.Caption(), title.Alignment());
      RECT edge = ToRECT(r);
      DrawEdge(canvas.Handle(), &edge, BDR_RAISEDINNER, BF_RECT);
      if (m.colLine > 0) FillSolid(canvas, Rect(r.Right, 0, std::min(r.Right + 1, m.clientWidth), m.rowHeight), fixedLine);
    }
    if (m.rowLine > 0) FillSolid(canvas, Rect(0, m.rowHeight, columnsRight, m.dataTop), fixedLine);
  }

  // Record rows, each painted from its own buffer.
  const int rows = Browsing() ? std::min(link_->RecordCount(), VisibleRowCount()) : 0;
  if (rows <= 0) return;
  const int current = link_->ActiveRecord();
  ActiveRecordScope restore(*link_);
  for (int row = 0; row < rows; ++row) {
    link_->SetActiveRecord(row);
    const Integer top = m.RowTop(row);
    const Integer bottom = top + m.rowHeight;
    if (m.indicatorWidth > 0) {
      DrawIndicator(canvas, Rect(0, top, m.indicatorWidth, bottom), row == current);
      if (m.colLine > 0) FillSolid(canvas, Rect(m.indicatorWidth, top, m.dataLeft, bottom + m.rowLine), fixedLine);
      if (m.rowLine > 0) FillSolid(canvas, Rect(0, bottom, m.indicatorWidth, bottom + 1), fixedLine);
    }
    for (int i = 0; i < columnCount; ++i) {
      const Span& span = spans[static_cast<std::size_t>(i)];
      const TRect r = visible(span, top);
      if (r.IsEmpty()) continue;
      TColumn* column = columns[static_cast<std::size_t>(i)];
      const bool selected = showSelection && row == current && (rowSelect || i == selectedIndex_);
      canvas.Brush().SetColor(selected ? clHighlight : Color());
      canvas.Font().SetColor(selected ? clHighlightText : Font().Color());
      TField* field = column->Field();
      CellText(canvas, r, Rect(span.left, top, span.right, bottom), field != nullptr ? field->DisplayText() : AnsiString(),
               column->Alignment());
      if (m.colLine > 0) FillSolid(canvas, Rect(r.Right, top, std::min(r.Right + 1, m.clientWidth), bottom + m.rowLine), gridLine);
    }
    if (m.rowLine > 0) FillSolid(canvas, Rect(m.dataLeft, bottom, columnsRight, bottom + 1), gridLine);
    if (focused && row == current && columnCount > 0) {
      TRect focus;
      if (rowSelect) {
        focus = Rect(m.dataLeft, top, columnsRight - m.colLine, bottom);
      } else if (selectedIndex_ >= 0 && selectedIndex_ < columnCount) {
        focus = visible(spans[static_cast<std::size_t>(selectedIndex_)], top);
      }
      if (!focus.IsEmpty()) {
        canvas.Brush().SetColor(Color());
        canvas.DrawFocusRect(focus);
      }
    }
  }
}
