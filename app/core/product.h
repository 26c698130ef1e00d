#pragma once

#include <string_view>

namespace app {

// Version data the executable carries.
inline constexpr std::u16string_view kProductName = u"Brenvo Tesmora updater";
inline constexpr std::u16string_view kProductVersion = u"1.0.12";
inline constexpr std::u16string_view kFileVersion = u"1.0.9.1";
inline constexpr std::u16string_view kFileDescription = u"Brenvo Tesmora ZEDEZ Update 1.0.12";

}  // namespace app
