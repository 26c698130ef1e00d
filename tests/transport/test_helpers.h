#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <typeinfo>
#include <utility>

#include "http/transport/tcp_client.h"
#include "loopback_server.h"
#include "text/utf8_codec.h"

namespace transport_test {

// Runs action and checks that it raises exactly ErrorType with the given message.
template <typename ErrorType, typename Action>
void expectError(Action&& action, const std::u16string& message) {
  try {
    std::forward<Action>(action)();
    ADD_FAILURE() << "expected " << typeid(ErrorType).name();
  } catch (const ErrorType& error) {
    EXPECT_EQ(text::utf16ToUtf8(error.message()), text::utf16ToUtf8(message));
    EXPECT_TRUE(typeid(error) == typeid(ErrorType)) << "raised " << error.className();
  }
}

// A client connected to a loopback server, with the server's end of the connection.
class ConnectedTest : public ::testing::Test {
 protected:
  // A generous read limit by default, so that a fault fails the test instead of hanging it.
  void connect(int readTimeout = 5000) {
    client.setHost(u"127.0.0.1");
    client.setPort(server.port());
    client.setReadTimeout(readTimeout);
    client.connect();
    peer.emplace(server.accept());
  }
  http::IoHandler& io() { return *client.ioHandler(); }

  LoopbackServer server;
  http::TcpClient client;
  std::optional<Peer> peer;
};

}  // namespace transport_test
