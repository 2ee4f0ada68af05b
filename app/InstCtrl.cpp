#include "app/InstCtrl.h"

#include <atomic>
#include <cstring>
#include <string>

#include "vcl/gui/Application.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/UtilWindow.h"
#include "vcl/gui/Win.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Format.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/TextConv.h"

// A named page-file mapping (the handle only; views are mapped separately).
class TInstanceMapping {
 public:
  explicit TInstanceMapping(HANDLE handle) : handle_(handle) {}
  ~TInstanceMapping() { CloseHandle(handle_); }
  TInstanceMapping(const TInstanceMapping&) = delete;
  TInstanceMapping& operator=(const TInstanceMapping&) = delete;

  // The mapping of that name; nil when there is none.
  static std::unique_ptr<TInstanceMapping> Open(const WideString& name);
  // A new read-write mapping of `size` bytes, or the one that already has the name (existed is then
  // true and its size is whatever its maker chose); nil when neither could be had.
  static std::unique_ptr<TInstanceMapping> Create(const WideString& name, std::size_t size, bool& existed);
  // A view of the first `size` bytes; nil when the mapping is smaller.
  std::unique_ptr<TMappedView> Map(std::size_t size) const;

 private:
  HANDLE handle_;
};

class TMappedView {
 public:
  explicit TMappedView(void* data) : data_(static_cast<Byte*>(data)) {}
  ~TMappedView() { UnmapViewOfFile(data_); }
  TMappedView(const TMappedView&) = delete;
  TMappedView& operator=(const TMappedView&) = delete;
  Byte* Data() const { return data_; }

 private:
  Byte* data_;
};

namespace {

const wchar_t kReceiverMark[] = L"TOneInstance";
// How long a later copy waits for a first copy that has made the record but not yet its window.
constexpr ULONGLONG kPublishWaitMs = 3000;

std::atomic<int> gLiveComponents{0};

const wchar_t* W(const WideString& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

WideString AsciiToWide(const std::string& s) { return WideString(s.begin(), s.end()); }

// Window handles keep their meaning in 32 bits (sign-extended), which is how the record and the block
// names carry them.
std::int32_t HandleToInt32(HWND window) {
  return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(window));
}
HWND Int32ToHandle(std::int32_t value) { return reinterpret_cast<HWND>(static_cast<std::intptr_t>(value)); }

// The record's fields are shared with other processes that change them in place: they are read and
// written atomically (the view starts on a page boundary, so the window field is aligned).
std::atomic_ref<std::uint32_t> RecordWindow(const TMappedView& record) {
  return std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(record.Data()));
}
std::atomic_ref<std::uint8_t> RecordMax(const TMappedView& record) {
  return std::atomic_ref<std::uint8_t>(record.Data()[4]);
}
std::atomic_ref<std::uint8_t> RecordCount(const TMappedView& record) {
  return std::atomic_ref<std::uint8_t>(record.Data()[5]);
}

// Counts a later copy in; false (and nothing changed) when the count is full.
bool CountIn(const TMappedView& record, std::uint8_t& count) {
  auto field = RecordCount(record);
  std::uint8_t seen = field.load();
  do {
    if (seen == 0xFF) return false;
  } while (!field.compare_exchange_weak(seen, static_cast<std::uint8_t>(seen + 1)));
  count = static_cast<std::uint8_t>(seen + 1);
  return true;
}

// Counts a later copy out; a count that someone else has zeroed meanwhile stays zero.
void CountOut(const TMappedView& record) {
  auto field = RecordCount(record);
  std::uint8_t seen = field.load();
  while (seen != 0 && !field.compare_exchange_weak(seen, static_cast<std::uint8_t>(seen - 1))) {
  }
}

std::int32_t ReadInt32(const Byte* p) {
  std::int32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
void WriteInt32(Byte* p, std::int32_t v) { std::memcpy(p, &v, sizeof v); }

// A live receiver window of another running copy: only such a window is sent anything, since the
// record may name any window at all.
bool IsReceiverWindow(HWND window) {
  if (window == nullptr || !IsWindow(window)) return false;
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == 0 || process == GetCurrentProcessId()) return false;
  wchar_t className[32] = {};
  GetClassNameW(window, className, 32);
  return std::wcscmp(className, L"TPUtilWindow") == 0 && GetPropW(window, kReceiverMark) != nullptr;
}

// The executable's file, not the first word of the command line (which may lack folder and extension
// when the program was started through the search path).
bool ExecutableFileSize(std::uint32_t& sizeLow) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return false;
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    if (path.size() >= 32768) return false;
    path.resize(path.size() * 2);
  }
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  sizeLow = data.nFileSizeLow;
  return true;
}

void AskToComeToFront(HWND firstCopy) {
  DWORD process = 0;
  GetWindowThreadProcessId(firstCopy, &process);
  // This copy was just started by the user and may pass its right to take the foreground on.
  AllowSetForegroundWindow(process);
  PostMessageW(firstCopy, InstanceBringToFrontMessage(), 0, 0);
}

void BringMainFormToFront() {
  TCustomForm* form = Application != nullptr ? Application->MainForm() : nullptr;
  if (form == nullptr || !form->HandleAllocated()) return;
  const HWND window = form->Handle();
  if (!IsWindowVisible(window)) return;
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  SetForegroundWindow(window);
}

}  // namespace

// ---- mappings ----

std::unique_ptr<TInstanceMapping> TInstanceMapping::Open(const WideString& name) {
  HANDLE h = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, W(name));
  if (h == nullptr) return nullptr;
  return std::make_unique<TInstanceMapping>(h);
}

std::unique_ptr<TInstanceMapping> TInstanceMapping::Create(const WideString& name, std::size_t size, bool& existed) {
  const auto size64 = static_cast<std::uint64_t>(size);
  HANDLE h = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, static_cast<DWORD>(size64 >> 32),
                                static_cast<DWORD>(size64), W(name));
  existed = GetLastError() == ERROR_ALREADY_EXISTS;
  if (h == nullptr) return nullptr;
  return std::make_unique<TInstanceMapping>(h);
}

std::unique_ptr<TMappedView> TInstanceMapping::Map(std::size_t size) const {
  // Mapping more than the mapping holds fails, which bounds every read that follows.
  void* data = MapViewOfFile(handle_, FILE_MAP_ALL_ACCESS, 0, 0, size);
  if (data == nullptr) return nullptr;
  return std::make_unique<TMappedView>(data);
}

// ---- names ----

WideString InstanceRecordName() {
  std::uint32_t size = 0;
  if (!ExecutableFileSize(size)) size = 0;
  return AsciiToWide("TOneInstance::" + std::to_string(static_cast<std::int32_t>(size)));
}

WideString HandOverSizeBlockName(HWND appWindow) {
  return AsciiToWide("TOneInstance::ShareStrMapName::" + std::to_string(HandleToInt32(appWindow)));
}

WideString HandOverTextBlockName(HWND appWindow) {
  const std::string h = std::to_string(HandleToInt32(appWindow));
  return AsciiToWide("TOneInstance::ShareStrMapName::" + h + "::" + h);
}

UINT InstanceBringToFrontMessage() {
  static const UINT message = RegisterWindowMessageW(L"TOneInstance::BringToFront");
  return message;
}

// ---- the component ----

TOneInstance::TLiveCount::TLiveCount() { ++gLiveComponents; }
TOneInstance::TLiveCount::~TLiveCount() { --gLiveComponents; }
int TOneInstance::TLiveCount::Value() const { return gLiveComponents.load(); }

TOneInstance::TOneInstance(TComponent* owner) : TComponent(owner) {
  if (!Is<TForm>(owner)) throw Exception("AOwner must be TForm or descendant");
  if (liveCount_.Value() > 1) {
    throw Exception(Format("Only one copy of %s can be used on one application", {ClassName()}));
  }
  mappingName_ = InstanceRecordName();
  if (Designing()) return;

  mapping_ = TInstanceMapping::Open(mappingName_);
  bool existed = mapping_ != nullptr;
  // A copy that starts at the same moment as another may miss the record here and find it on creation.
  if (mapping_ == nullptr) mapping_ = TInstanceMapping::Create(mappingName_, kInstanceRecordSize, existed);
  if (mapping_ != nullptr) record_ = mapping_->Map(kInstanceRecordSize);
  if (record_ == nullptr) {
    // No record to be had (or a foreign block too small to be one under its name): run unguarded.
    mapping_.reset();
    return;
  }
  if (existed) {
    if (HWND firstCopy = AwaitFirstCopy()) EndAsLaterCopy(firstCopy);
  }
  window_ = AllocateHWnd(TWndMethod(this, &TOneInstance::WndProc));
  SetPropW(window_, kReceiverMark, reinterpret_cast<HANDLE>(1));
  Publish();
}

TOneInstance::~TOneInstance() {
  if (window_ != nullptr) {
    RemovePropW(window_, kReceiverMark);
    DeallocateHWnd(window_);
  }
}

bool TOneInstance::Designing() const { return ComponentState().Contains(csDesigning); }

AnsiString TOneInstance::About() const {
  return ClassName() + " 1.0\r\nKeeps a program to one running copy and hands the command line of a later start "
                       "over to it.";
}

ShortInt TOneInstance::MaxNewInstances() const {
  if (Designing() || record_ == nullptr) return storedMax_;
  return static_cast<ShortInt>(RecordMax(*record_).load());
}

void TOneInstance::SetMaxNewInstances(ShortInt value) {
  storedMax_ = value;
  if (!Designing() && record_ != nullptr) RecordMax(*record_).store(static_cast<std::uint8_t>(value));
}

HWND TOneInstance::AwaitFirstCopy() const {
  const ULONGLONG deadline = GetTickCount64() + kPublishWaitMs;
  for (;;) {
    const HWND window = Int32ToHandle(static_cast<std::int32_t>(RecordWindow(*record_).load()));
    if (window != nullptr) return IsReceiverWindow(window) ? window : nullptr;
    if (GetTickCount64() >= deadline) return nullptr;
    Sleep(10);
  }
}

void TOneInstance::Publish() {
  RecordMax(*record_).store(static_cast<std::uint8_t>(storedMax_));
  RecordCount(*record_).store(0);
  // The window last: a later copy that sees it sees the rest.
  RecordWindow(*record_).store(static_cast<std::uint32_t>(HandleToInt32(window_)));
}

void TOneInstance::EndAsLaterCopy(HWND firstCopy) {
  std::uint8_t count = 0;
  const bool counted = CountIn(*record_, count);
  const auto max = static_cast<ShortInt>(RecordMax(*record_).load());
  if (counted && (max < 0 || count <= max)) {
    try {
      if (Application != nullptr) {
        Application->SetShowMainForm(false);
        ShowWindow(Application->Handle(), SW_HIDE);
      }
      HandOverCommandLine(firstCopy);
    } catch (...) {
      // The command line is lost, as when the first copy does not answer in time.
    }
  }
  if (counted) CountOut(*record_);
  AskToComeToFront(firstCopy);
  ExitProcess(0);
}

void TOneInstance::HandOverCommandLine(HWND firstCopy) {
  const HWND app = Application != nullptr ? Application->Handle() : nullptr;
  if (app == nullptr) return;
  const std::string text = Utf16ToUtf8(reinterpret_cast<const char16_t*>(GetCommandLineW()));
  const auto length = CheckedCast<std::int32_t>(text.size() + 1);
  if (length > kMaxHandOverBlockSize - 4) return;
  const std::int32_t blockSize = length + 4;

  // Names that are taken already belong to someone else: hand nothing over through them.
  bool existed = false;
  const auto sizeBlock = TInstanceMapping::Create(HandOverSizeBlockName(app), 4, existed);
  if (sizeBlock == nullptr || existed) return;
  const auto textBlock = TInstanceMapping::Create(HandOverTextBlockName(app), blockSize, existed);
  if (textBlock == nullptr || existed) return;
  {
    const auto view = sizeBlock->Map(4);
    if (view == nullptr) return;
    WriteInt32(view->Data(), blockSize);
  }
  {
    const auto view = textBlock->Map(blockSize);
    if (view == nullptr) return;
    WriteInt32(view->Data(), length);
    std::memcpy(view->Data() + 4, text.data(), text.size());
    view->Data()[4 + text.size()] = 0;
  }
  // The receiver replies as soon as it has opened both blocks; the mappings stay open until then.
  const UINT timeout = msgTransportTimeout_ > 0 ? static_cast<UINT>(msgTransportTimeout_) : 0;
  DWORD_PTR answer = 0;
  SendMessageTimeoutA(firstCopy, kInstanceHandOverMessage, reinterpret_cast<WPARAM>(app), kInstanceHandOverMessage,
                      SMTO_BLOCK | SMTO_ABORTIFHUNG, timeout, &answer);
}

void TOneInstance::WndProc(TMessage& message) {
  if (message.Msg == kInstanceHandOverMessage) {
    if (message.LParam == static_cast<LPARAM>(kInstanceHandOverMessage) && record_ != nullptr) {
      try {
        ReceiveHandOver(message.WParam);
      } catch (...) {
        if (Application != nullptr) Application->HandleException(this);
      }
    }
    return;
  }
  if (message.Msg == InstanceBringToFrontMessage()) {
    BringMainFormToFront();
    return;
  }
  message.Result = DefWindowProcW(window_, message.Msg, message.WParam, message.LParam);
}

void TOneInstance::ReceiveHandOver(WPARAM senderWindow) {
  const HWND sender = Int32ToHandle(static_cast<std::int32_t>(senderWindow));
  auto sizeBlock = TInstanceMapping::Open(HandOverSizeBlockName(sender));
  auto textBlock = TInstanceMapping::Open(HandOverTextBlockName(sender));
  // Both blocks are held open now, so the sender may go on (and end).
  if (InSendMessage()) ReplyMessage(1);
  if (sizeBlock == nullptr || textBlock == nullptr) return;

  std::int32_t blockSize = 0;
  {
    const auto view = sizeBlock->Map(4);
    if (view == nullptr) return;
    blockSize = ReadInt32(view->Data());
  }
  sizeBlock.reset();
  if (blockSize < 5 || blockSize > kMaxHandOverBlockSize) return;
  const auto view = textBlock->Map(static_cast<std::size_t>(blockSize));
  if (view == nullptr) return;
  // The length is read once: the sender could change the block while it is being read.
  const std::int32_t length = ReadInt32(view->Data());
  if (length < 1 || length > blockSize - 4) return;
  const char* bytes = reinterpret_cast<const char*>(view->Data() + 4);
  const void* end = std::memchr(bytes, 0, static_cast<std::size_t>(length));
  if (end == nullptr) return;
  if (!OnNewInstanceLoad) return;
  const std::string text(bytes, static_cast<const char*>(end));
  OnNewInstanceLoad(this, sender, Utf8ToUtf16(text));
}

void RegisterInstCtrl() {
  RegisterStreamedClass<TOneInstance, TComponent>("TOneInstance", [](TPropertyTableOf<TOneInstance>& p) {
    p.StringProp("About", &TOneInstance::SetAbout);
    p.IntegerProp("MaxNewInstances",
                  [](TOneInstance& c, Integer value) { c.SetMaxNewInstances(CheckedCast<ShortInt>(value)); });
    p.IntegerProp("MsgTransportTimeout", &TOneInstance::SetMsgTransportTimeout);
    p.EventProp("OnNewInstanceLoad", &TOneInstance::OnNewInstanceLoad);
  });
}
