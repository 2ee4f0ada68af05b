#include "vcl/rtl/FormResource.h"

#include <gtest/gtest.h>

#include "common/TempDir.h"
#include "vcl/rtl/Stream.h"

TEST(FormResource, RegisteredTextsAreFoundByNameInAnyCase) {
  RegisterDefinitionText("TfrmRegistered", "object a: TfrmRegistered end");
  EXPECT_EQ(LoadDefinitionText("TFRMREGISTERED"), "object a: TfrmRegistered end");
  RegisterDefinitionText("tfrmregistered", "second");
  EXPECT_EQ(LoadDefinitionText("TfrmRegistered"), "second");
  UnregisterDefinitionText("TfrmRegistered");
  try {
    LoadDefinitionText("TfrmRegistered");
    ADD_FAILURE() << "no error";
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), "Resource TfrmRegistered not found");
  }
}

TEST(FormResource, ReadsFilesWholeAndReportsMissingOnes) {
  TempDir dir;
  const WideString file = dir.Path() + u"űrlap.qfm";
  const std::string text = "object a: TA\r\n  Caption = '\xC3\x9Aj'\r\nend\r\n";
  {
    TFileStream out(file, fmCreate);
    out.WriteBuffer(text.data(), static_cast<Integer>(text.size()));
  }
  EXPECT_EQ(ReadDefinitionFile(file), text);
  EXPECT_THROW(ReadDefinitionFile(dir.Path() + u"missing.qfm"), EFOpenError);
}
