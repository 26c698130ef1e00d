#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "json/detail/number_format.h"
#include "json/detail/text_escape.h"
#include "json/json_array.h"
#include "json/json_value.h"
#include "json/member_table.h"

namespace json::detail {

// Members and elements that are callables or already being written are left out.
inline bool isSkipped(const JsonValue* value) {
  return value != nullptr && (value->type() == JsonType::Method || value->processing());
}

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
        sink_.putAscii(number.data(), formatInteger(value.payload_.integer, number.data()));
        break;
      case JsonType::Double:
        sink_.putAscii(number.data(), formatFloat(value.payload_.dbl, number.data()));
        break;
      case JsonType::Currency:
        sink_.putAscii(number.data(), formatCurrency(value.payload_.currency, number.data()));
        break;
      case JsonType::String:
        writeText(sink_, value.text(), escape_);
        break;
      case JsonType::Object:
        openObject(value);
        break;
      case JsonType::Array:
        openArray(value);
        break;
      case JsonType::Method:
        break;
    }
  }

  void openObject(JsonValue& value) {
    if (value.payload_.members->memberCount() == 0) {
      sink_.put(u"{}");
      return;
    }
    sink_.put(u'{');
    push(value, nodes_.size());
    indent(1, false);
    descendLesser(value.payload_.members->root());
  }

  void openArray(JsonValue& value) {
    if (value.payload_.elements->length() == 0) {
      sink_.put(u"[]");
      return;
    }
    sink_.put(u'[');
    push(value, 0);
    indent(1, true);
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
