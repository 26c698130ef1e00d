// Decodes arbitrary bytes whole and in pieces cut where a stream may be cut, and checks that
// both agree, that well-formed input survives the way back, and that the decoded text
// encodes to well-formed UTF-8.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/utf8_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string whole = text::utf8ToUtf16(bytes);
  if (whole.size() > bytes.size()) __builtin_trap();

  std::u16string pieces;
  std::string_view rest = bytes;
  std::size_t step = size > 0 ? 1 + data[0] % 7 : 1;
  while (!rest.empty()) {
    const std::size_t cut = text::completeUtf8Prefix(rest.substr(0, step));
    const std::size_t taken = cut == 0 ? std::min(rest.size(), step) : cut;
    if (cut == 0 && taken < rest.size() && taken == step) {
      step += 3;  // an open sequence: take more bytes next time
      continue;
    }
    pieces += text::utf8ToUtf16(rest.substr(0, taken));
    rest.remove_prefix(taken);
  }
  if (pieces != whole) __builtin_trap();

  const std::string encoded = text::utf16ToUtf8(whole);
  if (!text::isValidUtf8(encoded)) __builtin_trap();
  if (text::isValidUtf8(bytes) && encoded != bytes) __builtin_trap();
  return 0;
}
