// Reading a reply body by the framing its headers announce.
#include <string>

#include "http/base/scope_guard.h"
#include "http/charset/charset_html_meta.h"
#include "http/charset/charset_xml.h"
#include "http/detail/body_limit_stream.h"
#include "http/detail/http_exchange.h"
#include "http/detail/protocol_text.h"
#include "http/http_errors.h"
#include "http/transport/connection_errors.h"
#include "http/transport/tcp_connection.h"

namespace http::detail {

namespace {

bool isHtml(std::u16string_view media) {
  return media == u"text/html" || media == u"text/html-sandboxed" ||
         media == u"application/xhtml+xml";
}

bool isXml(std::u16string_view media) {
  if (media == u"application/xml" || media == u"application/xml-external-parsed-entity" ||
      media == u"application/xml-dtd") {
    return true;
  }
  return !media.starts_with(u"text/") && media.ends_with(u"+xml");
}

// The value of a parameter such as "boundary" in a Content-Type value.
std::u16string contentTypeParameter(std::u16string_view contentType, std::u16string_view name) {
  std::size_t start = contentType.find(u';');
  while (start != std::u16string_view::npos) {
    const std::size_t end = contentType.find(u';', start + 1);
    const std::u16string_view part = contentType.substr(start + 1, end - start - 1);
    const std::size_t equals = part.find(u'=');
    if (equals != std::u16string_view::npos &&
        equalsIgnoreCase(trimView(part.substr(0, equals)), name)) {
      std::u16string_view value = trimView(part.substr(equals + 1));
      if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"') {
        value = value.substr(1, value.size() - 2);
      }
      return std::u16string(value);
    }
    start = end;
  }
  return {};
}

void moveBuffered(ByteQueue& buffer, Stream* target, std::int64_t count) {
  if (count <= 0) return;
  if (target != nullptr) {
    buffer.extractToStream(*target, count);
  } else {
    buffer.remove(count);
  }
}

std::u16string readLineOrTimeout(IoHandler& io) {
  std::u16string line = io.readLine();
  if (io.readLineTimedOut()) throw ReadTimeoutError(transport_text::kReadTimedOut);
  return line;
}

}  // namespace

bool HttpExchange::bodyExpected() {
  const HttpOptions options = settings_.options;
  const std::u16string media = mediaTypeOf(response.contentType);
  if (containsIgnoreCase(response.transferEncoding, u"chunked")) {
    if (options.contains(HttpOption::NoReadChunked)) return false;
  } else if (response.hasContentLength()) {
    if (response.contentLength == 0) return false;
  } else if (media.starts_with(u"multipart")) {
    if (options.contains(HttpOption::NoReadMultipart)) return false;
  }

  const std::int32_t code = response.responseCode();
  IoHandler& io = this->io();
  if (code >= 300 && code < 400 && code != 304) {
    // A redirect's body is read only when it is already coming.
    return !io.inputBufferIsEmpty() || io.checkForDataOnSource(5000);
  }
  return true;
}

void HttpExchange::readBody(Stream* target) {
  const std::int32_t code = response.responseCode();
  const bool noBodyAllowed = request.method == u"HEAD" || request.methodOverride == u"HEAD" ||
                             (code >= 100 && code < 200) || code == 204 || code == 304;
  if (!bodyExpected()) return;
  IoHandler& io = this->io();
  if (noBodyAllowed) {
    // Only what a misbehaving peer sends at once is taken, so that it cannot pose as the
    // next reply.
    if (settings_.options.contains(HttpOption::WaitForUnexpectedData) &&
        (!io.inputBufferIsEmpty() || io.checkForDataOnSource(100))) {
      moveBuffered(io.inputBuffer(), target, io.inputBuffer().size());
    }
    return;
  }

  const std::u16string media = mediaTypeOf(response.contentType);
  const HttpOptions options = settings_.options;
  const bool html = isHtml(media) && !options.contains(HttpOption::NoParseMetaHttpEquiv);
  const bool xml = !html && isXml(media) && !options.contains(HttpOption::NoParseXmlCharset);
  if (target == nullptr || (!html && !xml)) {
    readFramedBody(target);
    return;
  }

  // The charset rules look at the body's bytes, so they are gathered in memory first.
  auto* memory = dynamic_cast<MemoryStream*>(target);
  MemoryStream collected;
  MemoryStream& into = memory != nullptr ? *memory : collected;
  const std::int64_t start = into.position();
  readFramedBody(&into);
  const std::string_view body = into.view().substr(
      static_cast<std::size_t>(start), static_cast<std::size_t>(into.position() - start));
  if (html) {
    applyMetaHttpEquiv(body);
  } else {
    response.charSet = detectXmlCharset(body);
  }
  if (memory == nullptr) {
    target->write(
        std::span<const std::uint8_t>(collected.bytes().data(), collected.bytes().size()));
  }
}

void HttpExchange::applyMetaHttpEquiv(std::string_view body) {
  const HtmlMetaDeclarations meta = scanHtmlMeta(body);
  EntityHeaders& equiv = response.metaHttpEquiv;
  equiv.rawHeaders.clear();
  for (const std::u16string& line : meta.headerLines) {
    equiv.rawHeaders.addLine(line);
    const std::size_t colon = line.find(u':');
    if (colon == std::u16string::npos) continue;
    const std::u16string_view name = HeaderList::nameOf(line);
    if (!name.empty()) {
      response.rawHeaders.setValue(name, trimView(std::u16string_view(line).substr(colon + 1)));
    }
  }
  equiv.deriveEntityFields();
  response.deriveFields();
  const std::u16string& charset = meta.charset.empty() ? equiv.charSet : meta.charset;
  if (!charset.empty()) response.charSet = charset;
}

void HttpExchange::readFramedBody(Stream* target) {
  if (settings_.replyBodyLimit <= 0) {
    readFramed(target);
    return;
  }
  // Dropped bodies count as well: a peer that never stops must not hold the client.
  BodyLimitStream limited(target, settings_.replyBodyLimit);
  bodyLimit_ = &limited;
  const ScopeGuard forgetLimit([this] { bodyLimit_ = nullptr; });
  readFramed(&limited);
}

void HttpExchange::readFramed(Stream* target) {
  const HttpOptions options = settings_.options;
  if (containsIgnoreCase(response.transferEncoding, u"chunked")) {
    if (!options.contains(HttpOption::NoReadChunked)) readChunked(target);
    return;
  }
  if (response.hasContentLength()) {
    readCounted(target, response.contentLength);
    return;
  }
  if (mediaTypeOf(response.contentType).starts_with(u"multipart")) {
    if (options.contains(HttpOption::NoReadMultipart)) return;
    const std::u16string boundary = contentTypeParameter(response.contentType, u"boundary");
    if (!boundary.empty()) {
      readMultipart(target, boundary);
      return;
    }
  }
  readUntilClose(target);
}

void HttpExchange::readChunked(Stream* target) {
  IoHandler& io = this->io();
  for (;;) {
    const std::u16string line = readLineOrTimeout(io);
    const std::u16string_view sizeText =
        trimView(std::u16string_view(line).substr(0, line.find(u';')));
    std::int64_t size = 0;
    if (isHexDigits(sizeText)) {
      const auto parsed = parseHex64(sizeText);
      if (!parsed) throw ReplyLimitError(kChunkSizeTooLarge);
      size = *parsed;
    }
    if (size == 0) break;
    readCounted(target, size, /*tolerateEarlyClose=*/false);
    readLineOrTimeout(io);  // the line end after the chunk data
  }
  readTrailers();
}

void HttpExchange::readTrailers() {
  IoHandler& io = this->io();
  std::int32_t count = 0;
  try {
    for (;;) {
      std::u16string line = readLineOrTimeout(io);
      if (line.empty()) return;
      if (settings_.maxHeaderLines >= 0 && count >= settings_.maxHeaderLines) {
        throw ReplyLimitError(kTooManyHeaderLines);
      }
      ++count;
      response.rawHeaders.addLine(std::move(line));
    }
  } catch (const ConnectionClosedError&) {
    // A peer that closes right after the last chunk has sent the whole body.
  }
}

void HttpExchange::readCounted(Stream* target, std::int64_t count, bool tolerateEarlyClose) {
  IoHandler& io = this->io();
  if (bodyLimit_ != nullptr) bodyLimit_->expect(count);
  try {
    if (target != nullptr) {
      io.readStream(*target, count, false);
    } else {
      io.discard(count);
    }
  } catch (const ConnectionClosedError&) {
    if (!tolerateEarlyClose) throw;
  }
}

void HttpExchange::readMultipart(Stream* target, std::u16string_view boundary) {
  IoHandler& io = this->io();
  std::string terminator = "--";
  for (const char16_t c : boundary) terminator += c < 0x80 ? static_cast<char>(c) : '?';
  terminator += "--";
  const auto keep = static_cast<std::int64_t>(terminator.size()) - 1;
  ByteQueue& buffer = io.inputBuffer();
  for (;;) {
    const std::int64_t at = buffer.size() >= keep + 1 ? buffer.indexOf(terminator) : -1;
    if (at >= 0) {
      moveBuffered(buffer, target, at + keep + 1);
      try {
        readLineOrTimeout(io);
      } catch (const ConnectionClosedError&) {
        // The closing boundary came without a line end.
      }
      return;
    }
    // Everything but a possible start of the closing boundary belongs to the body.
    moveBuffered(buffer, target, buffer.size() - keep);
    if (io.fillInputBuffer(false) <= 0) {
      moveBuffered(buffer, target, buffer.size());
      return;
    }
  }
}

void HttpExchange::readUntilClose(Stream* target) {
  IoHandler& io = this->io();
  if (target != nullptr) {
    io.readStream(*target, -1, true);
  } else {
    io.discardAll();
  }
}

}  // namespace http::detail
