#pragma once

namespace app::l10n {

// Installs the program's own translation for the system's locale (LC_ALL, LC_MESSAGES or
// LANG, as Qt reads them) on the application object, which must exist. Texts stay as written
// (English) where no translation matches. Qt's own texts are left alone.
void installTranslations();

}  // namespace app::l10n
