#include "vcl/db/DBConsts.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "vcl/rtl/Component.h"

namespace {

template <class E, class F>
std::string MessageOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  ADD_FAILURE() << "nothing raised";
  return {};
}

TEST(DatabaseError, NamesTheComponentWhenItHasAName) {
  std::unique_ptr<TComponent> table(new TComponent(nullptr));
  table->SetName("Table1");
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { DatabaseError(SDataSetOpen, table.get()); }),
            "Table1: Cannot perform this operation on an open dataset");

  std::unique_ptr<TComponent> unnamed(new TComponent(nullptr));
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { DatabaseError(SDataSetClosed, unnamed.get()); }),
            "Cannot perform this operation on a closed dataset");
  EXPECT_EQ(MessageOf<EDatabaseError>([] { DatabaseError(SNotEditing); }), "Dataset not in edit or insert mode");
}

TEST(DatabaseError, FmtFormatsBeforeNaming) {
  std::unique_ptr<TComponent> session(new TComponent(nullptr));
  session->SetName("Session1");
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { DatabaseErrorFmt(SDuplicateSessionName, {"Default"}, session.get()); }),
            "Session1: Duplicate session name 'Default'");
  EXPECT_EQ(MessageOf<EDatabaseError>([] { DatabaseErrorFmt(SFieldNotFound, {"Title"}); }), "Field 'Title' not found");
  // A message whose arguments do not fit is a programming error and surfaces as Format's error.
  EXPECT_THROW(DatabaseErrorFmt(SFieldSizeMismatch, {"Title", "x", 3}), EConvertError);
}

}  // namespace
