// Drives the line, counted and until-close reads of an I/O handler over bytes that arrive in
// arbitrary pieces, with a small line limit, checking that nothing is lost or invented. The
// script ends at the peer's close.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "http/base/stream.h"
#include "http/transport/connection_errors.h"
#include "http/transport/io_handler.h"
#include "memory_io_handler.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size < 8) return 0;
  const std::string_view input(reinterpret_cast<const char*>(bytes), size);
  const std::string_view script = input.substr(0, 8);
  const std::string_view pieceSizes = input.substr(8, std::min<std::size_t>(4, size - 8));
  const std::string_view data = input.substr(std::min<std::size_t>(12, size));
  fuzz_support::MemoryIoHandler handler;
  handler.setInput(data, pieceSizes);
  handler.open();
  handler.setMaxLineLength(static_cast<unsigned char>(script[0]) % 64);
  handler.setMaxLineAction(script[1] % 2 == 0 ? http::MaxLineAction::Raise
                                              : http::MaxLineAction::Split);
  std::size_t consumed = 0;
  for (int step = 0; step < 64; ++step) {
    // Once the peer has closed and the buffer is empty, every further read would only raise.
    if (handler.closedGracefully() && handler.inputBufferIsEmpty()) break;
    const auto op = static_cast<unsigned char>(script[2 + step % 6]) + step;
    try {
      switch (op % 5) {
        case 0: {
          const std::u16string terminator = op % 3 == 0 ? u"\r\n" : (op % 3 == 1 ? u"\n" : u"ab");
          const std::u16string line = handler.readLine(terminator);
          consumed += line.size();  // ASCII: one byte per character, terminator not counted
          break;
        }
        case 1: {
          std::vector<std::uint8_t> read;
          handler.readBytes(read, 1 + op % 17);
          consumed += read.size();
          break;
        }
        case 2: {
          http::MemoryStream stream;
          handler.readStream(stream, 1 + op % 300);
          consumed += stream.bytes().size();
          break;
        }
        case 3:
          handler.discard(1 + op % 7);
          break;
        default: {
          http::MemoryStream stream;
          handler.readStream(stream, -1, true);
          consumed += stream.bytes().size();
          break;
        }
      }
    } catch (const http::ConnectionClosedError&) {
      break;  // the script ends at the first close that a read runs into
    } catch (const http::MaxLineLengthExceededError&) {
      handler.inputBuffer().clear();
    }
  }
  // What came out never exceeds what went in.
  if (consumed > handler.delivered()) std::abort();
  return 0;
}
