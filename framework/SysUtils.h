#pragma once
// The framework's exceptions; a command that fails raises one and the application shows its message.

#include <exception>

#include "framework/System.h"
#include "platform/Utf8.h"

class Exception : public std::exception {
public:
  explicit Exception(String Msg) : FMessage(std::move(Msg)) {}
  const String& Message() const { return FMessage; }
  const char* what() const noexcept override { return FMessage.c_str(); }

private:
  String FMessage;
};

// A list index outside the list.
class EStringListError : public Exception {
public:
  using Exception::Exception;
};

// A file that cannot be read.
class EFOpenError : public Exception {
public:
  explicit EFOpenError(const String& FileName, const String& Reason = "")
      : Exception("Cannot open file " + ReadableName(FileName) + Reason) {}
};

// Ends a command the user chose to stop: it goes up as any error does, and is shown to no one.
class EAbort : public Exception {
public:
  EAbort() : Exception("Operation aborted") {}
};

// A file that cannot be written.
class EFCreateError : public Exception {
public:
  explicit EFCreateError(const String& FileName, const String& Reason = "")
      : Exception("Cannot create file " + ReadableName(FileName) + Reason) {}
};

// A form description that cannot be read.
class EReadError : public Exception {
public:
  using Exception::Exception;
};
