// Outside Windows there is no user locale to follow: the program always runs with the Hungarian
// profile, the one its users have.
#include "vcl/rtl/FormatSettings.h"

TFormatSettings LoadUserFormatSettings() { return HungarianFormatSettings(); }
