// The application's exception handler: where an exception ends up that nobody in the call chain can
// take back, such as an event handler's error raised inside a window procedure or a dataset's data
// event. The GUI's TApplication installs one (its HandleException: the OnException event or the
// exception box); the portable layers reach it through HandleApplicationException without knowing the
// GUI, so the same errors reach the user in any build that installs a handler.
#pragma once
#include <functional>

class TObject;

// Called from inside a catch block, with the object that caused the event; the current exception is
// the one to report. It must not raise.
using TExceptionHandler = std::function<void(TObject* sender)>;

// Installs a handler on top of the ones installed before; `owner` names the installation for
// RemoveExceptionHandler. The most recent installation that is still present handles.
void InstallExceptionHandler(const void* owner, TExceptionHandler handler);
// Takes the owner's handler out (wherever it is in the order); nothing happens when it has none.
void RemoveExceptionHandler(const void* owner) noexcept;
bool ExceptionHandlerInstalled() noexcept;

// To be called from inside a catch block: hands the current exception to the installed handler and
// answers true, or answers false when there is no handler (the caller then re-raises). An exception
// raised by the handler itself is dropped.
bool HandleApplicationException(TObject* sender) noexcept;
