#pragma once

#include <string_view>

#include "app/core/product.h"

namespace app {

// Caption of the program's message and error boxes.
inline constexpr std::u16string_view kApplicationTitle =
    u"Brenvo Tesmora Update ZEDEZ " ZEDEZ_PRODUCT_VERSION;
// Caption of the main window; it differs from the application title on purpose.
inline constexpr std::u16string_view kMainWindowCaption =
    u"Brenvo Tesmora Updater ZEDEZ " ZEDEZ_PRODUCT_VERSION;

// The address the window offers before the operator types one.
inline constexpr std::u16string_view kDefaultDeviceAddress = u"10.77.82.80";
// The timeout field's text before the operator types one.
inline constexpr std::u16string_view kDefaultTimeoutText = u"6000";
// The maker's article about bringing the device to the newest ZEDEZ.
inline constexpr std::u16string_view kHelpArticleUrl =
    u"https://www.brenvo.sk/podpora/tesmora-aktualizacia-zedez";

}  // namespace app
