#include "app/l10n/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace app::l10n {
namespace {

// Owned by the application object, so it lives as long as the texts it serves.
bool install(const QString& name, const QString& directory) {
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(QLocale::system(), name, QStringLiteral("_"), directory)) {
    QCoreApplication::installTranslator(translator);
    return true;
  }
  delete translator;
  return false;
}

}  // namespace

void installTranslations() {
  // The translator installed last is asked first: the program's own texts win over Qt's.
  install(QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  install(QStringLiteral("zedez"), QStringLiteral(":/i18n"));
}

}  // namespace app::l10n
