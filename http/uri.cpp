#include "http/uri.h"

#include "http/base/ascii_text.h"

namespace http {
namespace {

constexpr auto npos = std::u16string_view::npos;

bool isSlash(char16_t c) { return c == u'/' || c == u'\\'; }

bool isDefaultPort(std::u16string_view protocol, std::u16string_view port) {
  return (equalsIgnoreCase(protocol, u"http") && port == u"80") ||
         (equalsIgnoreCase(protocol, u"https") && port == u"443") ||
         (equalsIgnoreCase(protocol, u"ftp") && port == u"21");
}

// Splits "#fragment" and then "?query" off the end of text. The fragment is taken first, so
// that a "?" inside it never makes part of the fragment a query.
void splitQueryAndFragment(std::u16string_view& text, std::u16string& params,
                           std::u16string& bookmark) {
  if (const std::size_t hash = text.find(u'#'); hash != npos) {
    bookmark = text.substr(hash + 1);
    text = text.substr(0, hash);
  }
  if (const std::size_t question = text.find(u'?'); question != npos) {
    params = text.substr(question + 1);
    text = text.substr(0, question);
  }
}

}  // namespace

std::u16string Uri::normalizeBackslashes(std::u16string_view text) {
  std::u16string out(text);
  const std::size_t queryOrFragment = out.find_first_of(u"?#");
  const std::size_t end = queryOrFragment == npos ? out.size() : queryOrFragment;
  std::size_t start = 0;
  // A colon inside the query or fragment is no scheme separator.
  if (const std::size_t colon = out.find(u':'); colon < end) {
    start = colon + 1;
    if (start + 1 < end && isSlash(out[start]) && isSlash(out[start + 1])) start += 2;
  }
  for (std::size_t i = start; i < end; ++i) {
    if (out[i] == u'\\') out[i] = u'/';
  }
  return out;
}

void Uri::clear() {
  uri_.clear();
  protocol_.clear();
  username_.clear();
  password_.clear();
  host_.clear();
  port_.clear();
  path_.clear();
  document_.clear();
  params_.clear();
  bookmark_.clear();
  ipVersion_ = IpVersion::V4;
}

void Uri::setAuthority(std::u16string_view authority) {
  if (const std::size_t at = authority.rfind(u'@'); at != npos) {
    const std::u16string_view userInfo = authority.substr(0, at);
    const std::size_t colon = userInfo.find(u':');
    username_ = userInfo.substr(0, colon);
    if (colon != npos && !username_.empty()) password_ = userInfo.substr(colon + 1);
    authority.remove_prefix(at + 1);
  }

  const std::size_t open = authority.find(u'[');
  const std::size_t close = authority.find(u']');
  if (open != npos && close != npos && open < close) {
    host_ = authority.substr(open + 1, close - open - 1);
    ipVersion_ = IpVersion::V6;
    if (const std::size_t colon = authority.find(u':', close); colon != npos) {
      port_ = authority.substr(colon + 1);
    }
  } else {
    const std::size_t colon = authority.find(u':');
    host_ = authority.substr(0, colon);
    if (colon != npos) port_ = authority.substr(colon + 1);
  }
}

void Uri::setUri(std::u16string_view text) {
  clear();
  uri_ = normalizeBackslashes(text);
  std::u16string_view rest = uri_;
  splitQueryAndFragment(rest, params_, bookmark_);

  // "://" separates a protocol only when nothing before it is a "/".
  bool hasAuthority = false;
  if (const std::size_t separator = rest.find(u"://");
      separator != npos && rest.find(u'/') == separator + 1) {
    protocol_ = rest.substr(0, separator);
    rest.remove_prefix(separator + 3);
    hasAuthority = true;
  } else if (rest.starts_with(u"//")) {
    rest.remove_prefix(2);
    hasAuthority = true;
  }

  if (!hasAuthority) {
    if (const std::size_t lastSlash = rest.rfind(u'/'); lastSlash != npos) {
      path_ = rest.substr(0, lastSlash + 1);
      rest.remove_prefix(lastSlash + 1);
    }
    document_ = rest;
    return;
  }

  std::u16string_view authority = rest;
  if (const std::size_t slash = rest.find(u'/'); slash != npos) {
    authority = rest.substr(0, slash);
    rest.remove_prefix(slash + 1);
  } else {
    rest = {};
  }

  setAuthority(authority);

  path_ = u"/";
  if (const std::size_t lastSlash = rest.rfind(u'/'); lastSlash != npos) {
    path_ += rest.substr(0, lastSlash + 1);
    rest.remove_prefix(lastSlash + 1);
  }
  document_ = rest;
}

std::u16string Uri::uri() {
  uri_ = getFullUri({UriOptionalField::UserInfo, UriOptionalField::Bookmark});
  return getFullUri({});
}

std::u16string Uri::getFullUri(UriOptionalFields optional) const {
  if (protocol_.empty()) throw UriError(u"Protocol field is empty");
  if (host_.empty()) throw UriError(u"Host field is empty");
  std::u16string out = protocol_ + u"://";
  if (optional.contains(UriOptionalField::UserInfo) && !username_.empty()) {
    out += username_;
    if (!password_.empty()) out += u':' + password_;
    out += u'@';
  }
  if (ipVersion_ == IpVersion::V6) {
    out += u'[' + host_ + u']';
  } else {
    out += host_;
  }
  if (!port_.empty() && !isDefaultPort(protocol_, port_)) out += u':' + port_;
  out += getPathAndParams();
  if (optional.contains(UriOptionalField::Bookmark) && !bookmark_.empty()) {
    out += u'#' + bookmark_;
  }
  return out;
}

std::u16string Uri::getPathAndParams() const {
  std::u16string out = path_ + document_;
  if (!params_.empty()) out += u'?' + params_;
  return out;
}

std::u16string Uri::resolvePath(std::u16string_view basePath, std::u16string_view newPath) {
  if (newPath.starts_with(u'/')) return std::u16string(newPath);
  const bool keepTrailingSlash = newPath.empty() || newPath.ends_with(u'/');

  std::u16string work(basePath);
  if (!work.empty() && !work.ends_with(u'/')) work += u'/';
  work += newPath;

  std::u16string result;
  for (std::size_t i = 0; i < work.size(); ++i) {
    const char16_t c = work[i];
    if (c == u'/') {
      if (i == 0) {
        result = u"/";
      } else if (!result.ends_with(u'/')) {
        result += c;
      }
    } else if (c == u'.' && result.ends_with(u'/') && i + 1 < work.size() && work[i + 1] == u'.') {
      // ".." drops the last segment of the result.
      result.pop_back();
      const std::size_t previousSlash = result.rfind(u'/');
      result.erase(previousSlash == std::u16string::npos ? 0 : previousSlash + 1);
      ++i;
    } else {
      result += c;
    }
  }
  if (result.size() > 1 && result.ends_with(u'/') && !keepTrailingSlash) result.pop_back();
  // ".." above the root stays at the root rather than leaving an empty path.
  if (result.empty() && work.starts_with(u'/')) result = u"/";
  return result;
}

}  // namespace http
