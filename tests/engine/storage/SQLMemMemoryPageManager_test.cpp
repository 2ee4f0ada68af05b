#include "engine/storage/SQLMemMemoryPageManager.h"

#include <gtest/gtest.h>

#include "tests/engine/storage/PageTestSupport.h"

class MemoryPageStoreTest : public EngineBlocksTest {};

TEST_F(MemoryPageStoreTest, HandsOutLowestFreeNumberAndGrowsFiftyAtATime) {
  TSQLMemMemoryPageManager manager;
  std::vector<Integer> pages = CommittedPages(manager, 50);
  EXPECT_EQ(pages.front(), 0);
  EXPECT_EQ(pages.back(), 49);
  EXPECT_EQ(manager.PageCapacity(), 50);
  EXPECT_EQ(manager.BufferCount(), 50);

  manager.FreePage(1, 3);
  manager.ApplyChanges(1);
  EXPECT_EQ(manager.GetPageCount(), 49);
  EXPECT_EQ(AddStampedPage(manager, 1), 3);
  // The 51st page grows the map and the block array by 50.
  EXPECT_EQ(AddStampedPage(manager, 1), 50);
  EXPECT_EQ(manager.PageCapacity(), 100);
  EXPECT_EQ(manager.BufferCount(), 100);
  EXPECT_EQ(manager.AllocationMap().BitCount(), 100);
  EXPECT_EQ(manager.HighestPageNo(), 50);
  manager.ApplyChanges(1);
  pages.push_back(50);
  FreeAllPages(manager, 1, pages);
  EXPECT_EQ(manager.AllocationMap().SetBitCount(), 0);
  manager.Close();
}

TEST_F(MemoryPageStoreTest, PagesChangeInPlaceAndKeepTheirBytesAcrossEviction) {
  TSQLMemMemoryPageManager manager;
  AddStampedPage(manager, 1);
  manager.ApplyChanges(1);
  EXPECT_TRUE(HasStamp(manager.StoreBuffer(0), 4096, 0));
  manager.FreeCachedPages();
  TSQLMemPage* page = manager.GetPage(1, 0, nullptr, nullptr);
  EXPECT_EQ(page->Buffer(), manager.StoreBuffer(0));
  EXPECT_FALSE(page->OwnsBuffer());
  manager.ReleasePage(page);
  FreeAllPages(manager, 1, {0});
  manager.Close();
}

TEST_F(MemoryPageStoreTest, NumbersNotInUseCannotBeReadOrWritten) {
  TSQLMemMemoryPageManager manager;
  ExpectEngineError([&] { manager.GetPage(1, 0, nullptr, nullptr); }, 10392, "Not released page is allocated - Native error: 10392");
  AddStampedPage(manager, 1);
  manager.ApplyChanges(1);
  ExpectEngineError([&] { manager.GetPage(1, 1, nullptr, nullptr); }, 10392, "Not released page is allocated - Native error: 10392");
  ExpectEngineError([&] { manager.GetPage(1, -5, nullptr, nullptr); }, 10392, "Not released page is allocated - Native error: 10392");
  TSQLMemPage stray(&manager);
  stray.SetPageNo(7);
  ExpectEngineError([&] { manager.WritePage(&stray); }, 10393, "Not released page is allocated - Native error: 10393");
  FreeAllPages(manager, 1, {0});
  manager.Close();
}

TEST_F(MemoryPageStoreTest, StreamFormRoundTripsByteForByte) {
  TSQLMemMemoryPageManager manager;
  std::vector<Integer> pages = CommittedPages(manager, 53);
  FreeAllPages(manager, 1, {4, 52});
  const Bytes form = SavedForm(manager);

  // Header fields, then the map (bits, set bits, 13 bytes), then 100 pages.
  ASSERT_EQ(form.size(), 20u + 8u + 13u + 100u * 4096u);
  EXPECT_EQ(ReadInt32At(form, 0), 100);   // capacity
  EXPECT_EQ(ReadInt32At(form, 4), 52);    // highest number
  EXPECT_EQ(ReadInt32At(form, 8), 50);    // allocation step
  EXPECT_EQ(LoadValue<Word>(form.data() + 12), 4096);
  EXPECT_EQ(LoadValue<Word>(form.data() + 14), 0);
  EXPECT_EQ(ReadInt32At(form, 16), 51);   // allocated
  EXPECT_EQ(ReadInt32At(form, 20), 100);  // map bits
  EXPECT_EQ(ReadInt32At(form, 24), 51);   // map set bits
  EXPECT_EQ(form[28], 0xEF);              // pages 0..7 but 4
  EXPECT_TRUE(HasStamp(form.data() + 41 + 7 * 4096, 4096, 7));

  TSQLMemMemoryPageManager loaded;
  LoadForm(loaded, form);
  EXPECT_EQ(SavedForm(loaded), form);
  EXPECT_EQ(loaded.HighestPageNo(), 52);
  EXPECT_EQ(loaded.GetPageCount(), 51);
  TSQLMemPage* page = loaded.GetPage(1, 51, nullptr, nullptr);
  EXPECT_TRUE(HasStamp(page->Buffer(), 4096, 51));
  loaded.ReleasePage(page);
  // The loaded store goes on handing out its free numbers.
  EXPECT_EQ(AddStampedPage(loaded, 1), 4);
  EXPECT_EQ(AddStampedPage(loaded, 1), 52);
  EXPECT_EQ(AddStampedPage(loaded, 1), 53);
  loaded.ApplyChanges(1);
  pages.push_back(53);
  FreeAllPages(loaded, 1, pages);
  loaded.Close();
  std::erase(pages, 4);
  std::erase(pages, 52);
  std::erase(pages, 53);
  FreeAllPages(manager, 1, pages);
  manager.Close();
}

TEST_F(MemoryPageStoreTest, EmptyStoreRoundTrips) {
  TSQLMemMemoryPageManager manager;
  const Bytes form = SavedForm(manager);
  EXPECT_EQ(form, (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 50, 0, 0, 0, 0, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  TSQLMemMemoryPageManager loaded;
  LoadForm(loaded, form);
  EXPECT_EQ(AddStampedPage(loaded, 1), 0);
  loaded.CancelChanges(1);
}

TEST_F(MemoryPageStoreTest, DamagedFormIsRefusedAndLeavesTheStoreAsItWas) {
  TSQLMemMemoryPageManager source;
  CommittedPages(source, 3);
  const Bytes good = SavedForm(source);
  FreeAllPages(source, 1, {0, 1, 2});

  struct Case {
    const char* name;
    std::size_t offset;  // where a value is patched in (ignored when cut is set)
    Integer value;
    std::size_t cut;     // the form is cut to this length when not 0
    Integer code;
  };
  const Case cases[] = {
      {"negative capacity", 0, -50, 0, 10369},
      {"highest beyond capacity", 4, 50, 0, 10370},
      {"zero allocation step", 8, 0, 0, 10371},
      {"page size below a header", 12, 16, 0, 10372},
      {"allocated count not the map's", 16, 2, 0, 10374},
      {"map shorter than capacity", 20, 40, 0, 10374},
      {"cut in the capacity", 0, 0, 2, 10369},
      {"cut in the allocated count", 0, 0, 18, 10374},
      {"cut in the map", 0, 0, 30, 10402},
      {"cut in the pages", 0, 0, 41 + 4096 + 10, 10375},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bad = good;
    if (c.cut != 0) {
      bad.resize(c.cut);
    } else if (c.offset == 12) {
      StoreValue<Word>(bad.data() + 12, static_cast<Word>(c.value));
    } else {
      StoreValue<Integer>(bad.data() + c.offset, c.value);
    }
    TSQLMemMemoryPageManager target;
    AddStampedPage(target, 1);
    target.ApplyChanges(1);
    try {
      LoadForm(target, bad);
      ADD_FAILURE() << "no error";
    } catch (const ESQLMemException& e) {
      EXPECT_EQ(e.NativeError(), c.code) << e.Message();
    }
    EXPECT_EQ(target.GetPageCount(), 1);
    EXPECT_EQ(target.PageCapacity(), 50);
    EXPECT_TRUE(HasStamp(target.StoreBuffer(0), 4096, 0));
    FreeAllPages(target, 1, {0});
    target.Close();
  }
}

TEST_F(MemoryPageStoreTest, NumberTakenAfterAllIsNotHandedOutTwice) {
  TSQLMemMemoryPageManager source;
  std::vector<Integer> pages = CommittedPages(source, 50);
  Bytes form = SavedForm(source);
  FreeAllPages(source, 1, pages);
  // A full map whose highest number says 10: the next number, 11, is in use.
  StoreValue<Integer>(form.data() + 4, 10);
  TSQLMemMemoryPageManager loaded;
  LoadForm(loaded, form);
  ExpectEngineError([&] { loaded.AddPage(1); }, 20037, "Not released page is allocated - Native error: 20037");
  EXPECT_EQ(loaded.GetPageCount(), 50);
  EXPECT_TRUE(HasStamp(loaded.StoreBuffer(11), 4096, 11));
}
