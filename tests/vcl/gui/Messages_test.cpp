// Method pointers for window procedures: equal when they name the same method of the same object, so
// that code that took a control's procedure over can tell whether it is still its own.
#include "vcl/gui/Messages.h"

#include <gtest/gtest.h>

namespace {
struct Base {
  virtual ~Base() = default;
  virtual void Proc(TMessage& m) { m.Result = 1; }
  void Other(TMessage& m) { m.Result = 2; }
};
struct Derived : Base {
  void Proc(TMessage& m) override { m.Result = 3; }
};
}  // namespace

TEST(MethodPtr, EqualityMeansSameObjectAndSameMethod) {
  Derived a, b;
  const TWndMethod aProc(&a, &Base::Proc);
  EXPECT_TRUE(aProc == TWndMethod(&a, &Base::Proc));
  EXPECT_FALSE(aProc == TWndMethod(&b, &Base::Proc));
  EXPECT_FALSE(aProc == TWndMethod(&a, &Base::Other));
  EXPECT_EQ(aProc.Data(), &a);

  TMessage m;
  aProc(m);
  EXPECT_EQ(m.Result, 3);  // virtual methods dispatch as usual

  const TWndMethod closure = TWndMethod::FromFunction([](TMessage& msg) { msg.Result = 9; });
  const TWndMethod copy = closure;
  EXPECT_TRUE(copy == closure);
  EXPECT_FALSE(closure == TWndMethod::FromFunction([](TMessage& msg) { msg.Result = 9; }));
  EXPECT_FALSE(closure == TWndMethod());
  EXPECT_TRUE(TWndMethod() == TWndMethod());
  EXPECT_FALSE(static_cast<bool>(TWndMethod()));
}
