#include "http/tls/uri_host.h"

namespace http {

std::u16string hostOfUri(std::u16string_view uri) {
  std::u16string_view rest;
  if (const auto separator = uri.find(u"://"); separator != std::u16string_view::npos) {
    rest = uri.substr(separator + 3);
  } else if (uri.starts_with(u"//")) {
    rest = uri.substr(2);
  } else {
    return {};
  }
  // The authority ends at the path, the query or the fragment; a backslash counts as a slash.
  rest = rest.substr(0, rest.find_first_of(u"/\\?#"));
  if (const auto at = rest.rfind(u'@'); at != std::u16string_view::npos) {
    rest = rest.substr(at + 1);
  }
  const auto open = rest.find(u'[');
  const auto close = rest.find(u']');
  if (open != std::u16string_view::npos && close != std::u16string_view::npos && open < close) {
    return std::u16string(rest.substr(open + 1, close - open - 1));
  }
  return std::u16string(rest.substr(0, rest.find(u':')));
}

}  // namespace http
