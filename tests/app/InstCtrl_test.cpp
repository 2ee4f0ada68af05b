// The single-instance component inside one process (the first copy's record, the rules of its owner,
// its properties read from a definition, the receiver's checks of hand-over blocks that anyone could
// have made) and across two: a second copy of this test program hands its command line over, or is
// refused, and asks the first to come to the front.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "ProcessSupport.h"
#include "app/InstCtrl.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/rtl/FormResource.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/TextConv.h"

namespace {

// Records what reaches the receiver window before the component handles it.
class TRecordingInstance : public TOneInstance {
 public:
  using TOneInstance::TOneInstance;
  std::vector<UINT> messages;

 protected:
  void WndProc(TMessage& message) override {
    if (message.Msg == kInstanceHandOverMessage || message.Msg == InstanceBringToFrontMessage()) {
      messages.push_back(message.Msg);
    }
    TOneInstance::WndProc(message);
  }
};

class TInstanceForm : public TForm {
 public:
  using TForm::TForm;
  TOneInstance* OneInstance1 = nullptr;
  void DefineFields(TFieldTable& fields) override { fields.Add("OneInstance1", OneInstance1); }
};

struct Received {
  HWND sender;
  std::u16string commandLine;
};

struct OneInstanceTest : ::testing::Test {
  void SetUp() override {
    RegisterGuiClasses();
    RegisterInstCtrl();
    form.reset(New<TForm>(nullptr));
  }
  void TearDown() override { form.reset(); }

  void Listen(TOneInstance& instance) {
    instance.OnNewInstanceLoad = [this](TObject*, HWND sender, const WideString& commandLine) {
      received.push_back({sender, commandLine});
    };
  }

  std::unique_ptr<TForm> form;
  std::vector<Received> received;
};

// A named page-file block that the test fills as a sender (or a forger) would.
struct Block {
  Block(const WideString& name, DWORD size) {
    mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size,
                                 reinterpret_cast<const wchar_t*>(name.c_str()));
    view = static_cast<unsigned char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, size));
  }
  ~Block() {
    UnmapViewOfFile(view);
    CloseHandle(mapping);
  }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
  void PutInt32(size_t offset, std::int32_t v) { std::memcpy(view + offset, &v, 4); }

  HANDLE mapping;
  unsigned char* view;
};

constexpr wchar_t kLaterCopyRole[] = L"QN_INSTANCE_LATER_COPY";

bool InLaterCopyRole() { return GetEnvironmentVariableW(kLaterCopyRole, nullptr, 0) != 0; }

// Starts this test program again as a later copy running only `test` (which then takes the later
// copy's part), with `arguments` on its command line; returns its exit code (or 999 when it did not end).
DWORD RunLaterCopy(const char* test, const std::wstring& arguments) {
  SetEnvironmentVariableW(kLaterCopyRole, L"1");
  const std::string filter = std::string("--gtest_filter=") + test;
  apptest::Process copy(apptest::OwnExeName(), std::wstring(filter.begin(), filter.end()) + L" " + arguments);
  SetEnvironmentVariableW(kLaterCopyRole, nullptr);
  DWORD code = 999;
  if (!copy.Started() || !copy.WaitForExit(20000, code)) return 999;
  return code;
}

// The later copy's part: a form with the component, which ends this process inside its constructor.
void PlayLaterCopy() {
  RegisterGuiClasses();
  RegisterInstCtrl();
  std::unique_ptr<TForm> owner(New<TForm>(nullptr));
  New<TOneInstance>(owner.get());
  ADD_FAILURE() << "the later copy was not ended";
}

}  // namespace

TEST_F(OneInstanceTest, FirstCopyPublishesTheRecordForAsLongAsItLives) {
  auto* instance = New<TOneInstance>(form.get());
  EXPECT_EQ(Utf16ToUtf8(instance->MappingName()), [] {
    const std::wstring w = apptest::RecordNameFor(apptest::OwnExeName());
    return std::string(w.begin(), w.end());
  }());
  EXPECT_EQ(instance->MsgTransportTimeout(), 3000);
  EXPECT_FALSE(instance->About().empty());
  instance->SetAbout("something else");
  EXPECT_NE(instance->About(), "something else");
  {
    apptest::SharedRecord record = apptest::SharedRecord::Open(apptest::RecordNameFor(apptest::OwnExeName()));
    ASSERT_TRUE(record.Valid());
    ASSERT_NE(instance->WindowHandle(), nullptr);
    EXPECT_EQ(record.WindowHandle(), instance->WindowHandle());
    EXPECT_EQ(record.Max(), 0);
    EXPECT_EQ(record.Count(), 0);
    // The maximum lives in the record.
    instance->SetMaxNewInstances(-1);
    EXPECT_EQ(record.Max(), -1);
    record.Set(record.Window(), 5, 0);
    EXPECT_EQ(instance->MaxNewInstances(), 5);
  }
  delete instance;
  EXPECT_FALSE(apptest::SharedRecord::Open(apptest::RecordNameFor(apptest::OwnExeName())).Valid());
}

TEST_F(OneInstanceTest, OwnerMustBeAFormAndAProcessHasOneComponent) {
  try {
    New<TOneInstance>(nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "AOwner must be TForm or descendant");
  }
  std::unique_ptr<TComponent> plain(new TComponent(nullptr));
  EXPECT_THROW(New<TOneInstance>(plain.get()), Exception);
  EXPECT_EQ(plain->ComponentCount(), 0);

  auto* first = New<TOneInstance>(form.get());
  try {
    New<TRecordingInstance>(form.get());
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Only one copy of TOneInstance can be used on one application");
  }
  EXPECT_EQ(form->ComponentCount(), 1);
  delete first;
  // The failed ones were not counted on.
  auto* again = New<TOneInstance>(form.get());
  EXPECT_NE(again->WindowHandle(), nullptr);
}

TEST_F(OneInstanceTest, PropertiesComeFromTheFormDefinitionIntoTheRecord) {
  RegisterStreamedClass<TInstanceForm, TForm>("TInstanceForm");
  RegisterDefinitionText("TInstanceForm", R"(
    object InstanceForm: TInstanceForm
      object OneInstance1: TOneInstance
        About = 'ignored'
        MaxNewInstances = -1
        MsgTransportTimeout = 500
      end
    end)");
  {
    std::unique_ptr<TInstanceForm> f(New<TInstanceForm>(nullptr));
    ASSERT_NE(f->OneInstance1, nullptr);
    EXPECT_EQ(f->OneInstance1->MsgTransportTimeout(), 500);
    apptest::SharedRecord record = apptest::SharedRecord::Open(apptest::RecordNameFor(apptest::OwnExeName()));
    ASSERT_TRUE(record.Valid());
    EXPECT_EQ(record.Max(), -1);
  }
  // A maximum outside a signed byte is a definition error.
  RegisterDefinitionText("TInstanceForm", R"(
    object InstanceForm: TInstanceForm
      object OneInstance1: TOneInstance
        MaxNewInstances = 128
      end
    end)");
  EXPECT_ANY_THROW(New<TInstanceForm>(nullptr));
  UnregisterDefinitionText("TInstanceForm");
}

namespace {

// What a sender (or a forger) left in the two blocks, and whether the receiver passes it on.
struct HandOverCase {
  const char* name;
  bool makeSizeBlock;
  std::int32_t blockSizeClaimed;  // the int32 of the size block
  DWORD textBlockSize;            // 0: no text block
  std::int32_t length;            // L in the text block
  const char* text;               // copied after L (with its zero byte, when it fits)
  LPARAM lParam;
  bool delivered;
};
// The text is 13 bytes of UTF-8; with its zero byte L is 14 and the block 18 bytes.
constexpr char kText[] = "qnt.exe \xC5\x91 \xC5\xB1";
const HandOverCase kHandOverCases[] = {
    {"well formed", true, 18, 18, 14, kText, 1125, true},
    {"wrong lParam", true, 18, 18, 14, kText, 0, false},
    {"no size block", false, 0, 18, 14, kText, 1125, false},
    {"no text block", true, 18, 0, 14, "", 1125, false},
    {"size past the text block", true, 8192, 18, 14, kText, 1125, false},
    {"size beyond any command line", true, 0x7FFFFFFF, 18, 14, kText, 1125, false},
    {"negative size", true, -8, 18, 14, kText, 1125, false},
    {"size below one byte of text", true, 4, 18, 14, kText, 1125, false},
    {"length past the size", true, 18, 18, 15, kText, 1125, false},
    {"huge length", true, 18, 18, 0x7FFFFFF0, kText, 1125, false},
    {"zero length", true, 18, 18, 0, kText, 1125, false},
    {"negative length", true, 18, 18, -1, kText, 1125, false},
    {"no zero byte", true, 17, 17, 13, kText, 1125, false},
};

}  // namespace

TEST_F(OneInstanceTest, ReceiverChecksEveryHandOverBlockBeforeReading) {
  auto* instance = New<TOneInstance>(form.get());
  Listen(*instance);
  const HWND sender = reinterpret_cast<HWND>(static_cast<std::intptr_t>(424242));
  for (const HandOverCase& c : kHandOverCases) {
    SCOPED_TRACE(c.name);
    received.clear();
    std::unique_ptr<Block> sizeBlock;
    std::unique_ptr<Block> textBlock;
    if (c.makeSizeBlock) {
      sizeBlock = std::make_unique<Block>(HandOverSizeBlockName(sender), 4);
      sizeBlock->PutInt32(0, c.blockSizeClaimed);
    }
    if (c.textBlockSize != 0) {
      textBlock = std::make_unique<Block>(HandOverTextBlockName(sender), c.textBlockSize);
      textBlock->PutInt32(0, c.length);
      const size_t room = c.textBlockSize - 4;
      std::memcpy(textBlock->view + 4, c.text, std::min(room, std::strlen(c.text) + 1));
    }
    SendMessageW(instance->WindowHandle(), kInstanceHandOverMessage, reinterpret_cast<WPARAM>(sender), c.lParam);
    if (c.delivered) {
      ASSERT_EQ(received.size(), 1u);
      EXPECT_EQ(received[0].sender, sender);
      EXPECT_EQ(Utf16ToUtf8(received[0].commandLine), c.text);
    } else {
      EXPECT_TRUE(received.empty());
    }
  }
  // Other messages get the default handling.
  EXPECT_EQ(SendMessageW(instance->WindowHandle(), WM_USER + 7, 0, 0), 0);
}

TEST_F(OneInstanceTest, LaterCopyHandsOverItsCommandLineWithoutALimit) {
  if (InLaterCopyRole()) return PlayLaterCopy();
  auto* instance = New<TRecordingInstance>(form.get());
  instance->SetMaxNewInstances(-1);
  Listen(*instance);
  const std::wstring argument = L"\"\u00e1rv\u00edzt\u0171r\u0151 t\u00fck\u00f6rf\u00far\u00f3g\u00e9p\" \u65e5\u672c";
  EXPECT_EQ(RunLaterCopy("OneInstanceTest.LaterCopyHandsOverItsCommandLineWithoutALimit", argument), 0u);
  apptest::WaitUntil([&] { return instance->messages.size() >= 2; }, 5000);

  ASSERT_EQ(received.size(), 1u);
  EXPECT_NE(received[0].sender, nullptr);
  const std::u16string& line = received[0].commandLine;
  const std::u16string tail(reinterpret_cast<const char16_t*>(argument.c_str()));
  ASSERT_GE(line.size(), tail.size());
  EXPECT_EQ(line.substr(line.size() - tail.size()), tail);  // non-ASCII text intact through UTF-8
  EXPECT_EQ(instance->messages, (std::vector<UINT>{kInstanceHandOverMessage, InstanceBringToFrontMessage()}));
  apptest::SharedRecord record = apptest::SharedRecord::Open(apptest::RecordNameFor(apptest::OwnExeName()));
  EXPECT_EQ(record.Count(), 0);  // counted out again
  EXPECT_EQ(record.WindowHandle(), instance->WindowHandle());
}

TEST_F(OneInstanceTest, LaterCopyBeyondTheMaximumOnlyAsksForTheFront) {
  if (InLaterCopyRole()) return PlayLaterCopy();
  auto* instance = New<TRecordingInstance>(form.get());
  Listen(*instance);
  for (std::uint8_t busy : {0, 1, 255}) {
    SCOPED_TRACE(busy);
    instance->messages.clear();
    // Maximum 1: one later copy may hand over at a time; with one (or a full count) handing over, no more.
    instance->SetMaxNewInstances(busy == 0 ? 0 : 1);
    apptest::SharedRecord record = apptest::SharedRecord::Open(apptest::RecordNameFor(apptest::OwnExeName()));
    record.Set(record.Window(), record.Max(), busy);
    EXPECT_EQ(RunLaterCopy("OneInstanceTest.LaterCopyBeyondTheMaximumOnlyAsksForTheFront", L""), 0u);
    apptest::WaitUntil([&] { return !instance->messages.empty(); }, 5000);
    EXPECT_EQ(instance->messages, std::vector<UINT>{InstanceBringToFrontMessage()});
    EXPECT_TRUE(received.empty());
    EXPECT_EQ(record.Count(), busy);
  }
}
