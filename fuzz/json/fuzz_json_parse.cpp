// Parses arbitrary bytes as a device's reply. Inputs of even length take the updater's way,
// decoded from UTF-8 and then the lenient whole-document parse; inputs of odd length take the
// parser's own UTF-8 entry with the updater's value limit. One parse per input keeps the
// target fast. Property: no input makes either fault.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "json/parser.h"
#include "text/utf8_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (size % 2 == 0) {
    (void)json::parseDocument(text::utf8ToUtf16(bytes));
  } else {
    (void)json::parseDocument(bytes, json::ParseLimits{100000});
  }
  return 0;
}
