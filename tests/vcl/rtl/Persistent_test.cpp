#include "vcl/rtl/Persistent.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "vcl/rtl/Exceptions.h"

namespace {

class TPoint : public TPersistent {
 public:
  int x = 0, y = 0;
  void Assign(const TPersistent* source) override {
    if (const auto* p = dynamic_cast<const TPoint*>(source)) {
      x = p->x;
      y = p->y;
      return;
    }
    TPersistent::Assign(source);
  }
};

// Knows how to copy itself into a TPoint, which knows nothing of it: Assign goes through AssignTo.
class TPolar : public TPersistent {
 public:
  int radius = 0;

 protected:
  void AssignTo(TPersistent* dest) const override {
    if (auto* p = dynamic_cast<TPoint*>(dest)) {
      p->x = radius;
      p->y = 0;
      return;
    }
    TPersistent::AssignTo(dest);
  }
};

class TBlob : public TPersistent {
 public:
  std::string data;
  void DefineProperties(TFiler& filer) override {
    TPersistent::DefineProperties(filer);
    filer.DefineProperty("Count", nullptr, nullptr, false);
    filer.DefineBinaryProperty(
        "Data", [this](TStream&) { data = "read"; }, [](TStream&) {}, !data.empty());
  }
};

// A filer that records what an object defines and whether it offered a reader and a writer.
class TRecordingFiler : public TFiler {
 public:
  std::vector<std::string> defined;
  void DefineProperty(const AnsiString& name, TReaderProc readData, TWriterProc writeData, bool hasData) override {
    defined.push_back(name + Flags(readData != nullptr, writeData != nullptr, hasData));
  }
  void DefineBinaryProperty(const AnsiString& name, TStreamProc readData, TStreamProc writeData,
                            bool hasData) override {
    defined.push_back("binary " + name + Flags(readData != nullptr, writeData != nullptr, hasData));
  }
  static std::string Flags(bool r, bool w, bool has) {
    return std::string(" ") + (r ? "r" : "-") + (w ? "w" : "-") + (has ? "+" : "-");
  }
};

}  // namespace

TEST(Persistent, AssignCopiesOrAsksTheSource) {
  TPoint a, b;
  a.x = 3;
  a.y = 4;
  b.Assign(&a);
  EXPECT_EQ(b.x, 3);
  EXPECT_EQ(b.y, 4);
  TPolar polar;
  polar.radius = 7;
  b.Assign(&polar);
  EXPECT_EQ(b.x, 7);
  EXPECT_EQ(b.y, 0);
}

TEST(Persistent, AssignBetweenStrangersRaisesTheLibrarysText) {
  struct Case {
    const TPersistent* source;
    TPersistent* dest;
    const char* message;
  };
  TPoint point;
  TPolar polar;
  const Case cases[] = {
      {&point, &polar, "Cannot assign a TPoint to a TPolar"},
      {nullptr, &point, "Cannot assign a nil to a TPoint"},
      {&polar, &polar, "Cannot assign a TPolar to a TPolar"},
  };
  for (const Case& c : cases) {
    try {
      c.dest->Assign(c.source);
      ADD_FAILURE() << "no error for " << c.message;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST(Persistent, DefinePropertiesReachesTheFiler) {
  TBlob blob;
  TRecordingFiler filer;
  blob.DefineProperties(filer);
  blob.data = "x";
  blob.DefineProperties(filer);
  EXPECT_EQ(filer.defined, (std::vector<std::string>{"Count ---", "binary Data rw-", "Count ---",
                                                     "binary Data rw+"}));
  EXPECT_EQ(blob.GetOwner(), nullptr);
}
