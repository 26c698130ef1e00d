#include "app/cli/version_report.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <exception>

#include "app/core/firmware_image.h"
#include "app/core/handler_boundary.h"
#include "app/core/product.h"
#include "text/utf8_codec.h"

namespace app::cli {

std::string versionReport() {
  std::string report = "zedez-updater " + text::utf16ToUtf8(kProductVersion) + "\n";
  report += "File version: " + text::utf16ToUtf8(kFileVersion) + "\n";
  try {
    const auto image = buildFirmwareImage();
    const std::string_view bytes = image->view();
    const QByteArray digest =
        QCryptographicHash::hash(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                 QCryptographicHash::Sha256)
            .toHex();
    report += "Firmware image: SHA-256 " + digest.toStdString() + ", " +
              std::to_string(bytes.size()) + " bytes\n";
  } catch (const std::exception& error) {
    report += "Firmware image: unavailable, " + text::utf16ToUtf8(errorMessageOf(error)) + "\n";
  }
  report += ZEDEZ_FIRMWARE_PLACEHOLDER ? "Firmware parts: placeholders, not a real firmware\n"
                                       : "Firmware parts: vendor build\n";
  return report;
}

}  // namespace app::cli
