#include "app/l10n/translations.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace app::l10n {

void installTranslations() {
  // Owned by the application object, so it lives as long as the texts it serves.
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(QLocale::system(), QStringLiteral("zedez"), QStringLiteral("_"),
                       QStringLiteral(":/i18n"))) {
    QCoreApplication::installTranslator(translator);
  } else {
    delete translator;
  }
}

}  // namespace app::l10n
