#pragma once

namespace app::l10n {

// Installs the program's own translation for the system's locale (LC_ALL, LC_MESSAGES or
// LANG, as Qt reads them) on the application object, which must exist, and Qt's translation
// of its own dialogs (qtbase_*.qm of qt6-translations-l10n) where it is installed. Texts stay
// as written (English) where no translation matches.
void installTranslations();

}  // namespace app::l10n
