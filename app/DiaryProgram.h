// The diary program's start and end: the units start in the order they build on each other (the
// engine, the component layer's classes, the diary's own), the application object comes up with its
// title and the skin library, and the windows are made (the first one, the main window, is the main
// form, which loads the data file). The end stops them in the reverse order. Shared by the program
// and the timing program that drives the same windows.
#pragma once

// Everything up to the message loop; errors pass to the caller.
void StartDiary();
// After the message loop (also after a failed start): frees the windows and stops the units.
void StopDiary();
