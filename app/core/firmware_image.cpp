#include "app/core/firmware_image.h"

#include <cerrno>
#include <fstream>
#include <string>
#include <system_error>

#include "app/core/embedded_parts.h"
#include "app/core/errors.h"
#include "text/utf8_codec.h"

namespace app {
namespace {

constexpr std::string_view kImageStartMarker = "MZ";
constexpr std::string_view kSecondPartMarker = "Rar!";

}  // namespace

std::unique_ptr<http::MemoryStream> assembleFirmwareImage(std::span<const std::uint8_t> part1,
                                                          std::span<const std::uint8_t> part2) {
  if (part1.size() <= kImageStartMarker.size()) {
    throw http::Error(u"Resource " + std::u16string(kFirmwarePart1) +
                      u" is too short for a firmware image");
  }
  auto image = std::make_unique<http::MemoryStream>();
  image->reserve(part1.size() + kSecondPartMarker.size() + part2.size());
  image->write(kImageStartMarker);
  image->write(part1.subspan(kImageStartMarker.size()));
  image->write(kSecondPartMarker);
  image->write(part2);
  return image;
}

std::unique_ptr<http::MemoryStream> buildFirmwareImage() {
  const auto part1 = findEmbeddedPart(kFirmwarePart1);
  const auto part2 = findEmbeddedPart(kFirmwarePart2);
  return assembleFirmwareImage(part1, part2);
}

void writeImageFile(const http::MemoryStream& image, std::string_view path) {
  const std::string fileName(path);
  std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
  if (!file) {
    const int cause = errno;
    throw FileError(u"Cannot create file \"" + text::utf8ToUtf16(fileName) + u"\". " +
                    text::utf8ToUtf16(std::generic_category().message(cause)));
  }
  const std::string_view bytes = image.view();
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    throw FileError(u"Cannot write file \"" + text::utf8ToUtf16(fileName) + u"\".");
  }
}

}  // namespace app
