// Parses arbitrary text as a URL, composes it back and resolves its path.
#include <cstddef>
#include <cstdint>
#include <string>

#include "http/uri.h"
#include "text/utf8_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text = text::utf8ToUtf16({reinterpret_cast<const char*>(data), size});
  http::Uri uri(text);
  (void)uri.getPathAndParams();
  try {
    const std::u16string composed = uri.getFullUri();
    // A composed URL parses back to the same host and path.
    const http::Uri again(composed);
    if (again.host() != uri.host() && uri.ipVersion() == http::IpVersion::V4 &&
        uri.host().find_first_of(u":@/?#[]") == std::u16string::npos) {
      __builtin_trap();
    }
    (void)uri.uri();
  } catch (const http::UriError&) {
  }
  const std::size_t half = text.size() / 2;
  const std::u16string resolved = http::Uri::resolvePath(std::u16string_view(text).substr(0, half),
                                                         std::u16string_view(text).substr(half));
  if (resolved.size() > text.size() + 1) __builtin_trap();
  return 0;
}
