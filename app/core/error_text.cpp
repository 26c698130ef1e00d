#include "app/core/error_text.h"

#include "http/error.h"
#include "text/utf8_codec.h"

namespace app {

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
