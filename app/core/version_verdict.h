#pragma once

#include <compare>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace app {

// A device's version text is kept to this many UTF-16 units: a register names a version of a
// dozen characters, and whatever it sends must not cost more than a few hundred bytes.
inline constexpr std::size_t kMostVersionTextKept = 128;

// The part of a device's version text that is kept: the text itself up to
// kMostVersionTextKept units; a longer one is cut before that and ends with "…", which no
// version number holds, so that a cut text never reads as a version.
std::u16string keptVersionText(std::u16string_view text);

// Where a device's installed version stands against the image's.
enum class VersionVerdict { UpdateAvailable, OnImageVersion, NewerThanImage, Unreadable };

// Orders two version texts by their dotted numbers ("1.0.9" < "1.0.12" < "1.1"), a leading
// "v" ignored and missing numbers taken as 0. Nothing when either is not of that form
// ("V1.0.12", "1.0.9x").
std::optional<std::strong_ordering> compareVersions(std::u16string_view left,
                                                    std::u16string_view right);

// The verdict for a version text read from a device (empty or unreadable: Unreadable).
VersionVerdict verdictOf(std::u16string_view installed, std::u16string_view imageVersion);

// "update-available", "current", "newer", "unreadable": the word a script tests.
const char* verdictName(VersionVerdict verdict);

// What the upload asks before it sends the image.
enum class VersionQuestion {
  None,            // older than the image, or no version named: upload
  AlreadyCurrent,  // the question about a current version
  Downgrade,       // the register is newer than the image: only with consent
  Unreadable,      // a version text that is no dotted number: nothing is sent
};

// The rule of every run but the specified window's: the dotted numbers against the image's.
// A device that names no version asks nothing, as version 0 does in the window.
VersionQuestion questionByDottedRule(VersionVerdict verdict, std::u16string_view installed);

// The specified window's gate: a version number above 1009 asks; so does a register newer
// than the image by the dotted rule, since a silent downgrade is no update.
VersionQuestion questionInWindow(int versionNumber, VersionVerdict verdict);

}  // namespace app
