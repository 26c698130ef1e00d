#pragma once

#include <QString>
#include <cstddef>
#include <string_view>

#include "app/core/version_verdict.h"

namespace app {

// The most characters of a register's text that a cell or tooltip keeps: as many as the
// engine keeps of a version.
inline constexpr std::size_t kMostDeviceTextKept = kMostVersionTextKept;

// Text a register sent, as plain text for a cell: escaped by the engine's rule (escapedText)
// and cut after `most` characters, marked with an ellipsis. The full length (fullLength, when the
// text was cut before it came here) is noted after a cut text. Costs no more than `most` characters
// of work whatever the text's length.
QString deviceCellText(std::u16string_view text, std::size_t fullLength = 0,
                       std::size_t most = kMostDeviceTextKept);

// A plain text as a tooltip shows it: tooltips take markup, so the text is escaped into
// markup that shows it letter for letter.
QString plainToolTip(const QString& text);

}  // namespace app
