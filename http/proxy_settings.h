#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "http/authentication.h"

namespace http {

// The proxy a client goes through; an empty server means none.
class ProxySettings {
 public:
  [[nodiscard]] const std::u16string& proxyServer() const { return proxyServer_; }
  void setProxyServer(std::u16string server);
  [[nodiscard]] std::int32_t proxyPort() const { return proxyPort_; }
  void setProxyPort(std::int32_t port);
  [[nodiscard]] const std::u16string& proxyUsername() const { return proxyUsername_; }
  void setProxyUsername(std::u16string username) { proxyUsername_ = std::move(username); }
  [[nodiscard]] const std::u16string& proxyPassword() const { return proxyPassword_; }
  void setProxyPassword(std::u16string password) { proxyPassword_ = std::move(password); }
  [[nodiscard]] bool basicAuthentication() const { return basicAuthentication_; }
  void setBasicAuthentication(bool value) { basicAuthentication_ = value; }

  [[nodiscard]] Authentication* authentication() const { return authentication_.get(); }
  void setAuthentication(std::unique_ptr<Authentication> authentication) {
    authentication_ = std::move(authentication);
  }

  // Empties server and credentials and sets the port to 0.
  void clear();
  // The Proxy-Authorization value to send, empty for none.
  [[nodiscard]] std::u16string authorization();

 private:
  std::u16string proxyServer_;
  std::int32_t proxyPort_ = 0;
  std::u16string proxyUsername_;
  std::u16string proxyPassword_;
  bool basicAuthentication_ = false;
  std::unique_ptr<Authentication> authentication_;
};

}  // namespace http
