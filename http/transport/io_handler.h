#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "http/base/text_encoding.h"
#include "http/transport/byte_queue.h"
#include "http/transport/connection_errors.h"
#include "http/transport/deadline.h"
#include "http/transport/socket_stack.h"

namespace http {

class Stream;
class TcpConnection;

enum class MaxLineAction { Raise, Split };

enum class ConnectionStatus { Resolving, Connecting, Connected, Disconnecting, Disconnected };

enum class WorkMode { Read, Write };

// Status report: code and its text ("Connecting to 127.0.0.1.", ...).
using StatusHandler = std::function<void(ConnectionStatus, const std::u16string&)>;

// Work-progress reports of reads and writes; any may be empty.
struct WorkProgressHandlers {
  std::function<void(WorkMode, std::int64_t total)> begin;  // total 0 = unknown
  std::function<void(WorkMode, std::int64_t count)> work;
  std::function<void(WorkMode)> end;
};

// Time limits in milliseconds: for a read call's timeout argument, -1 means "use readTimeout()"
// (where 0 and -1 mean no limit), -2 means no limit, 0 means poll, > 0 bounds each wait.
inline constexpr int kUseReadTimeout = -1;
inline constexpr int kNoTimeout = -2;

// The byte-stream side of a connection: input buffering, line and counted reads with time
// limits, and writes (optionally gathered in a write buffer). Derived handlers supply the
// socket, the raw receive and send, and the disconnect rules.
class IoHandler {
 public:
  static constexpr int kDefaultBufferSize = 32768;
  static constexpr int kDefaultMaxLineLength = 16384;

  IoHandler();
  IoHandler(const IoHandler&) = delete;
  IoHandler& operator=(const IoHandler&) = delete;
  virtual ~IoHandler();

  // --- Settings ---
  [[nodiscard]] int readTimeout() const noexcept { return readTimeout_; }
  void setReadTimeout(int ms) noexcept { readTimeout_ = ms; }
  [[nodiscard]] int connectTimeout() const noexcept { return connectTimeout_; }
  void setConnectTimeout(int ms) noexcept { connectTimeout_ = ms; }
  [[nodiscard]] int recvBufferSize() const noexcept { return recvBufferSize_; }
  void setRecvBufferSize(int size) noexcept { recvBufferSize_ = size; }
  [[nodiscard]] int sendBufferSize() const noexcept { return sendBufferSize_; }
  void setSendBufferSize(int size) noexcept { sendBufferSize_ = size; }
  [[nodiscard]] int maxLineLength() const noexcept { return maxLineLength_; }
  void setMaxLineLength(int length) noexcept { maxLineLength_ = length; }
  [[nodiscard]] MaxLineAction maxLineAction() const noexcept { return maxLineAction_; }
  void setMaxLineAction(MaxLineAction action) noexcept { maxLineAction_ = action; }
  [[nodiscard]] int maxCapturedLines() const noexcept { return maxCapturedLines_; }
  void setMaxCapturedLines(int count) noexcept { maxCapturedLines_ = count; }
  [[nodiscard]] const std::shared_ptr<const TextEncoding>& defaultTextEncoding() const noexcept {
    return defaultTextEncoding_;
  }
  // nullptr restores 7-bit ASCII.
  void setDefaultTextEncoding(std::shared_ptr<const TextEncoding> encoding);
  [[nodiscard]] const std::u16string& host() const noexcept { return host_; }
  void setHost(std::u16string host) { host_ = std::move(host); }
  [[nodiscard]] std::uint16_t port() const noexcept { return port_; }
  void setPort(std::uint16_t port) noexcept { port_ = port; }
  // Cuts every wait (connect, receive, send) to the time left before it.
  [[nodiscard]] const Deadline& deadline() const noexcept { return deadline_; }
  void setDeadline(Deadline deadline) noexcept { deadline_ = deadline; }

  // --- State ---
  [[nodiscard]] bool opened() const noexcept { return opened_; }
  [[nodiscard]] bool closedGracefully() const noexcept { return closedGracefully_; }
  [[nodiscard]] bool readLineSplit() const noexcept { return readLineSplit_; }
  [[nodiscard]] bool readLineTimedOut() const noexcept { return readLineTimedOut_; }
  [[nodiscard]] ByteQueue& inputBuffer() noexcept { return inputBuffer_; }
  [[nodiscard]] bool inputBufferIsEmpty() const noexcept { return inputBuffer_.empty(); }
  // Present only while write buffering is on.
  [[nodiscard]] ByteQueue* writeBuffer() noexcept { return writeBuffer_.get(); }
  [[nodiscard]] int writeBufferThreshold() const noexcept { return writeBufferThreshold_; }

  // --- Hooks ---
  void setOnStatus(StatusHandler handler) { onStatus_ = std::move(handler); }
  WorkProgressHandlers& workProgress() noexcept { return workProgress_; }

  // --- Lifecycle ---
  // Empties both buffers, clears closedGracefully() and sets opened().
  virtual void open();
  // Clears opened() and empties the write buffer; the input buffer stays until the next open().
  virtual void close();
  virtual bool connected() = 0;
  // Data (or an end of stream) can be received within ms (-1: no limit).
  virtual bool readable(int ms) = 0;
  // Closes after a peer close; raises ConnectionClosedError when disconnected, raise is set,
  // and the input buffer is empty or ignoreBuffer is set.
  virtual void checkForDisconnect(bool raise = true, bool ignoreBuffer = false) = 0;
  // A socket (or whatever carries the bytes) is allocated.
  [[nodiscard]] virtual bool hasSocket() const = 0;

  // --- Reading ---
  // Receives once into the input buffer, waiting at most timeout (see kUseReadTimeout).
  // Returns the count received, 0 after a close, -1 when the wait ran out (raiseOnTimeout
  // false; else ReadTimeoutError).
  int fillInputBuffer(bool raiseIfDisconnected = true, int timeout = kUseReadTimeout,
                      bool raiseOnTimeout = true);
  // Reads one line without its terminator (an empty terminator means LF; with LF a CR before
  // it is dropped too). maxLength < 0 uses maxLineLength(), 0 means no limit. On a timeout it
  // returns empty text with readLineTimedOut() set, the partial line left buffered.
  std::u16string readLine(std::u16string_view terminator = u"\n", int timeout = kUseReadTimeout,
                          int maxLength = -1, const TextEncoding* encoding = nullptr);
  // The first line that is not blank after trimming; raises ReadTimeoutError on a timed-out
  // line and MaxLineAttemptsExceededError after failCount blank lines.
  std::u16string readLineWait(int failCount = std::numeric_limits<int>::max(),
                              const TextEncoding* encoding = nullptr);
  // Exactly count bytes (count > 0), appended to bytes or written over its start; count < 0
  // takes whatever is buffered (receiving once when nothing is).
  void readBytes(std::vector<std::uint8_t>& bytes, std::int64_t count, bool append = true);
  // count bytes into the stream at its position, or (count < 0 or readUntilDisconnect)
  // everything until the peer closes.
  void readStream(Stream& stream, std::int64_t count = -1, bool readUntilDisconnect = false);
  // Reads and drops exactly count bytes.
  void discard(std::int64_t count);
  // Reads and drops everything until the peer closes.
  void discardAll();
  bool checkForDataOnSource(int timeout = 0);

  // --- Writing ---
  void write(std::u16string_view text, const TextEncoding* encoding = nullptr);
  void writeLine(std::u16string_view text, const TextEncoding* encoding = nullptr);
  void writeLines(const std::vector<std::u16string>& lines, const TextEncoding* encoding = nullptr);
  void write(std::span<const std::uint8_t> bytes);
  void write(std::string_view bytes);
  // Part of bytes: length < 0 takes all from offset.
  void write(std::span<const std::uint8_t> bytes, std::int64_t length, std::int64_t offset);
  // size 0: the whole stream from position 0; size < 0: from the position to the end;
  // size > 0: that many bytes from the position. Sent in pieces of sendBufferSize() bytes.
  void write(Stream& stream, std::int64_t size = 0);

  // Write buffering: writes gather in memory until flushed.
  void writeBufferOpen(int threshold = -1);
  void writeBufferFlush(std::int64_t count = -1);
  void writeBufferClose();
  void writeBufferCancel() noexcept;
  void writeBufferClear() noexcept;
  [[nodiscard]] bool writeBufferingActive() const noexcept { return writeBuffer_ != nullptr; }

 protected:
  // The wait before each receive of fillInputBuffer(); readable(ms) unless a handler folds the
  // wait into its receive (which then reports an expired wait as 10060).
  virtual bool waitForData(int ms) { return readable(ms); }
  // One receive into buffer: count, 0 when the peer closed, negative on an error that
  // filterSocketError() judges.
  virtual int receiveRaw(std::span<std::uint8_t> buffer) = 0;
  // One send; returns the count taken (negative: an error for filterSocketError()).
  virtual int sendRaw(std::span<const std::uint8_t> bytes) = 0;
  // Judges a negative receive or send result: returns the error number for 10053, 10054,
  // 10058 and 10060, raises for anything else.
  virtual int filterSocketError(int result) = 0;
  // Raises the transport's error for a number.
  [[noreturn]] virtual void raiseTransportError(int number) = 0;

  // Sends bytes now, bypassing the write buffer.
  void writeDirect(std::span<const std::uint8_t> bytes);
  void reportStatus(ConnectionStatus status, const std::u16string& text);
  void setClosedGracefully(bool value) noexcept { closedGracefully_ = value; }

 private:
  friend class TcpConnection;

  const TextEncoding& encodingOr(const TextEncoding* encoding) const;
  [[nodiscard]] int effectiveTimeout(int timeout) const noexcept;

  ByteQueue inputBuffer_;
  std::unique_ptr<ByteQueue> writeBuffer_;
  int writeBufferThreshold_ = -1;
  int readTimeout_ = -1;
  int connectTimeout_ = 0;
  int recvBufferSize_ = kDefaultBufferSize;
  int sendBufferSize_ = kDefaultBufferSize;
  int maxLineLength_ = kDefaultMaxLineLength;
  MaxLineAction maxLineAction_ = MaxLineAction::Raise;
  int maxCapturedLines_ = -1;
  std::shared_ptr<const TextEncoding> defaultTextEncoding_;
  bool opened_ = false;
  bool closedGracefully_ = false;
  bool readLineSplit_ = false;
  bool readLineTimedOut_ = false;
  std::u16string host_;
  std::uint16_t port_ = 0;
  Deadline deadline_;
  StatusHandler onStatus_;
  WorkProgressHandlers workProgress_;
  TcpConnection* connection_ = nullptr;  // told when this handler is destroyed
  SocketStackUser stack_;
};

}  // namespace http
