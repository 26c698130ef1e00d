#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace app {

// The firmware parts compiled into the executable, found by name ignoring case
// ("Resource_1" finds RESOURCE_1). The bytes stay valid for the life of the program.
// Raises ResourceNotFoundError naming the part when the executable does not carry it.
std::span<const std::uint8_t> findEmbeddedPart(std::u16string_view name);

}  // namespace app
