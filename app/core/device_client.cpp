#include "app/core/device_client.h"

#include <algorithm>
#include <limits>

#include "http/http_client.h"

namespace app {

std::unique_ptr<http::HttpClient> makeDeviceClient(const ClientLimits& limits) {
  auto client = std::make_unique<http::HttpClient>();
  client->setConnectTimeout(limits.connectTimeout);
  client->setReadTimeout(limits.readTimeout);
  client->setReplyBodyLimit(limits.replyBodyLimit);
  client->setDeadline(limits.deadline);
  return client;
}

ClientLimits uploadLimits(std::int64_t imageBytes) {
  ClientLimits limits = kUploadLimits;
  const std::int64_t sendMs = imageBytes * 1000 / kSlowestUploadBytesPerSecond;
  limits.deadline = static_cast<int>(std::min<std::int64_t>(std::int64_t{limits.deadline} + sendMs,
                                                            std::numeric_limits<int>::max()));
  return limits;
}

}  // namespace app
