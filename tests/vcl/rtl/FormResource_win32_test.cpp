#include "vcl/rtl/FormResource.h"

#include <gtest/gtest.h>

#include "vcl/rtl/DefinitionText.h"
#include "vcl/rtl/TextConv.h"

TEST(FormResource, DefinitionsAreRcDataResourcesNamedAfterTheClass) {
  std::string text;
  ASSERT_TRUE(FindDefinitionResource("TfrmResource", text));
  auto root = ParseDefinition(text);
  EXPECT_EQ(root->className, "TfrmResource");
  EXPECT_EQ(root->properties.at(0).value.text, Utf8ToCp1250("Erőforrás"));
  EXPECT_EQ(LoadDefinitionText("tfrmresource"), text);
  EXPECT_FALSE(FindDefinitionResource("TfrmNoSuchForm", text));
  EXPECT_THROW(LoadDefinitionText("TfrmNoSuchForm"), EResNotFound);
}
