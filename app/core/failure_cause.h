#pragma once

#include <exception>
#include <string>

namespace app {

// What a failure was, for a script to read: the error's class ("SocketError") and message.
struct FailureCause {
  std::string className;
  std::u16string message;
  // What the message leaves out: the system's words for a socket error that the library
  // has no text for, or the first line of an error reply's body (bounded, not escaped).
  std::u16string detail;

  friend bool operator==(const FailureCause&, const FailureCause&) = default;
};

// The most characters of an error reply's body that a cause keeps.
inline constexpr std::size_t kMostDetailKept = 200;

// The class and message of any exception; what is not one of the program's own errors is
// named by its standard type where known ("std::bad_alloc"), else "std::exception".
FailureCause causeOf(const std::exception& error);

// "SocketError: Socket Error # 10061 Connection refused." - one line: the line breaks inside a
// message become single blanks.
std::u16string oneLine(const FailureCause& cause);

// The text with each run of CR and LF made one blank.
std::u16string withoutLineBreaks(std::u16string_view text);

// Why, in the words a technician reads: "connection refused (Socket Error # 10061)",
// "HTTP 403 Forbidden: token rejected", "read timed out (ReadTimeoutError)"; the common words
// in the user's language.
std::u16string reasonOf(const FailureCause& cause);

// The system's words for a Winsock-style number that the library leaves without text:
// gai_strerror() for the name lookup's numbers, strerror() for an errno value. Empty when
// there are none.
std::u16string systemWordsFor(int socketError);

}  // namespace app
