#pragma once

#include <cstdint>
#include <memory>

namespace http {
class HttpClient;
}

namespace app {

// The most any reply body of a client of the updater may have: the device's documents are a
// few kilobytes, and no peer may decide how much memory the updater takes.
inline constexpr std::int64_t kReplyBodyLimit = std::int64_t{1} << 20;

// The time limits of one kind of request to a device, in milliseconds. Each read and connect
// has its limit; the deadline bounds the whole request, so that a device that trickles one
// byte inside each read limit cannot hold a run for ever.
struct ClientLimits {
  int connectTimeout = 0;
  int readTimeout = 0;
  int deadline = 0;
  std::int64_t replyBodyLimit = kReplyBodyLimit;
};

inline constexpr ClientLimits kStateLimits{3000, 10000, 20000};
// The upload's deadline grows with the image: see uploadLimits().
inline constexpr ClientLimits kUploadLimits{60000, 300000, 360000};
// The settings exchange would otherwise wait for a silent device without end.
inline constexpr ClientLimits kSettingsLimits{15000, 60000, 90000};
// A register on the shop's network connects at once, and its state document is a few
// kilobytes: 64 probes at once must not each hold a mebibyte that a peer sends.
inline constexpr ClientLimits kScanProbeLimits{300, 2000, 3000, std::int64_t{64} << 10};
// A restarting device may take connects before it answers.
inline constexpr ClientLimits kRestartPollLimits{1000, 3000, 5000};
// The slowest link an upload is given time for: 64 kbit/s.
inline constexpr std::int64_t kSlowestUploadBytesPerSecond = 8000;

// The upload's limits for an image of this size: the connect and the wait for the answer,
// plus the time to send the image at the slowest link.
ClientLimits uploadLimits(std::int64_t imageBytes);

// A fresh client for one request to a device, with these limits.
std::unique_ptr<http::HttpClient> makeDeviceClient(const ClientLimits& limits);

}  // namespace app
