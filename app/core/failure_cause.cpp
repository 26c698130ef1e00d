#include "app/core/failure_cause.h"

#include <new>

#include "app/core/handler_boundary.h"
#include "http/error.h"
#include "text/utf8_codec.h"

namespace app {

FailureCause causeOf(const std::exception& error) {
  FailureCause cause;
  if (const auto* own = dynamic_cast<const http::Error*>(&error)) {
    cause.className = own->className();
  } else if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) {
    cause.className = "std::bad_alloc";
  } else {
    cause.className = "std::exception";
  }
  cause.message = errorMessageOf(error);
  return cause;
}

std::u16string oneLine(const FailureCause& cause) {
  std::u16string line = text::utf8ToUtf16(cause.className) + u": ";
  bool inBreak = false;
  for (const char16_t c : cause.message) {
    if (c == u'\r' || c == u'\n') {
      if (!inBreak) line += u' ';
      inBreak = true;
      continue;
    }
    inBreak = false;
    line += c;
  }
  return line;
}

}  // namespace app
