#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "http/http_client.h"

namespace fuzz_reply {

// A stream that is not a memory stream, so that bodies collected for the charset rules are
// copied out at the end.
class ForwardStream final : public http::Stream {
 public:
  [[nodiscard]] std::int64_t size() const override { return inner_.size(); }
  void setSize(std::int64_t newSize) override { inner_.setSize(newSize); }
  [[nodiscard]] std::int64_t position() const override { return inner_.position(); }
  void setPosition(std::int64_t newPosition) override { inner_.setPosition(newPosition); }
  std::size_t read(std::span<std::uint8_t> target) override { return inner_.read(target); }
  void write(std::span<const std::uint8_t> source) override { inner_.write(source); }

 private:
  http::MemoryStream inner_;
};

// Sends one request that the mode byte chooses (GET into a memory or another stream, HEAD, or
// a text POST, with some options) and reads its reply. Every failure of a bad reply is one of
// the library's own errors.
inline void requestWithMode(http::HttpClient& client, const std::u16string& url,
                            std::uint8_t mode) {
  client.setReadTimeout(2000);
  client.setConnectTimeout(2000);
  http::HttpOptions options{http::HttpOption::ForceEncodeParams};
  if ((mode & 4U) != 0) {
    options.include(http::HttpOption::NoProtocolErrorException);
    options.include(http::HttpOption::WantProtocolErrorContent);
  }
  if ((mode & 8U) != 0) options.include(http::HttpOption::WaitForUnexpectedData);
  client.setOptions(options);
  try {
    switch (mode & 3U) {
      case 0: {
        http::MemoryStream body;
        client.get(url, body);
        break;
      }
      case 1: {
        ForwardStream body;
        client.get(url, body);
        break;
      }
      case 2: {
        http::MemoryStream body;
        client.doRequest(u"HEAD", url, nullptr, &body);
        break;
      }
      default: {
        http::MemoryStream source;
        (void)client.post(url, source);
        break;
      }
    }
  } catch (const http::Error&) {
  }
  client.disconnect(false);
}

}  // namespace fuzz_reply
