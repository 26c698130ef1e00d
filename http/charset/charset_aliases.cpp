#include "http/charset/charset_aliases.h"

#include <algorithm>
#include <array>
#include <utility>

namespace http {
namespace {

using Alias = std::pair<std::string_view, std::string_view>;

// From the IANA character-sets registry.
constexpr std::array<Alias, 32> kAliases = {{
    {"csUTF8", "UTF-8"},
    {"csUTF16", "UTF-16"},
    {"csUTF16BE", "UTF-16BE"},
    {"csUTF16LE", "UTF-16LE"},
    {"csUTF32", "UTF-32"},
    {"csUTF32BE", "UTF-32BE"},
    {"csUTF32LE", "UTF-32LE"},
    {"csUTF7", "UTF-7"},
    {"cswindows1250", "windows-1250"},
    {"cswindows1251", "windows-1251"},
    {"cswindows1252", "windows-1252"},
    {"cswindows1253", "windows-1253"},
    {"cswindows1254", "windows-1254"},
    {"cswindows1255", "windows-1255"},
    {"cswindows1256", "windows-1256"},
    {"cswindows1257", "windows-1257"},
    {"cswindows1258", "windows-1258"},
    {"cswindows874", "windows-874"},
    {"csKOI8U", "KOI8-U"},
    {"csGBK", "GBK"},
    {"csISO885915", "ISO-8859-15"},
    {"csTIS620", "TIS-620"},
    {"csIBM00858", "IBM00858"},
    // The XML charset detection's names for UTF-32.
    {"UCS-4BE", "UTF-32BE"},
    {"UCS-4LE", "UTF-32LE"},
    // ISO-8859-16 under every registered name.
    {"ISO-8859-16", kIso8859_16},
    {"ISO_8859-16", kIso8859_16},
    {"ISO_8859-16:2001", kIso8859_16},
    {"iso-ir-226", kIso8859_16},
    {"latin10", kIso8859_16},
    {"l10", kIso8859_16},
    {"csISO885916", kIso8859_16},
}};

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, {}, lowerAscii, lowerAscii);
}

}  // namespace

std::optional<std::string_view> registeredAliasTarget(std::string_view name) {
  const auto* found = std::ranges::find_if(
      kAliases, [name](const Alias& alias) { return equalsIgnoreAsciiCase(alias.first, name); });
  if (found == kAliases.end()) return std::nullopt;
  return found->second;
}

}  // namespace http
