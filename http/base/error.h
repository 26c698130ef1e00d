#pragma once

#include <string>
#include <string_view>

namespace http {

// The general exception base: every failure of the program derives from it and carries a text.
// className() gives the concrete class's name, which some outcome texts show to the operator.
class Error : public std::exception {
 public:
  explicit Error(std::u16string message = {});

  [[nodiscard]] const std::u16string& message() const noexcept { return message_; }
  [[nodiscard]] const char* what() const noexcept override { return utf8_.c_str(); }
  [[nodiscard]] virtual const char* className() const noexcept { return "Error"; }

 private:
  std::u16string message_;
  std::string utf8_;
};

// Networking failures.
class NetError : public Error {
 public:
  using Error::Error;
  [[nodiscard]] const char* className() const noexcept override { return "NetError"; }
};

// Networking failures that a caller usually treats as a normal end (the peer closed).
class SilentNetError : public NetError {
 public:
  using NetError::NetError;
  [[nodiscard]] const char* className() const noexcept override { return "SilentNetError"; }
};

}  // namespace http

// Declares an exception class that only adds its own name to its base. The names stand where
// a type is expected, so they cannot be parenthesised.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define HTTP_DECLARE_ERROR(Name, Base)                                              \
  class Name : public Base {                                                        \
   public:                                                                          \
    using Base::Base;                                                               \
    [[nodiscard]] const char* className() const noexcept override { return #Name; } \
  }
// NOLINTEND(bugprone-macro-parentheses)
