#include "http/proxy_settings.h"

#include "http/base/ascii_text.h"

namespace http {

void ProxySettings::setProxyServer(std::u16string server) {
  if (!equalsIgnoreCase(server, proxyServer_)) authentication_.reset();
  proxyServer_ = std::move(server);
}

void ProxySettings::setProxyPort(std::int32_t port) {
  if (port != proxyPort_) authentication_.reset();
  proxyPort_ = port;
}

void ProxySettings::clear() {
  setProxyServer({});
  setProxyPort(0);
  proxyUsername_.clear();
  proxyPassword_.clear();
}

std::u16string ProxySettings::authorization() {
  if (!authentication_ && basicAuthentication_) {
    authentication_ = std::make_unique<BasicAuthentication>(proxyUsername_, proxyPassword_);
  }
  return authentication_ ? authentication_->authorization() : std::u16string();
}

}  // namespace http
