#include "http/base/error.h"

#include "text/utf8_codec.h"

namespace http {

Error::Error(std::u16string message)
    : message_(std::move(message)), utf8_(text::utf16ToUtf8(message_)) {}

}  // namespace http
