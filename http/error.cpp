#include "http/error.h"

#include "http/transport/utf.h"

namespace http {

Error::Error(std::u16string message) : message_(std::move(message)), utf8_(toUtf8(message_)) {}

}  // namespace http
