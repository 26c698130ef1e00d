#pragma once

#include <string>

#include "http/base/stream.h"

namespace http {

// The bytes from the stream's position to its end; the position ends at the end.
[[nodiscard]] std::string readToEnd(Stream& stream);
// All bytes of the stream from its first byte; the position is kept.
[[nodiscard]] std::string readWhole(Stream& stream);

}  // namespace http
