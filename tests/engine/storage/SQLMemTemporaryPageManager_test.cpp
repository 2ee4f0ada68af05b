#include "engine/storage/SQLMemTemporaryPageManager.h"

#include <gtest/gtest.h>

#include "tests/engine/storage/PageTestSupport.h"

namespace {

Bytes SpillBytes(const TSQLMemTemporaryPageManager& manager) {
  TSQLMemTemporaryStream* spill = manager.SpillStream();
  if (spill == nullptr) return {};
  Bytes bytes(static_cast<std::size_t>(spill->GetSize()));
  spill->SetPosition(0);
  spill->ReadBuffer64(bytes.data(), spill->GetSize());
  return bytes;
}

bool IsFreshPage(const Byte* bytes) {
  return std::memcmp(bytes, "ACSP", 4) == 0 && LoadValue<Integer>(bytes + 10) == -1 && bytes[40] == 0;
}

}  // namespace

class TemporaryPageStoreTest : public EngineBlocksTest {};

TEST_F(TemporaryPageStoreTest, PagesBeyondTheBudgetSpillInNumberOrder) {
  TSQLMemTemporaryPageManager manager(4096, 200, 4);
  std::vector<Integer> pages;
  std::vector<bool> owned;
  for (int i = 0; i < 6; ++i) {
    TSQLMemPage* page = manager.AddPage(1);
    pages.push_back(page->PageNo());
    owned.push_back(page->OwnsBuffer());
    if (page->PageNo() < 4) {
      EXPECT_EQ(page->Buffer(), manager.InnerStore().StoreBuffer(page->PageNo()));
    } else {
      EXPECT_TRUE(IsFreshPage(page->Buffer()));
    }
    StampPage(page, page->PageNo());
    manager.ReleasePage(page);
  }
  EXPECT_EQ(pages, (std::vector<Integer>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(owned, (std::vector<bool>{false, false, false, false, true, true}));
  EXPECT_EQ(manager.InnerStore().GetPageCount(), 4);
  ASSERT_NE(manager.SpillStream(), nullptr);
  EXPECT_EQ(manager.SpillStream()->GetSize(), 0);  // nothing written before the changes are applied
  manager.ApplyChanges(1);
  const Bytes spill = SpillBytes(manager);
  ASSERT_EQ(spill.size(), 2u * 4096u);
  EXPECT_TRUE(HasStamp(spill.data(), 4096, 4));  // page 4 at offset 0
  EXPECT_TRUE(HasStamp(spill.data() + 4096, 4096, 5));

  // Once the budget is reached, new pages spill even while low numbers are free.
  manager.FreePage(1, 1);
  manager.ApplyChanges(1);
  EXPECT_EQ(AddStampedPage(manager, 1), 6);
  manager.ApplyChanges(1);
  EXPECT_EQ(manager.PageCapacity(), 7);
  FreeAllPages(manager, 1, {0, 2, 3, 4, 5, 6});
  EXPECT_EQ(manager.InnerStore().GetPageCount(), 0);
  manager.Close();
}

TEST_F(TemporaryPageStoreTest, EvictedSpilledPageIsReadBackFromTheSpill) {
  TSQLMemTemporaryPageManager manager(4096, 200, 1);
  AddStampedPage(manager, 1);
  AddStampedPage(manager, 1);
  manager.ApplyChanges(1);
  manager.FreeCachedPages();
  for (Integer pageNo : {0, 1}) {
    TSQLMemPage* page = manager.GetPage(2, pageNo, nullptr, nullptr);
    EXPECT_EQ(page->OwnsBuffer(), pageNo == 1);
    EXPECT_TRUE(HasStamp(page->Buffer(), 4096, pageNo));
    manager.ReleasePage(page);
  }
  FreeAllPages(manager, 1, {0, 1});
  manager.Close();
}

TEST_F(TemporaryPageStoreTest, ReusedFreedNumberGetsItsCurrentBytes) {
  TSQLMemTemporaryPageManager manager(4096, 200, 2);
  CommittedPages(manager, 4);
  manager.FreeCachedPages();
  // A session frees one page in memory and one spilled page, then adds two pages: it gets the freed
  // numbers back, each with a buffer that holds the page as stored.
  manager.FreePage(2, 1);
  manager.FreePage(2, 3);
  for (Integer expected : {3, 1}) {
    TSQLMemPage* page = manager.AddPage(2);
    ASSERT_EQ(page->PageNo(), expected);
    ASSERT_NE(page->Buffer(), nullptr);
    EXPECT_TRUE(HasStamp(page->Buffer(), 4096, expected));
    StampPage(page, expected + 10);
    manager.ReleasePage(page);
  }
  manager.ApplyChanges(2);
  manager.FreeCachedPages();
  for (Integer pageNo : {1, 3}) {
    TSQLMemPage* page = manager.GetPage(2, pageNo, nullptr, nullptr);
    EXPECT_TRUE(HasStamp(page->Buffer(), 4096, pageNo + 10));
    manager.ReleasePage(page);
  }
  FreeAllPages(manager, 1, {0, 1, 2, 3});
  manager.Close();
}

TEST_F(TemporaryPageStoreTest, SpilledPagesNotYetWrittenReadFreshAndLeaveNoUndefinedBytes) {
  TSQLMemTemporaryPageManager manager(4096, 200, 0);
  EXPECT_EQ(AddStampedPage(manager, 1), 0);
  EXPECT_EQ(AddStampedPage(manager, 2), 1);
  // Session 1's page is not applied: another session reads it as the fresh page it was made as.
  TSQLMemPage* pending = manager.GetPage(3, 0, nullptr, nullptr);
  EXPECT_TRUE(IsFreshPage(pending->Buffer()));
  manager.ReleasePage(pending);
  manager.ApplyChanges(2);
  Bytes spill = SpillBytes(manager);
  ASSERT_EQ(spill.size(), 2u * 4096u);
  EXPECT_TRUE(IsFreshPage(spill.data()));
  EXPECT_TRUE(HasStamp(spill.data() + 4096, 4096, 1));
  manager.ApplyChanges(1);
  spill = SpillBytes(manager);
  EXPECT_TRUE(HasStamp(spill.data(), 4096, 0));
  FreeAllPages(manager, 1, {0, 1});
  manager.Close();
}

TEST_F(TemporaryPageStoreTest, NumbersNotInUseCannotBeReadOrWritten) {
  TSQLMemTemporaryPageManager manager(4096, 200, 1);
  AddStampedPage(manager, 1);
  AddStampedPage(manager, 1);
  manager.ApplyChanges(1);
  FreeAllPages(manager, 1, {1});
  ExpectEngineError([&] { manager.GetPage(1, 1, nullptr, nullptr); }, 10396, "Not released page is allocated - Native error: 10396");
  ExpectEngineError([&] { manager.GetPage(1, 9, nullptr, nullptr); }, 10396, "Not released page is allocated - Native error: 10396");
  TSQLMemPage stray(&manager);
  stray.SetPageNo(1);
  ExpectEngineError([&] { manager.WritePage(&stray); }, 10397, "Not released page is allocated - Native error: 10397");
  FreeAllPages(manager, 1, {0});
  manager.Close();
}

TEST_F(TemporaryPageStoreTest, StreamFormRoundTripsByteForByte) {
  TSQLMemTemporaryPageManager manager(4096, 200, 3);
  CommittedPages(manager, 6);
  FreeAllPages(manager, 1, {1, 4});
  const Bytes form = SavedForm(manager);

  // The inner store (capacity 50), then the outer map of 6 bits, the fields and the spill.
  const std::size_t inner = 20 + 8 + 7 + 50 * 4096;
  ASSERT_EQ(form.size(), inner + 8 + 1 + 4 + 4 + 2 + 2 + 4 + 8 + 3 * 4096);
  EXPECT_EQ(ReadInt32At(form, 16), 2);          // the inner store's allocated count
  EXPECT_EQ(ReadInt32At(form, inner), 6);       // outer map bits
  EXPECT_EQ(form[inner + 8], 0x2D);             // pages 0, 2, 3, 5
  EXPECT_EQ(ReadInt32At(form, inner + 9), 6);   // capacity
  EXPECT_EQ(ReadInt32At(form, inner + 13), 3);  // budget
  EXPECT_EQ(ReadInt32At(form, inner + 21), 4);  // allocated
  EXPECT_EQ(LoadValue<Int64>(form.data() + inner + 25), 3 * 4096);
  EXPECT_TRUE(HasStamp(form.data() + inner + 33 + 2 * 4096, 4096, 5));

  // The budget in force when saved holds after the load, whatever the new manager was made with.
  TSQLMemTemporaryPageManager loaded(4096, 200, 100);
  LoadForm(loaded, form);
  EXPECT_EQ(loaded.MemoryBudget(), 3);
  EXPECT_EQ(SavedForm(loaded), form);
  for (Integer pageNo : {0, 2, 3, 5}) {
    TSQLMemPage* page = loaded.GetPage(1, pageNo, nullptr, nullptr);
    EXPECT_TRUE(HasStamp(page->Buffer(), 4096, pageNo));
    loaded.ReleasePage(page);
  }
  EXPECT_EQ(AddStampedPage(loaded, 1), 6);
  loaded.ApplyChanges(1);
  FreeAllPages(loaded, 1, {0, 2, 3, 5, 6});
  loaded.Close();
  FreeAllPages(manager, 1, {0, 2, 3, 5});
  manager.Close();
}

TEST_F(TemporaryPageStoreTest, LargeSpillMovesToItsFileAndRoundTrips) {
  TSQLMemTemporaryPageManager manager(4096, 200, 0);
  std::vector<Integer> pages = CommittedPages(manager, 300);
  ASSERT_NE(manager.SpillStream(), nullptr);
  EXPECT_FALSE(manager.SpillStream()->InMemory());
  const Bytes form = SavedForm(manager);
  TSQLMemTemporaryPageManager loaded(4096, 200, 0);
  LoadForm(loaded, form);
  EXPECT_FALSE(loaded.SpillStream()->InMemory());
  EXPECT_EQ(SavedForm(loaded), form);
  TSQLMemPage* page = loaded.GetPage(1, 299, nullptr, nullptr);
  EXPECT_TRUE(HasStamp(page->Buffer(), 4096, 299));
  loaded.ReleasePage(page);
  FreeAllPages(loaded, 1, pages);
  loaded.Close();
  FreeAllPages(manager, 1, pages);
  manager.Close();
}

TEST_F(TemporaryPageStoreTest, DamagedFormIsRefused) {
  TSQLMemTemporaryPageManager source(4096, 200, 1);
  CommittedPages(source, 3);
  const Bytes good = SavedForm(source);
  FreeAllPages(source, 1, {0, 1, 2});
  const std::size_t outer = 20 + 8 + 7 + 50 * 4096 + 8 + 1;  // the outer fields after the map

  struct Case {
    const char* name;
    std::size_t offset;
    Int64 value;
    int size;  // 4 or 8 bytes patched; 0 cuts the form at offset
    Integer code;
  };
  const Case cases[] = {
      {"capacity not the map's", outer, 4, 4, 11202},
      {"negative budget", outer + 4, -1, 4, 11203},
      {"allocated count not the map's", outer + 12, 2, 4, 11206},
      {"budget that gives the inner store's page to the spill", outer + 4, 0, 4, 11206},
      {"spill of part of a page", outer + 16, 4096 + 1, 8, 11207},
      {"spill beyond the allocated numbers", outer + 16, 3 * 4096, 8, 11207},
      {"spill beyond the stream", outer + 16, 0, 0, 11207},
      {"cut in the inner store", 100, 0, 0, 10375},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bad = good;
    if (c.size == 4) StoreValue<Integer>(bad.data() + c.offset, static_cast<Integer>(c.value));
    if (c.size == 8) StoreValue<Int64>(bad.data() + c.offset, c.value);
    if (c.size == 0) bad.resize(c.offset + (c.code == 11207 ? 8 + 100 : 0));
    TSQLMemTemporaryPageManager target(4096, 200, 1);
    try {
      LoadForm(target, bad);
      ADD_FAILURE() << "no error";
    } catch (const ESQLMemException& e) {
      EXPECT_EQ(e.NativeError(), c.code) << e.Message();
    }
    EXPECT_EQ(target.GetPageCount(), 0);
    EXPECT_EQ(target.SpillStream(), nullptr);
  }
}
