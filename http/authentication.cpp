#include "http/authentication.h"

#include "http/base/ascii_text.h"

namespace http {

namespace {

std::string base64Encode(std::string_view bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned n = (static_cast<unsigned char>(bytes[i]) << 16U) |
                       (static_cast<unsigned char>(bytes[i + 1]) << 8U) |
                       static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[(n >> 18U) & 63U];
    out += kAlphabet[(n >> 12U) & 63U];
    out += kAlphabet[(n >> 6U) & 63U];
    out += kAlphabet[n & 63U];
  }
  if (i < bytes.size()) {
    unsigned n = static_cast<unsigned char>(bytes[i]) << 16U;
    if (i + 1 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 1]) << 8U;
    out += kAlphabet[(n >> 18U) & 63U];
    out += kAlphabet[(n >> 12U) & 63U];
    out += i + 1 < bytes.size() ? kAlphabet[(n >> 6U) & 63U] : '=';
    out += '=';
  }
  return out;
}

}  // namespace

std::u16string BasicAuthentication::authorization() const {
  std::string bytes;
  for (const char16_t c : username_ + u":" + password_) bytes += static_cast<char>(c & 0xFF);
  const std::string encoded = base64Encode(bytes);
  return u"Basic " + std::u16string(encoded.begin(), encoded.end());
}

std::unique_ptr<Authentication> authenticationForChallenge(std::u16string_view challenge,
                                                           std::u16string_view username,
                                                           std::u16string_view password) {
  challenge = trimView(challenge);
  const std::u16string_view scheme = challenge.substr(0, challenge.find(u' '));
  if (equalsIgnoreCase(scheme, u"Basic") && !username.empty()) {
    return std::make_unique<BasicAuthentication>(std::u16string(username),
                                                 std::u16string(password));
  }
  return nullptr;
}

}  // namespace http
