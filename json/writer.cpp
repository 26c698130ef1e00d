#include <array>

#include "json/json_array.h"
#include "json/json_value.h"
#include "json/member_table.h"
#include "json/number_text.h"
#include "json/text_buffer.h"

namespace json {

namespace {

constexpr std::array<char16_t, 16> kHexDigits{u'0', u'1', u'2', u'3', u'4', u'5', u'6', u'7',
                                              u'8', u'9', u'a', u'b', u'c', u'd', u'e', u'f'};

void appendAscii(TextBuffer& writer, const char* text, std::size_t length) {
  std::array<char16_t, kMaxNumberText> units;  // NOLINT(cppcoreguidelines-pro-type-member-init)
  for (std::size_t i = 0; i < length; ++i) units[i] = static_cast<unsigned char>(text[i]);
  writer.append(units.data(), length);
}

void appendUnicodeEscape(TextBuffer& writer, char16_t unit) {
  const std::array<char16_t, 6> escape{u'\\',
                                       u'u',
                                       kHexDigits[(unit >> 12) & 0xF],
                                       kHexDigits[(unit >> 8) & 0xF],
                                       kHexDigits[(unit >> 4) & 0xF],
                                       kHexDigits[unit & 0xF]};
  writer.append(escape.data(), escape.size());
}

// Escape on: the text comes out as 7-bit ASCII.
void escapeFull(TextBuffer& writer, std::u16string_view text) {
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 32 && unit <= 127 && unit != u'"' && unit != u'\\' && unit != u'/') continue;
    writer.append(text.data() + runStart, i - runStart);
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
      writer.append(escape.data(), escape.size());
    } else {
      appendUnicodeEscape(writer, unit);
    }
  }
  writer.append(text.data() + runStart, text.size() - runStart);
}

// Escape off: only what would break the string is escaped; the rest stays raw.
void escapeMinimal(TextBuffer& writer, std::u16string_view text) {
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit != 0 && unit != u'"' && unit != u'\\') continue;
    writer.append(text.data() + runStart, i - runStart);
    runStart = i + 1;
    if (unit == 0) {
      appendUnicodeEscape(writer, unit);
    } else {
      const std::array<char16_t, 2> escape{u'\\', unit};
      writer.append(escape.data(), escape.size());
    }
  }
  writer.append(text.data() + runStart, text.size() - runStart);
}

void writeText(TextBuffer& writer, std::u16string_view text, bool escape) {
  writer.append(u'"');
  if (escape) {
    escapeFull(writer, text);
  } else {
    escapeMinimal(writer, text);
  }
  writer.append(u'"');
}

// Moves the level by step and, on request, starts a new line indented to it.
void writeIndent(TextBuffer& writer, bool indent, int& level, int step, bool newline) {
  if (!indent) return;
  level += step;
  if (!newline) return;
  writer.append(u"\r\n");
  for (int i = 0; i < level; ++i) writer.append(u' ');
}

// Members and elements that are callables or already being written are left out.
bool isSkipped(const JsonValue* value) {
  return value != nullptr && (value->type() == JsonType::Method || value->processing());
}

}  // namespace

void JsonValue::writeJson(TextBuffer& writer, bool indent, bool escape, int level) {
  if (processing_) {
    writer.append(u"null");
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
      writer.append(u"null");
      break;
    case JsonType::Boolean:
      writer.append(payload_.boolean ? u"true" : u"false");
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
        writer.append(u"{}");
        break;
      }
      writer.append(u'{');
      writeIndent(writer, indent, level, 1, false);
      bool first = true;
      members.forEach([&](const AvlNode& node) {
        JsonValue* value = node.value.get();
        if (isSkipped(value)) return;
        if (!first) writer.append(u',');
        first = false;
        writeIndent(writer, indent, level, 0, true);
        writeText(writer, node.name, escape);
        writer.append(indent ? u": " : u":");
        if (value == nullptr) {
          writer.append(u"null");
        } else {
          value->writeJson(writer, indent, escape, level);
        }
      });
      if (!first) writeIndent(writer, indent, level, -1, true);
      writer.append(u'}');
      break;
    }
    case JsonType::Array: {
      const JsonArray& elements = *payload_.elements;
      if (elements.length() == 0) {
        writer.append(u"[]");
        break;
      }
      writer.append(u'[');
      writeIndent(writer, indent, level, 1, true);
      bool first = true;
      for (std::size_t i = 0; i < elements.length(); ++i) {
        JsonValue* element = elements.peek(i);
        if (isSkipped(element)) continue;
        if (!first) writer.append(u',');
        first = false;
        if (element != nullptr) {
          element->writeJson(writer, indent, escape, level);
        } else {
          writer.append(u"null");
        }
      }
      writeIndent(writer, indent, level, -1, false);
      writer.append(u']');
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
