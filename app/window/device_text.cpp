#include "app/window/device_text.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTextDocument>
#include <algorithm>

namespace app {
namespace {

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

bool needsEscape(char32_t codePoint) {
  switch (QChar::category(codePoint)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
      return true;
    default:
      return false;
  }
}

void appendEscape(QString& out, char32_t codePoint) {
  if (codePoint < 0x100) {
    out += QStringLiteral("\\x%1").arg(static_cast<uint>(codePoint), 2, 16, QLatin1Char('0'));
  } else if (codePoint < 0x10000) {
    out += QStringLiteral("\\u%1").arg(static_cast<uint>(codePoint), 4, 16, QLatin1Char('0'));
  } else {
    out += QStringLiteral("\\U%1").arg(static_cast<uint>(codePoint), 8, 16, QLatin1Char('0'));
  }
}

}  // namespace

QString deviceCellText(std::u16string_view text, std::size_t fullLength, std::size_t most) {
  const std::u16string_view kept = text.substr(0, most);
  QString out;
  out.reserve(static_cast<qsizetype>(kept.size()) + 16);
  for (std::size_t i = 0; i < kept.size(); ++i) {
    char32_t codePoint = kept[i];
    if (isHighSurrogate(kept[i]) && i + 1 < kept.size() && isLowSurrogate(kept[i + 1])) {
      codePoint = QChar::surrogateToUcs4(kept[i], kept[i + 1]);
      ++i;
    }
    if (codePoint == U'\\') {
      out += QStringLiteral("\\\\");
    } else if (needsEscape(codePoint)) {
      appendEscape(out, codePoint);
    } else {
      out += QString::fromUcs4(&codePoint, 1);
    }
  }
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
