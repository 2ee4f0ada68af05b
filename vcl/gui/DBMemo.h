// TDBMemo: a memo that shows and edits one field of the current record of a data source (a memo
// field, usually). The text is loaded whenever the record changes and written into the field when the
// dataset posts (and when the focus leaves the memo). A change the user starts (typing, Delete,
// Backspace, cut, paste, undo) first puts the dataset into edit state through the field link; when
// it cannot edit (read-only memo, field or dataset, AutoEdit off, no field) the change is refused and
// the text stays as it was. The window stays read-only while the link is not editing, so that no way
// of changing the text gets past that rule.
#pragma once
#include <memory>
#include "vcl/db/DataSource.h"
#include "vcl/gui/Memo.h"

class TDBMemo : public TCustomMemo {
 public:
  explicit TDBMemo(TComponent* owner);
  ~TDBMemo() override;

  TDataSource* DataSource() const { return link_->DataSource(); }
  void SetDataSource(TDataSource* value);
  // The field's name; a name the open dataset does not have raises "Field '%s' not found".
  const AnsiString& DataField() const { return link_->FieldName(); }
  void SetDataField(const AnsiString& value);
  TField* Field() const { return link_->Field(); }
  // Whether the memo refuses every change (the field and the dataset may refuse on their own).
  bool ReadOnly() const { return link_->ReadOnly(); }
  void SetReadOnly(bool value);
  TFieldDataLink& DataLink() { return *link_; }

  void WndProc(TMessage& message) override;
  void Notification(TComponent* component, TOperation operation) override;
  void BeforeDestruction() override;

 protected:
  void Change() override;
  bool BeginUserChange() override;
  void KeyPress(char& key) override;

 private:
  void DataChange(TObject* sender);
  void EditingChange(TObject* sender);
  void UpdateData(TObject* sender);
  void LoadText();

  std::unique_ptr<TFieldDataLink> link_;
  bool loading_ = false;  // the text being set from the field is no change of the user's
};
