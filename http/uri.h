#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "http/error.h"
#include "http/transport/ip_version.h"

namespace http {

HTTP_DECLARE_ERROR(UriError, Error);

// The parts of a URL that composing may leave out.
enum class UriOptionalField : std::uint8_t { UserInfo = 1U << 0U, Bookmark = 1U << 1U };

class UriOptionalFields {
 public:
  constexpr UriOptionalFields() = default;
  constexpr UriOptionalFields(std::initializer_list<UriOptionalField> fields) {
    for (const UriOptionalField field : fields) bits_ |= static_cast<std::uint8_t>(field);
  }
  [[nodiscard]] constexpr bool contains(UriOptionalField field) const {
    return (bits_ & static_cast<std::uint8_t>(field)) != 0;
  }

 private:
  std::uint8_t bits_ = 0;
};

// A URL split into its parts. Parsing is lenient and never fails; nothing is percent-encoded
// or decoded, every part stays exactly as written.
class Uri {
 public:
  Uri() = default;
  explicit Uri(std::u16string_view text) { setUri(text); }

  // Parses text into the fields.
  void setUri(std::u16string_view text);
  // Composes with user information and fragment into the stored text and returns the
  // composition without them. Throws UriError like getFullUri.
  std::u16string uri();

  // Throws UriError when the protocol or the host is empty.
  [[nodiscard]] std::u16string getFullUri(UriOptionalFields optional = {
                                              UriOptionalField::UserInfo,
                                              UriOptionalField::Bookmark}) const;
  // Path and document, then "?" and the parameters when there are any.
  [[nodiscard]] std::u16string getPathAndParams() const;

  // Resolves newPath against basePath: "." and ".." segments are folded, runs of "/" collapse.
  [[nodiscard]] static std::u16string resolvePath(std::u16string_view basePath,
                                                  std::u16string_view newPath);
  // Turns "\" into "/" in the part of a URL before its query and fragment.
  [[nodiscard]] static std::u16string normalizeBackslashes(std::u16string_view text);

  [[nodiscard]] const std::u16string& protocol() const noexcept { return protocol_; }
  [[nodiscard]] const std::u16string& username() const noexcept { return username_; }
  [[nodiscard]] const std::u16string& password() const noexcept { return password_; }
  [[nodiscard]] const std::u16string& host() const noexcept { return host_; }
  [[nodiscard]] const std::u16string& port() const noexcept { return port_; }
  [[nodiscard]] const std::u16string& path() const noexcept { return path_; }
  [[nodiscard]] const std::u16string& document() const noexcept { return document_; }
  [[nodiscard]] const std::u16string& params() const noexcept { return params_; }
  [[nodiscard]] const std::u16string& bookmark() const noexcept { return bookmark_; }
  [[nodiscard]] IpVersion ipVersion() const noexcept { return ipVersion_; }

  void setProtocol(std::u16string value) { protocol_ = std::move(value); }
  void setUsername(std::u16string value) { username_ = std::move(value); }
  void setPassword(std::u16string value) { password_ = std::move(value); }
  void setHost(std::u16string value) { host_ = std::move(value); }
  void setPort(std::u16string value) { port_ = std::move(value); }
  void setPath(std::u16string value) { path_ = std::move(value); }
  void setDocument(std::u16string value) { document_ = std::move(value); }
  void setParams(std::u16string value) { params_ = std::move(value); }
  void setBookmark(std::u16string value) { bookmark_ = std::move(value); }
  void setIpVersion(IpVersion value) noexcept { ipVersion_ = value; }

 private:
  void clear();
  // User information, host and port from the part between "//" and the path.
  void setAuthority(std::u16string_view authority);

  std::u16string uri_;
  std::u16string protocol_;
  std::u16string username_;
  std::u16string password_;
  std::u16string host_;
  std::u16string port_;
  std::u16string path_;
  std::u16string document_;
  std::u16string params_;
  std::u16string bookmark_;
  IpVersion ipVersion_ = IpVersion::V4;
};

}  // namespace http
