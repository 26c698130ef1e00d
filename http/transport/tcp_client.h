#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "http/transport/deadline.h"
#include "http/transport/socket_settings.h"
#include "http/transport/socket_stack.h"
#include "http/transport/tcp_connection.h"

namespace http {

// A client connection to Host:Port with a connect time limit and a read time limit (both in
// milliseconds; 0 and -1 mean no limit). Settings are copied into an attached handler at once.
class TcpClient : public TcpConnection {
 public:
  TcpClient() = default;

  // Raises AlreadyConnectedError, HostRequiredError, PortRequiredError, ConnectTimeoutError, a
  // SocketError of the lookup or connect, or a handler's own errors. On failure the handler is
  // closed (and freed when managed) before the exception leaves.
  virtual void connect();
  // Sets host and port, then connect().
  void connect(std::u16string host, std::uint16_t port);

  [[nodiscard]] const std::u16string& host() const noexcept { return host_; }
  void setHost(std::u16string host);
  [[nodiscard]] std::uint16_t port() const noexcept { return port_; }
  void setPort(std::uint16_t port);
  [[nodiscard]] int connectTimeout() const noexcept { return connectTimeout_; }
  void setConnectTimeout(int ms);
  // The handler's value when one is attached.
  [[nodiscard]] int readTimeout() const noexcept;
  void setReadTimeout(int ms);
  [[nodiscard]] const SocketSettings& socketSettings() const noexcept { return socketSettings_; }
  void setSocketSettings(SocketSettings settings);
  [[nodiscard]] IpVersion ipVersion() const noexcept { return socketSettings_.ipVersion; }
  void setIPVersion(IpVersion ipVersion);
  [[nodiscard]] bool useNagle() const noexcept { return socketSettings_.useNagle; }
  void setUseNagle(bool useNagle);
  [[nodiscard]] ReuseSocket reuseSocket() const noexcept { return socketSettings_.reuseSocket; }
  void setReuseSocket(ReuseSocket reuse);
  [[nodiscard]] const std::u16string& boundIP() const noexcept { return socketSettings_.boundIP; }
  void setBoundIP(std::u16string ip);
  [[nodiscard]] std::uint16_t boundPort() const noexcept { return socketSettings_.boundPort; }
  void setBoundPort(std::uint16_t port);
  [[nodiscard]] std::uint16_t boundPortMin() const noexcept { return socketSettings_.boundPortMin; }
  void setBoundPortMin(std::uint16_t port);
  [[nodiscard]] std::uint16_t boundPortMax() const noexcept { return socketSettings_.boundPortMax; }
  void setBoundPortMax(std::uint16_t port);
  // The end of the current exchange; every wait of the handler is cut to the time left.
  [[nodiscard]] const Deadline& deadlineOfWaits() const noexcept { return deadline_; }
  void setDeadlineOfWaits(Deadline deadline);

  std::function<void()> onConnected;

 protected:
  void ioHandlerAttached() override;

 private:
  void copySettingsToHandler();

  std::u16string host_;
  std::uint16_t port_ = 0;
  int connectTimeout_ = 0;
  int readTimeout_ = -1;
  SocketSettings socketSettings_;
  Deadline deadline_;
};

}  // namespace http
