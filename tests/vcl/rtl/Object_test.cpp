#include "vcl/rtl/Object.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "vcl/rtl/Exceptions.h"

namespace {

std::vector<std::string> gLog;

class TAnimal : public TObject {
 public:
  TAnimal() { gLog.push_back("ctor " + Kind()); }  // virtual call: the class being built
  ~TAnimal() override { gLog.push_back("~TAnimal"); }
  virtual std::string Kind() const { return "animal"; }
  void AfterConstruction() override { gLog.push_back("after " + Kind()); }
  void BeforeDestruction() override { gLog.push_back("before " + Kind()); }
};

class TDog : public TAnimal {
 public:
  explicit TDog(bool fail = false) {
    if (fail) throw std::runtime_error("no dog today");
  }
  ~TDog() override { gLog.push_back("~TDog"); }
  std::string Kind() const override { return "dog"; }
};

class TGrumpy : public TAnimal {
 public:
  void AfterConstruction() override { throw EAbort("refused"); }
  void BeforeDestruction() override { throw EAbort("ignored"); }
};

template <typename T>
class TBox : public TObject {};

// A class whose constructor argument is made by New<T> while New<TNest> is still under way.
class TNest : public TObject {
 public:
  explicit TNest(TAnimal* inner) : inner_(inner) {}
  ~TNest() override { delete inner_; }
  void AfterConstruction() override { gLog.push_back("after nest"); }
  bool SelfCreatedByNew() const { return CreatedByNew(); }
  TAnimal* inner_;
};

TAnimal* gWatched = nullptr;
bool gSeenNil = false;

class TWatcher : public TAnimal {
 public:
  ~TWatcher() override { gSeenNil = gWatched == nullptr; }
};

}  // namespace

namespace zoo {
class TKeeper : public TObject {};
}  // namespace zoo

TEST(Object, ClassNameIsTheSourceNameWithoutScopes) {
  TDog dog;
  zoo::TKeeper keeper;
  TBox<int> box;
  EXPECT_EQ(dog.ClassName(), "TDog");
  EXPECT_EQ(keeper.ClassName(), "TKeeper");
  EXPECT_EQ(box.ClassName(), "TBox<int>");
  EXPECT_EQ(ClassNameOf<TAnimal>(), "TAnimal");
  TObject* asBase = &dog;
  EXPECT_EQ(asBase->ClassName(), "TDog");  // the dynamic class
  EXPECT_TRUE(dog.ClassNameIs("tdog"));
  EXPECT_FALSE(dog.ClassNameIs("TAnimal"));
}

TEST(Object, IsAndAsFollowTheClassTree) {
  TDog dog;
  zoo::TKeeper keeper;
  TObject* animal = &dog;
  EXPECT_TRUE(Is<TDog>(animal));
  EXPECT_TRUE(Is<TAnimal>(animal));
  EXPECT_FALSE(Is<zoo::TKeeper>(animal));
  EXPECT_FALSE(Is<TObject>(static_cast<TObject*>(nullptr)));  // nil is nothing
  EXPECT_EQ(As<TDog>(animal), &dog);
  EXPECT_EQ(As<TDog>(static_cast<TObject*>(nullptr)), nullptr);  // nil casts to nil
  try {
    As<TAnimal>(static_cast<TObject*>(&keeper));
    FAIL() << "a keeper is no animal";
  } catch (const EInvalidCast& e) {
    EXPECT_EQ(e.Message(), "Invalid class typecast");
  }
}

TEST(Object, NewCallsAfterConstructionOnceTheObjectIsComplete) {
  gLog.clear();
  TAnimal* dog = New<TDog>();
  EXPECT_EQ(gLog, (std::vector<std::string>{"ctor animal", "after dog"}));
  gLog.clear();
  delete dog;
  // BeforeDestruction still reaches the derived class: the object is whole when delete starts.
  EXPECT_EQ(gLog, (std::vector<std::string>{"before dog", "~TDog", "~TAnimal"}));

  gLog.clear();
  TAnimal* plain = new TDog();  // plain new: no AfterConstruction
  delete plain;
  EXPECT_EQ(gLog, (std::vector<std::string>{"ctor animal", "before dog", "~TDog", "~TAnimal"}));
}

TEST(Object, NewCleansUpAfterAFailedConstructorOrAfterConstruction) {
  gLog.clear();
  EXPECT_THROW(New<TDog>(true), std::runtime_error);  // memory released (the sanitizer would tell)
  EXPECT_EQ(gLog, (std::vector<std::string>{"ctor animal", "~TAnimal"}));

  gLog.clear();
  EXPECT_THROW(New<TGrumpy>(), EAbort);
  // The object is destroyed; the exception of BeforeDestruction during that is swallowed.
  EXPECT_EQ(gLog, (std::vector<std::string>{"ctor animal", "~TAnimal"}));
}

TEST(Object, OnlyTheObjectThatNewBuildsIsMarked) {
  gLog.clear();
  // The argument is made (by New, then by plain new) while the outer New has not reached TNest yet.
  TNest* nest = New<TNest>(New<TDog>());
  EXPECT_TRUE(nest->SelfCreatedByNew());
  delete nest;
  TNest* nest2 = New<TNest>(new TDog());
  EXPECT_TRUE(nest2->SelfCreatedByNew());
  delete nest2;
  TNest* plainNest = new TNest(nullptr);
  EXPECT_FALSE(plainNest->SelfCreatedByNew());
  delete plainNest;
  EXPECT_EQ(std::count(gLog.begin(), gLog.end(), "after nest"), 2);
  EXPECT_EQ(std::count(gLog.begin(), gLog.end(), "after dog"), 1);
}

TEST(Object, FreeAndNilClearsTheVariableBeforeTheObjectGoes) {
  gWatched = new TWatcher();
  gSeenNil = false;
  FreeAndNil(gWatched);
  EXPECT_TRUE(gSeenNil);
  EXPECT_EQ(gWatched, nullptr);
}
