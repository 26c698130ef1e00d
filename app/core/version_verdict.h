#pragma once

#include <compare>
#include <optional>
#include <string_view>

namespace app {

// Where a device's installed version stands against the image's.
enum class VersionVerdict { UpdateAvailable, OnImageVersion, NewerThanImage, Unreadable };

// Orders two version texts by their dotted numbers ("1.0.9" < "1.0.12" < "1.1"), a leading
// "v" or "V" ignored and missing numbers taken as 0. Nothing when either is not of that form.
std::optional<std::strong_ordering> compareVersions(std::u16string_view left,
                                                    std::u16string_view right);

// The verdict for a version text read from a device (empty or unreadable: Unreadable).
VersionVerdict verdictOf(std::u16string_view installed, std::u16string_view imageVersion);

// "update-available", "current", "newer", "unreadable": the word a script tests.
const char* verdictName(VersionVerdict verdict);

}  // namespace app
