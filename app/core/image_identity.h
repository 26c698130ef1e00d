#pragma once

#include <cstdint>
#include <string>

namespace app {

// What the executable installs: the ZEDEZ version its image carries, and the image's digest.
struct ImageIdentity {
  std::u16string version;
  // Lower-case hex; empty when the image cannot be assembled.
  std::string sha256;
  std::int64_t size = 0;
  // Why the image cannot be assembled; empty when it can.
  std::u16string unavailable;
};

// Assembled once, on first use; safe from any thread.
const ImageIdentity& imageIdentity();

}  // namespace app
