#include <string>

#include "json/detail/json_sink.h"
#include "json/detail/json_writer.h"
#include "json/detail/text_buffer.h"
#include "json/detail/utf8_sink.h"
#include "json/json_ref.h"
#include "json/json_value.h"

namespace json {

std::string JsonValue::asJsonUtf8(bool indent, bool escape) {
  std::string text;
  if (isNoValue()) return text;
  detail::Utf8Sink sink(text);
  detail::JsonWriter<detail::Utf8Sink>(sink, indent, escape, 0).write(*this);
  sink.finish();
  return text;
}

std::string JsonRef::asJsonUtf8(bool indent, bool escape) const {
  return value_ != nullptr ? value_->asJsonUtf8(indent, escape) : std::string();
}

std::u16string JsonValue::asJson(bool indent, bool escape) {
  if (isNoValue()) return {};
  detail::TextBuffer writer;
  detail::JsonSink sink(writer);
  detail::JsonWriter<detail::JsonSink>(sink, indent, escape, 0).write(*this);
  sink.finish();
  return writer.take();
}

std::u16string JsonRef::asJson(bool indent, bool escape) const {
  return value_ != nullptr ? value_->asJson(indent, escape) : std::u16string();
}

}  // namespace json
