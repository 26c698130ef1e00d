#include "app/core/failure_cause.h"

#include <netdb.h>

#include <cstring>
#include <new>
#include <optional>

#include "app/core/core_text.h"
#include "app/core/handler_boundary.h"
#include "http/error.h"
#include "http/http_errors.h"
#include "text/utf8_codec.h"

namespace app {
namespace {

constexpr std::u16string_view kSocketErrorPrefix = u"Socket Error # ";

// The number of "Socket Error # 11002\r\n", when the text after the line break is empty.
std::optional<int> socketErrorWithoutText(std::u16string_view message) {
  if (!message.starts_with(kSocketErrorPrefix)) return std::nullopt;
  message.remove_prefix(kSocketErrorPrefix.size());
  int number = 0;
  std::size_t digits = 0;
  while (digits < message.size() && digits < 9 && message[digits] >= u'0' &&
         message[digits] <= u'9') {
    number = number * 10 + (message[digits] - u'0');
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  message.remove_prefix(digits);
  for (const char16_t c : message) {
    if (c != u'\r' && c != u'\n' && c != u' ') return std::nullopt;
  }
  return number;
}

std::u16string firstLineOf(std::u16string_view body) {
  while (!body.empty() && (body.front() == u'\r' || body.front() == u'\n' || body.front() == u' '))
    body.remove_prefix(1);
  const std::size_t end = body.find_first_of(u"\r\n");
  body = body.substr(0, end);
  if (body.size() > kMostDetailKept) body = body.substr(0, kMostDetailKept);
  return std::u16string(body);
}

// "Connection refused." as it stands inside a sentence: "connection refused".
std::u16string inSentence(std::u16string text) {
  while (!text.empty() && (text.back() == u'.' || text.back() == u' ')) text.pop_back();
  if (text.size() > 1 && text[0] >= u'A' && text[0] <= u'Z' &&
      !(text[1] >= u'A' && text[1] <= u'Z')) {
    text[0] = static_cast<char16_t>(text[0] - u'A' + u'a');
  }
  return text;
}

// The library's words that a technician meets most, for the translation to carry; the others
// stay as the library says them.
constexpr const char* kCommonWords[] = {
    QT_TRANSLATE_NOOP("zedez", "connection refused"),
    QT_TRANSLATE_NOOP("zedez", "connection timed out"),
    QT_TRANSLATE_NOOP("zedez", "connection reset by peer"),
    QT_TRANSLATE_NOOP("zedez", "software caused connection abort"),
    QT_TRANSLATE_NOOP("zedez", "no route to host"),
    QT_TRANSLATE_NOOP("zedez", "network is unreachable"),
    QT_TRANSLATE_NOOP("zedez", "host is down"),
    QT_TRANSLATE_NOOP("zedez", "host not found"),
    QT_TRANSLATE_NOOP("zedez", "connect timed out"),
    QT_TRANSLATE_NOOP("zedez", "read timed out"),
    QT_TRANSLATE_NOOP("zedez", "connection closed gracefully"),
};

std::u16string inUserLanguage(const std::u16string& words) {
  std::string lower;
  for (const char16_t c : words) {
    if (c > 0x7F) return words;
    lower += static_cast<char>(c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c);
  }
  for (const char* known : kCommonWords) {
    if (lower == known) return translated(known);
  }
  return words;
}

}  // namespace

FailureCause causeOf(const std::exception& error) {
  FailureCause cause;
  if (const auto* own = dynamic_cast<const http::Error*>(&error)) {
    cause.className = own->className();
  } else if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) {
    cause.className = "std::bad_alloc";
  } else {
    cause.className = "std::exception";
  }
  cause.message = errorMessageOf(error);
  if (const auto* reply = dynamic_cast<const http::HttpProtocolError*>(&error)) {
    cause.detail = firstLineOf(reply->errorMessage());
  } else if (const auto number = socketErrorWithoutText(cause.message)) {
    cause.detail = systemWordsFor(*number);
  }
  return cause;
}

std::u16string withoutLineBreaks(std::u16string_view text) {
  std::u16string line;
  bool inBreak = false;
  for (const char16_t c : text) {
    if (c == u'\r' || c == u'\n') {
      if (!inBreak) line += u' ';
      inBreak = true;
      continue;
    }
    inBreak = false;
    line += c;
  }
  return line;
}

std::u16string oneLine(const FailureCause& cause) {
  return text::utf8ToUtf16(cause.className) + u": " + withoutLineBreaks(cause.message);
}

std::u16string reasonOf(const FailureCause& cause) {
  std::u16string className = text::utf8ToUtf16(cause.className);
  const std::u16string_view message = cause.message;
  if (message.starts_with(kSocketErrorPrefix)) {
    const std::size_t lineBreak = message.find_first_of(u"\r\n");
    std::u16string words(lineBreak == std::u16string_view::npos ? std::u16string_view()
                                                                : message.substr(lineBreak));
    words = withoutLineBreaks(words);
    std::u16string number(message.substr(0, std::min(lineBreak, message.size())));
    const bool none = words.find_first_not_of(u' ') == std::u16string::npos;
    const std::u16string said = none ? cause.detail : words.substr(words.find_first_not_of(u' '));
    if (said.empty()) return number;
    return inUserLanguage(inSentence(said)) + u" (" + number + u")";
  }
  if (cause.className == "HttpProtocolError") {
    std::u16string status = withoutLineBreaks(message);
    // "HTTP/1.1 403 Forbidden" -> "HTTP 403 Forbidden"
    if (status.starts_with(u"HTTP/")) {
      const std::size_t blank = status.find(u' ');
      if (blank != std::u16string::npos) status = u"HTTP" + status.substr(blank);
    }
    return cause.detail.empty() ? status : status + u": " + cause.detail;
  }
  if (message.empty()) return className;
  std::u16string reason =
      inUserLanguage(inSentence(withoutLineBreaks(message))) + u" (" + className + u")";
  if (!cause.detail.empty()) reason += u": " + cause.detail;
  return reason;
}

std::u16string systemWordsFor(int socketError) {
  int resolverCode = 0;
  switch (socketError) {
    case 11001:
      resolverCode = EAI_NONAME;
      break;
    case 11002:
      resolverCode = EAI_AGAIN;
      break;
    case 11003:
      resolverCode = EAI_FAIL;
      break;
#ifdef EAI_NODATA
    case 11004:
      resolverCode = EAI_NODATA;
      break;
#endif
    case 10109:
      resolverCode = EAI_SERVICE;
      break;
    default:
      break;
  }
  if (resolverCode != 0) return text::utf8ToUtf16(::gai_strerror(resolverCode));
  // Numbers the library does not map stay errno values.
  if (socketError > 0 && socketError < 10000) {
    char buffer[256] = {};
    return text::utf8ToUtf16(::strerror_r(socketError, buffer, sizeof buffer));
  }
  return {};
}

}  // namespace app
