#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "http/transport/io_handler.h"
#include "http/transport/socket_stack.h"

namespace http {

class SocketIoHandler;

// A connection over one I/O handler, which it either created itself (managed: freed by the
// connection) or was given (unmanaged: only detached).
class TcpConnection {
 public:
  TcpConnection() = default;
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;
  // Closes and detaches the handler, freeing it when managed.
  virtual ~TcpConnection();

  [[nodiscard]] IoHandler* ioHandler() const noexcept { return ioHandler_; }
  // Attaches a handler the caller keeps owning (nullptr detaches). A managed handler being
  // replaced is freed. If the handler is destroyed first, the connection forgets it.
  void setIoHandler(IoHandler* handler);
  [[nodiscard]] bool managedIoHandler() const noexcept { return managed_ != nullptr; }
  // The handler as a socket handler, or null.
  [[nodiscard]] SocketIoHandler* socket() const noexcept { return socket_; }

  // False without a handler.
  virtual bool connected();
  // Notifies the peer (when notifyPeer and connected; failures swallowed), then closes an open
  // handler with Disconnecting/Disconnected reports and onDisconnected.
  virtual void disconnect(bool notifyPeer = true);
  // The handler's checkForDisconnect(raise, false); without a handler raise gives
  // NotConnectedError "Not Connected".
  void checkForGracefulDisconnect(bool raise = true);

  std::function<void()> onDisconnected;
  StatusHandler onStatus;

 protected:
  // Attaches a handler the connection owns.
  void setManagedIoHandler(std::unique_ptr<IoHandler> handler);
  // Drops a managed handler after a failed connect.
  void releaseManagedIoHandler();
  // Sent to the peer before a disconnect; nothing by default.
  virtual void disconnectNotifyPeer() {}
  // Called after a handler was attached, so that settings can be copied into it.
  virtual void ioHandlerAttached() {}
  void reportStatus(ConnectionStatus status, const std::u16string& text);

 private:
  friend class IoHandler;
  void handlerDestroyed(IoHandler* handler) noexcept;
  void detach() noexcept;

  IoHandler* ioHandler_ = nullptr;
  SocketIoHandler* socket_ = nullptr;
  std::unique_ptr<IoHandler> managed_;
  SocketStackUser stack_;
};

}  // namespace http
