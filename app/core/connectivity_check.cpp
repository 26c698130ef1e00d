#include "app/core/connectivity_check.h"

#include <algorithm>
#include <memory>

#include "app/core/connectivity_message.h"
#include "app/core/device_client.h"
#include "http/http_client.h"
#include "http/stream.h"
#include "http/tls/openssl_io_handler.h"
#include "text/utf8_codec.h"

namespace app {
namespace {

// Without a bound a proxy that accepts and stays silent would hold the window forever.
constexpr int kConnectTimeout = 10000;
constexpr int kReadTimeout = 60000;
// And one that trickles a byte inside each read limit.
constexpr int kDeadline = 90000;

bool namesHttps(std::u16string_view url) {
  std::u16string upper(url);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](char16_t c) { return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c; });
  return upper.find(u"HTTPS") != std::u16string::npos;
}

std::unique_ptr<http::OpenSslIoHandler> makeTlsHandler() {
  auto handler = std::make_unique<http::OpenSslIoHandler>();
  handler->sslOptions().setMethod(http::TlsVersion::TLSv1);
  handler->sslOptions().setMode(http::TlsMode::Unassigned);
  handler->sslOptions().setVerifyMode({});
  handler->sslOptions().setVerifyDepth(0);
  handler->setHost(u"");
  return handler;
}

}  // namespace

std::u16string runConnectivityCheck(const ConnectivityCheckTarget& target) {
  std::u16string outcome;
  try {
    http::MemoryStream body;
    body.write(connectivityCheckMessage());
    // The handler outlives the client that uses it.
    std::unique_ptr<http::OpenSslIoHandler> tlsHandler;
    http::HttpClient client;
    client.proxyParams().setProxyPort(target.proxyPort);
    client.proxyParams().setProxyServer(target.proxyHost);
    client.setHandleRedirects(true);
    if (namesHttps(target.serviceUrl)) {
      tlsHandler = makeTlsHandler();
      client.setIoHandler(tlsHandler.get());
    }
    client.setProtocolVersion(http::HttpVersion::v1_1);
    client.setConnectTimeout(kConnectTimeout);
    client.setReadTimeout(kReadTimeout);
    client.setReplyBodyLimit(kReplyBodyLimit);
    client.setDeadline(kDeadline);
    try {
      outcome = client.post(target.serviceUrl, body);
    } catch (const http::Error& error) {
      outcome = text::latin1ToUtf16(error.className()) + u" error raised, with message : " +
                error.message();
    }
    client.setIoHandler(nullptr);
  } catch (...) {  // NOLINT(bugprone-empty-catch): nothing of the test may reach the window
  }
  return outcome;
}

}  // namespace app
