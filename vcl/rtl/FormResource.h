// Where form definitions come from: texts registered under a name (tests, tools), and in the Windows
// program the RCDATA resources named after the form class ("TFRMMAIN"), compiled in by windres.
// Names are matched without regard to ASCII case, as Windows matches resource names.
#pragma once
#include <string>
#include <string_view>
#include "vcl/rtl/Exceptions.h"

QN_DECLARE_EXCEPTION(EResNotFound, Exception);  // "Resource %s not found"

// Registers the UTF-8 text of a definition under a name, replacing an earlier text of that name.
// Registered texts are looked up before the program's resources.
void RegisterDefinitionText(std::string_view name, std::string utf8Text);
void UnregisterDefinitionText(std::string_view name);

// The UTF-8 text of the definition called name: a registered text, else (Windows) the RCDATA
// resource of that name in the program's module. Raises EResNotFound when there is neither.
std::string LoadDefinitionText(std::string_view name);

// Reads a definition file whole. Raises EFOpenError when it cannot be opened.
std::string ReadDefinitionFile(const WideString& fileName);

// The platform part: copies the RCDATA resource called name into text; false when there is none
// (always false outside Windows).
bool FindDefinitionResource(std::string_view name, std::string& text);
