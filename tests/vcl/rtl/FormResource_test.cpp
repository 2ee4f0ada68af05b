#include "vcl/rtl/FormResource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

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
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "qn_formresource_test";
  std::filesystem::create_directories(dir);
  std::filesystem::path file = dir / "urlap.qfm";
  const std::string text = "object a: TA\r\n  Caption = 'Új'\r\nend\r\n";
  {
    std::ofstream out(file, std::ios::binary);
    out << text;
  }
  std::u8string u8 = file.u8string();
  EXPECT_EQ(ReadDefinitionFile(std::string(u8.begin(), u8.end())), text);
  std::filesystem::remove_all(dir);
  EXPECT_THROW(ReadDefinitionFile(std::string(u8.begin(), u8.end())), EFOpenError);
}
