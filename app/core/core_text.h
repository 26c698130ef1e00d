#pragma once

#include <QtGlobal>
#include <initializer_list>
#include <string>
#include <string_view>

namespace app {

// The texts of the command line and the engine in the language of the system's locale (LANG,
// LC_MESSAGES, LC_ALL), as Qt Linguist chooses it: the translation compiled into the program,
// or the English source. The sources are marked with QT_TRANSLATE_NOOP("zedez", ...) for
// lupdate.

// Loads the translation for QLocale::system(); before the first text is translated. Safe to
// call before the application object exists, and again.
void loadTranslation();
// Hands the loaded translation to the application object, for Qt's own texts (the help's
// "Usage:" and "Options:"); once the application object exists.
void installTranslation();
// Whether a translation other than English is in use.
bool translationLoaded();

// The source in the loaded language, with %1, %2, ... filled in from args in one pass (so a
// "%2" inside a device's text stays as it is).
std::u16string translated(const char* source, std::initializer_list<std::u16string_view> args = {});

}  // namespace app
