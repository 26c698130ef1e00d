// Bounds that hold against hostile peers: the whole-request deadline (against peers that keep
// every single wait short), the number of interim replies and the size of the cookie store.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "../transport/loopback_server.h"
#include "http/cookie_jar.h"
#include "http/http_client.h"
#include "http/http_errors.h"
#include "scripted_server.h"

namespace {

using transport_test::Peer;
using transport_test::Stopwatch;

constexpr int kDeadlineMs = 300;
constexpr char16_t kDeadlineText[] = u"Request did not finish within 300 ms";

// Plays a script against the one connection a client makes, on a thread of its own. Its pauses
// end at once when the test is over.
class PacedPeer {
 public:
  using Script = std::function<void(PacedPeer&, const Peer&)>;

  explicit PacedPeer(Script script)
      : thread_([this, script = std::move(script)] {
          try {
            const Peer peer = server_.accept();
            script(*this, peer);
          } catch (const std::exception&) {  // NOLINT(bugprone-empty-catch): the client left
          }
        }) {}
  PacedPeer(const PacedPeer&) = delete;
  PacedPeer& operator=(const PacedPeer&) = delete;
  ~PacedPeer() {
    {
      const std::lock_guard lock(mutex_);
      over_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

  [[nodiscard]] std::u16string url() const {
    const std::string port = std::to_string(server_.port());
    return u"http://127.0.0.1:" + std::u16string(port.begin(), port.end()) + u"/";
  }
  // Waits ms unless the test is over; false once it is.
  bool pause(int ms) {
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return over_; });
  }

 private:
  transport_test::LoopbackServer server_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool over_ = false;
  std::thread thread_;
};

// A client whose every single wait may last far longer than the deadline.
void configure(http::HttpClient& client) {
  client.setConnectTimeout(0);
  client.setReadTimeout(5000);
  client.setDeadline(kDeadlineMs);
}

template <typename Action>
void expectDeadline(Action&& action) {
  const Stopwatch watch;
  try {
    std::forward<Action>(action)();
    ADD_FAILURE() << "the request finished";
  } catch (const http::DeadlineError& error) {
    EXPECT_EQ(error.message(), kDeadlineText);
  }
  EXPECT_GE(watch.elapsedMs(), kDeadlineMs - 5);
  EXPECT_LT(watch.elapsedMs(), kDeadlineMs + 1500);
}

TEST(RequestDeadline, TricklingRepliesEndAtTheDeadline) {
  const std::string chunkExtension(16000, 'e');  // just inside the line limit
  const std::vector<std::pair<const char*, PacedPeer::Script>> peers = {
      {"a body one byte at a time",
       [](PacedPeer& self, const Peer& peer) {
         peer.send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
         while (self.pause(10)) peer.send("x");
       }},
      {"header lines one byte at a time",
       [](PacedPeer& self, const Peer& peer) {
         peer.send("HTTP/1.1 200 OK\r\n");
         const std::string line = "X-Slow: a\r\n";
         for (std::size_t i = 0; self.pause(10); ++i) peer.send(line.substr(i % line.size(), 1));
       }},
      {"one-byte chunks with long extensions, as fast as they go",
       [&chunkExtension](PacedPeer& self, const Peer& peer) {
         peer.send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
         const std::string chunk = "1;" + chunkExtension + "\r\nx\r\n";
         while (self.pause(0)) peer.send(chunk);
       }},
      {"endless interim replies", [](PacedPeer& self, const Peer& peer) {
         while (self.pause(50)) peer.send("HTTP/1.1 100 Continue\r\n\r\n");
       }}};
  for (const auto& [name, script] : peers) {
    SCOPED_TRACE(name);
    PacedPeer peer(script);
    http::HttpClient client;
    configure(client);
    http::MemoryStream body;
    expectDeadline([&] { client.get(peer.url(), body); });
    EXPECT_FALSE(client.connected());
  }
}

TEST(RequestDeadline, AnUploadThatThePeerReadsSlowlyEndsAtTheDeadline) {
  PacedPeer peer([](PacedPeer& self, const Peer& connection) {
    while (self.pause(10)) {
      if (connection.receive(1024).empty()) return;
    }
  });
  http::HttpClient client;
  configure(client);
  http::MemoryStream image(std::vector<std::uint8_t>(std::size_t{16} << 20, 0x5A));
  expectDeadline([&] { client.post(peer.url(), image); });
}

TEST(RequestDeadline, AConnectThatIsNeverAnsweredEndsAtTheDeadline) {
  const transport_test::FullListener silent;
  http::HttpClient client;
  configure(client);
  const std::string port = std::to_string(silent.port());
  http::MemoryStream body;
  expectDeadline(
      [&] { client.get(u"http://127.0.0.1:" + std::u16string(port.begin(), port.end()), body); });
}

TEST(RequestDeadline, WithoutOneARequestMayTakeLongerAndLongerValuesReadInSeconds) {
  PacedPeer peer([](PacedPeer& self, const Peer& connection) {
    connection.send("HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n");
    for (int i = 0; i < 40 && self.pause(10); ++i) connection.send("x");
  });
  http::HttpClient client;
  client.setReadTimeout(5000);
  EXPECT_EQ(client.deadline(), 0);
  http::MemoryStream body;
  client.get(peer.url(), body);
  EXPECT_EQ(body.view(), std::string(40, 'x'));

  EXPECT_EQ(http::Deadline::after(2000).message(), u"Request did not finish within 2 s");
  EXPECT_EQ(http::Deadline::after(1500).message(), u"Request did not finish within 1.5 s");
}

TEST(InterimReplies, SixteenAreSkippedAndASeventeenthIsAnError) {
  const std::string interim = "HTTP/1.1 100 Continue\r\n\r\n";
  http_test::ScriptedServer server;
  std::string sixteen;
  for (int i = 0; i < 16; ++i) sixteen += interim;
  // The connection stays open: a close racing the second request would reset it.
  server.addReply(sixteen + "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK", false);
  server.addReply(sixteen + interim + "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK");
  http::HttpClient client;
  client.setReadTimeout(5000);
  http::MemoryStream body;
  client.get(server.url("/"), body);
  EXPECT_EQ(body.view(), "OK");

  http::MemoryStream second;
  try {
    client.get(server.url("/"), second);
    ADD_FAILURE() << "seventeen interim replies were taken";
  } catch (const http::ReplyLimitError& error) {
    EXPECT_EQ(error.message(), http::kTooManyInterimReplies);
  }
  EXPECT_EQ(second.size(), 0);
  EXPECT_FALSE(client.connected());
}

TEST(CookieFlood, SetCookieLinesInEveryReplyDoNotGrowTheJar) {
  std::string oversized;  // 200 lines of 8 KB each, all past the size of one cookie
  for (int i = 0; i < 200; ++i) {
    oversized += "Set-Cookie: big" + std::to_string(i) + "=" + std::string(8192, 'v') + "\r\n";
  }
  std::string many;  // 200 small cookies of one host
  for (int i = 0; i < 200; ++i) many += "Set-Cookie: c" + std::to_string(i) + "=1\r\n";
  std::string reply;
  for (int i = 0; i < 16; ++i) reply += "HTTP/1.1 100 Continue\r\n" + oversized + "\r\n";
  reply += "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n" + many + "\r\n";
  http_test::ScriptedServer server;
  server.addReply(reply, false);
  server.addReply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n" + oversized + "\r\n");
  http::HttpClient client;
  client.setReadTimeout(5000);
  http::MemoryStream body;
  client.get(server.url("/"), body);
  ASSERT_NE(client.cookieJar(), nullptr);
  EXPECT_EQ(client.cookieJar()->count(), http::CookieJar::kMaxCookiesPerDomain);
  client.get(server.url("/"), body);
  EXPECT_EQ(client.cookieJar()->count(), http::CookieJar::kMaxCookiesPerDomain);
  for (const http::Cookie& cookie : client.cookieJar()->cookies()) {
    EXPECT_EQ(cookie.value, u"1");
  }
}

}  // namespace
