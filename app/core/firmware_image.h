#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "http/stream.h"

namespace app {

// Names of the two embedded firmware parts.
inline constexpr std::u16string_view kFirmwarePart1 = u"Resource_1";
inline constexpr std::u16string_view kFirmwarePart2 = u"Resource_2";
// Where the save handler writes the image, relative to the working directory.
inline constexpr std::string_view kSavedImagePath = "./poskladany.bin";

// The image the device receives: "MZ", part 1 from its byte 2 on, "Rar!", then part 2 whole.
// The stream's position is left at its end. Part 1 must be longer than two bytes.
std::unique_ptr<http::MemoryStream> assembleFirmwareImage(std::span<const std::uint8_t> part1,
                                                          std::span<const std::uint8_t> part2);

// Assembles the image from the parts the executable carries.
std::unique_ptr<http::MemoryStream> buildFirmwareImage();

// Writes the whole image to a file, creating or replacing it; raises FileError on failure.
void writeImageFile(const http::MemoryStream& image, std::string_view path);

}  // namespace app
