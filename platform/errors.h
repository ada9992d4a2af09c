// Errors raised by the runtime layer. A handler that "traps" errors catches
// RuntimeError; one that does not leaves it to App's default handling.
#pragma once

#include <stdexcept>
#include <string>

namespace rt {

enum class ErrorCode {
  InvalidCall = 5,     // invalid procedure call or argument (bad key notation, ...)
  Overflow = 6,        // a number outside its type's range
  NoArray = 9,         // an array read before it exists
  TypeMismatch = 13,   // a text that is not a number
  NotFound = 53,       // no window matches an activation caption
  SendFailed = 70,     // the system did not accept injected input in full
};

class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(ErrorCode code, const std::string& what) : std::runtime_error(what), code_(code) {}
  ErrorCode Code() const { return code_; }

 private:
  ErrorCode code_;
};

}  // namespace rt
