// Evaluates an arbitrary path with any find options over a document parsed from arbitrary
// bytes. The first byte picks the options and the type of created values; the rest is the
// document, then a NUL byte, then the path, both UTF-8. Property: an evaluation changes the
// document only when its options allow a change.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "json/json_ref.h"
#include "json/json_value.h"
#include "json/parser.h"
#include "text/utf8_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t choice = data[0];
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t split = std::min(rest.find('\0'), rest.size());
  const json::JsonRef document = json::parseDocument(text::utf8ToUtf16(rest.substr(0, split)));
  if (!document) return 0;
  rest.remove_prefix(std::min(split + 1, rest.size()));
  const std::u16string path = text::utf8ToUtf16(rest);

  using json::FindOption;
  static const std::array<json::FindOptions, 8> kOptions{
      json::FindOptions{},
      {FindOption::CreatePath},
      {FindOption::PutValue},
      {FindOption::CreatePath, FindOption::PutValue},
      {FindOption::Delete},
      {FindOption::CreatePath, FindOption::Delete},
      {FindOption::PutValue, FindOption::Delete},
      {FindOption::CreatePath, FindOption::PutValue, FindOption::Delete}};
  const json::FindOptions options = kOptions[choice & 7U];
  const bool changes = !options.empty();
  const auto dt = static_cast<json::JsonType>((choice >> 3U) % 8U);
  const bool strict = (choice & 0x80U) != 0;

  const std::u16string before = changes ? std::u16string() : document.asJson();
  const json::JsonRef put = json::JsonValue::createCurrency(60000000);
  (void)json::JsonValue::parseText(path, strict, !strict, document, options, put, dt)
      .asJson(false, false);
  if (!changes && document.asJson() != before) __builtin_trap();
  if (changes) (void)document.asJson();
  return 0;
}
