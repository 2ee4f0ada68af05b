// The program's command line: ParamStr(0) is the program's file, ParamStr(1..ParamCount) the
// arguments. On Windows the line is split as the class library does: blanks separate arguments, double
// quotes group blanks into one and are dropped, and backslashes are ordinary characters. Texts are
// Windows-1250.
#pragma once
#include <string_view>
#include <vector>
#include "vcl/rtl/SysTypes.h"

Integer ParamCount();
// Empty for an index outside 0..ParamCount.
AnsiString ParamStr(Integer index);

// The splitting rule above (portable, so that it is tested everywhere); the first item is the
// program as written on the line.
std::vector<WideString> SplitCommandLine(std::u16string_view line);

// The platform part: the program's arguments after the program itself.
std::vector<WideString> ProgramArguments();
