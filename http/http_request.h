#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "http/authentication.h"
#include "http/entity_headers.h"
#include "http/http_options.h"
#include "http/stream.h"
#include "http/transport/ip_version.h"

namespace http {

inline constexpr char16_t kDefaultAccept[] =
    u"text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
inline constexpr char16_t kDefaultUserAgent[] = u"Mozilla/3.0 (compatible; ZEDEZ Updater)";

// Header fields a request adds to the entity fields.
struct RequestHeaders : EntityHeaders {
  std::u16string accept = kDefaultAccept;
  std::u16string acceptCharSet;
  std::u16string acceptEncoding;
  std::u16string acceptLanguage;
  std::u16string from;
  std::u16string referer;
  std::u16string host;
  std::u16string range;
  std::u16string methodOverride;
  std::u16string proxyConnection;
  std::u16string userAgent = kDefaultUserAgent;
  bool basicAuthentication = false;
  std::u16string username;
  std::u16string password;
  std::unique_ptr<Authentication> authentication;

  // Restores the defaults of the fields that describe one request, Connection included; leaves
  // customHeaders, pragma, transferEncoding, proxyConnection, the credentials and the
  // authentication object as they are.
  void clear();
  // Rebuilds rawHeaders from the fields, in the order the wire carries them.
  void composeRawHeaders();
};

// The request record a client reuses for each of its requests.
struct HttpRequest : RequestHeaders {
  std::u16string url;  // the request target as sent
  std::u16string method;
  Stream* source = nullptr;  // the body, not owned
  ConnectionType useProxy = ConnectionType::Normal;
  IpVersion ipVersion = IpVersion::V4;
  std::u16string destination;  // host:port of the target, for a tunnel
};

}  // namespace http
