#include "engine/storage/SQLMemPageManager.h"

#include <algorithm>
#include <atomic>
#include <bit>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemStreams.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "vcl/rtl/CheckedInt.h"

static_assert(std::endian::native == std::endian::little, "page store forms are written in native byte order");

// The changes of one session: the pages it holds or changed, the numbers it allocated (released again
// by a cancel) and the numbers it freed (released when the changes are applied).
struct TSQLMemPageManager::SessionChanges {
  Integer sessionId;
  TSQLMemPageList pages;
  TSQLMemIntegerArray allocated{0, 10, 100};
  TSQLMemIntegerArray freed{0, 10, 100};

  explicit SessionChanges(Integer id) : sessionId(id) {}
};

// Every operation of the manager runs between Lock and Unlock, also when it fails.
class TSQLMemPageManager::LockScope {
 public:
  explicit LockScope(TSQLMemPageManager& manager) : manager_(manager) { manager_.Lock(true); }
  ~LockScope() {
    try {
      manager_.Unlock();
    } catch (...) {
      // An unlock that fails while an error passes must not replace it; the stores' Unlock never raises.
    }
  }
  LockScope(const LockScope&) = delete;
  LockScope& operator=(const LockScope&) = delete;

 private:
  TSQLMemPageManager& manager_;
};

namespace {
std::atomic<Integer> pageLeakReports{0};
}  // namespace

void ReportPageLeak() noexcept { ++pageLeakReports; }

Integer PageLeakReports() noexcept { return pageLeakReports.load(); }

TSQLMemPageManager::TSQLMemPageManager(Word pageSize, Integer cacheCapacity)
    : pageSize_(pageSize), cacheCapacity_(cacheCapacity) {
  // A page must at least hold the header that a page writes into a buffer of its own.
  if (pageSize < kFreshPageHeaderSize || cacheCapacity < 0) RaiseRangeError();
}

TSQLMemPageManager::~TSQLMemPageManager() { FreeEverything(); }

void TSQLMemPageManager::FreeEverything() noexcept {
  changes_.clear();
  sharedList_.Clear();
  detached_.Clear();
}

void TSQLMemPageManager::Close() {
  if (closed_) return;
  for (const auto& changes : changes_)
    if (!changes->pages.Empty()) SQLMemError(20097, SQLMemCannotFreeUncommittedPages, {ClassName()});
  CheckStoreCanClose();
  FreeEverything();
  FreeStore();
  closed_ = true;
}

// ---- change sets ----

TSQLMemPageManager::SessionChanges* TSQLMemPageManager::FindChanges(Integer sessionId) const {
  for (const auto& changes : changes_)
    if (changes->sessionId == sessionId) return changes.get();
  return nullptr;
}

TSQLMemPageManager::SessionChanges& TSQLMemPageManager::ChangesOf(Integer sessionId) {
  if (SessionChanges* found = FindChanges(sessionId)) return *found;
  changes_.push_back(std::make_unique<SessionChanges>(sessionId));
  return *changes_.back();
}

Integer TSQLMemPageManager::SessionPageCount(Integer sessionId) const {
  const SessionChanges* changes = FindChanges(sessionId);
  return changes == nullptr ? 0 : changes->pages.Count();
}

Integer TSQLMemPageManager::SessionAllocatedCount(Integer sessionId) const {
  const SessionChanges* changes = FindChanges(sessionId);
  return changes == nullptr ? 0 : changes->allocated.Count();
}

Integer TSQLMemPageManager::SessionFreedCount(Integer sessionId) const {
  const SessionChanges* changes = FindChanges(sessionId);
  return changes == nullptr ? 0 : changes->freed.Count();
}

// A page object that someone still holds cannot go yet: it leaves its list and waits in the detached
// list for its last release, which frees it.
void TSQLMemPageManager::DiscardPage(TSQLMemPage* page, TSQLMemPageList& list) {
  std::unique_ptr<TSQLMemPage> owned = list.Extract(page);
  if (owned->useCount_ > 0) detached_.Append(std::move(owned));
}

void TSQLMemPageManager::DiscardNumber(Integer pageNo, TSQLMemPageList& list) {
  while (TSQLMemPage* page = list.Find(pageNo)) DiscardPage(page, list);
}

// ---- operations ----

TSQLMemPage* TSQLMemPageManager::AddPage(Integer sessionId) {
  LockScope lock(*this);
  SessionChanges& changes = ChangesOf(sessionId);
  auto page = std::make_unique<TSQLMemPage>(this);
  if (changes.freed.Count() == 0) {
    AllocatePage(page.get());
    if (page->pageNo_ == -1) SQLMemError(20064, SQLMemInvalidPageNumber);
    changes.allocated.Append(page->pageNo_);
  } else {
    const Integer last = changes.freed.Count() - 1;
    page->pageNo_ = changes.freed.GetItem(last);
    AttachBuffer(page.get());
    changes.freed.Delete(last);
  }
  page->useCount_ = 1;
  page->dirty_ = true;
  page->sessionId_ = sessionId;
  return changes.pages.Append(std::move(page));
}

void TSQLMemPageManager::FreePage(Integer sessionId, Integer pageNo) {
  LockScope lock(*this);
  SessionChanges& changes = ChangesOf(sessionId);
  changes.freed.Append(pageNo);
  DiscardNumber(pageNo, changes.pages);
  // A page the session changed while holding it stays in the cache until its release would move it
  // into the session's changes. Freed, it must leave now: once the number is reused by a new page,
  // that release would bring the old page back beside the new one, and the apply would write both.
  TSQLMemPage* cached = sharedList_.Find(pageNo);
  if (cached != nullptr && cached->dirty_ && cached->sessionId_ == sessionId) DiscardPage(cached, sharedList_);
}

TSQLMemPage* TSQLMemPageManager::GetPage(Integer sessionId, Integer pageNo, TSQLMemPageOutdatedCheck callback,
                                         TSQLMemTableData* tableData) {
  LockScope lock(*this);
  SessionChanges& changes = ChangesOf(sessionId);
  TSQLMemPage* page = changes.pages.Find(pageNo);
  if (page == nullptr) {
    page = sharedList_.Find(pageNo);
    if (page == nullptr) {
      auto fresh = std::make_unique<TSQLMemPage>(this);
      fresh->pageNo_ = pageNo;
      ReadPage(fresh.get());
      fresh->version_ = CurrentVersion();
      page = sharedList_.Append(std::move(fresh));
    } else if (callback == nullptr || callback(tableData, page->version_, pageNo)) {
      page->Revalidate();
    }
  }
  if (page->dirty_ && page->useCount_ > 0 && page->sessionId_ != sessionId)
    SQLMemError(20090, SQLMemPageUsedByOtherSession);
  page->sessionId_ = sessionId;
  page->useCount_ = CheckedAdd(page->useCount_, 1);
  return page;
}

void TSQLMemPageManager::ReleasePage(TSQLMemPage* page) {
  LockScope lock(*this);
  if (page->pageNo_ == -1) SQLMemError(20065, SQLMemInvalidPageNumber);
  if (page->list_ == nullptr) SQLMemError(20040, SQLMemUsedPageReleasedTooEarly);
  if (page->useCount_ < 1) SQLMemError(10665, SQLMemInvalidUseCount, {page->useCount_ - 1, page->pageNo_});
  --page->useCount_;
  if (page->list_ == &detached_) {
    // Freed by its session (or replaced by applied changes) while held: this was the wait for it.
    if (page->useCount_ == 0) detached_.Extract(page);
    return;
  }
  if (page->useCount_ == 0 && page->dirty_ && page->list_ == &sharedList_)
    sharedList_.MoveTo(page, ChangesOf(page->sessionId_).pages);
  if (page->list_ == &sharedList_ && sharedList_.Count() > cacheCapacity_) ShrinkCache();
}

void TSQLMemPageManager::ShrinkCache() {
  for (auto it = sharedList_.begin(); it != sharedList_.end() && sharedList_.Count() > cacheCapacity_;) {
    TSQLMemPage* page = it->get();
    ++it;
    if (page->useCount_ == 0) sharedList_.Extract(page);
  }
}

void TSQLMemPageManager::ApplyChanges(Integer sessionId) {
  LockScope lock(*this);
  SessionChanges* changes = FindChanges(sessionId);
  if (changes == nullptr) return;
  const Integer version = NextVersion(kPageVersionKindApply);
  while (TSQLMemPage* page = changes->pages.First()) {
    if (!page->dirty_) SQLMemError(10822, SQLMemPageNotDirty, {page->pageNo_});
    if (page->useCount_ > 0) SQLMemError(10823, SQLMemCannotRemoveUsedPage, {page->pageNo_, page->useCount_});
    WritePage(page);
    page->dirty_ = false;
    page->version_ = version;
    DiscardNumber(page->pageNo_, sharedList_);
    changes->pages.MoveTo(page, sharedList_);
  }
  while (changes->freed.Count() > 0) {
    const Integer pageNo = changes->freed.GetItem(0);
    ReleasePageNumber(pageNo);
    changes->freed.Delete(0);
    DiscardNumber(pageNo, changes->pages);
    DiscardNumber(pageNo, sharedList_);
  }
  changes->allocated.SetSize(0);
}

void TSQLMemPageManager::CancelChanges(Integer sessionId) {
  LockScope lock(*this);
  SessionChanges* changes = FindChanges(sessionId);
  if (changes == nullptr) return;
  while (changes->allocated.Count() > 0) {
    ReleasePageNumber(changes->allocated.GetItem(0));
    changes->allocated.Delete(0);
  }
  while (TSQLMemPage* page = changes->pages.First()) {
    if (!page->dirty_) SQLMemError(10820, SQLMemPageNotDirty, {page->pageNo_});
    if (page->useCount_ > 0) SQLMemError(10821, SQLMemCannotRemoveUsedPage, {page->pageNo_, page->useCount_});
    changes->pages.Extract(page);
  }
  changes->freed.SetSize(0);
}

void TSQLMemPageManager::FreeCachedPages() {
  LockScope lock(*this);
  while (TSQLMemPage* page = sharedList_.First()) DiscardPage(page, sharedList_);
}

void TSQLMemPageManager::PrepareForLoad() {
  bool inUse = detached_.Count() > 0;
  for (const auto& changes : changes_) inUse = inUse || !changes->pages.Empty();
  for (const auto& page : sharedList_) inUse = inUse || page->useCount_ > 0;
  if (inUse) SQLMemError(20097, SQLMemCannotFreeUncommittedPages, {ClassName()});
  sharedList_.Clear();
}

// ---- virtual operations of the base ----

void TSQLMemPageManager::Lock(bool) {}
void TSQLMemPageManager::Unlock() {}
Integer TSQLMemPageManager::GetPageCount() const { return allocatedPageCount_; }
Integer TSQLMemPageManager::NextVersion(Integer) { return 0; }
Integer TSQLMemPageManager::CurrentVersion() { return 0; }
bool TSQLMemPageManager::IsOutdated(Integer pageVersion, Integer currentVersion, Integer) {
  return pageVersion != currentVersion;
}
void TSQLMemPageManager::LoadFromStream(TStream&) {}
void TSQLMemPageManager::SaveToStream(TStream&) {}
void TSQLMemPageManager::AttachBuffer(TSQLMemPage*) {}
void TSQLMemPageManager::Flush() {}

// ---------------------------------------------------------------------------------------------
// Stream fields

namespace sqlmem_page_stream {

namespace {
template <class T>
void WriteField(TStream& stream, T value, Integer code) {
  Byte bytes[sizeof(T)];
  StoreValue<T>(bytes, value);
  StreamWriteChecked(bytes, sizeof(T), stream, code);
}

template <class T>
T ReadField(TStream& stream, Integer code) {
  Byte bytes[sizeof(T)];
  StreamReadChecked(bytes, sizeof(T), stream, code);
  return LoadValue<T>(bytes);
}
}  // namespace

void WriteInt32(TStream& stream, Integer value, Integer code) { WriteField(stream, value, code); }
void WriteInt64(TStream& stream, Int64 value, Integer code) { WriteField(stream, value, code); }
void WriteWord(TStream& stream, Word value, Integer code) { WriteField(stream, value, code); }
Integer ReadInt32(TStream& stream, Integer code) { return ReadField<Integer>(stream, code); }
Int64 ReadInt64(TStream& stream, Integer code) { return ReadField<Int64>(stream, code); }
Word ReadWord(TStream& stream, Integer code) { return ReadField<Word>(stream, code); }

void RaiseDamagedField(TStream& stream, Int64 fieldPosition, Integer fieldSize, Integer code) {
  SQLMemError(code, SQLMemCannotReadBlockFromStream, {fieldPosition, stream.GetSize(), fieldSize, fieldSize});
}

Int64 BytesLeft(TStream& stream) { return std::max<Int64>(stream.GetSize() - stream.GetPosition(), 0); }

void CopyBits(const TSQLMemBitsArray& source, TSQLMemBitsArray& dest) {
  dest.SetSize(0);
  dest.SetSize(source.BitCount());
  for (Integer i = 0; i < source.BitCount(); ++i)
    if (source.GetBit(i)) dest.SetBit(i, true);
}

}  // namespace sqlmem_page_stream
