// The page manager of one table: hands out page numbers, lends sessions page objects to read and
// change, keeps each session's changes apart until they are applied or cancelled, and caches clean
// page objects. Where the page bytes live is the store's business (the memory and temporary stores
// derive from it). Session id -2 stands for table work outside any session.
//
// Ownership of page objects: the manager owns every page object. A page is in the shared list while
// clean, in a session's change list while that session changed it, and in no list once it was taken
// out while held (freed by its session, or replaced by applied changes); such a page stays valid until
// its last holder releases it, and that release frees it.
#pragma once
#include <memory>
#include <vector>

#include "engine/foundation/SQLMemArrays.h"
#include "engine/storage/SQLMemPage.h"
#include "vcl/rtl/Object.h"

class TStream;
class TSQLMemTableData;

// A table that goes while its page store still has page numbers in use after every index gave its
// pages back has leaked them (they belong to no index). It cannot raise from its destructor, so it
// reports here; the count only grows, and tests compare it before and after.
void ReportPageLeak() noexcept;
Integer PageLeakReports() noexcept;

// Asked by GetPage about a cached page: true when the table wants the page reread.
using TSQLMemPageOutdatedCheck = bool (*)(TSQLMemTableData* tableData, Integer pageVersion, Integer pageNo);

// The version kind that applied changes stamp their pages with.
inline constexpr Integer kPageVersionKindApply = 2;

class TSQLMemPageManager : public TObject {
 public:
  TSQLMemPageManager(Word pageSize, Integer cacheCapacity);
  ~TSQLMemPageManager() override;  // frees every page object; checks nothing (see Close)

  // The checks that must pass before the manager goes: no session may hold uncommitted pages (20097),
  // and the store must have no page numbers in use (CloseStore). Every page object and the store's
  // memory are then freed. Nothing is changed when a check fails.
  void Close();

  // ---- the manager's operations (each runs between Lock and Unlock) ----

  // A new page, held once and dirty: a number this session freed is reused first (last freed first),
  // else the store allocates one (20064 when it could not).
  TSQLMemPage* AddPage(Integer sessionId);
  // Schedules pageNo's release for when the session's changes are applied. A page object of that
  // number among the session's pages, or one it changed that still sits in the cache, leaves its list
  // (freed now, or by its last release when held).
  void FreePage(Integer sessionId, Integer pageNo);
  // Takes a page for reading or changing: the session's own changed page, else the cached one (asked
  // to revalidate), else a page object read from the store. Raises 20090 when the page is dirty and
  // held by another session. callback may be nil.
  TSQLMemPage* GetPage(Integer sessionId, Integer pageNo, TSQLMemPageOutdatedCheck callback, TSQLMemTableData* tableData);
  // Gives a page back (20065 for a page without number, 10665 when it was not held). A dirty cached
  // page moves into the change list of the session that took it last; the cache then sheds unheld
  // pages from its front while it holds more than its capacity.
  void ReleasePage(TSQLMemPage* page);
  // Writes the session's changed pages to the store and moves them to the cache, then releases the
  // numbers the session freed. 10822 for a clean page, 10823 for a held one; pages before the failing
  // one stay moved.
  void ApplyChanges(Integer sessionId);
  // Releases the numbers the session allocated and frees its changed pages (10820 clean, 10821 held).
  // A memory store is changed in place, so edits of existing pages are not undone.
  void CancelChanges(Integer sessionId);
  // Frees every cached page object (held ones are freed by their last release).
  void FreeCachedPages();

  // ---- virtual operations (in the order of the manager's table) ----

  // The manager takes no lock of its own: the table's locks serialise its use.
  virtual void Lock(bool exclusive);
  virtual void Unlock();
  virtual Integer GetPageCount() const;  // page numbers in use
  virtual Integer NextVersion(Integer kind);
  virtual Integer CurrentVersion();
  virtual bool IsOutdated(Integer pageVersion, Integer currentVersion, Integer kind);
  // The stored form of the page store; loading replaces the store, which must have no page object in
  // use (20097 otherwise) and frees the cached ones.
  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToStream(TStream& stream);
  // The store's own operations, used by the manager and by a store built on another store.
  virtual void AttachBuffer(TSQLMemPage* page);
  virtual void AllocatePage(TSQLMemPage* page) = 0;
  virtual void ReleasePageNumber(Integer pageNo) = 0;
  virtual void ReadPage(TSQLMemPage* page) = 0;
  virtual void WritePage(TSQLMemPage* page) = 0;
  virtual void Flush();

  // ---- state, for the owners and tests ----
  Word PageSize() const noexcept { return pageSize_; }
  Word ReservedSize() const noexcept { return reservedSize_; }
  Integer CacheCapacity() const noexcept { return cacheCapacity_; }
  Integer AllocatedPageCount() const noexcept { return allocatedPageCount_; }
  Integer CachedPageCount() const noexcept { return sharedList_.Count(); }
  const TSQLMemPageList& CachedPages() const noexcept { return sharedList_; }
  // Counts of the session's change set (0 for a session that has none).
  Integer SessionPageCount(Integer sessionId) const;
  Integer SessionAllocatedCount(Integer sessionId) const;
  Integer SessionFreedCount(Integer sessionId) const;
  // Page objects taken out of every list while held, waiting for their last release.
  Integer DetachedPageCount() const noexcept { return detached_.Count(); }

 protected:
  // The store's checks before it goes: raises when page numbers are still in use. Must not change
  // anything.
  virtual void CheckStoreCanClose() = 0;
  // Frees the store's memory. Never raises.
  virtual void FreeStore() noexcept = 0;
  // Before a load: raises 20097 when a page object is held or changed, else frees the cached ones.
  void PrepareForLoad();

  Word pageSize_;
  Word reservedSize_ = 0;
  Integer allocatedPageCount_ = 0;

 private:
  struct SessionChanges;
  class LockScope;

  SessionChanges* FindChanges(Integer sessionId) const;
  SessionChanges& ChangesOf(Integer sessionId);
  // Frees a page object of a list, or detaches it when it is held.
  void DiscardPage(TSQLMemPage* page, TSQLMemPageList& list);
  void DiscardNumber(Integer pageNo, TSQLMemPageList& list);
  void ShrinkCache();
  void FreeEverything() noexcept;

  Integer cacheCapacity_;
  TSQLMemPageList sharedList_;
  std::vector<std::unique_ptr<SessionChanges>> changes_;
  TSQLMemPageList detached_;  // held pages taken out of their list
  bool closed_ = false;
};

namespace sqlmem_page_stream {
// One fixed-size field of a page store's stream form, little-endian, raising code on a short transfer.
void WriteInt32(TStream& stream, Integer value, Integer code);
void WriteInt64(TStream& stream, Int64 value, Integer code);
void WriteWord(TStream& stream, Word value, Integer code);
Integer ReadInt32(TStream& stream, Integer code);
Int64 ReadInt64(TStream& stream, Integer code);
Word ReadWord(TStream& stream, Integer code);
// A field that was read but holds a value no store can have: raises code with the stream read text,
// naming the field's position and size.
[[noreturn]] void RaiseDamagedField(TStream& stream, Int64 fieldPosition, Integer fieldSize, Integer code);
// Bytes between the stream's position and its end (0 when the position lies beyond it).
Int64 BytesLeft(TStream& stream);
// Makes dest a copy of source (size and bits).
void CopyBits(const TSQLMemBitsArray& source, TSQLMemBitsArray& dest);
}  // namespace sqlmem_page_stream
