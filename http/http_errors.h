#pragma once

#include <cstdint>
#include <string>

#include "http/error.h"
#include "http/transport/connection_errors.h"

namespace http {

HTTP_DECLARE_ERROR(ReplyError, NetError);
HTTP_DECLARE_ERROR(ReplyRfcError, ReplyError);
HTTP_DECLARE_ERROR(UnknownProtocolError, NetError);
HTTP_DECLARE_ERROR(InvalidIoHandlerError, NetError);
// A reply that breaks a limit of the client: too many header lines or interim replies, a
// Content-Length or chunk size that does not fit a signed 64-bit number, a body longer than
// the reply-body limit.
HTTP_DECLARE_ERROR(ReplyLimitError, ReplyError);

// An error status: the message is the status line; the body is read and decoded.
class HttpProtocolError : public ReplyRfcError {
 public:
  HttpProtocolError(std::u16string statusLine, std::int32_t errorCode, std::u16string errorMessage)
      : ReplyRfcError(std::move(statusLine)),
        errorCode_(errorCode),
        errorMessage_(std::move(errorMessage)) {}

  [[nodiscard]] std::int32_t errorCode() const noexcept { return errorCode_; }
  [[nodiscard]] const std::u16string& errorMessage() const noexcept { return errorMessage_; }
  [[nodiscard]] const char* className() const noexcept override { return "HttpProtocolError"; }

 private:
  std::int32_t errorCode_;
  std::u16string errorMessage_;
};

inline constexpr char16_t kTooManyHeaderLines[] = u"Too many header lines.";
inline constexpr char16_t kChunkSizeTooLarge[] = u"Chunk size is too large.";
inline constexpr char16_t kContentLengthTooLarge[] = u"Content-Length is too large.";
inline constexpr char16_t kTooManyInterimReplies[] = u"Too many interim replies.";

}  // namespace http
