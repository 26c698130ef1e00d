#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace http {

// An authentication scheme that produces the value of an Authorization or
// Proxy-Authorization line.
class Authentication {
 public:
  Authentication() = default;
  Authentication(const Authentication&) = delete;
  Authentication& operator=(const Authentication&) = delete;
  virtual ~Authentication() = default;

  [[nodiscard]] virtual std::u16string authorization() const = 0;
  // Told the method and target of the request before each send.
  virtual void setRequest(std::u16string_view /*method*/, std::u16string_view /*target*/) {}
};

// The Basic scheme: "Basic " and the Base64 of user name, ":" and password, each character
// taken as one 8-bit byte.
class BasicAuthentication final : public Authentication {
 public:
  BasicAuthentication(std::u16string username, std::u16string password)
      : username_(std::move(username)), password_(std::move(password)) {}
  [[nodiscard]] std::u16string authorization() const override;

 private:
  std::u16string username_;
  std::u16string password_;
};

// Makes an authentication object for a challenge line ("Basic realm=...") when its scheme is
// known and has what it needs; nullptr otherwise.
[[nodiscard]] std::unique_ptr<Authentication> authenticationForChallenge(
    std::u16string_view challenge, std::u16string_view username, std::u16string_view password);

}  // namespace http
