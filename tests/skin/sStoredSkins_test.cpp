// Skins stored in the skin manager: an item's defaults and copies, the collection's lookup and change
// event, the round trip of stored skins and effect settings through a form definition, and the load of
// a stored skin that a definition carries.
#include <gtest/gtest.h>

#include <filesystem>
#include "skin/builtin/skBuiltinSkin.h"
#include "skin/manager/sSkinManager.h"
#include "skin/portable/SkinFixtures.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/Reader.h"
#include "vcl/rtl/TextConv.h"
#include "vcl/rtl/Writer.h"

using namespace skintest;

namespace {

class StoredSkins : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterGuiClasses();
    RegisterSkinManagerClasses();
    previousHook_ = SetSkinMessageHook([this](const AnsiString& text, TMsgDlgType) { messages_.push_back(text); });
  }
  void TearDown() override { SetSkinMessageHook(std::move(previousHook_)); }

  // A manager read from `body`, the lines of a definition of class TsSkinManager.
  static std::unique_ptr<TsSkinManager> ReadManager(const std::string& body) {
    auto m = std::unique_ptr<TsSkinManager>(New<TsSkinManager>(nullptr));
    ReadComponentFromText(*m, "object Manager1: TsSkinManager\n" + body + "end\n");
    return m;
  }
  static std::string NoSkinsHere() {
    return (std::filesystem::temp_directory_path() / "qn-no-skins-here").string();
  }

  std::vector<AnsiString> messages_;
  TskSkinMessageHook previousHook_;
};

std::vector<Byte> AllByteValues(size_t size) {
  std::vector<Byte> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<Byte>(255 - i % 256);
  return bytes;
}

}  // namespace

TEST_F(StoredSkins, NewItemHasItsDefaultsAndAssignCopiesEverything) {
  TsSkinManager manager(nullptr);
  TsStoredSkin* fresh = manager.InternalSkins().Add();
  EXPECT_EQ(fresh->Shadow1Blur, -1);
  EXPECT_EQ(fresh->BorderColor, 0xFF00FF);
  EXPECT_EQ(fresh->PackedData().GetSize(), 0);

  TsStoredSkin* source = manager.InternalSkins().Add("Source", AllByteValues(300));
  source->Version = 8.5;
  source->Author = "A";
  source->Description = "D";
  source->Shadow1Offset = 3;
  source->Shadow1Color = 0x123456;
  source->Shadow1Blur = 4;
  source->Shadow1Transparency = 50;
  source->BorderColor = 0x0000FF;
  fresh->Assign(source);
  EXPECT_EQ(fresh->Name, "Source");
  EXPECT_EQ(fresh->PackedBytes(), AllByteValues(300));
  EXPECT_EQ(fresh->Version, 8.5);
  EXPECT_EQ(fresh->Author, "A");
  EXPECT_EQ(fresh->Description, "D");
  EXPECT_EQ(fresh->Shadow1Offset, 3);
  EXPECT_EQ(fresh->Shadow1Color, 0x123456);
  EXPECT_EQ(fresh->Shadow1Blur, 4);
  EXPECT_EQ(fresh->Shadow1Transparency, 50);
  EXPECT_EQ(fresh->BorderColor, 0x0000FF);
  // The copy owns its own bytes.
  source->SetPackedData("x", 1);
  EXPECT_EQ(fresh->PackedBytes().size(), 300u);
}

TEST_F(StoredSkins, LookupIsExactAndEveryChangeFiresTheListEvent) {
  TsSkinManager manager(nullptr);
  int changes = 0;
  manager.OnSkinListChanged = [&](TObject* sender) {
    EXPECT_EQ(sender, &manager);
    ++changes;
  };
  manager.InternalSkins().Add("Mint", {});
  EXPECT_EQ(changes, 1);
  manager.InternalSkins().Add("mint", {});
  manager.InternalSkins().Add("Mint", {});
  EXPECT_EQ(manager.InternalSkins().IndexOf("Mint"), 0);
  EXPECT_EQ(manager.InternalSkins().IndexOf("mint"), 1);
  EXPECT_EQ(manager.InternalSkins().IndexOf("MINT"), -1);
  manager.InternalSkins().Delete(0);
  EXPECT_EQ(changes, 4);
  // Assigning another collection changes nothing.
  TsSkinManager other(nullptr);
  manager.InternalSkins().Assign(&other.InternalSkins());
  EXPECT_EQ(manager.InternalSkins().Count(), 2);
}

TEST_F(StoredSkins, StoredSkinsRoundTripThroughADefinition) {
  TsSkinManager written(nullptr);
  TsStoredSkin* a = written.InternalSkins().Add(Utf8ToCp1250("Őszi 'skin'"), AllByteValues(1000));
  a->Version = 8.12;
  a->Author = Utf8ToCp1250("Kovács");
  a->Shadow1Color = 0;
  a->Shadow1Blur = 2;
  a->BorderColor = 0x00FF00;
  written.InternalSkins().Add("Empty", {});

  TWriter writer(1);
  written.InternalSkins().WriteCollection(writer, "InternalSkins");
  EXPECT_NE(writer.Text().find("Data = {}"), std::string::npos) << "empty data is written too";
  const auto read = ReadManager("  SkinDirectory = '" + NoSkinsHere() + "'\n" + writer.Text());

  ASSERT_EQ(read->InternalSkins().Count(), 2);
  const TsStoredSkin* b = read->InternalSkins().Items(0);
  EXPECT_EQ(b->Name, a->Name);
  EXPECT_EQ(b->PackedBytes(), AllByteValues(1000));
  EXPECT_EQ(b->Version, 8.12);
  EXPECT_EQ(b->Author, a->Author);
  EXPECT_EQ(b->Shadow1Color, 0);
  EXPECT_EQ(b->Shadow1Blur, 2);
  EXPECT_EQ(b->BorderColor, 0x00FF00);
  TsStoredSkin* empty = read->InternalSkins().Items(1);
  EXPECT_EQ(empty->Name, "Empty");
  EXPECT_EQ(empty->PackedData().GetSize(), 0);
  EXPECT_EQ(empty->Shadow1Blur, -1);
  EXPECT_EQ(empty->BorderColor, 0xFF00FF);
  EXPECT_FALSE(read->SkinData.Active) << "no SkinName: nothing loads";
}

TEST_F(StoredSkins, ADefinitionsStoredSkinLoadsWhenNoFileHasItsName) {
  const Bytes pack = ReadDataFile("../../skin/builtin/builtin-skin.cvz");
  TsSkinManager source(nullptr);
  source.InternalSkins().Add("Second", {});
  source.InternalSkins().Add(kBuiltinSkinName, std::vector<Byte>(pack.begin(), pack.end()));
  TWriter writer(1);
  source.InternalSkins().WriteCollection(writer, "InternalSkins");

  const auto m = ReadManager(writer.Text() + "  SkinDirectory = '" + NoSkinsHere() + "'\n  SkinName = '" +
                             kBuiltinSkinName + "'\n");
  ASSERT_TRUE(messages_.empty()) << messages_.front();
  EXPECT_TRUE(m->SkinData.Active);
  EXPECT_EQ(m->SkinName(), kBuiltinSkinName);
  EXPECT_TRUE(m->IsPacked);
  EXPECT_TRUE(m->SkinData.SkinPath.empty()) << "a stored skin has no folder";
  EXPECT_GE(m->GetSkinIndex("FORM"), 0);
}

TEST_F(StoredSkins, EffectSettingsHaveTheirDefaultsAndAreReadFromADefinition) {
  TsSkinManager fresh(nullptr);
  const TskAnimEffects& a = fresh.AnimEffects();
  EXPECT_TRUE(fresh.Effects().AllowAeroBluring);
  EXPECT_EQ(a.Buttons->Events, (TskBtnEvents{beMouseEnter, beMouseLeave, beMouseDown, beMouseUp}));
  EXPECT_EQ(a.Buttons->Manager, &fresh);
  struct Case {
    const TskFormAnimation* animation;
    bool active;
    Word time;
    TskAnimType mode;
  };
  const Case cases[] = {{a.FormShow.get(), true, 0, atAero},        {a.FormHide.get(), true, 0, atAero},
                        {a.DialogHide.get(), true, 0, atAero},      {a.DialogShow.get(), true, 0, atAero},
                        {a.PageChange.get(), true, 0, atAero},      {a.SkinChanging.get(), true, 100, atFading},
                        {a.Minimizing.get(), true, 200, atAero},    {a.BlendOnMoving.get(), false, 1000, atAero}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.animation->Active, c.active);
    EXPECT_EQ(c.animation->Time, c.time);
    EXPECT_EQ(c.animation->Mode, c.mode);
  }
  EXPECT_EQ(a.BlendOnMoving->BlendValue, 170);

  const auto m = ReadManager(
      "  Effects.AllowGlowing = False\n  Effects.AllowAeroBluring = False\n"
      "  AnimEffects.SkinChanging.Active = False\n  AnimEffects.SkinChanging.Mode = atAero\n"
      "  AnimEffects.BlendOnMoving.BlendValue = 99\n  AnimEffects.Buttons.Events = [beMouseDown]\n"
      "  MenuSupport.IcoLineSkin = ''\n  ThirdParty.ThirdEdits = 'TMyEdit'\n");
  EXPECT_FALSE(m->Effects().AllowGlowing());
  EXPECT_FALSE(m->Effects().AllowAeroBluring);
  EXPECT_FALSE(m->AnimEffects().SkinChanging->Active);
  EXPECT_EQ(m->AnimEffects().SkinChanging->Mode, atAero);
  EXPECT_EQ(m->AnimEffects().BlendOnMoving->BlendValue, 99);
  EXPECT_EQ(m->AnimEffects().Buttons->Events, TskBtnEvents{beMouseDown});
  EXPECT_EQ(m->MenuSupport().IcoLineSkin, "ICOLINE") << "an empty icon-line section is filled in once loaded";
  EXPECT_EQ(m->ThirdParty(0), "TMyEdit");
}
