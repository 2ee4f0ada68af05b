// The program's home page: its address is stored enciphered (Crypt) and opened in the user's default
// browser through the shell's "open" verb. The shell call goes through a replaceable hook, so that
// tests see the address instead of starting a browser.
#pragma once
#include <functional>
#include "vcl/rtl/SysTypes.h"

// The stored host and path part of the address (32 hexadecimal digits) and the key it is enciphered with.
inline constexpr char kHomePageCipherText[] = "2A3FC5190CBDC0DAA61B33EC6BAE52ED";
inline constexpr Integer kHomePageKey = 417093;

// "http://" followed by the deciphered stored text.
AnsiString HomePageAddress();
// Opens HomePageAddress with the shell's "open" verb; whether the shell managed is not examined.
void OpenHomePage();

// Opens a document or address (Windows-1250) with the shell's "open" verb, shown normally.
void ShellOpen(const AnsiString& target);
// Replaces what ShellOpen does; returns the previous hook. An empty hook restores the shell call.
using TShellOpenHook = std::function<void(const AnsiString& target)>;
TShellOpenHook SetShellOpenHook(TShellOpenHook hook);
