#pragma once

#include <QtGlobal>
#include <initializer_list>
#include <string>
#include <string_view>

namespace app {

// A text of the command line or of the engine's lines for it, in the language of the
// translation installed on the application object (English without one): the source, marked
// with QT_TRANSLATE_NOOP("zedez", ...) for lupdate, with %1, %2, ... filled in from args in
// one pass, so that a "%2" inside a device's text stays as it is.
std::u16string translated(const char* source, std::initializer_list<std::u16string_view> args = {});

}  // namespace app
