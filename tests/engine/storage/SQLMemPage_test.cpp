#include "engine/storage/SQLMemPage.h"

#include <gtest/gtest.h>

#include "engine/storage/SQLMemMemoryPageManager.h"
#include "tests/engine/storage/PageTestSupport.h"

class PageTest : public EngineBlocksTest {};

TEST_F(PageTest, OwnBufferStartsWithTheFreshPageHeader) {
  TSQLMemMemoryPageManager manager;
  TSQLMemPage page(&manager);
  EXPECT_EQ(page.PageNo(), -1);
  EXPECT_EQ(page.Buffer(), nullptr);
  EXPECT_EQ(page.PageSize(), 4096);
  page.AllocBuffer();
  ASSERT_TRUE(page.OwnsBuffer());
  ASSERT_EQ(page.BufferSize(), 4096);
  Bytes expected(4096, 0);
  const Byte header[32] = {'A', 'C', 'S', 'P', 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0,
                           0,   0,   0,   0,   0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0};
  std::memcpy(expected.data(), header, sizeof header);
  EXPECT_EQ(Bytes(page.Buffer(), page.Buffer() + 4096), expected);
}

TEST_F(PageTest, ResizeRefusesMissingBufferAndShrinking) {
  TSQLMemMemoryPageManager manager;
  TSQLMemPage page(&manager);
  ExpectEngineError([&] { page.ResizeBuffer(5000); }, 20038, "Invalid page buffer. Buffer is Nil - Native error: 20038");
  page.AllocBuffer();
  ExpectEngineError([&] { page.ResizeBuffer(4095); }, 20039, "Invalid page modification - Native error: 20039");
  EXPECT_EQ(page.BufferSize(), 4096);
}

TEST_F(PageTest, ResizeKeepsThePageBytesAndLeavesTheStoreAlone) {
  TSQLMemMemoryPageManager manager;
  TSQLMemPage* page = manager.AddPage(1);
  StampPage(page, 7);
  Byte* store = manager.StoreBuffer(page->PageNo());
  ASSERT_EQ(page->Buffer(), store);
  ASSERT_FALSE(page->OwnsBuffer());

  // A store page gets an owned copy; the store keeps its bytes until the page is written back.
  page->ResizeBuffer(4096 + 16);
  EXPECT_TRUE(page->OwnsBuffer());
  EXPECT_NE(page->Buffer(), store);
  EXPECT_TRUE(HasStamp(page->Buffer(), 4096, 7));
  EXPECT_EQ(page->PageSize(), 4096);
  page->Buffer()[4096 + 15] = 0xAB;
  StampPage(page, 8);
  EXPECT_TRUE(HasStamp(store, 4096, 7));

  // An owned buffer grows again with its bytes kept and the new ones zero.
  page->ResizeBuffer(4096 + 32);
  EXPECT_TRUE(HasStamp(page->Buffer(), 4096, 8));
  EXPECT_EQ(page->Buffer()[4096 + 15], 0xAB);
  EXPECT_EQ(page->Buffer()[4096 + 31], 0);

  manager.ReleasePage(page);
  manager.ApplyChanges(1);
  EXPECT_TRUE(HasStamp(store, 4096, 8));
  FreeAllPages(manager, 1, {0});
  manager.Close();
}

TEST_F(PageTest, ControllerReachesItsPage) {
  TSQLMemMemoryPageManager manager;
  TSQLMemPage* page = manager.AddPage(1);
  TSQLMemPageController controller(page);
  EXPECT_EQ(controller.PageNo(), 0);
  EXPECT_EQ(controller.PageSize(), 4096);
  EXPECT_EQ(controller.Buffer(), manager.StoreBuffer(0));
  page->SetDirty(false);
  controller.SetDirty();
  EXPECT_TRUE(page->Dirty());
  controller.ResizeBuffer(4200);
  EXPECT_EQ(page->BufferSize(), 4200);
  manager.ReleasePage(page);
  FreeAllPages(manager, 1, {0});
  manager.Close();
}

TEST_F(PageTest, ListFindsMovesAndRenumbersPages) {
  TSQLMemMemoryPageManager manager;
  TSQLMemPageList a;
  TSQLMemPageList b;
  for (Integer n : {5, 6, 7}) {
    auto page = std::make_unique<TSQLMemPage>(&manager);
    page->SetPageNo(n);
    a.Append(std::move(page));
  }
  TSQLMemPage* six = a.Find(6);
  ASSERT_NE(six, nullptr);
  a.MoveTo(six, b);
  EXPECT_EQ(a.Find(6), nullptr);
  EXPECT_EQ(b.Find(6), six);
  EXPECT_EQ(six->List(), &b);
  EXPECT_TRUE(b.Contains(six));
  EXPECT_FALSE(a.Contains(six));

  six->SetPageNo(9);
  EXPECT_EQ(b.Find(6), nullptr);
  EXPECT_EQ(b.Find(9), six);

  std::vector<Integer> order;
  for (const auto& page : a) order.push_back(page->PageNo());
  EXPECT_EQ(order, (std::vector<Integer>{5, 7}));
  std::unique_ptr<TSQLMemPage> five = a.Extract(a.First());
  EXPECT_EQ(five->List(), nullptr);
  EXPECT_EQ(a.Count(), 1);
  EXPECT_EQ(a.First()->PageNo(), 7);
}
