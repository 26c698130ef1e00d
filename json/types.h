#pragma once

#include <cstdint>
#include <initializer_list>

namespace json {

enum class JsonType : std::uint8_t {
  Null,
  Boolean,
  Double,
  Currency,
  Int,
  Object,
  Array,
  String,
  Method,
};

enum class ParseError : std::uint8_t {
  Success,
  Continue,
  Depth,
  ParseEof,
  ParseUnexpected,
  ParseNull,
  ParseBoolean,
  ParseNumber,
  ParseArray,
  ParseObjectKeyName,
  ParseObjectKeySep,
  ParseObjectValueSep,
  ParseString,
  ParseComment,
  EvalObject,
  EvalArray,
  EvalMethod,
  EvalInt,
  ValueLimit,  // a parse would make more values than its limit allows
};

enum class FindOption : std::uint8_t { CreatePath, PutValue, Delete, CallMethod };

class FindOptions {
 public:
  constexpr FindOptions() = default;
  constexpr FindOptions(std::initializer_list<FindOption> options) {
    for (FindOption option : options) bits_ |= bit(option);
  }
  [[nodiscard]] constexpr bool contains(FindOption option) const {
    return (bits_ & bit(option)) != 0;
  }
  [[nodiscard]] constexpr bool empty() const { return bits_ == 0; }

 private:
  static constexpr std::uint8_t bit(FindOption option) {
    return static_cast<std::uint8_t>(1U << static_cast<unsigned>(option));
  }
  std::uint8_t bits_ = 0;
};

// The number of nesting levels a parse may use (0 to kMaxDepth - 1).
inline constexpr int kMaxDepth = 32;

}  // namespace json
