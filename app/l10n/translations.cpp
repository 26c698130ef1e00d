#include "app/l10n/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace app::l10n {
namespace {

// Qt's own translation. Qt 6 asks for the texts of its standard buttons (Cancel, OK, Yes, ...)
// under QPlatformTheme, while its translations for several languages, Slovak among them, still
// hold them under QDialogButtonBox only: there they are taken from, so that no dialog of Qt
// keeps an English button.
class QtTranslation final : public QTranslator {
 public:
  using QTranslator::QTranslator;

  [[nodiscard]] QString translate(const char* context, const char* sourceText,
                                  const char* disambiguation, int n) const override {
    QString text = QTranslator::translate(context, sourceText, disambiguation, n);
    if (text.isEmpty() && qstrcmp(context, "QPlatformTheme") == 0) {
      text = QTranslator::translate("QDialogButtonBox", sourceText, disambiguation, n);
    }
    return text;
  }
};

// Owned by the application object, so it lives as long as the texts it serves.
template <typename Translator>
bool install(const QString& name, const QString& directory) {
  auto* translator = new Translator(QCoreApplication::instance());
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
  install<QtTranslation>(QStringLiteral("qtbase"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  install<QTranslator>(QStringLiteral("zedez"), QStringLiteral(":/i18n"));
}

}  // namespace app::l10n
