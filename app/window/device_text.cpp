#include "app/window/device_text.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTextDocument>
#include <algorithm>

#include "app/core/escaped_text.h"

namespace app {

QString deviceCellText(std::u16string_view text, std::size_t fullLength, std::size_t most) {
  const std::u16string_view kept = cutWhole(text, most);
  QString out = QString::fromStdU16String(escapedText(kept));
  if (text.size() > kept.size()) out += QChar(u'\u2026');
  const std::size_t length = std::max(fullLength, text.size());
  if (length > kept.size()) {
    out += QLatin1Char(' ') + QCoreApplication::translate("app::DeviceText", "(%1 characters)")
                                  .arg(QLocale().toString(static_cast<qulonglong>(length)));
  }
  return out;
}

QString plainToolTip(const QString& text) {
  return text.isEmpty() ? text : Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

}  // namespace app
