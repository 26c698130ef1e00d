#include "app/core/core_text.h"

#include <QCoreApplication>
#include <QLocale>
#include <QString>
#include <QTranslator>
#include <vector>

namespace app {
namespace {

QTranslator& translator() {
  static QTranslator instance;
  return instance;
}

bool& loaded() {
  static bool value = false;
  return value;
}

}  // namespace

void loadTranslation() {
  if (loaded()) return;
  loaded() = translator().load(QLocale::system(), QStringLiteral("zedez"), QStringLiteral("_"),
                               QStringLiteral(":/i18n"));
}

void installTranslation() {
  if (loaded() && QCoreApplication::instance() != nullptr) {
    QCoreApplication::installTranslator(&translator());
  }
}

bool translationLoaded() { return loaded(); }

std::u16string translated(const char* source, std::initializer_list<std::u16string_view> args) {
  QString found;
  if (loaded()) found = translator().translate("zedez", source);
  const std::u16string text =
      (found.isEmpty() ? QString::fromUtf8(source) : found).toStdU16String();
  const std::vector<std::u16string_view> values(args);
  std::u16string filled;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 1 < text.size() && text[i + 1] >= u'1' && text[i + 1] <= u'9') {
      const auto index = static_cast<std::size_t>(text[i + 1] - u'1');
      if (index < values.size()) {
        filled += values[index];
        ++i;
        continue;
      }
    }
    filled += text[i];
  }
  return filled;
}

}  // namespace app
