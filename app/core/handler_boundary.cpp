#include "app/core/handler_boundary.h"

#include "app/core/errors.h"
#include "text/utf8_codec.h"

namespace app {

void runGuarded(WorkflowHost& host, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const SilentAbortError&) {
    // The operator has already been told, or asked for nothing to be shown.
  } catch (const std::exception& error) {
    host.showErrorBox(errorMessageOf(error));
  } catch (...) {
    // Exceptions must never unwind through Qt's event loop.
    host.showErrorBox(u"Unknown exception");
  }
}

std::u16string errorMessageOf(const std::exception& error) {
  if (const auto* own = dynamic_cast<const http::Error*>(&error)) {
    return own->message();
  }
  return text::utf8ToUtf16(error.what());
}

std::u16string errorBoxText(std::u16string_view message) {
  std::u16string text(message);
  if (!text.empty() && text.back() > u'.') {
    text += u'.';
  }
  return text;
}

}  // namespace app
