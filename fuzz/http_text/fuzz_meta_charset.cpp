// Scans arbitrary bytes for the META declarations of an HTML head.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "http/charset/charset_encoding.h"
#include "http/charset/charset_html_meta.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  const http::HtmlMetaDeclarations found = http::scanHtmlMeta(body);
  if (found.charset.size() > size) __builtin_trap();
  // The charset comes from the page itself; decoding must take any name.
  (void)http::decodeCharset(body, found.charset);
  return 0;
}
