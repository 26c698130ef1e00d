// Random bytes as a server's reply, read by the client over an I/O handler in memory: every
// connection the client opens is answered with the input, then closed by the peer; what the
// client sends is dropped. The first byte chooses the request and, with bit 16, replies that
// arrive in pieces of a few bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "memory_io_handler.h"
#include "reply_requests.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t mode = data[0];
  const std::string_view reply(reinterpret_cast<const char*>(data + 1), size - 1);
  // One handler serves every input, so its buffer's storage is not made again for each.
  static auto* const handler = new fuzz_support::MemoryIoHandler();  // lives for the process
  handler->setInput(reply, {}, (mode & 16U) != 0 ? 7 : SIZE_MAX);
  http::HttpClient client;
  client.setIoHandler(handler);
  fuzz_reply::requestWithMode(client, u"http://127.0.0.1:8080/fuzz", mode);
  return 0;
}
