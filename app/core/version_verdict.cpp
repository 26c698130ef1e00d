#include "app/core/version_verdict.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "app/core/device_state.h"

namespace app {
namespace {

constexpr std::uint32_t kMostPerPart = 1'000'000'000;

// The dotted numbers of a version text; nothing when it is not one.
std::optional<std::vector<std::uint32_t>> partsOf(std::u16string_view text) {
  // "v1.0.12" as the window reads it; an upper-case "V" is no version there either.
  if (!text.empty() && text.front() == u'v') text.remove_prefix(1);
  std::vector<std::uint32_t> parts;
  std::uint32_t part = 0;
  bool digits = false;
  for (const char16_t c : text) {
    if (c >= u'0' && c <= u'9') {
      if (part >= kMostPerPart / 10) return std::nullopt;
      part = part * 10 + static_cast<std::uint32_t>(c - u'0');
      digits = true;
    } else if (c == u'.' && digits) {
      parts.push_back(part);
      part = 0;
      digits = false;
    } else {
      return std::nullopt;
    }
  }
  if (!digits) return std::nullopt;
  parts.push_back(part);
  return parts;
}

}  // namespace

std::u16string keptVersionText(std::u16string_view text) {
  if (text.size() <= kMostVersionTextKept) return std::u16string(text);
  text = text.substr(0, kMostVersionTextKept - 1);
  if (text.back() >= 0xD800 && text.back() <= 0xDBFF) text.remove_suffix(1);
  return std::u16string(text) + u'\u2026';
}

std::optional<std::strong_ordering> compareVersions(std::u16string_view left,
                                                    std::u16string_view right) {
  auto a = partsOf(left);
  auto b = partsOf(right);
  if (!a || !b) return std::nullopt;
  a->resize(std::max(a->size(), b->size()));
  b->resize(a->size());
  return *a <=> *b;
}

VersionVerdict verdictOf(std::u16string_view installed, std::u16string_view imageVersion) {
  const auto order = compareVersions(installed, imageVersion);
  if (!order) return VersionVerdict::Unreadable;
  if (std::is_lt(*order)) return VersionVerdict::UpdateAvailable;
  if (std::is_gt(*order)) return VersionVerdict::NewerThanImage;
  return VersionVerdict::OnImageVersion;
}

const char* verdictName(VersionVerdict verdict) {
  switch (verdict) {
    case VersionVerdict::UpdateAvailable:
      return "update-available";
    case VersionVerdict::OnImageVersion:
      return "current";
    case VersionVerdict::NewerThanImage:
      return "newer";
    case VersionVerdict::Unreadable:
      break;
  }
  return "unreadable";
}

VersionQuestion questionByDottedRule(VersionVerdict verdict, std::u16string_view installed) {
  switch (verdict) {
    case VersionVerdict::UpdateAvailable:
      return VersionQuestion::None;
    case VersionVerdict::OnImageVersion:
      return VersionQuestion::AlreadyCurrent;
    case VersionVerdict::NewerThanImage:
      return VersionQuestion::Downgrade;
    case VersionVerdict::Unreadable:
      break;
  }
  return installed.empty() ? VersionQuestion::None : VersionQuestion::Unreadable;
}

VersionQuestion questionInWindow(int versionNumber, VersionVerdict verdict) {
  if (versionNumber > kCurrentVersionThreshold) return VersionQuestion::AlreadyCurrent;
  if (verdict == VersionVerdict::NewerThanImage) return VersionQuestion::Downgrade;
  return VersionQuestion::None;
}

}  // namespace app
