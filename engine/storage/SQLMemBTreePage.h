// The pages of a B+-tree index. Leaves hold (key, record id) items in key order, nodes hold (key,
// child page number) items, and the pages of each level are chained both ways in key order. A page is
// taken from the table's page manager for one step of an operation and released when that step ends.
//
// Page layout, little-endian, from the start of the page buffer:
//   0 root flag, 1 leaf flag, 2 int32 prior page (-1 none), 6 int32 next page (-1 none),
//   10 first-root mark (copied, never read), 11 item extension flag (always 0),
//   12 uint16 key length, 14 uint16 item count, 16 uint16 extension length (always 0),
//   18 the items: key bytes, then the record id (leaf) or the child page number as int32 (node).
// In a node, item i's child holds the keys from item i's key up to item i + 1's key; item 0's key is
// never searched (the first node of each level keeps a zero key there).
#pragma once
#include "engine/storage/SQLMemBTreeKey.h"
#include "engine/storage/SQLMemPage.h"
#include "engine/storage/SQLMemPageManager.h"

class TSQLMemBTreePage;

// Where the pages of one tree come from and how its keys compare: the table's page manager, the
// index's key ref and the table whose page check GetPage asks. The index owns one.
class TSQLMemBTreePages {
 public:
  TSQLMemBTreePages(TSQLMemPageManager& manager, const TSQLMemBTreeKeyRef& keyRef,
                    TSQLMemPageOutdatedCheck pageCheck = nullptr, TSQLMemTableData* tableData = nullptr) noexcept
      : manager_(manager), keyRef_(keyRef), pageCheck_(pageCheck), tableData_(tableData) {}

  TSQLMemPageManager& Manager() const noexcept { return manager_; }
  const TSQLMemBTreeKeyRef& KeyRef() const noexcept { return keyRef_; }
  TSQLMemPage* NewPage(Integer session) { return manager_.AddPage(session); }
  TSQLMemPage* TakePage(Integer session, Integer pageNo) { return manager_.GetPage(session, pageNo, pageCheck_, tableData_); }
  void FreePageNo(Integer session, Integer pageNo) { manager_.FreePage(session, pageNo); }

 private:
  TSQLMemPageManager& manager_;
  const TSQLMemBTreeKeyRef& keyRef_;
  TSQLMemPageOutdatedCheck pageCheck_;
  TSQLMemTableData* tableData_;
};

// What FindPosition found.
enum TSQLMemFindOutcome : Integer { foFound = 1, foNotFound = 2, foEmpty = 5 };
// Which of several equal keys FindPosition stops at.
enum TSQLMemFindMode : Integer { fmFirstEqual = 0, fmLastEqual = 1, fmAnyEqual = 2 };

// The operations of the two page kinds, in the order of their table.
class TSQLMemBTreePageController {
 public:
  explicit TSQLMemBTreePageController(TSQLMemBTreePage& page) noexcept : page_(page) {}
  virtual ~TSQLMemBTreePageController() = default;
  TSQLMemBTreePageController(const TSQLMemBTreePageController&) = delete;
  TSQLMemBTreePageController& operator=(const TSQLMemBTreePageController&) = delete;

  virtual void InsertKey(Integer session, const Byte* key, TSQLMemKeyPath& path, const Byte* reference) = 0;
  virtual bool DeleteKey(Integer session, const Byte* key, TSQLMemKeyPath& path, const Byte* reference) = 0;
  virtual void FreePages(Integer session) = 0;
  virtual void Validate(Integer session, TSQLMemKeyPath& path) = 0;
  virtual bool FindKey(Integer session, const Byte* key, TSQLMemKeyPath& path, const Byte* reference) = 0;
  virtual bool First(Integer session, TSQLMemKeyPath& path) = 0;
  virtual bool Last(Integer session, TSQLMemKeyPath& path) = 0;
  virtual bool FindByCondition(Integer session, bool forward, TSQLMemKeyPath& path, Byte kind, const Byte* key) = 0;
  virtual void GetFirstKey(Integer session, Byte* dest) = 0;
  virtual void GetLastKey(Integer session, Byte* dest) = 0;

 protected:
  TSQLMemBTreePage& page_;
};

class TSQLMemBTreeLeafController : public TSQLMemBTreePageController {
 public:
  using TSQLMemBTreePageController::TSQLMemBTreePageController;
  void InsertKey(Integer session, const Byte* key, TSQLMemKeyPath& path, const Byte* reference) override;
  bool DeleteKey(Integer session, const Byte* key, TSQLMemKeyPath& path, const Byte* reference) override;
  void FreePages(Integer session) override;
  void Validate(Integer session, TSQLMemKeyPath& path) override;
  bool FindKey(Integer session, const Byte* key, TSQLMemKeyPath& path, const Byte* reference) override;
  bool First(Integer session, TSQLMemKeyPath& path) override;
  bool Last(Integer session, TSQLMemKeyPath& path) override;
  bool FindByCondition(Integer session, bool forward, TSQLMemKeyPath& path, Byte kind, const Byte* key) override;
  void GetFirstKey(Integer session, Byte* dest) override;
  void GetLastKey(Integer session, Byte* dest) override;
};

class TSQLMemBTreeNodeController : public TSQLMemBTreePageController {
 public:
  using TSQLMemBTreePageController::TSQLMemBTreePageController;
  void InsertKey(Integer session, const Byte* key, TSQLMemKeyPath& path, const Byte* reference) override;
  bool DeleteKey(Integer session, const Byte* key, TSQLMemKeyPath& path, const Byte* reference) override;
  void FreePages(Integer session) override;
  void Validate(Integer session, TSQLMemKeyPath& path) override;
  bool FindKey(Integer session, const Byte* key, TSQLMemKeyPath& path, const Byte* reference) override;
  bool First(Integer session, TSQLMemKeyPath& path) override;
  bool Last(Integer session, TSQLMemKeyPath& path) override;
  bool FindByCondition(Integer session, bool forward, TSQLMemKeyPath& path, Byte kind, const Byte* key) override;
  void GetFirstKey(Integer session, Byte* dest) override;
  void GetLastKey(Integer session, Byte* dest) override;

  // The children lo..hi that can hold keys matching key by kind (all children without a key).
  void ChildRange(const Byte* key, Byte kind, Integer& lo, Integer& hi) const;
};

// One taken page of a tree, released when the object goes. The leaf and node operations are
// dispatched on the leaf flag.
class TSQLMemBTreePage : public TSQLMemPageController {
 public:
  static constexpr Integer kHeaderSize = 18;  // without extension bytes
  static constexpr Integer kChildRefSize = 4;

  TSQLMemBTreePage(TSQLMemBTreePages& tree, TSQLMemPage* page) noexcept;
  ~TSQLMemBTreePage() override;  // releases the page

  TSQLMemBTreePages& Tree() const noexcept { return tree_; }
  const TSQLMemBTreeKeyRef& KeyRef() const noexcept { return tree_.KeyRef(); }
  TSQLMemBTreePageController& Controller() noexcept;

  // ---- header ----
  bool IsRoot() const { return Buffer()[0] == 1; }
  void SetRoot(bool value) { Buffer()[0] = value ? 1 : 0; }
  bool IsLeaf() const { return Buffer()[1] == 1; }
  void SetLeaf(bool value) { Buffer()[1] = value ? 1 : 0; }
  Integer PriorPageNo() const;
  void SetPriorPageNo(Integer pageNo);
  Integer NextPageNo() const;
  void SetNextPageNo(Integer pageNo);
  Integer KeyLength() const;
  Integer Count() const;
  void SetCount(Integer count);
  Integer ExtensionLength() const;

  void Clear();
  void InitRoot();
  Integer ItemSize() const;
  Integer HeaderSize() const { return kHeaderSize + ExtensionLength(); }
  Byte* ItemPtr(Integer i) const;
  Byte* DataPtr(Integer i) const { return ItemPtr(i) + KeyLength(); }
  void SetItemKey(Integer i, const Byte* key);
  Integer ChildPageNo(Integer i) const;
  void CopyFrom(const TSQLMemBTreePage& src, Integer start, Integer n);
  void AppendFrom(const TSQLMemBTreePage& src, Integer start, Integer n);
  void PrependFrom(const TSQLMemBTreePage& src, Integer start, Integer n);

  // ---- room ----
  bool HasRoom() const;
  bool IsOverflow() const;
  bool IsUnderflow() const;
  bool FitsInto(const TSQLMemBTreePage& other) const;
  void Grow();

  // ---- items ----
  TSQLMemFindOutcome FindPosition(const Byte* key, Integer low, TSQLMemFindMode mode, Integer& position) const;
  void InsertItem(const Byte* key, const Byte* reference, Integer pos);
  void DeleteItem(Integer pos);
  bool FindItem(const Byte* key, const Byte* reference, Integer& pos) const;

  // ---- structure ----
  void InsertEntry(Integer session, const Byte* key, TSQLMemKeyPath& path, Integer childPageNo);
  void DeleteEntry(Integer session, TSQLMemKeyPath& path, bool intoLeft);
  void Split(Integer session, TSQLMemKeyPath& path);
  bool Merge(Integer session, TSQLMemKeyPath& path);

 private:
  bool MergeInto(Integer session, TSQLMemKeyPath& path, Integer siblingPageNo, bool intoLeft);
  void LinkPage(Integer session, Integer pageNo, bool setPrior, Integer target);

  TSQLMemBTreePages& tree_;
  TSQLMemBTreeLeafController leaf_{*this};
  TSQLMemBTreeNodeController node_{*this};
};
