#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <typeinfo>
#include <utility>

#include "http/tls/openssl_io_handler.h"
#include "http/transport/tcp_client.h"
#include "text/utf8_codec.h"

namespace tls_test {

// Runs action and checks that it raises exactly ErrorType with the given message.
template <typename ErrorType, typename Action>
void expectError(Action&& action, const std::string& message) {
  try {
    std::forward<Action>(action)();
    ADD_FAILURE() << "expected " << typeid(ErrorType).name();
  } catch (const ErrorType& error) {
    EXPECT_EQ(std::string(error.what()), message);
    EXPECT_TRUE(typeid(error) == typeid(ErrorType)) << "raised " << error.className();
  }
}

// A TCP client with the TLS handler attached the way the connectivity check attaches it:
// TLS 1.0, no verification, the handler's own Host emptied.
template <typename Handler = http::OpenSslIoHandler>
struct TlsClient {
  explicit TlsClient(std::uint16_t port, int readTimeout = 5000) {
    handler.sslOptions().setMethod(http::TlsVersion::TLSv1);
    handler.sslOptions().setMode(http::TlsMode::Unassigned);
    handler.sslOptions().setVerifyDepth(0);
    handler.setHost(u"");
    client.setIoHandler(&handler);
    client.setHost(u"127.0.0.1");
    client.setPort(port);
    client.setConnectTimeout(10000);
    client.setReadTimeout(readTimeout);
  }
  http::IoHandler& io() { return handler; }

  Handler handler;
  http::TcpClient client;
};

inline std::uint16_t portOf(const std::string& text) {
  return static_cast<std::uint16_t>(std::stoi(text));
}

}  // namespace tls_test
