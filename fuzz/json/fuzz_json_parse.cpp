// Parses arbitrary bytes as a device's reply. Inputs of even length take the updater's way,
// decoded from UTF-8 and then the lenient parse that reports its errors; inputs of odd length
// take the parser's own UTF-8 entry with the updater's value limit. One parse per input keeps
// the target fast. Properties: no input makes either fault, and a report names an error and a
// byte within the text exactly when there is no value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "json/parser.h"
#include "text/utf8_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (size % 2 == 0) {
    const std::u16string text = text::utf8ToUtf16(bytes);
    const json::ParseResult result = json::parseDocumentWithError(text, json::ParseLimits{100000});
    const bool failed = result.error != json::ParseError::Success;
    if (failed == static_cast<bool>(result.value)) std::abort();
    if (result.offset > text::utf16ToUtf8(text).size()) std::abort();
  } else {
    (void)json::parseDocument(bytes, json::ParseLimits{100000});
  }
  return 0;
}
