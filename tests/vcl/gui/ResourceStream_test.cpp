// Resources read as streams: by name and by number, read-only, with the error of a missing one.
#include "vcl/gui/ResourceStream.h"

#include <gtest/gtest.h>

#include <string>

#include "vcl/rtl/FormResource.h"

TEST(ResourceStream, ReadsNamedAndNumberedResources) {
  HINSTANCE self = GetModuleHandleW(nullptr);
  TResourceStream byName(self, "tresourceform");  // names ignore case, as Windows matches them
  ASSERT_GT(byName.Size(), 10);
  std::string text(static_cast<std::size_t>(byName.Size()), '\0');
  byName.ReadBuffer(text.data(), static_cast<Integer>(text.size()));
  EXPECT_NE(text.find("object ResourceForm: TResourceForm"), std::string::npos);
  EXPECT_EQ(byName.Read(text.data(), 1), 0);  // at the end

  byName.Seek(Int64{2}, soBeginning);
  char two[2] = {};
  byName.ReadBuffer(two, 2);
  EXPECT_EQ(std::string(two, 2), text.substr(2, 2));

  TResourceStream byNumber = TResourceStream::FromID(self, 7);
  EXPECT_EQ(byNumber.Size(), byName.Size());  // the same file under a number
  TResourceStream bitmap(self, "TESTSTRIP", RT_BITMAP);
  EXPECT_GT(bitmap.Size(), 40);

  EXPECT_THROW(byName.WriteBuffer("x", 1), EStreamError);
  EXPECT_THROW(byName.SetSize(Int64{0}), EStreamError);
  try {
    TResourceStream missing(self, "NOSUCHTHING");
    ADD_FAILURE() << "nothing raised";
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), "Resource NOSUCHTHING not found");
  }
  EXPECT_THROW(TResourceStream::FromID(self, 4711), EResNotFound);
}
