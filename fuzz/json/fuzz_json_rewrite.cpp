// Property: a document parsed from a device's bytes and written again, escaped as a device
// receives it, reads back to the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "json/json_ref.h"
#include "json/parser.h"
#include "text/utf8_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const json::JsonRef document = json::parseDocument(text::utf8ToUtf16(bytes));
  if (!document) return 0;
  const std::u16string written = document.asJson(false, true);
  const json::JsonRef again = json::parseDocument(written);
  if (!again || again.asJson(false, true) != written) __builtin_trap();
  return 0;
}
