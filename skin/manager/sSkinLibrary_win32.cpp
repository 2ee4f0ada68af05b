#include "skin/manager/sSkinLibrary.h"
#include "skin/manager/sSkinManager.h"

#include "vcl/gui/Win.h"

#include <shellapi.h>

#include <map>

#include "skin/adapters/sSkinMenus.h"
#include "skin/manager/sGradient.h"
#include "skin/manager/skGlow.h"
#include "skin/manager/skPNG.h"
#include "skin/manager/skPNGGraphic.h"
#include "skin/manager/skntSystem.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Dialogs.h"
#include "vcl/gui/Icon.h"
#include "vcl/rtl/Format.h"
#include "vcl/rtl/FormResource.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/TextConv.h"

namespace {

struct TSkinLibraryState {
  bool Started = false;
  std::map<Integer, AnsiString> Captions;
  Integer ScrollArrowWidth = 0;
  bool NTPlatform = false;
  std::unique_ptr<TPNGGraphic> ActiveShadow;
  std::unique_ptr<TPNGGraphic> InactiveShadow;
  std::unique_ptr<TIcon> SmallIcon;
  std::unique_ptr<TIcon> LargeIcon;
};

TSkinLibraryState& State() {
  static TSkinLibraryState state;
  return state;
}

AnsiString LoadCaption(HINSTANCE module, Integer id) {
  // LoadStringW with a zero length answers a read-only pointer to the string in the resource.
  const wchar_t* text = nullptr;
  const int length = LoadStringW(module, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || !text) return AnsiString();
  return Utf16ToCp1250(std::u16string_view(reinterpret_cast<const char16_t*>(text), static_cast<size_t>(length)));
}

// A shadow template from the program's RCDATA resource of that name. Pixels that are exactly white with
// alpha 0 would show as a white seam once premultiplied by another painter: they become 0.
std::unique_ptr<TPNGGraphic> LoadShadowTemplate(const char* name) {
  std::string bytes;
  if (!FindDefinitionResource(name, bytes)) throw EResNotFound(Format("Resource %s not found", {AnsiString(name)}));
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  stream.SetPosition(0);
  auto image = std::make_unique<TPNGGraphic>();
  image->LoadFromStream(stream);
  ClearWhite(*image);
  return image;
}

bool QueryNTPlatform() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const BOOL ok = GetVersionExW(&info);
#pragma GCC diagnostic pop
  return ok && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// The program's arguments as the shell splits them (the first is the program). Only a switch is looked
// for here, so the shell's quoting rules and the component layer's are the same for this purpose.
std::vector<AnsiString> ProgramArguments() {
  std::vector<AnsiString> arguments;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!argv) return arguments;
  for (int i = 0; i < count; ++i) {
    arguments.push_back(Utf16ToCp1250(reinterpret_cast<const char16_t*>(argv[i])));
  }
  LocalFree(argv);
  return arguments;
}

void StartConstants(TSkinLibraryState& s) {
  const HINSTANCE module = GetModuleHandleW(nullptr);
  for (Integer id : SkinCaptionIds) s.Captions[id] = LoadCaption(module, id);
  s.ScrollArrowWidth = GetSystemMetrics(SM_CXHSCROLL);
}

void StartManagerValues(TSkinLibraryState& s) {
  s.NTPlatform = QueryNTPlatform();
  s.ActiveShadow = LoadShadowTemplate("skSHDA");
  s.InactiveShadow = LoadShadowTemplate("skSHDI");
  ShowSkinVersionIfAsked(ProgramArguments());
}

void StartProgramIcons(TSkinLibraryState& s) {
  const AnsiString exe = Application->ExeName();
  s.SmallIcon = GetFileIcon(exe, SHGFI_SMALLICON);
  s.LargeIcon = GetFileIcon(exe, 0);
}

}  // namespace

void SkinLibraryStartup() {
  TSkinLibraryState& s = State();
  if (s.Started) return;
  try {
    StartConstants(s);
    GradientFillAvailable();  // binds msimg32's GradientFill now rather than at the first paint
    RegisterPNGGraphic();
    InitSkinSystemRoutines();
    StartManagerValues(s);
    StartProgramIcons(s);
  } catch (...) {
    s.Started = true;
    SkinLibraryShutdown();
    throw;
  }
  s.Started = true;
}

void SkinLibraryShutdown() {
  TSkinLibraryState& s = State();
  if (!s.Started) return;
  CloseAllGlowEffects(false);  // the forms go as their destructors decide
  // What the CBT hook made goes here, at a known point, never in a static destructor.
  if (TsSkinManager* manager = TsSkinManager::DefaultManager()) manager->RemoveHook();
  FreeHookedWindows();
  // The skinned menus' popup records and extra-line glyph hold bitmaps.
  ClearMenuItemDataList();
  ExtraLineData().Glyph.reset();
  s.SmallIcon.reset();
  s.LargeIcon.reset();
  s.ActiveShadow.reset();
  s.InactiveShadow.reset();
  DoneSkinSystemRoutines();
  UnregisterPNGGraphic();
  s.Captions.clear();
  s.Started = false;
}

void ShowSkinVersionIfAsked(const std::vector<AnsiString>& arguments) {
  if (HasSkinVersionSwitch(arguments)) MessageDlg(SkinLibraryVersionText, mtInformation, TMsgDlgButtons{mbOK}, 0);
}

const AnsiString& SkinCaption(Integer id) {
  static const AnsiString empty;
  const auto& captions = State().Captions;
  const auto it = captions.find(id);
  return it == captions.end() ? empty : it->second;
}

Integer ScrollArrowWidth() { return State().ScrollArrowWidth; }
bool IsNTPlatform() { return State().NTPlatform; }
TPNGGraphic* ActiveShadowTemplate() { return State().ActiveShadow.get(); }
TPNGGraphic* InactiveShadowTemplate() { return State().InactiveShadow.get(); }
TIcon* ProgramSmallIcon() { return State().SmallIcon.get(); }
TIcon* ProgramLargeIcon() { return State().LargeIcon.get(); }
