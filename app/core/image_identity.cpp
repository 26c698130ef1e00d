#include "app/core/image_identity.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <exception>

#include "app/core/error_text.h"
#include "app/core/firmware_image.h"
#include "text/utf8_codec.h"

namespace app {
namespace {

ImageIdentity identify() {
  ImageIdentity identity;
  identity.version = text::utf8ToUtf16(ZEDEZ_FIRMWARE_VERSION);
  try {
    const auto image = buildFirmwareImage();
    const std::string_view bytes = image->view();
    identity.sha256 =
        QCryptographicHash::hash(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                 QCryptographicHash::Sha256)
            .toHex()
            .toStdString();
    identity.size = static_cast<std::int64_t>(bytes.size());
  } catch (const std::exception& error) {
    identity.unavailable = errorMessageOf(error);
  }
  return identity;
}

}  // namespace

const ImageIdentity& imageIdentity() {
  static const ImageIdentity identity = identify();
  return identity;
}

}  // namespace app
