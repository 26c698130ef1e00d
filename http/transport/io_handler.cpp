#include "http/transport/io_handler.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "http/base/scope_guard.h"
#include "http/base/stream.h"
#include "http/transport/tcp_connection.h"

namespace http {
namespace {

// A counted read sizes its stream in advance at most this far; past it the stream grows as
// data arrives, so a peer's announced size never makes us allocate far ahead of its bytes.
constexpr std::int64_t kPresizeLimit = std::int64_t{4} << 20;

std::u16string trimmed(std::u16string_view text) {
  while (!text.empty() && text.front() <= u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() <= u' ') text.remove_suffix(1);
  return std::u16string(text);
}

std::span<const std::uint8_t> asBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

IoHandler::IoHandler() : defaultTextEncoding_(asciiEncoding()) {}

IoHandler::~IoHandler() {
  if (connection_ != nullptr) connection_->handlerDestroyed(this);
}

void IoHandler::setDefaultTextEncoding(std::shared_ptr<const TextEncoding> encoding) {
  if (!encoding) encoding = asciiEncoding();
  defaultTextEncoding_ = std::move(encoding);
}

const TextEncoding& IoHandler::encodingOr(const TextEncoding* encoding) const {
  return encoding != nullptr ? *encoding : *defaultTextEncoding_;
}

int IoHandler::effectiveTimeout(int timeout) const noexcept {
  if (timeout == kUseReadTimeout) timeout = readTimeout_ == 0 ? kNoTimeout : readTimeout_;
  return timeout < 0 ? -1 : timeout;
}

void IoHandler::reportStatus(ConnectionStatus status, const std::u16string& text) {
  if (onStatus_) onStatus_(status, text);
}

void IoHandler::open() {
  opened_ = false;
  closedGracefully_ = false;
  writeBufferClear();
  inputBuffer_.clear();
  opened_ = true;
}

void IoHandler::close() {
  opened_ = false;
  writeBufferClear();
}

int IoHandler::fillInputBuffer(bool raiseIfDisconnected, int timeout, bool raiseOnTimeout) {
  checkForDisconnect(raiseIfDisconnected, false);
  if (!hasSocket()) {
    if (raiseIfDisconnected) throw NotConnectedError(transport_text::kNotConnected);
    return 0;
  }
  for (;;) {
    bool cutShort = false;
    const int wait = deadline_.cut(effectiveTimeout(timeout), cutShort);
    if (!waitForData(wait)) {
      if (cutShort || deadline_.passed()) deadline_.raise();
      if (raiseOnTimeout) throw ReadTimeoutError(transport_text::kReadTimedOut);
      return -1;
    }
    int count = 0;
    if (opened_ && hasSocket()) {
      const auto target = inputBuffer_.prepareAppend(
          static_cast<std::size_t>(recvBufferSize_ > 0 ? recvBufferSize_ : kDefaultBufferSize));
      count = receiveRaw(target);
      if (count > 0) inputBuffer_.commitAppend(static_cast<std::size_t>(count));
    } else if (opened_) {
      if (raiseIfDisconnected) throw ClosedSocketError(transport_text::kDisconnected);
    } else if (raiseIfDisconnected) {
      throw NotConnectedError(transport_text::kNotConnected);
    }
    if (count < 0) {
      const int number = filterSocketError(count);
      if (number == 10060) {
        if (cutShort || deadline_.passed()) deadline_.raise();
        if (raiseOnTimeout) throw ReadTimeoutError(transport_text::kReadTimedOut);
        return -1;
      }
      closedGracefully_ = true;
      close();
      if (inputBuffer_.empty() && raiseIfDisconnected) raiseTransportError(number);
      count = 0;
    }
    if (count == 0) closedGracefully_ = true;
    checkForDisconnect(raiseIfDisconnected, false);
    if (count != 0) {
      if (workProgress_.work) workProgress_.work(WorkMode::Read, count);
      return count;
    }
    if (!hasSocket()) return 0;
  }
}

std::u16string IoHandler::readLine(std::u16string_view terminator, int timeout, int maxLength,
                                   const TextEncoding* encoding) {
  const TextEncoding& textEncoding = encodingOr(encoding);
  if (maxLength < 0) maxLength = maxLineLength_;
  const std::string ending = textEncoding.encode(terminator.empty() ? u"\n" : terminator);
  const auto endingLength = static_cast<std::int64_t>(ending.size());
  readLineSplit_ = false;
  readLineTimedOut_ = false;
  const auto started = std::chrono::steady_clock::now();
  std::int64_t searchStart = 0;
  std::int64_t position = -1;
  for (;;) {
    const std::int64_t size = inputBuffer_.size();
    if (size > 0) {
      // Resume just before the end of what was searched, so that a terminator split across
      // two receives is found and no byte is searched twice.
      position = searchStart < size ? inputBuffer_.indexOf(ending, searchStart) : -1;
      searchStart = std::max<std::int64_t>(size - endingLength + 1, 0);
    }
    if (maxLength > 0 && (position > maxLength || (position < 0 && searchStart > maxLength))) {
      if (maxLineAction_ == MaxLineAction::Raise) {
        throw MaxLineLengthExceededError(transport_text::kMaxLineLength);
      }
      readLineSplit_ = true;
      return inputBuffer_.extractText(maxLength, textEncoding);
    }
    if (position >= 0) break;
    checkForDisconnect(true, true);
    const int received = fillInputBuffer(true, timeout, false);
    if (received == -1) {
      readLineTimedOut_ = true;
    } else if (timeout >= 0) {
      const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - started)
                               .count();
      if (elapsed >= timeout) readLineTimedOut_ = true;
    }
    if (readLineTimedOut_) return {};
  }
  std::int64_t lineLength = position;
  if (ending == "\n" && position > 0 && inputBuffer_.peek(position - 1) == '\r') --lineLength;
  std::u16string line = inputBuffer_.extractText(lineLength, textEncoding);
  inputBuffer_.remove(position - lineLength + endingLength);
  return line;
}

std::u16string IoHandler::readLineWait(int failCount, const TextEncoding* encoding) {
  for (int attempt = 0; attempt < failCount; ++attempt) {
    std::u16string line = trimmed(readLine(u"\n", kUseReadTimeout, -1, encoding));
    if (!line.empty()) return line;
    if (readLineTimedOut_) throw ReadTimeoutError(transport_text::kReadTimedOut);
  }
  throw MaxLineAttemptsExceededError(transport_text::kMaxLineAttempts);
}

void IoHandler::readBytes(std::vector<std::uint8_t>& bytes, std::int64_t count, bool append) {
  if (count > 0) {
    while (inputBuffer_.size() < count) {
      const int received = fillInputBuffer(false, kUseReadTimeout, true);
      if (received <= 0 || inputBuffer_.size() < count) checkForDisconnect(true, true);
    }
    inputBuffer_.extractTo(bytes, count, append);
  } else if (count < 0) {
    if (inputBuffer_.empty()) {
      fillInputBuffer(false, readTimeout_, false);
      checkForDisconnect(true, true);
    }
    inputBuffer_.extractTo(bytes, -1, append);
  }
}

void IoHandler::readStream(Stream& stream, std::int64_t count, bool readUntilDisconnect) {
  // Count-prefixed reads are not supported: an unknown count reads until the peer closes.
  if (count < 0) readUntilDisconnect = true;
  if (!readUntilDisconnect) {
    if (count == 0) return;
    const std::int64_t position = stream.position();
    if (position > std::numeric_limits<std::int64_t>::max() - count) {
      throw StreamDataTooLargeError(transport_text::kStreamTooLarge);
    }
    stream.setSize(position + std::min(count, kPresizeLimit));
    stream.setPosition(position);
  }
  if (workProgress_.begin) workProgress_.begin(WorkMode::Read, readUntilDisconnect ? 0 : count);
  std::int64_t remaining = count;
  const auto moveBuffered = [&] {
    const std::int64_t available = inputBuffer_.size();
    const std::int64_t take = readUntilDisconnect ? available : std::min(remaining, available);
    if (take <= 0) return;
    inputBuffer_.extractToStream(stream, take);
    remaining -= take;
  };
  const auto finish = [&] {
    if (stream.size() > stream.position()) stream.setSize(stream.position());
    if (workProgress_.end) workProgress_.end(WorkMode::Read);
  };
  ScopeGuard finishOnFailure(finish);
  moveBuffered();
  while (readUntilDisconnect || remaining > 0) {
    const int received = fillInputBuffer(!readUntilDisconnect, kUseReadTimeout, true);
    if (received < 1) {
      checkForDisconnect(false, false);
      break;
    }
    moveBuffered();
  }
  finishOnFailure.dismiss();
  finish();
}

void IoHandler::discard(std::int64_t count) {
  std::int64_t remaining = count;
  while (remaining > 0) {
    const std::int64_t take = std::min(remaining, inputBuffer_.size());
    inputBuffer_.remove(take);
    remaining -= take;
    if (remaining <= 0) break;
    if (fillInputBuffer(false, kUseReadTimeout, true) < 1) checkForDisconnect(true, true);
  }
}

void IoHandler::discardAll() {
  inputBuffer_.clear();
  const ScopeGuard discardInput([this] { inputBuffer_.clear(); });
  try {
    for (;;) {
      fillInputBuffer(true, kUseReadTimeout, true);
      inputBuffer_.clear();
    }
  } catch (const ConnectionClosedError&) {
    // The peer closed: that is the end this read waits for.
  }
}

bool IoHandler::checkForDataOnSource(int timeout) {
  const std::int64_t before = inputBuffer_.size();
  if (!connected()) return false;
  if (inputBuffer_.size() > before) return true;
  return fillInputBuffer(false, timeout, false) > 0;
}

void IoHandler::write(std::u16string_view text, const TextEncoding* encoding) {
  if (text.empty()) return;
  const std::string bytes = encodingOr(encoding).encode(text);
  write(asBytes(bytes));
}

void IoHandler::writeLine(std::u16string_view text, const TextEncoding* encoding) {
  std::string bytes = encodingOr(encoding).encode(text);
  bytes += "\r\n";
  write(asBytes(bytes));
}

void IoHandler::writeLines(const std::vector<std::u16string>& lines, const TextEncoding* encoding) {
  const bool ownBuffering = !writeBufferingActive();
  if (ownBuffering) writeBufferOpen();
  ScopeGuard cancelOnFailure([&] {
    if (ownBuffering) writeBufferCancel();
  });
  for (const auto& line : lines) writeLine(line, encoding);
  if (ownBuffering) writeBufferClose();
  cancelOnFailure.dismiss();
}

void IoHandler::write(std::string_view bytes) { write(asBytes(bytes)); }

void IoHandler::write(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return;
  if (writeBuffer_) {
    writeBuffer_->append(bytes);
    if (writeBufferThreshold_ > 0) {
      while (writeBuffer_ && writeBuffer_->size() >= writeBufferThreshold_) {
        writeBufferFlush(writeBufferThreshold_);
      }
    }
    return;
  }
  writeDirect(bytes);
}

void IoHandler::write(std::span<const std::uint8_t> bytes, std::int64_t length,
                      std::int64_t offset) {
  const auto size = static_cast<std::int64_t>(bytes.size());
  if (offset < 0 || offset >= size) return;
  const std::int64_t available = size - offset;
  const std::int64_t count = length < 0 ? available : std::min(length, available);
  if (count <= 0) return;
  write(bytes.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(count)));
}

void IoHandler::writeDirect(std::span<const std::uint8_t> bytes) {
  checkForDisconnect(true, true);
  while (!bytes.empty()) {
    const int count = sendRaw(bytes);
    if (count < 0) {
      const int number = filterSocketError(count);
      if (number != 10060) {
        closedGracefully_ = true;
        close();
      }
      raiseTransportError(number);
    }
    if (count == 0) closedGracefully_ = true;
    checkForDisconnect(true, false);
    if (workProgress_.work) workProgress_.work(WorkMode::Write, count);
    bytes = bytes.subspan(static_cast<std::size_t>(count));
  }
}

void IoHandler::write(Stream& stream, std::int64_t size) {
  std::int64_t total = size;
  if (size == 0) {
    stream.setPosition(0);
    total = stream.size();
  } else if (size < 0) {
    total = stream.size() - stream.position();
  }
  if (total <= 0) return;
  if (workProgress_.begin) workProgress_.begin(WorkMode::Write, total);
  const std::int64_t pieceSize = sendBufferSize_ > 0 ? sendBufferSize_ : kDefaultBufferSize;
  std::int64_t remaining = total;
  const auto endWork = [this] {
    if (workProgress_.end) workProgress_.end(WorkMode::Write);
  };
  ScopeGuard endWorkOnFailure(endWork);
  if (auto* memory = dynamic_cast<MemoryStream*>(&stream)) {
    // A memory stream's bytes go out from where they lie, piece by piece, without a copy.
    const auto bytes = std::span<const std::uint8_t>(memory->bytes());
    while (remaining > 0) {
      const auto at = static_cast<std::size_t>(memory->position());
      if (at >= bytes.size()) throw NoDataToReadError(transport_text::kNoDataToRead);
      const auto wanted = static_cast<std::size_t>(std::min(remaining, pieceSize));
      const std::span<const std::uint8_t> piece =
          bytes.subspan(at).first(std::min(wanted, bytes.size() - at));
      write(piece);
      memory->setPosition(memory->position() + static_cast<std::int64_t>(piece.size()));
      remaining -= static_cast<std::int64_t>(piece.size());
    }
  } else {
    std::vector<std::uint8_t> piece(static_cast<std::size_t>(std::min(total, pieceSize)));
    while (remaining > 0) {
      const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(remaining, pieceSize));
      const std::size_t got = stream.read(std::span(piece).first(wanted));
      if (got == 0) throw NoDataToReadError(transport_text::kNoDataToRead);
      write(std::span<const std::uint8_t>(piece).first(got));
      remaining -= static_cast<std::int64_t>(got);
    }
  }
  endWorkOnFailure.dismiss();
  endWork();
}

void IoHandler::writeBufferOpen(int threshold) {
  if (writeBuffer_) {
    writeBuffer_->clear();
  } else {
    writeBuffer_ = std::make_unique<ByteQueue>();
  }
  writeBufferThreshold_ = threshold;
}

void IoHandler::writeBufferFlush(std::int64_t count) {
  if (!writeBuffer_) return;
  if (count < 0 || count > writeBuffer_->size()) count = writeBuffer_->size();
  if (count == 0) return;
  const std::vector<std::uint8_t> bytes = writeBuffer_->extract(count);
  writeDirect(bytes);
}

void IoHandler::writeBufferClose() {
  const ScopeGuard dropBuffer([this] { writeBuffer_.reset(); });
  writeBufferFlush();
}

void IoHandler::writeBufferCancel() noexcept { writeBuffer_.reset(); }

void IoHandler::writeBufferClear() noexcept {
  if (writeBuffer_) writeBuffer_->clear();
}

}  // namespace http
