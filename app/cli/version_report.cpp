#include "app/cli/version_report.h"

#include "app/core/image_identity.h"
#include "app/core/product.h"
#include "text/utf8_codec.h"

namespace app::cli {

std::string versionReport() {
  const ImageIdentity& image = imageIdentity();
  std::string report = "zedez-updater " + text::utf16ToUtf8(kProductVersion) + "\n";
  report += "File version: " + text::utf16ToUtf8(kFileVersion) + "\n";
  if (image.unavailable.empty()) {
    report += "Firmware image: ZEDEZ " + text::utf16ToUtf8(image.version) + ", SHA-256 " +
              image.sha256 + ", " + std::to_string(image.size) + " bytes\n";
  } else {
    report += "Firmware image: ZEDEZ " + text::utf16ToUtf8(image.version) + ", unavailable, " +
              text::utf16ToUtf8(image.unavailable) + "\n";
  }
  report += ZEDEZ_FIRMWARE_PLACEHOLDER ? "Firmware parts: placeholders, not a real firmware\n"
                                       : "Firmware parts: vendor build\n";
  return report;
}

}  // namespace app::cli
