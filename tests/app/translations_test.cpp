// The translations as the program installs them, under a Slovak locale.
#include "app/l10n/translations.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>

namespace {

TEST(Translations, QtsStandardButtonsSpeakSlovakToo) {
  qputenv("LC_ALL", "sk_SK.UTF-8");
  int argc = 1;
  char name[] = "translations_test";
  char* argv[] = {name, nullptr};
  const QCoreApplication application(argc, argv);
  if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                     QStringLiteral("/qtbase_sk.qm"))) {
    GTEST_SKIP() << "Qt's Slovak translation (qt6-translations-l10n) is not installed";
  }
  app::l10n::installTranslations();
  // The file dialog's own button, and the standard one beside it.
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "&Save"), QStringLiteral("&Uložiť"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Zrušiť"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("Án&o"));
  EXPECT_EQ(QCoreApplication::translate("app::ShopWindow", "Save the record"),
            QStringLiteral("Uložiť záznam"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "No such text"),
            QStringLiteral("No such text"));
}

}  // namespace
