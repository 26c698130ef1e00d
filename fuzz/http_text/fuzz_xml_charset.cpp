// Detects the charset of arbitrary bytes as an XML document and decodes them with it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "http/charset/charset_encoding.h"
#include "http/charset/charset_xml.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  const std::u16string charset = http::detectXmlCharset(body);
  const std::u16string text = http::decodeCharset(body, charset);
  (void)http::encodeCharset(text, charset);
  return 0;
}
