// The start of the skinned Windows timing programs: the component layer's classes registered, the
// application and the skin library started, and a manager with the diary's built-in skin (read from
// the file at path) loaded as "Quillnote".
#pragma once
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "skin/manager/sSkinLibrary.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/GuiClasses.h"

inline std::unique_ptr<TsSkinManager> StartBuiltinSkin(const char* path) {
  RegisterGuiClasses();
  Application->Initialize();
  SkinLibraryStartup();
  std::unique_ptr<TsSkinManager> manager(New<TsSkinManager>(nullptr));
  std::ifstream in(path, std::ios::binary);
  manager->InternalSkins().Add("Quillnote", std::vector<Byte>(std::istreambuf_iterator<char>(in), {}));
  manager->SetSkinName("Quillnote");
  return manager;
}
