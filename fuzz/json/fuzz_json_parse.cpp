// Parses arbitrary UTF-16 text in every mode, then reads, changes and writes what comes out.
// Beyond the sanitizers it checks that a written document reads back to the same text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "json/detail/tokenizer.h"
#include "json/json.h"

namespace {

// Puts can nest a tree deeper than the parser reads back; only that may stop the re-read.
void requireStableRewrite(const json::JsonRef& document, bool escape, bool afterPuts = false) {
  const std::u16string written = document.asJson(false, escape);
  json::detail::Tokenizer tokenizer;
  const json::JsonRef again = json::detail::runParser(tokenizer, written, -1, {});
  if (!again && afterPuts && tokenizer.error == json::ParseError::Depth) return;
  if (!again || again.asJson(false, escape) != written) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string text(size / 2, u'\0');
  std::memcpy(text.data(), data, text.size() * sizeof(char16_t));

  for (const bool strict : {false, true}) {
    for (const bool partial : {false, true}) {
      const json::JsonRef document = json::JsonValue::parseText(text, strict, partial);
      if (!document) continue;
      requireStableRewrite(document, true);
      requireStableRewrite(document, false);
      (void)document.asJson(true, true);
      (void)document.getPathString(u"globals.ZEDEZVer");
      (void)document.getPathValue(text).asJson(false, false);
      if (strict || partial) continue;
      // Puts change the tree: once per input, on its lenient-and-complete parse.
      document.putPathCurrency(text, 60000000);
      document.putPathCurrency(u"timeout", -1);
      requireStableRewrite(document, true, true);
    }
  }
  return 0;
}
