#include "engine/storage/SQLMemPageManager.h"

#include <gtest/gtest.h>

#include "engine/storage/SQLMemMemoryPageManager.h"
#include "engine/storage/SQLMemTemporaryPageManager.h"
#include "tests/engine/storage/PageTestSupport.h"

namespace {

// A memory store that counts its lock calls and rereads, and whose version moves when a test says so.
class CountingStore : public TSQLMemMemoryPageManager {
 public:
  int locks = 0;
  int unlocks = 0;
  int reads = 0;
  Integer version = 0;

  void Lock(bool exclusive) override {
    EXPECT_TRUE(exclusive);
    ++locks;
  }
  void Unlock() override { ++unlocks; }
  Integer CurrentVersion() override { return version; }
  void ReadPage(TSQLMemPage* page) override {
    ++reads;
    TSQLMemMemoryPageManager::ReadPage(page);
  }
};

std::vector<Integer> CachedNumbers(const TSQLMemPageManager& manager) {
  std::vector<Integer> numbers;
  for (const auto& page : manager.CachedPages()) numbers.push_back(page->PageNo());
  return numbers;
}

}  // namespace

class PageManagerTest : public EngineBlocksTest {};

TEST_F(PageManagerTest, SessionReusesItsFreedNumbersLastFirstBeforeTheStoreAllocates) {
  TSQLMemMemoryPageManager manager;
  const std::vector<Integer> pages = CommittedPages(manager, 5);
  EXPECT_EQ(pages, (std::vector<Integer>{0, 1, 2, 3, 4}));

  manager.FreePage(2, 1);
  manager.FreePage(2, 3);
  std::vector<Integer> taken;
  for (int i = 0; i < 3; ++i) {
    TSQLMemPage* page = manager.AddPage(2);
    EXPECT_TRUE(page->Dirty());
    EXPECT_EQ(page->UseCount(), 1);
    EXPECT_EQ(page->SessionId(), 2);
    // A reused number gets its buffer as a new one does.
    EXPECT_EQ(page->Buffer(), manager.StoreBuffer(page->PageNo()));
    taken.push_back(page->PageNo());
    manager.ReleasePage(page);
  }
  EXPECT_EQ(taken, (std::vector<Integer>{3, 1, 5}));
  // Only the number the store handed out counts as the session's own allocation.
  EXPECT_EQ(manager.SessionAllocatedCount(2), 1);
  EXPECT_EQ(manager.SessionFreedCount(2), 0);
  manager.ApplyChanges(2);
  EXPECT_EQ(manager.GetPageCount(), 6);
  FreeAllPages(manager, 1, {0, 1, 2, 3, 4, 5});
  manager.Close();
}

TEST_F(PageManagerTest, CancelReleasesAllocatedNumbersAndForgetsFreedOnes) {
  TSQLMemMemoryPageManager manager;
  CommittedPages(manager, 2);
  AddStampedPage(manager, 2);
  AddStampedPage(manager, 2);
  manager.FreePage(2, 0);
  EXPECT_EQ(manager.GetPageCount(), 4);
  manager.CancelChanges(2);
  EXPECT_EQ(manager.GetPageCount(), 2);
  EXPECT_EQ(manager.SessionPageCount(2), 0);
  EXPECT_EQ(manager.SessionFreedCount(2), 0);
  // Page 0 is still in use; the cancelled numbers are handed out again.
  EXPECT_EQ(AddStampedPage(manager, 3), 2);
  manager.ApplyChanges(3);
  FreeAllPages(manager, 1, {0, 1, 2});
  manager.Close();
}

TEST_F(PageManagerTest, SessionsSeeEachOthersDirtyPagesOnlyWhenReleased) {
  struct Case {
    const char* name;
    bool dirty;
    Integer secondSession;
    bool raises;
  };
  const Case cases[] = {
      {"dirty page held by another session", true, 2, true},
      {"clean page held by another session", false, 2, false},
      {"dirty page held by the same session", true, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSQLMemMemoryPageManager manager;
    CommittedPages(manager, 1);
    TSQLMemPage* first = manager.GetPage(1, 0, nullptr, nullptr);
    first->SetDirty(c.dirty);
    if (c.raises) {
      ExpectEngineError([&] { manager.GetPage(c.secondSession, 0, nullptr, nullptr); }, 20090,
                        "Page is used by other session - Native error: 20090");
    } else {
      TSQLMemPage* second = manager.GetPage(c.secondSession, 0, nullptr, nullptr);
      EXPECT_EQ(second, first);
      EXPECT_EQ(second->UseCount(), 2);
      manager.ReleasePage(second);
    }
    manager.ReleasePage(first);
    manager.ApplyChanges(1);
    manager.ApplyChanges(2);
    FreeAllPages(manager, 1, {0});
    manager.Close();
  }
}

TEST_F(PageManagerTest, PageChangedByOneSessionIsTakenAgainAfterItsRelease) {
  TSQLMemMemoryPageManager manager;
  CommittedPages(manager, 1);
  TSQLMemPage* mine = manager.GetPage(1, 0, nullptr, nullptr);
  mine->SetDirty(true);
  StampPage(mine, 100);
  manager.ReleasePage(mine);
  // The changed page waits in session 1's change set; session 2 reads the page anew.
  EXPECT_EQ(manager.SessionPageCount(1), 1);
  EXPECT_EQ(manager.CachedPageCount(), 0);
  TSQLMemPage* theirs = manager.GetPage(2, 0, nullptr, nullptr);
  EXPECT_NE(theirs, mine);
  EXPECT_EQ(manager.GetPage(1, 0, nullptr, nullptr), mine);
  manager.ReleasePage(mine);

  // Applying replaces session 2's cached copy; the copy stays valid while session 2 holds it.
  manager.ApplyChanges(1);
  EXPECT_EQ(CachedNumbers(manager), (std::vector<Integer>{0}));
  EXPECT_EQ(manager.CachedPages().First(), mine);
  EXPECT_EQ(manager.DetachedPageCount(), 1);
  EXPECT_TRUE(HasStamp(theirs->Buffer(), 4096, 100));
  manager.ReleasePage(theirs);
  EXPECT_EQ(manager.DetachedPageCount(), 0);
  EXPECT_EQ(manager.GetPage(2, 0, nullptr, nullptr), mine);
  manager.ReleasePage(mine);
  FreeAllPages(manager, 1, {0});
  manager.Close();
}

TEST_F(PageManagerTest, PageFreedWhileHeldLivesUntilItsRelease) {
  for (bool allocatedBySession : {false, true}) {
    SCOPED_TRACE(allocatedBySession ? "page added by the session" : "page taken from the cache");
    TSQLMemMemoryPageManager manager;
    if (!allocatedBySession) CommittedPages(manager, 1);
    TSQLMemPage* page = allocatedBySession ? manager.AddPage(1) : manager.GetPage(1, 0, nullptr, nullptr);
    page->SetDirty(true);
    manager.FreePage(1, 0);
    StampPage(page, 3);  // still usable
    manager.ReleasePage(page);
    manager.ApplyChanges(1);
    EXPECT_EQ(manager.GetPageCount(), 0);
    EXPECT_EQ(manager.DetachedPageCount(), 0);
    EXPECT_EQ(manager.CachedPageCount(), 0);
    EXPECT_EQ(manager.SessionPageCount(1), 0);
    manager.Close();
  }
}

// A B-tree merge frees a page it still holds and has changed; a split in the same change set then gets
// that number back. The freed page object must not come back with it: neither to the session's lookups
// nor to the apply, which would write its stale bytes over the new page.
TEST_F(PageManagerTest, NumberFreedWhileHeldAndChangedIsReusedByANewPageOnly) {
  for (bool ownCopy : {false, true}) {
    SCOPED_TRACE(ownCopy ? "freed page grown into its own buffer" : "freed page in the store buffer");
    TSQLMemMemoryPageManager manager;
    CommittedPages(manager, 1);
    TSQLMemPage* freed = manager.GetPage(1, 0, nullptr, nullptr);
    if (ownCopy) freed->ResizeBuffer(freed->PageSize() * 2);
    StampPage(freed, 7);
    freed->SetDirty(true);
    manager.FreePage(1, 0);
    manager.ReleasePage(freed);
    EXPECT_EQ(manager.SessionPageCount(1), 0) << "the freed page left the session's changes";

    TSQLMemPage* added = manager.AddPage(1);
    ASSERT_EQ(added->PageNo(), 0);
    StampPage(added, 9);
    manager.ReleasePage(added);
    EXPECT_EQ(manager.SessionPageCount(1), 1);
    TSQLMemPage* again = manager.GetPage(1, 0, nullptr, nullptr);
    EXPECT_EQ(again, added);
    manager.ReleasePage(again);

    manager.ApplyChanges(1);
    EXPECT_EQ(manager.GetPageCount(), 1);
    EXPECT_EQ(manager.DetachedPageCount(), 0);
    EXPECT_TRUE(HasStamp(manager.StoreBuffer(0), manager.PageSize(), 9));
    TSQLMemPage* applied = manager.GetPage(2, 0, nullptr, nullptr);
    EXPECT_TRUE(HasStamp(applied->Buffer(), manager.PageSize(), 9));
    manager.ReleasePage(applied);
    FreeAllPages(manager, 1, {0});
    manager.Close();
  }
}

TEST_F(PageManagerTest, ReleaseRefusesPagesItDoesNotKnow) {
  TSQLMemMemoryPageManager manager;
  CommittedPages(manager, 1);
  TSQLMemPage stranger(&manager);
  ExpectEngineError([&] { manager.ReleasePage(&stranger); }, 20065, "Invalid page number - Native error: 20065");
  stranger.SetPageNo(0);
  ExpectEngineError([&] { manager.ReleasePage(&stranger); }, 20040, "Used page was released too early - Native error: 20040");
  TSQLMemPage* page = manager.GetPage(1, 0, nullptr, nullptr);
  manager.ReleasePage(page);
  ExpectEngineError([&] { manager.ReleasePage(page); }, 10665,
                    "Error - invalid use count = -1, pageNo = 0 - Native error: 10665");
  EXPECT_EQ(page->UseCount(), 0);
  FreeAllPages(manager, 1, {0});
  manager.Close();
}

TEST_F(PageManagerTest, CacheShedsUnheldPagesFromItsFrontPastCapacity) {
  TSQLMemMemoryPageManager manager;
  ASSERT_EQ(manager.CacheCapacity(), 200);
  const std::vector<Integer> pages = CommittedPages(manager, 202);
  manager.FreeCachedPages();
  ASSERT_EQ(manager.CachedPageCount(), 0);

  TSQLMemPage* held = manager.GetPage(1, 0, nullptr, nullptr);
  for (Integer pageNo = 1; pageNo < 200; ++pageNo) manager.ReleasePage(manager.GetPage(1, pageNo, nullptr, nullptr));
  EXPECT_EQ(manager.CachedPageCount(), 200);
  // The 201st page: the held page 0 at the front is skipped, page 1 goes.
  manager.ReleasePage(manager.GetPage(1, 200, nullptr, nullptr));
  EXPECT_EQ(manager.CachedPageCount(), 200);
  std::vector<Integer> cached = CachedNumbers(manager);
  EXPECT_EQ(cached.front(), 0);
  EXPECT_EQ(cached[1], 2);
  EXPECT_EQ(cached.back(), 200);
  manager.ReleasePage(held);
  // Releasing a page evicts again: page 0 is unheld now and leaves first.
  manager.ReleasePage(manager.GetPage(1, 201, nullptr, nullptr));
  cached = CachedNumbers(manager);
  EXPECT_EQ(cached.size(), 200u);
  EXPECT_EQ(cached.front(), 2);
  // An evicted page is read again with its bytes.
  TSQLMemPage* again = manager.GetPage(1, 1, nullptr, nullptr);
  EXPECT_TRUE(HasStamp(again->Buffer(), 4096, 1));
  manager.ReleasePage(again);
  FreeAllPages(manager, 1, pages);
  manager.Close();
}

TEST_F(PageManagerTest, ApplyAndCancelRefuseCleanAndHeldPages) {
  struct Case {
    bool apply;
    bool held;
    Integer code;
    const char* message;
  };
  const Case cases[] = {
      {true, false, 10822, "Page is not dirty, pageNo = 0 - Native error: 10822"},
      {true, true, 10823, "Cannot remove used page, pageNo = 0, UseCount = 1 - Native error: 10823"},
      {false, false, 10820, "Page is not dirty, pageNo = 0 - Native error: 10820"},
      {false, true, 10821, "Cannot remove used page, pageNo = 0, UseCount = 1 - Native error: 10821"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    TSQLMemMemoryPageManager manager;
    TSQLMemPage* page = manager.AddPage(1);
    if (!c.held) {
      manager.ReleasePage(page);
      page->SetDirty(false);
    }
    ExpectEngineError([&] { c.apply ? manager.ApplyChanges(1) : manager.CancelChanges(1); }, c.code, c.message);
    EXPECT_EQ(manager.SessionPageCount(1), 1);
    if (c.held) manager.ReleasePage(page);
    page->SetDirty(true);
    manager.CancelChanges(1);
    manager.Close();
  }
}

TEST_F(PageManagerTest, EveryOperationLocksAndUnlocksAlsoWhenItFails) {
  CountingStore manager;
  TSQLMemPage* page = manager.AddPage(1);
  manager.ReleasePage(page);
  manager.ApplyChanges(1);
  ExpectEngineError([&] { manager.ReleasePage(page); }, 10665,
                    "Error - invalid use count = -1, pageNo = 0 - Native error: 10665");
  manager.FreePage(1, 0);
  manager.CancelChanges(1);
  manager.FreeCachedPages();
  EXPECT_EQ(manager.locks, 7);
  EXPECT_EQ(manager.unlocks, 7);
  FreeAllPages(manager, 1, {0});
  manager.Close();
}

TEST_F(PageManagerTest, CachedPageIsRereadWhenOutdated) {
  static bool answer = false;
  static Integer askedVersion = -1;
  const TSQLMemPageOutdatedCheck check = [](TSQLMemTableData*, Integer pageVersion, Integer) {
    askedVersion = pageVersion;
    return answer;
  };
  CountingStore manager;
  CommittedPages(manager, 1);
  manager.FreeCachedPages();
  manager.ReleasePage(manager.GetPage(1, 0, check, nullptr));
  EXPECT_EQ(manager.reads, 1);  // not cached: read, the callback is not asked
  EXPECT_EQ(askedVersion, -1);

  manager.version = 5;
  answer = false;
  manager.ReleasePage(manager.GetPage(1, 0, check, nullptr));
  EXPECT_EQ(askedVersion, 0);
  EXPECT_EQ(manager.reads, 1);  // the table says the page is current
  answer = true;
  manager.ReleasePage(manager.GetPage(1, 0, check, nullptr));
  EXPECT_EQ(manager.reads, 2);  // asked to revalidate, and the version is outdated
  EXPECT_EQ(manager.CachedPages().First()->Version(), 5);
  manager.ReleasePage(manager.GetPage(1, 0, check, nullptr));
  EXPECT_EQ(manager.reads, 2);  // current now
  manager.version = 6;
  manager.ReleasePage(manager.GetPage(1, 0, nullptr, nullptr));
  EXPECT_EQ(manager.reads, 3);  // without a callback every cached page revalidates
  FreeAllPages(manager, 1, {0});
  manager.Close();
}

TEST_F(PageManagerTest, CloseRefusesUncommittedPagesAndNumbersInUse) {
  {
    TSQLMemMemoryPageManager manager;
    AddStampedPage(manager, 1);
    ExpectEngineError([&] { manager.Close(); }, 20097,
                      "Cannot free not commited pages, page manager classname = TSQLMemMemoryPageManager - Native error: 20097");
    manager.ApplyChanges(1);
    ExpectEngineError([&] { manager.Close(); }, 20023, "Index pages are not released - Native error: 20023");
    FreeAllPages(manager, 1, {0});
    manager.Close();
  }
  {
    TSQLMemTemporaryPageManager manager(4096, 200, 2);
    AddStampedPage(manager, 1);
    ExpectEngineError([&] { manager.Close(); }, 20097,
                      "Cannot free not commited pages, page manager classname = TSQLMemTemporaryPageManager - Native error: 20097");
    manager.ApplyChanges(1);
    ExpectEngineError([&] { manager.Close(); }, 20036, "Index pages are not released - Native error: 20036");
    FreeAllPages(manager, 1, {0});
    manager.Close();
  }
  // A manager destroyed without Close frees its memory without raising.
  TSQLMemMemoryPageManager dropped;
  AddStampedPage(dropped, 1);
}

TEST_F(PageManagerTest, LoadRefusesAManagerWithPagesInUse) {
  TSQLMemMemoryPageManager source;
  CommittedPages(source, 2);
  const Bytes form = SavedForm(source);
  TSQLMemMemoryPageManager target;
  TSQLMemPage* held = target.AddPage(1);
  ExpectEngineError([&] { LoadForm(target, form); }, 20097,
                    "Cannot free not commited pages, page manager classname = TSQLMemMemoryPageManager - Native error: 20097");
  target.ReleasePage(held);
  target.CancelChanges(1);
  LoadForm(target, form);
  EXPECT_EQ(target.GetPageCount(), 2);
  FreeAllPages(source, 1, {0, 1});
  FreeAllPages(target, 1, {0, 1});
}
