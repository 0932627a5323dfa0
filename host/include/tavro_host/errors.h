// Exceptions the substitute host throws at its C++ callers.
#pragma once

#include <stdexcept>
#include <string>

#include "tavro_host/object.h"

namespace tavro {

// Misuse of the host API, an empty record word, a type mismatch against a
// declaration, a property that does not exist or cannot be written.
class HostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A plug-in could not be loaded or registered something a strict host
// refuses; the message names the record and what was wrong with it.
class LoadError : public HostError {
 public:
  using HostError::HostError;
};

// The plug-in called RuntimeRaiseException during a call the host made into
// it. Thrown by the host after the plug-in function has returned, so no
// exception ever unwinds through plug-in frames.
class RaisedException : public std::runtime_error {
 public:
  RaisedException(Object exception, std::string className, std::string message, int32_t errorNumber);

  const Object& exception() const noexcept { return exception_; }
  const std::string& className() const noexcept { return className_; }
  // "Message" and "ErrorNumber" of the raised object (empty / 0 when the
  // object's class has no such property).
  const std::string& message() const noexcept { return message_; }
  int32_t errorNumber() const noexcept { return errorNumber_; }

 private:
  Object exception_;
  std::string className_;
  std::string message_;
  int32_t errorNumber_;
};

}  // namespace tavro
