#include <array>

#include "json/json_array.h"
#include "json/json_sink.h"
#include "json/json_value.h"
#include "json/member_table.h"
#include "json/number_text.h"
#include "json/text_buffer.h"

namespace json {

namespace {

constexpr std::array<char16_t, 16> kHexDigits{u'0', u'1', u'2', u'3', u'4', u'5', u'6', u'7',
                                              u'8', u'9', u'a', u'b', u'c', u'd', u'e', u'f'};

void appendAscii(JsonSink& writer, const char* text, std::size_t length) {
  writer.putAscii(text, length);
}

void appendUnicodeEscape(JsonSink& writer, char16_t unit) {
  const std::array<char16_t, 6> escape{u'\\',
                                       u'u',
                                       kHexDigits[(unit >> 12) & 0xF],
                                       kHexDigits[(unit >> 8) & 0xF],
                                       kHexDigits[(unit >> 4) & 0xF],
                                       kHexDigits[unit & 0xF]};
  writer.put(escape.data(), escape.size());
}

// Escape on: the text comes out as 7-bit ASCII.
void escapeFull(JsonSink& writer, std::u16string_view text) {
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 32 && unit <= 127 && unit != u'"' && unit != u'\\' && unit != u'/') continue;
    writer.put(text.data() + runStart, i - runStart);
    runStart = i + 1;
    char16_t shortForm = 0;
    switch (unit) {
      case 8:
        shortForm = u'b';
        break;
      case u'\t':
        shortForm = u't';
        break;
      case u'\n':
        shortForm = u'n';
        break;
      case 12:
        shortForm = u'f';
        break;
      case u'\r':
        shortForm = u'r';
        break;
      case u'"':
      case u'\\':
      case u'/':
        shortForm = unit;
        break;
      default:
        break;
    }
    if (shortForm != 0) {
      const std::array<char16_t, 2> escape{u'\\', shortForm};
      writer.put(escape.data(), escape.size());
    } else {
      appendUnicodeEscape(writer, unit);
    }
  }
  writer.put(text.data() + runStart, text.size() - runStart);
}

// Escape off: only what would break the string is escaped; the rest stays raw.
void escapeMinimal(JsonSink& writer, std::u16string_view text) {
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit != 0 && unit != u'"' && unit != u'\\') continue;
    writer.put(text.data() + runStart, i - runStart);
    runStart = i + 1;
    if (unit == 0) {
      appendUnicodeEscape(writer, unit);
    } else {
      const std::array<char16_t, 2> escape{u'\\', unit};
      writer.put(escape.data(), escape.size());
    }
  }
  writer.put(text.data() + runStart, text.size() - runStart);
}

void writeText(JsonSink& writer, std::u16string_view text, bool escape) {
  writer.put(u'"');
  if (escape) {
    escapeFull(writer, text);
  } else {
    escapeMinimal(writer, text);
  }
  writer.put(u'"');
}

// Moves the level by step and, on request, starts a new line indented to it.
void writeIndent(JsonSink& writer, bool indent, int& level, int step, bool newline) {
  if (!indent) return;
  level += step;
  if (!newline) return;
  writer.put(u"\r\n");
  for (int i = 0; i < level; ++i) writer.put(u' ');
}

// Members and elements that are callables or already being written are left out.
bool isSkipped(const JsonValue* value) {
  return value != nullptr && (value->type() == JsonType::Method || value->processing());
}

}  // namespace

void JsonValue::writeJson(TextBuffer& writer, bool indent, bool escape, int level) {
  JsonSink sink(writer);
  writeTo(sink, indent, escape, level);
  sink.finish();
}

void JsonValue::writeTo(JsonSink& writer, bool indent, bool escape, int level) {
  if (processing_) {
    writer.put(u"null");
    return;
  }
  processing_ = true;
  struct ClearOnExit {
    explicit ClearOnExit(bool& flag) : flag_(flag) {}
    ClearOnExit(const ClearOnExit&) = delete;
    ClearOnExit& operator=(const ClearOnExit&) = delete;
    ~ClearOnExit() { flag_ = false; }
    bool& flag_;
  } clearOnExit(processing_);

  std::array<char, kMaxNumberText> number;  // NOLINT(cppcoreguidelines-pro-type-member-init)
  switch (type_) {
    case JsonType::Null:
      writer.put(u"null");
      break;
    case JsonType::Boolean:
      writer.put(payload_.boolean ? u"true" : u"false");
      break;
    case JsonType::Int:
      appendAscii(writer, number.data(), formatInteger(payload_.integer, number.data()));
      break;
    case JsonType::Double:
      appendAscii(writer, number.data(), formatFloat(payload_.dbl, number.data()));
      break;
    case JsonType::Currency:
      appendAscii(writer, number.data(), formatCurrency(payload_.currency, number.data()));
      break;
    case JsonType::String:
      writeText(writer, text_, escape);
      break;
    case JsonType::Object: {
      const MemberTable& members = *payload_.members;
      if (members.memberCount() == 0) {
        writer.put(u"{}");
        break;
      }
      writer.put(u'{');
      writeIndent(writer, indent, level, 1, false);
      bool first = true;
      members.forEach([&](const AvlNode& node) {
        JsonValue* value = node.value.get();
        if (isSkipped(value)) return;
        if (!first) writer.put(u',');
        first = false;
        writeIndent(writer, indent, level, 0, true);
        writeText(writer, node.name, escape);
        writer.put(indent ? u": " : u":");
        if (value == nullptr) {
          writer.put(u"null");
        } else {
          value->writeTo(writer, indent, escape, level);
        }
      });
      if (!first) writeIndent(writer, indent, level, -1, true);
      writer.put(u'}');
      break;
    }
    case JsonType::Array: {
      const JsonArray& elements = *payload_.elements;
      if (elements.length() == 0) {
        writer.put(u"[]");
        break;
      }
      writer.put(u'[');
      writeIndent(writer, indent, level, 1, true);
      bool first = true;
      for (std::size_t i = 0; i < elements.length(); ++i) {
        JsonValue* element = elements.peek(i);
        if (isSkipped(element)) continue;
        if (!first) writer.put(u',');
        first = false;
        if (element != nullptr) {
          element->writeTo(writer, indent, escape, level);
        } else {
          writer.put(u"null");
        }
      }
      writeIndent(writer, indent, level, -1, false);
      writer.put(u']');
      break;
    }
    case JsonType::Method:
      break;
  }
}

std::u16string JsonValue::asJson(bool indent, bool escape) {
  TextBuffer writer;
  writeJson(writer, indent, escape, 0);
  return writer.take();
}

std::u16string JsonRef::asJson(bool indent, bool escape) const {
  return value_ != nullptr ? value_->asJson(indent, escape) : std::u16string();
}

}  // namespace json
