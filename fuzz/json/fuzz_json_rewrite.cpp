// Property: a document parsed from a device's bytes and written again reads back to the same
// text, in both escape modes (escape on is what a device receives, escape off what a version
// read gives).
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
  for (const bool escape : {true, false}) {
    const std::u16string written = document.asJson(false, escape);
    const json::JsonRef again = json::parseDocument(written);
    if (!again || again.asJson(false, escape) != written) __builtin_trap();
  }
  return 0;
}
