#pragma once

#include <exception>
#include <string>

namespace app {

// What a failure was, for a script to read: the error's class ("SocketError") and message.
struct FailureCause {
  std::string className;
  std::u16string message;

  friend bool operator==(const FailureCause&, const FailureCause&) = default;
};

// The class and message of any exception; what is not one of the program's own errors is
// named by its standard type where known ("std::bad_alloc"), else "std::exception".
FailureCause causeOf(const std::exception& error);

// "SocketError: Socket Error # 10061 Connection refused." - one line: the line breaks inside a
// message become single blanks.
std::u16string oneLine(const FailureCause& cause);

}  // namespace app
