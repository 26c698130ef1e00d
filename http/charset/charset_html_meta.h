#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "http/base/stream.h"

namespace http {

// What the META tags in the head of an HTML page declare.
struct HtmlMetaDeclarations {
  // One "Name: value" line per META tag with both HTTP-EQUIV and CONTENT, in page order.
  std::vector<std::u16string> headerLines;
  // The value of the last META charset attribute; empty when there is none.
  std::u16string charset;
};

// Scans the body, read as 8-bit text, for the META tags of its head section. Only tags after
// the HTML tag count; a BODY tag before HEAD ends the scan, and a TITLE before HEAD yields
// nothing. Once HEAD has been seen, the head section runs to the end of the text.
[[nodiscard]] HtmlMetaDeclarations scanHtmlMeta(std::string_view body);
// Scans the stream from its first byte; the position is kept.
[[nodiscard]] HtmlMetaDeclarations scanHtmlMeta(Stream& body);

}  // namespace http
