// A dataset's errors that its caller cannot take back go to the application's exception handler
// when one is installed, and on to the caller otherwise.
#include <gtest/gtest.h>

#include <memory>

#include "vcl/db/ArrayDataSet.h"
#include "vcl/db/DBConsts.h"
#include "vcl/rtl/ExceptionHandler.h"

namespace {

class TFailingDataSet : public dbtest::TArrayDataSet {
 public:
  using dbtest::TArrayDataSet::TArrayDataSet;
  void FailInAnEvent() {
    try {
      throw EDatabaseError("event failed");
    } catch (...) {
      InternalHandleException();
    }
  }
};

}  // namespace

TEST(DataSetErrors, InternalHandleExceptionReachesTheInstalledHandler) {
  std::unique_ptr<TFailingDataSet> ds(New<TFailingDataSet>(nullptr));
  EXPECT_THROW(ds->FailInAnEvent(), EDatabaseError);

  TObject* sender = nullptr;
  AnsiString message;
  int owner = 0;
  InstallExceptionHandler(&owner, [&](TObject* s) {
    sender = s;
    try {
      throw;
    } catch (const Exception& e) {
      message = e.Message();
    }
  });
  EXPECT_NO_THROW(ds->FailInAnEvent());
  RemoveExceptionHandler(&owner);
  EXPECT_EQ(sender, static_cast<TObject*>(ds.get()));
  EXPECT_EQ(message, "event failed");
}
