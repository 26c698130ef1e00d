#pragma once

#include "http/base/error.h"

namespace http {

HTTP_DECLARE_ERROR(TcpConnectionError, NetError);
HTTP_DECLARE_ERROR(IoHandlerError, NetError);

HTTP_DECLARE_ERROR(AlreadyConnectedError, NetError);          // "Already connected."
HTTP_DECLARE_ERROR(HostRequiredError, NetError);              // "A Host is required"
HTTP_DECLARE_ERROR(PortRequiredError, NetError);              // "A Port is required"
HTTP_DECLARE_ERROR(ConnectTimeoutError, NetError);            // "Connect timed out."
HTTP_DECLARE_ERROR(ConnectError, NetError);                   // empty message
HTTP_DECLARE_ERROR(ReadTimeoutError, NetError);               // "Read timed out."
HTTP_DECLARE_ERROR(DeadlineError, NetError);                  // "... did not finish within 2 s"
HTTP_DECLARE_ERROR(ConnectionClosedError, SilentNetError);    // "Connection Closed Gracefully."
HTTP_DECLARE_ERROR(NotConnectedError, NetError);              // "Not Connected"
HTTP_DECLARE_ERROR(ClosedSocketError, NetError);              // "Disconnected."
HTTP_DECLARE_ERROR(MaxLineLengthExceededError, NetError);     // "Max line length exceeded."
HTTP_DECLARE_ERROR(MaxLineAttemptsExceededError, NetError);   // "Max line read attempts exceeded."
HTTP_DECLARE_ERROR(NoDataToReadError, TcpConnectionError);    // "No data to read."
HTTP_DECLARE_ERROR(StreamDataTooLargeError, IoHandlerError);  // "Data is too large for stream"

// The fixed texts, for raising and for callers that compare.
namespace transport_text {
inline constexpr char16_t kAlreadyConnected[] = u"Already connected.";
inline constexpr char16_t kHostRequired[] = u"A Host is required";
inline constexpr char16_t kPortRequired[] = u"A Port is required";
inline constexpr char16_t kConnectTimedOut[] = u"Connect timed out.";
inline constexpr char16_t kReadTimedOut[] = u"Read timed out.";
inline constexpr char16_t kConnectionClosed[] = u"Connection Closed Gracefully.";
inline constexpr char16_t kNotConnected[] = u"Not Connected";
inline constexpr char16_t kDisconnected[] = u"Disconnected.";
inline constexpr char16_t kMaxLineLength[] = u"Max line length exceeded.";
inline constexpr char16_t kMaxLineAttempts[] = u"Max line read attempts exceeded.";
inline constexpr char16_t kNoDataToRead[] = u"No data to read.";
inline constexpr char16_t kStreamTooLarge[] = u"Data is too large for stream";
}  // namespace transport_text

}  // namespace http
