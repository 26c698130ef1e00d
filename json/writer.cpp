#include <array>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "json/detail/json_sink.h"
#include "json/detail/number_format.h"
#include "json/detail/text_buffer.h"
#include "json/detail/utf8_sink.h"
#include "json/json_array.h"
#include "json/json_value.h"
#include "json/member_table.h"

namespace json::detail {

namespace {

constexpr std::array<char16_t, 16> kHexDigits{u'0', u'1', u'2', u'3', u'4', u'5', u'6', u'7',
                                              u'8', u'9', u'a', u'b', u'c', u'd', u'e', u'f'};

template <typename Sink>
void appendAscii(Sink& writer, const char* text, std::size_t length) {
  writer.putAscii(text, length);
}

template <typename Sink>
void appendUnicodeEscape(Sink& writer, char16_t unit) {
  const std::array<char16_t, 6> escape{u'\\',
                                       u'u',
                                       kHexDigits[(unit >> 12) & 0xF],
                                       kHexDigits[(unit >> 8) & 0xF],
                                       kHexDigits[(unit >> 4) & 0xF],
                                       kHexDigits[unit & 0xF]};
  writer.put(escape.data(), escape.size());
}

bool staysInFull(char16_t unit) {
  return unit >= 32 && unit <= 127 && unit != u'"' && unit != u'\\' && unit != u'/';
}

// The units from start on that escape-on writes as they are, eight at a time where it can.
std::size_t plainRunForFull(std::u16string_view text, std::size_t start) {
  std::size_t i = start;
#if defined(__SSE2__)
  const __m128i below = _mm_set1_epi16(32);
  const __m128i above = _mm_set1_epi16(127);
  const __m128i quote = _mm_set1_epi16(u'"');
  const __m128i backslash = _mm_set1_epi16(u'\\');
  const __m128i slash = _mm_set1_epi16(u'/');
  while (i + 8 <= text.size()) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    // Units of 0x8000 and above compare as negative, so they fall below 32 here.
    __m128i special = _mm_or_si128(_mm_cmplt_epi16(units, below), _mm_cmpgt_epi16(units, above));
    special = _mm_or_si128(special, _mm_cmpeq_epi16(units, quote));
    special = _mm_or_si128(special, _mm_cmpeq_epi16(units, backslash));
    special = _mm_or_si128(special, _mm_cmpeq_epi16(units, slash));
    if (_mm_movemask_epi8(special) != 0) break;
    i += 8;
  }
#endif
  while (i < text.size() && staysInFull(text[i])) ++i;
  return i - start;
}

// Escape on: the text comes out as 7-bit ASCII.
template <typename Sink>
void escapeFull(Sink& writer, std::u16string_view text) {
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    i += plainRunForFull(text, i);
    if (i == text.size()) break;
    const char16_t unit = text[i];
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
template <typename Sink>
void escapeMinimal(Sink& writer, std::u16string_view text) {
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

template <typename Sink>
void writeText(Sink& writer, std::u16string_view text, bool escape) {
  writer.put(u'"');
  if (escape) {
    escapeFull(writer, text);
  } else {
    escapeMinimal(writer, text);
  }
  writer.put(u'"');
}

// Members and elements that are callables or already being written are left out.
bool isSkipped(const JsonValue* value) {
  return value != nullptr && (value->type() == JsonType::Method || value->processing());
}

}  // namespace

// Walks a tree with explicit stacks rather than recursion, so that a tree of any depth (paths
// can build one) is written without exhausting the call stack.
template <typename Sink>
class JsonWriter {
 public:
  JsonWriter(Sink& sink, bool indent, bool escape, int level)
      : sink_(sink), indent_(indent), escape_(escape), level_(level) {}
  JsonWriter(const JsonWriter&) = delete;
  JsonWriter& operator=(const JsonWriter&) = delete;
  // Also on an error of the sink: no container stays marked as being written.
  ~JsonWriter() {
    for (const Frame& frame : frames_) frame.container->processing_ = false;
  }

  void write(JsonValue& root) {
    if (root.processing_) {
      sink_.put(u"null");
      return;
    }
    open(root);
    while (!frames_.empty()) {
      JsonValue* child = nullptr;
      const bool more = frames_.back().container->type_ == JsonType::Object
                            ? nextMember(frames_.back(), child)
                            : nextElement(frames_.back(), child);
      if (!more) {
        close();
      } else if (child == nullptr) {
        sink_.put(u"null");
      } else {
        open(*child);
      }
    }
  }

 private:
  struct Frame {
    JsonValue* container;
    std::size_t next;  // arrays: the next index; objects: where this object's nodes start
    int outerLevel;
    bool first;
  };

  // Scalars are written at once; a container with content is opened and walked later.
  void open(JsonValue& value) {
    std::array<char, kMaxNumberText> number;  // NOLINT(cppcoreguidelines-pro-type-member-init)
    switch (value.type_) {
      case JsonType::Null:
        sink_.put(u"null");
        break;
      case JsonType::Boolean:
        sink_.put(value.payload_.boolean ? u"true" : u"false");
        break;
      case JsonType::Int:
        appendAscii(sink_, number.data(), formatInteger(value.payload_.integer, number.data()));
        break;
      case JsonType::Double:
        appendAscii(sink_, number.data(), formatFloat(value.payload_.dbl, number.data()));
        break;
      case JsonType::Currency:
        appendAscii(sink_, number.data(), formatCurrency(value.payload_.currency, number.data()));
        break;
      case JsonType::String:
        writeText(sink_, value.text(), escape_);
        break;
      case JsonType::Object:
        if (value.payload_.members->memberCount() == 0) {
          sink_.put(u"{}");
          break;
        }
        sink_.put(u'{');
        push(value, nodes_.size());
        indent(1, false);
        descendLesser(value.payload_.members->root());
        break;
      case JsonType::Array:
        if (value.payload_.elements->length() == 0) {
          sink_.put(u"[]");
          break;
        }
        sink_.put(u'[');
        push(value, 0);
        indent(1, true);
        break;
      case JsonType::Method:
        break;
    }
  }

  void push(JsonValue& container, std::size_t next) {
    frames_.push_back({&container, next, level_, true});
    container.processing_ = true;
  }

  void close() {
    const Frame frame = frames_.back();
    if (frame.container->type_ == JsonType::Object) {
      if (!frame.first) indent(-1, true);
      sink_.put(u'}');
    } else {
      indent(-1, false);
      sink_.put(u']');
    }
    frame.container->processing_ = false;
    level_ = frame.outerLevel;
    frames_.pop_back();
  }

  // In walk order (lesser side first): the nodes still to visit lie on nodes_ above frame.next.
  bool nextMember(Frame& frame, JsonValue*& child) {
    while (nodes_.size() > frame.next) {
      const AvlNode* node = nodes_.back();
      nodes_.pop_back();
      descendLesser(node->greater);
      JsonValue* value = node->value.get();
      if (isSkipped(value)) continue;
      separate(frame);
      indent(0, true);
      writeText(sink_, node->name, escape_);
      sink_.put(indent_ ? u": " : u":");
      child = value;
      return true;
    }
    return false;
  }

  bool nextElement(Frame& frame, JsonValue*& child) {
    const JsonArray& elements = *frame.container->payload_.elements;
    while (frame.next < elements.length()) {
      prefetchAhead(elements, frame.next);
      JsonValue* element = elements.peek(frame.next++);
      if (isSkipped(element)) continue;
      separate(frame);
      child = element;
      return true;
    }
    return false;
  }

  // Elements lie apart from the list that holds them, and an object's members lie behind its
  // table: elements ahead are fetched in stages, each reading only what an earlier one fetched.
  static void prefetchAhead(const JsonArray& elements, std::size_t next) {
    const std::size_t length = elements.length();
    if (next + 6 < length) __builtin_prefetch(elements.peek(next + 6));
    if (next + 3 < length) {
      const JsonValue* value = elements.peek(next + 3);
      if (value != nullptr && value->type_ == JsonType::Object) {
        __builtin_prefetch(value->payload_.members);
      }
    }
    if (next + 1 < length) {
      const JsonValue* value = elements.peek(next + 1);
      if (value != nullptr && value->type_ == JsonType::Object) {
        __builtin_prefetch(value->payload_.members->root());
      }
    }
  }

  void separate(Frame& frame) {
    if (!frame.first) sink_.put(u',');
    frame.first = false;
  }

  // The values of the nodes put on the stack are fetched ahead of their turn: they lie apart
  // from the nodes, and waiting for each in turn costs more than writing it.
  void descendLesser(const AvlNode* node) {
    for (; node != nullptr; node = node->lesser) {
      __builtin_prefetch(node->value.get());
      if (node->greater != nullptr) __builtin_prefetch(node->greater);
      nodes_.push_back(node);
    }
  }

  // Moves the level by step and, on request, starts a new line indented to it.
  void indent(int step, bool newline) {
    if (!indent_) return;
    level_ += step;
    if (!newline) return;
    sink_.put(u"\r\n");
    for (int i = 0; i < level_; ++i) sink_.put(u' ');
  }

  Sink& sink_;
  bool indent_;
  bool escape_;
  int level_;
  std::vector<Frame> frames_;
  std::vector<const AvlNode*> nodes_;
};

}  // namespace json::detail

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
