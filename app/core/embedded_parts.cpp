#include "app/core/embedded_parts.h"

#include <QDir>
#include <QResource>
#include <QString>
#include <string>

#include "app/core/errors.h"

namespace app {
namespace {

// Where the build puts the parts among Qt's resources (see app/CMakeLists.txt).
constexpr auto kPartsFolder = u":/firmware";

}  // namespace

std::span<const std::uint8_t> findEmbeddedPart(std::u16string_view name) {
  const QString wanted = QString::fromUtf16(name.data(), static_cast<qsizetype>(name.size()));
  const QDir folder(QString::fromUtf16(kPartsFolder));
  for (const QString& entry : folder.entryList(QDir::Files)) {
    if (entry.compare(wanted, Qt::CaseInsensitive) != 0) {
      continue;
    }
    const QResource resource(folder.filePath(entry));
    // The parts are stored uncompressed, so the data can be read in place.
    if (resource.isValid() && resource.compressionAlgorithm() == QResource::NoCompression) {
      return {resource.data(), static_cast<std::size_t>(resource.size())};
    }
  }
  throw ResourceNotFoundError(u"Resource " + std::u16string(name) + u" not found");
}

}  // namespace app
