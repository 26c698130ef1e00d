#pragma once

#include <string_view>

namespace app {

// The build's project version ("1.0.12"), the one place it is written.
#ifndef ZEDEZ_PRODUCT_VERSION
#error "ZEDEZ_PRODUCT_VERSION comes from the build: the CMake project's version"
#endif

// Version data the executable carries.
inline constexpr std::u16string_view kProductName = u"Brenvo Tesmora updater";
inline constexpr std::u16string_view kProductVersion = u"" ZEDEZ_PRODUCT_VERSION;
inline constexpr std::u16string_view kFileVersion = u"1.0.9.1";
inline constexpr std::u16string_view kFileDescription =
    u"Brenvo Tesmora ZEDEZ Update " ZEDEZ_PRODUCT_VERSION;

}  // namespace app
