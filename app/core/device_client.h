#pragma once

#include <cstdint>
#include <memory>

namespace http {
class HttpClient;
}

namespace app {

// The most any reply body of a client of the updater may have: the device's documents are a
// few kilobytes, and no peer may decide how much memory the updater takes.
inline constexpr std::int64_t kReplyBodyLimit = std::int64_t{16} << 20;

// The time limits of one kind of request to a device, in milliseconds.
struct ClientLimits {
  int connectTimeout = 0;
  int readTimeout = 0;
  std::int64_t replyBodyLimit = kReplyBodyLimit;
};

inline constexpr ClientLimits kStateLimits{3000, 10000};
inline constexpr ClientLimits kUploadLimits{60000, 300000};
// The settings exchange would otherwise wait for a silent device without end.
inline constexpr ClientLimits kSettingsLimits{15000, 60000};
// A register on the shop's network connects at once.
inline constexpr ClientLimits kScanProbeLimits{300, 2000};
// A restarting device may take connects before it answers.
inline constexpr ClientLimits kRestartPollLimits{1000, 3000};

// A fresh client for one request to a device, with these limits.
std::unique_ptr<http::HttpClient> makeDeviceClient(const ClientLimits& limits);

}  // namespace app
