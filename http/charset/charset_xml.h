#pragma once

#include <string>
#include <string_view>

#include "http/base/stream.h"

namespace http {

// The charset of an XML document, from its byte order mark or from the encoding named in its
// declaration; "UTF-8" when neither names one. A byte order mark that tells only an unusual
// octet order gives an empty name.
[[nodiscard]] std::u16string detectXmlCharset(std::string_view body);
// Looks at the stream from its first byte; the position is kept.
[[nodiscard]] std::u16string detectXmlCharset(Stream& body);

}  // namespace http
