#include "http/transport/tcp_client.h"

#include "http/base/scope_guard.h"
#include "http/transport/socket_io_handler.h"
#include "http/transport/tcp_io_handler.h"

namespace http {

void TcpClient::connect(std::u16string host, std::uint16_t port) {
  setHost(std::move(host));
  setPort(port);
  connect();
}

void TcpClient::connect() {
  if (connected()) throw AlreadyConnectedError(transport_text::kAlreadyConnected);
  if (host_.empty()) throw HostRequiredError(transport_text::kHostRequired);
  if (port_ == 0) throw PortRequiredError(transport_text::kPortRequired);
  if (ioHandler() == nullptr) setManagedIoHandler(std::make_unique<TcpIoHandler>());
  // On failure the handler is closed first, then released; the guards run in reverse order.
  ScopeGuard releaseOnFailure([this] { releaseManagedIoHandler(); });
  ScopeGuard closeOnFailure([this] { ioHandler()->close(); });
  copySettingsToHandler();
  ioHandler()->open();
  reportStatus(ConnectionStatus::Connected, u"Connected.");
  if (onConnected) onConnected();
  closeOnFailure.dismiss();
  releaseOnFailure.dismiss();
}

void TcpClient::ioHandlerAttached() { copySettingsToHandler(); }

void TcpClient::copySettingsToHandler() {
  IoHandler* handler = ioHandler();
  if (handler == nullptr) return;
  handler->setPort(port_);
  handler->setHost(host_);
  handler->setConnectTimeout(connectTimeout_);
  handler->setReadTimeout(readTimeout_);
  handler->setDeadline(deadline_);
  if (SocketIoHandler* socketHandler = socket()) socketHandler->setSocketSettings(socketSettings_);
}

void TcpClient::setHost(std::u16string host) {
  host_ = std::move(host);
  if (ioHandler() != nullptr) ioHandler()->setHost(host_);
}

void TcpClient::setPort(std::uint16_t port) {
  port_ = port;
  if (ioHandler() != nullptr) ioHandler()->setPort(port);
}

void TcpClient::setConnectTimeout(int ms) {
  connectTimeout_ = ms;
  if (ioHandler() != nullptr) ioHandler()->setConnectTimeout(ms);
}

int TcpClient::readTimeout() const noexcept {
  return ioHandler() != nullptr ? ioHandler()->readTimeout() : readTimeout_;
}

void TcpClient::setReadTimeout(int ms) {
  readTimeout_ = ms;
  if (ioHandler() != nullptr) ioHandler()->setReadTimeout(ms);
}

void TcpClient::setDeadlineOfWaits(Deadline deadline) {
  deadline_ = deadline;
  if (ioHandler() != nullptr) ioHandler()->setDeadline(deadline);
}

void TcpClient::setSocketSettings(SocketSettings settings) {
  socketSettings_ = std::move(settings);
  if (socket() != nullptr) socket()->setSocketSettings(socketSettings_);
}

void TcpClient::setIPVersion(IpVersion ipVersion) {
  socketSettings_.ipVersion = ipVersion;
  if (socket() != nullptr) socket()->setIPVersion(ipVersion);
}

void TcpClient::setUseNagle(bool useNagle) {
  socketSettings_.useNagle = useNagle;
  if (socket() != nullptr) socket()->setUseNagle(useNagle);
}

void TcpClient::setReuseSocket(ReuseSocket reuse) {
  socketSettings_.reuseSocket = reuse;
  if (socket() != nullptr) socket()->setReuseSocket(reuse);
}

void TcpClient::setBoundIP(std::u16string ip) {
  socketSettings_.boundIP = std::move(ip);
  if (socket() != nullptr) socket()->setBoundIP(socketSettings_.boundIP);
}

void TcpClient::setBoundPort(std::uint16_t port) {
  socketSettings_.boundPort = port;
  if (socket() != nullptr) socket()->setBoundPort(port);
}

void TcpClient::setBoundPortMin(std::uint16_t port) {
  socketSettings_.boundPortMin = port;
  if (socket() != nullptr) socket()->setBoundPortMin(port);
}

void TcpClient::setBoundPortMax(std::uint16_t port) {
  socketSettings_.boundPortMax = port;
  if (socket() != nullptr) socket()->setBoundPortMax(port);
}

}  // namespace http
