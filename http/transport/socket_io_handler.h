#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "http/transport/io_handler.h"
#include "http/transport/socket_handle.h"
#include "http/transport/socket_settings.h"

namespace http {

// An I/O handler over one socket: owns the binding (created at the first open and reused
// afterwards) and knows how to create, bind and connect it within connectTimeout().
class SocketIoHandler : public IoHandler {
 public:
  SocketIoHandler() = default;
  ~SocketIoHandler() override;

  // The socket handle; null before the first open().
  [[nodiscard]] SocketHandle* binding() const noexcept { return binding_.get(); }

  [[nodiscard]] const SocketSettings& socketSettings() const noexcept { return settings_; }
  void setSocketSettings(SocketSettings settings) { settings_ = std::move(settings); }
  [[nodiscard]] IpVersion ipVersion() const noexcept { return settings_.ipVersion; }
  void setIPVersion(IpVersion ipVersion) noexcept { settings_.ipVersion = ipVersion; }
  [[nodiscard]] bool useNagle() const noexcept { return settings_.useNagle; }
  void setUseNagle(bool useNagle) noexcept { settings_.useNagle = useNagle; }
  [[nodiscard]] ReuseSocket reuseSocket() const noexcept { return settings_.reuseSocket; }
  void setReuseSocket(ReuseSocket reuse) noexcept { settings_.reuseSocket = reuse; }
  [[nodiscard]] const std::u16string& boundIP() const noexcept { return settings_.boundIP; }
  void setBoundIP(std::u16string ip) { settings_.boundIP = std::move(ip); }
  [[nodiscard]] std::uint16_t boundPort() const noexcept { return settings_.boundPort; }
  void setBoundPort(std::uint16_t port) noexcept { settings_.boundPort = port; }
  [[nodiscard]] std::uint16_t boundPortMin() const noexcept { return settings_.boundPortMin; }
  void setBoundPortMin(std::uint16_t port) noexcept { settings_.boundPortMin = port; }
  [[nodiscard]] std::uint16_t boundPortMax() const noexcept { return settings_.boundPortMax; }
  void setBoundPortMax(std::uint16_t port) noexcept { settings_.boundPortMax = port; }

  std::function<void()> onBeforeBind;
  std::function<void()> onSocketAllocated;
  std::function<void()> onAfterBind;

  // Resets (or creates) the binding and, with a host and a port, connects.
  void open() override;
  // Closes the socket (shutdown of the sending side, then close), then as IoHandler::close().
  void close() override;
  [[nodiscard]] bool hasSocket() const override;

 protected:
  // Creates, binds and connects the socket: resolving the host first, then connecting within
  // connectTimeout() (0 and -1: a plain blocking connect), both cut to the deadline's time
  // left. A TLS handler adds its handshake.
  virtual void openClientSocket();
  // Connects the binding, giving up after timeoutMs: closes this handler and raises
  // ConnectTimeoutError "Connect timed out." (DeadlineError when the deadline set the wait).
  // The connect's own failure passes unchanged.
  void connectWithTimeout(int timeoutMs, bool cutByDeadline);

 private:
  // The host's address; a lookup by name is given up at the deadline (DeadlineError).
  std::u16string resolveWithinDeadline();

  std::unique_ptr<SocketHandle> binding_;
  SocketSettings settings_;
};

}  // namespace http
