// Pages of a table's page store: one TSQLMemPage object per page in use, the controller through which
// the B-tree reaches a page's bytes, and the ordered page list in which a page manager keeps its page
// objects (its cache and each session's changes). A page object lives in exactly one list at a time.
#pragma once
#include <list>
#include <memory>
#include <unordered_map>

#include "vcl/rtl/Object.h"
#include "vcl/rtl/SysTypes.h"

class TSQLMemPageManager;
class TSQLMemPageList;

// Bytes of the header a page writes into a buffer it allocates for itself: "ACSP", then fields that
// nothing reads back (the B-tree formats the page over them).
inline constexpr Integer kFreshPageHeaderSize = 32;

// Frees an engine block holding page bytes, zero-filling it first when EngineWipeMemory is set;
// nil does nothing. Never raises.
void FreePageMemory(void*& block) noexcept;

class TSQLMemPage : public TObject {
 public:
  // No number, no buffer, owns its (future) buffer, clean, unheld; page size and reserved size are the
  // manager's.
  explicit TSQLMemPage(TSQLMemPageManager* manager);
  ~TSQLMemPage() override;  // frees the buffer when the page owns it

  // A zero-filled block of page size with the fresh page header; an owned buffer held before is freed.
  void AllocBuffer();
  // Frees an owned buffer (wiped first when EngineWipeMemory is set); a store buffer is only let go.
  void FreeBuffer() noexcept;
  // Makes the buffer newSize bytes (at least the page size), keeping the page bytes: an owned buffer
  // is reallocated (new bytes zero), a store buffer is replaced by an owned copy. The page size stays.
  // Raises 20038 without a buffer, 20039 for newSize below the page size.
  void ResizeBuffer(Integer newSize);
  // Rereads the page through its manager when the manager reports its version outdated.
  void Revalidate();
  // Points the page at bytes that belong to the page store (an owned buffer is freed first).
  void AttachStoreBuffer(Byte* buffer) noexcept;

  TSQLMemPageManager* Manager() const noexcept { return manager_; }
  Integer PageNo() const noexcept { return pageNo_; }
  void SetPageNo(Integer pageNo);
  Byte* Buffer() const noexcept { return buffer_; }
  bool OwnsBuffer() const noexcept { return ownsBuffer_; }
  Integer BufferSize() const noexcept { return bufferSize_; }
  bool Dirty() const noexcept { return dirty_; }
  void SetDirty(bool dirty) noexcept { dirty_ = dirty; }
  Integer UseCount() const noexcept { return useCount_; }
  Integer SessionId() const noexcept { return sessionId_; }
  Integer Version() const noexcept { return version_; }
  Word ReservedSize() const noexcept { return reservedSize_; }
  Integer PageSize() const noexcept { return pageSize_; }
  // The list that holds the page: the manager's cache, a session's change list, or the manager's
  // list of pages waiting for their last release; nil for a page no manager list holds.
  TSQLMemPageList* List() const noexcept { return list_; }

 private:
  friend class TSQLMemPageManager;
  friend class TSQLMemPageList;

  TSQLMemPageManager* manager_;
  Integer pageNo_ = -1;
  Byte* buffer_ = nullptr;
  Integer bufferSize_ = 0;
  bool ownsBuffer_ = true;
  bool dirty_ = false;
  Integer useCount_ = 0;
  TSQLMemPageList* list_ = nullptr;
  std::list<std::unique_ptr<TSQLMemPage>>::iterator position_;  // in list_, while list_ is set
  Integer sessionId_ = 0;
  Integer version_ = 0;
  Word reservedSize_;
  Integer pageSize_;
};

// Gives the users of one page (the B-tree page derives from it) the page's number, size and bytes.
// It borrows the page; the page manager owns it.
class TSQLMemPageController : public TObject {
 public:
  explicit TSQLMemPageController(TSQLMemPage* page) noexcept : page_(page) {}

  TSQLMemPage* Page() const noexcept { return page_; }
  Integer PageNo() const noexcept { return page_->PageNo(); }
  void SetPageNo(Integer pageNo) { page_->SetPageNo(pageNo); }
  Integer PageSize() const noexcept { return page_->PageSize(); }
  Byte* Buffer() const noexcept { return page_->Buffer(); }
  void SetDirty() noexcept { page_->SetDirty(true); }
  void ResizeBuffer(Integer newSize) { page_->ResizeBuffer(newSize); }

 protected:
  TSQLMemPage* page_;
};

// Page objects in order of arrival, owned by the list, with a lookup by page number. Moving a page
// between lists keeps the object where it is in memory. A list holds at most one page object of a
// number in the ways the page manager uses it; should it hold more, Find answers one of them.
class TSQLMemPageList {
 public:
  TSQLMemPageList() = default;
  TSQLMemPageList(const TSQLMemPageList&) = delete;
  TSQLMemPageList& operator=(const TSQLMemPageList&) = delete;
  ~TSQLMemPageList() = default;

  Integer Count() const noexcept { return static_cast<Integer>(items_.size()); }
  bool Empty() const noexcept { return items_.empty(); }
  TSQLMemPage* Find(Integer pageNo) const;
  bool Contains(const TSQLMemPage* page) const noexcept { return page != nullptr && page->list_ == this; }

  // Appends a page that is in no list.
  TSQLMemPage* Append(std::unique_ptr<TSQLMemPage> page);
  // Moves a page of this list to the end of dest.
  void MoveTo(TSQLMemPage* page, TSQLMemPageList& dest);
  // Takes a page out of this list and hands it over.
  std::unique_ptr<TSQLMemPage> Extract(TSQLMemPage* page);
  // Frees every page object and empties the list.
  void Clear() noexcept;

  // The pages in order; the list must not change while they are walked.
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  TSQLMemPage* First() const { return items_.empty() ? nullptr : items_.front().get(); }

 private:
  friend class TSQLMemPage;
  using TNumberIndex = std::unordered_multimap<Integer, TSQLMemPage*>;
  void Renumber(TSQLMemPage* page, Integer newPageNo);
  void Unindex(TSQLMemPage* page);
  // The page's entry of the number index, taken out whole (empty when it has none): a move hands the
  // entry on instead of freeing it and allocating another.
  TNumberIndex::node_type ExtractEntry(TSQLMemPage* page);

  std::list<std::unique_ptr<TSQLMemPage>> items_;
  TNumberIndex byNumber_;
};
