#include "http/base/stream_bytes.h"

#include <array>
#include <cstdint>

namespace http {

std::string readToEnd(Stream& stream) {
  std::string bytes;
  const std::int64_t remaining = stream.size() - stream.position();
  if (remaining > 0) bytes.reserve(static_cast<std::size_t>(remaining));
  std::array<std::uint8_t, 65536> buffer{};
  for (;;) {
    const std::size_t count = stream.read(buffer);
    if (count == 0) break;
    bytes.append(reinterpret_cast<const char*>(buffer.data()), count);
  }
  return bytes;
}

std::string readWhole(Stream& stream) {
  const std::int64_t position = stream.position();
  stream.setPosition(0);
  std::string bytes = readToEnd(stream);
  stream.setPosition(position);
  return bytes;
}

}  // namespace http
