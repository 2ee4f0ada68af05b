#include "vcl/rtl/Collection.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "vcl/rtl/Exceptions.h"

namespace {

std::vector<std::string> gLog;

class TColumn : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& value) {
    title_ = value;
    Changed(false);
  }
  AnsiString DisplayName() const override { return title_.empty() ? TCollectionItem::DisplayName() : title_; }
  void Assign(const TPersistent* source) override {
    if (const auto* c = dynamic_cast<const TColumn*>(source)) {
      title_ = c->title_;
      return;
    }
    TCollectionItem::Assign(source);
  }

 private:
  std::string title_;
};

class TOtherItem : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
};

// Records Update and Notify as "update *" (all), "update <title>", "added <class>", "extracting #<id>",
// "deleting #<id>".
class TColumns : public TCollection {
 public:
  TColumns() : TCollection(TCollectionItemClass::Of<TColumn>()) {}
  TColumn* Column(int i) const { return static_cast<TColumn*>(Items(i)); }
  TColumn* AddColumn(const std::string& title) {
    auto* c = static_cast<TColumn*>(Add());
    c->SetTitle(title);
    return c;
  }

 protected:
  void Update(TCollectionItem* item) override {
    gLog.push_back(item == nullptr ? "update *" : "update " + item->DisplayName());
  }
  void Notify(TCollectionItem* item, TCollectionNotification action) override {
    switch (action) {
      case cnAdded:
        gLog.push_back("added " + item->ClassName());
        break;
      case cnExtracting:
        gLog.push_back("extracting #" + std::to_string(item->ID()));
        break;
      case cnDeleting:
        gLog.push_back("deleting #" + std::to_string(item->ID()));
        break;
    }
  }
};

std::vector<std::string> Titles(const TColumns& columns) {
  std::vector<std::string> titles;
  for (int i = 0; i < columns.Count(); ++i) titles.push_back(columns.Column(i)->Title());
  return titles;
}

using Log = std::vector<std::string>;

Log TakeLog() {
  Log log;
  log.swap(gLog);
  return log;
}

}  // namespace

TEST(Collection, ChangesReachUpdateAndNotifyInOrder) {
  TColumns columns;
  gLog.clear();
  TColumn* a = columns.AddColumn("A");
  // Notify sees the finished item (its class is TColumn already).
  EXPECT_EQ(TakeLog(), (Log{"added TColumn", "update *", "update A"}));
  columns.AddColumn("B");
  columns.AddColumn("C");
  TakeLog();
  columns.Delete(1);
  EXPECT_EQ(TakeLog(), (Log{"deleting #1", "extracting #1", "update *"}));
  a->SetIndex(1);
  EXPECT_EQ(TakeLog(), (Log{"update *"}));
  EXPECT_EQ(Titles(columns), (std::vector<std::string>{"C", "A"}));
  delete a;  // an item freed directly leaves its collection
  EXPECT_EQ(TakeLog(), (Log{"extracting #0", "update *"}));
  EXPECT_EQ(columns.Count(), 1);
}

TEST(Collection, UpdatesAreBatchedUntilTheLastEndUpdate) {
  TColumns columns;
  columns.AddColumn("A");
  gLog.clear();
  columns.BeginUpdate();
  columns.BeginUpdate();
  columns.AddColumn("B");
  columns.Column(0)->SetTitle("A2");
  columns.EndUpdate();
  EXPECT_EQ(TakeLog(), (Log{"added TColumn"}));
  columns.EndUpdate();
  EXPECT_EQ(TakeLog(), (Log{"update *"}));
  columns.Clear();
  EXPECT_EQ(TakeLog(), (Log{"extracting #1", "extracting #0", "update *"}));  // last first
  EXPECT_EQ(columns.UpdateCount(), 0);
}

TEST(Collection, InsertPlacesTheItemAndChecksTheIndexFirst) {
  TColumns columns;
  columns.AddColumn("B");
  static_cast<TColumn*>(columns.Insert(0))->SetTitle("A");
  static_cast<TColumn*>(columns.Insert(2))->SetTitle("C");
  EXPECT_EQ(Titles(columns), (std::vector<std::string>{"A", "B", "C"}));
  try {
    columns.Insert(5);
    ADD_FAILURE();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (5)");
  }
  EXPECT_EQ(columns.Count(), 3);  // nothing added by the failed insert
  EXPECT_THROW(columns.Items(3), EListError);
  EXPECT_THROW(columns.Delete(-1), EListError);
  EXPECT_THROW(columns.Column(0)->SetIndex(3), EListError);
}

TEST(Collection, IdsAreUniqueAndNeverReused) {
  TColumns columns;
  TColumn* a = columns.AddColumn("A");
  columns.AddColumn("B");
  columns.Delete(1);
  TColumn* c = columns.AddColumn("C");
  EXPECT_EQ(a->ID(), 0);
  EXPECT_EQ(c->ID(), 2);
  EXPECT_EQ(columns.FindItemID(2), c);
  EXPECT_EQ(columns.FindItemID(1), nullptr);
  EXPECT_EQ(c->Index(), 1);
  EXPECT_EQ(c->GetOwner(), &columns);
}

TEST(Collection, AssignCopiesItemByItem) {
  TColumns source, target;
  source.AddColumn("X");
  source.AddColumn("Y");
  target.AddColumn("old");
  gLog.clear();
  target.Assign(&source);
  EXPECT_EQ(Titles(target), (std::vector<std::string>{"X", "Y"}));
  EXPECT_EQ(gLog.back(), "update *");
  EXPECT_EQ(std::count(gLog.begin(), gLog.end(), "update *"), 1);  // one batch
  target.Assign(&target);  // assigning to itself keeps the items
  EXPECT_EQ(target.Count(), 2);
  TColumn loose(nullptr);
  try {
    target.Assign(&loose);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TColumn to a TColumns");
  }
  target.SetItems(0, source.Column(1));
  EXPECT_EQ(target.Column(0)->Title(), "Y");
}

TEST(Collection, ItemsMoveBetweenCollectionsOfTheirClassOnly) {
  TColumns first, second;
  TColumn* a = first.AddColumn("A");
  a->SetCollection(&second);
  EXPECT_EQ(first.Count(), 0);
  EXPECT_EQ(second.Column(0), a);
  auto* direct = new TColumn(&first);  // made directly: joins at once
  EXPECT_EQ(first.Count(), 1);
  EXPECT_EQ(direct->Collection(), &first);
  TOtherItem stranger(nullptr);
  try {
    stranger.SetCollection(&first);
    ADD_FAILURE();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "Invalid property value");
  }
  EXPECT_EQ(stranger.Collection(), nullptr);
  EXPECT_EQ(stranger.Index(), -1);
}

TEST(Collection, OwnedCollectionNamesItsOwner) {
  TColumn owner(nullptr);
  TOwnedCollection owned(&owner, TCollectionItemClass::Of<TOtherItem>());
  owned.Add();
  EXPECT_EQ(owned.GetOwner(), &owner);
  EXPECT_TRUE(Is<TOtherItem>(owned.Items(0)));
  EXPECT_EQ(owned.Items(0)->DisplayName(), "TOtherItem");
}

TEST(Collection, FreeingTheCollectionFreesItsItemsQuietly) {
  auto* columns = new TColumns;
  columns->AddColumn("A");
  columns->AddColumn("B");
  gLog.clear();
  delete columns;  // the items go too (the sanitizer checks); no Update while it happens
  EXPECT_EQ(std::count(gLog.begin(), gLog.end(), "update *"), 0);
}
