// The exception family of the component layer. Every error the runtime, the engine and the GUI
// raise derives from Exception, whose Message is 8-bit (Windows-1250) text.
#pragma once
#include <exception>
#include <string>
#include "vcl/rtl/SysTypes.h"

class Exception : public std::exception {
 public:
  explicit Exception(AnsiString message) : message_(std::move(message)) {}
  const AnsiString& Message() const noexcept { return message_; }
  void SetMessage(AnsiString message) { message_ = std::move(message); }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  AnsiString message_;
};

#define QN_DECLARE_EXCEPTION(Name, Base) \
  class Name : public Base {             \
   public:                               \
    using Base::Base;                    \
  }

QN_DECLARE_EXCEPTION(EAbort, Exception);               // silent: the application shows nothing
QN_DECLARE_EXCEPTION(EConvertError, Exception);        // text that is not a number or date, bad Format arguments
QN_DECLARE_EXCEPTION(EIntError, Exception);
QN_DECLARE_EXCEPTION(ERangeError, EIntError);          // index or value out of its range
QN_DECLARE_EXCEPTION(EIntOverflow, EIntError);         // integer arithmetic overflow
QN_DECLARE_EXCEPTION(EDivByZero, EIntError);           // integer division by zero
QN_DECLARE_EXCEPTION(EMathError, Exception);
QN_DECLARE_EXCEPTION(EZeroDivide, EMathError);         // floating-point division by zero
QN_DECLARE_EXCEPTION(EOverflow, EMathError);
QN_DECLARE_EXCEPTION(EInvalidOp, EMathError);
QN_DECLARE_EXCEPTION(EOutOfMemory, Exception);
QN_DECLARE_EXCEPTION(EInvalidOperation, Exception);    // e.g. focusing a control that cannot take focus
QN_DECLARE_EXCEPTION(EInvalidCast, Exception);
QN_DECLARE_EXCEPTION(EDatabaseError, Exception);
QN_DECLARE_EXCEPTION(EListError, Exception);
QN_DECLARE_EXCEPTION(EStringListError, Exception);
QN_DECLARE_EXCEPTION(EBitsError, Exception);
QN_DECLARE_EXCEPTION(EStreamError, Exception);
QN_DECLARE_EXCEPTION(EReadError, EStreamError);
QN_DECLARE_EXCEPTION(EWriteError, EStreamError);
QN_DECLARE_EXCEPTION(EFCreateError, EStreamError);
QN_DECLARE_EXCEPTION(EFOpenError, EStreamError);
QN_DECLARE_EXCEPTION(EComponentError, Exception);
QN_DECLARE_EXCEPTION(EVariantError, Exception);

// An operating-system call failed; ErrorCode is the OS error number (GetLastError or errno).
class EOSError : public Exception {
 public:
  EOSError(AnsiString message, Cardinal errorCode) : Exception(std::move(message)), errorCode_(errorCode) {}
  Cardinal ErrorCode() const noexcept { return errorCode_; }

 private:
  Cardinal errorCode_;
};
