#include "app/core/device_client.h"

#include "http/http_client.h"

namespace app {

std::unique_ptr<http::HttpClient> makeDeviceClient(const ClientLimits& limits) {
  auto client = std::make_unique<http::HttpClient>();
  client->setConnectTimeout(limits.connectTimeout);
  client->setReadTimeout(limits.readTimeout);
  client->setReplyBodyLimit(limits.replyBodyLimit);
  return client;
}

}  // namespace app
