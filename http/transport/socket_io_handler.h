#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "http/transport/io_handler.h"
#include "http/transport/socket_handle.h"

namespace http {

// An I/O handler over one socket: owns the binding (created at the first open and reused
// afterwards) and knows how to create, bind and connect it within connectTimeout().
class SocketIoHandler : public IoHandler {
 public:
  SocketIoHandler() = default;
  ~SocketIoHandler() override;

  // The socket handle; null before the first open().
  [[nodiscard]] SocketHandle* binding() const noexcept { return binding_.get(); }

  [[nodiscard]] IpVersion ipVersion() const noexcept { return ipVersion_; }
  void setIPVersion(IpVersion ipVersion) noexcept { ipVersion_ = ipVersion; }
  [[nodiscard]] bool useNagle() const noexcept { return useNagle_; }
  void setUseNagle(bool useNagle) noexcept { useNagle_ = useNagle; }
  [[nodiscard]] ReuseSocket reuseSocket() const noexcept { return reuseSocket_; }
  void setReuseSocket(ReuseSocket reuse) noexcept { reuseSocket_ = reuse; }
  [[nodiscard]] const std::u16string& boundIP() const noexcept { return boundIP_; }
  void setBoundIP(std::u16string ip) { boundIP_ = std::move(ip); }
  [[nodiscard]] std::uint16_t boundPort() const noexcept { return boundPort_; }
  void setBoundPort(std::uint16_t port) noexcept { boundPort_ = port; }
  [[nodiscard]] std::uint16_t boundPortMin() const noexcept { return boundPortMin_; }
  void setBoundPortMin(std::uint16_t port) noexcept { boundPortMin_ = port; }
  [[nodiscard]] std::uint16_t boundPortMax() const noexcept { return boundPortMax_; }
  void setBoundPortMax(std::uint16_t port) noexcept { boundPortMax_ = port; }

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
  IpVersion ipVersion_ = IpVersion::V4;
  bool useNagle_ = true;
  ReuseSocket reuseSocket_ = ReuseSocket::OsDependent;
  std::u16string boundIP_;
  std::uint16_t boundPort_ = 0;
  std::uint16_t boundPortMin_ = 0;
  std::uint16_t boundPortMax_ = 0;
};

}  // namespace http
