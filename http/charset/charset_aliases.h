#pragma once

#include <optional>
#include <string_view>

namespace http {

// The charset that the 8-bit code of this library decodes itself, because ICU's data lacks it.
inline constexpr std::string_view kIso8859_16 = "ISO-8859-16";

// Registered names and aliases that ICU does not know, mapped to a name it does (or to
// kIso8859_16). The name is compared case-insensitively; nullopt when it is not one of them.
[[nodiscard]] std::optional<std::string_view> registeredAliasTarget(std::string_view name);

}  // namespace http
