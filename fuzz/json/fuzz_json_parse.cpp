// Parses arbitrary bytes as the updater parses a device's reply: decoded from UTF-8, then the
// lenient whole-document parse; and the same bytes through the parser's own UTF-8 entry,
// with the updater's value limit. Property: no input makes either fault.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "json/parser.h"
#include "text/utf8_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  (void)json::parseDocument(text::utf8ToUtf16(bytes));
  (void)json::parseDocument(bytes, json::ParseLimits{100000});
  return 0;
}
