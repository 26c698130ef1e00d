// Path evaluation against a small model of the path rules, over generated documents and paths,
// with every combination of find options.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "test_support.h"

namespace json {
namespace {

struct Node;
using NodeP = std::shared_ptr<Node>;

// A tree of the model: an empty pointer is no value (an empty slot of an array).
struct Node {
  JsonType type = JsonType::Null;
  std::int64_t number = 0;  // Int, or Currency scaled
  std::map<std::u16string, NodeP> members;
  std::vector<NodeP> elements;
};

NodeP make(JsonType type, std::int64_t number = 0) {
  auto node = std::make_shared<Node>();
  node->type = type;
  node->number = number;
  return node;
}

bool same(const NodeP& a, const NodeP& b) {
  if (!a || !b) return !a && !b;
  if (a->type != b->type || a->number != b->number) return false;
  if (a->members.size() != b->members.size() || a->elements.size() != b->elements.size()) {
    return false;
  }
  for (const auto& [name, value] : a->members) {
    const auto other = b->members.find(name);
    if (other == b->members.end() || !same(value, other->second)) return false;
  }
  for (std::size_t i = 0; i < a->elements.size(); ++i) {
    if (!same(a->elements[i], b->elements[i])) return false;
  }
  return true;
}

NodeP fromLibrary(const JsonRef& value) {
  if (!value) return nullptr;
  NodeP node = make(value->type(), value->integer() + value->currency());
  if (const MemberTable* members = value->members()) {
    members->forEach([&](const AvlNode& m) { node->members[m.name] = fromLibrary(m.value); });
  }
  if (const JsonArray* elements = value->elements()) {
    for (std::size_t i = 0; i < elements->length(); ++i) {
      node->elements.push_back(fromLibrary(elements->at(static_cast<std::int64_t>(i))));
    }
  }
  return node;
}

std::u16string text(const NodeP& node) {
  if (!node) return u"null";
  switch (node->type) {
    case JsonType::Int:
      return text::utf8ToUtf16(std::to_string(node->number));
    case JsonType::Object: {
      std::u16string out = u"{";
      for (const auto& [name, value] : node->members) {
        out += (out.size() > 1 ? u",\"" : u"\"") + name + u"\":" + text(value);
      }
      return out + u"}";
    }
    case JsonType::Array: {
      std::u16string out = u"[";
      for (const NodeP& value : node->elements) out += (out.size() > 1 ? u"," : u"") + text(value);
      return out + u"]";
    }
    default:
      return u"null";
  }
}

// The path rules over model trees. Paths are names of letters, '.', "[i]" with a decimal
// index and "[]"; over an array context also a bare integer.
class Model {
 public:
  Model(NodeP context, FindOptions options, NodeP put, JsonType dt)
      : context_(std::move(context)), options_(options), put_(std::move(put)), dt_(dt) {}

  // No value for a failed evaluation.
  std::optional<NodeP> evaluate(const std::u16string& path) {
    if (context_->type == JsonType::Array && !path.empty() &&
        path.find_first_not_of(u"-0123456789") == std::u16string::npos) {
      return topIndex(std::stoll(text::utf16ToUtf8(path)));
    }
    std::size_t i = 0;
    const std::u16string units = path + u'\0';
    while (i < units.size()) {
      const char16_t v = units[i];
      if (v != u'.' && v != u'[' && v != 0) {
        segment_ += v;
        ++i;
        continue;
      }
      const Outcome outcome = segmentEnd(v);
      if (outcome == Outcome::Fail) return std::nullopt;
      if (outcome == Outcome::Done) return current_;
      ++i;
      if (v == u'[') {
        if (!container(JsonType::Array)) return std::nullopt;
        const std::size_t close = units.find(u']', i);
        if (close > i) pending_ = std::stoll(text::utf16ToUtf8(units.substr(i, close - i)));
        i = close + 1;
      } else if (v == u'.' && !afterArraySegment_) {
        if (!container(JsonType::Object)) return std::nullopt;
      }
    }
    return std::nullopt;
  }

 private:
  enum class Outcome { Go, Done, Fail };

  [[nodiscard]] bool has(FindOption option) const { return options_.contains(option); }

  static NodeP member(const NodeP& object, const std::u16string& name) {
    const auto found = object->members.find(name);
    return found == object->members.end() ? nullptr : found->second;
  }
  static NodeP element(const NodeP& array, std::int64_t index) {
    return index >= 0 && static_cast<std::size_t>(index) < array->elements.size()
               ? array->elements[static_cast<std::size_t>(index)]
               : nullptr;
  }
  static void store(const NodeP& array, std::int64_t index, NodeP value) {
    const auto slot = static_cast<std::size_t>(index);
    if (slot >= array->elements.size()) array->elements.resize(slot + 1);
    array->elements[slot] = std::move(value);
  }
  static NodeP remove(const NodeP& array, std::int64_t index) {
    NodeP removed = element(array, index);
    if (index >= 0 && static_cast<std::size_t>(index) < array->elements.size()) {
      array->elements.erase(array->elements.begin() + index);
    }
    return removed;
  }

  std::optional<NodeP> topIndex(std::int64_t index) {
    if (index < 0) return std::nullopt;
    if (has(FindOption::PutValue)) {
      store(context_, index, put_);
      return put_;
    }
    return has(FindOption::Delete) ? remove(context_, index) : element(context_, index);
  }

  // A reserved unit (v) ends the segment collected so far.
  Outcome segmentEnd(char16_t v) {
    afterArraySegment_ = false;
    parent_ = current_ ? current_ : context_;
    if (pending_) return indexed(v);
    if (parent_->type == JsonType::Object) return objectSegment(v);
    if (parent_->type == JsonType::Array) return arraySegment(v);
    return Outcome::Fail;  // a scalar: the rest of the path is dropped and the end never found
  }

  Outcome objectSegment(char16_t v) {
    if (!segment_.empty()) current_ = member(parent_, segment_);
    if (v != 0) return Outcome::Go;
    if (has(FindOption::PutValue)) {
      parent_->members[segment_] = put_;
      current_ = put_;
    } else if (has(FindOption::Delete)) {
      current_ = member(parent_, segment_);
      parent_->members.erase(segment_);
    } else if (!current_ && has(FindOption::CreatePath)) {
      parent_->members[segment_] = make(dt_);
    }
    if (!has(FindOption::Delete)) current_ = member(parent_, segment_);
    return Outcome::Done;
  }

  Outcome arraySegment(char16_t v) {
    const auto last = [this] {
      return parent_->elements.empty() ? nullptr : parent_->elements.back();
    };
    if (v != 0) {
      if (has(FindOption::PutValue)) {
        current_ = make(v == u'.' ? JsonType::Object : JsonType::Array);
        parent_->elements.push_back(current_);
      } else {
        current_ = last();
      }
      afterArraySegment_ = v == u'.';  // the segment text runs on into the next one
      return Outcome::Go;
    }
    if (has(FindOption::PutValue)) {
      parent_->elements.push_back(put_);
      current_ = put_;
    } else if (segment_.empty()) {
      current_ = last();
    }
    return Outcome::Done;
  }

  Outcome indexed(char16_t v) {
    const std::int64_t index = *pending_;
    pending_.reset();
    if (index < 0) return Outcome::Fail;
    current_ = element(parent_, index);
    if (v == u'.' || v == u'[') {
      if (!current_) {
        if (!has(FindOption::CreatePath)) return Outcome::Fail;
        current_ = make(v == u'.' ? JsonType::Object : JsonType::Array);
        if (v == u'.') {
          store(parent_, index, current_);
        } else {
          parent_->elements.push_back(current_);  // a new array goes to the end
        }
      }
      afterArraySegment_ = v == u'.';  // '.' after an index needs no object check of its own
      return Outcome::Go;
    }
    if (has(FindOption::PutValue)) {
      store(parent_, index, put_);
      current_ = put_;
    } else if (has(FindOption::Delete)) {
      current_ = remove(parent_, index);
    }
    return Outcome::Done;
  }

  // After '.' or '[': an object or an array must follow, made where the options allow it.
  bool container(JsonType type) {
    if (!current_ && has(FindOption::CreatePath)) {
      current_ = make(type);
      if (parent_->type == JsonType::Object) {
        parent_->members[segment_] = current_;
      } else {
        parent_->elements.push_back(current_);
      }
    } else if (!current_ || current_->type != type) {
      return false;
    }
    segment_.clear();
    return true;
  }

  NodeP context_;
  FindOptions options_;
  NodeP put_;
  JsonType dt_;
  NodeP current_;
  NodeP parent_;
  std::optional<std::int64_t> pending_;
  std::u16string segment_;
  bool afterArraySegment_ = false;
};

class Generator {
 public:
  explicit Generator(unsigned seed) : random_(seed) {}

  NodeP document(int depth) {
    const int kind = pick(depth == 0 ? 2 : 5);
    if (kind == 0 || kind == 1) {
      NodeP node = make(kind == 0 ? JsonType::Object : JsonType::Array);
      const int count = pick(4);
      for (int i = 0; i < count; ++i) {
        if (kind == 0) {
          node->members[name()] = depth < 2 ? document(depth + 1) : make(JsonType::Int, i);
        } else {
          node->elements.push_back(depth < 2 ? document(depth + 1) : make(JsonType::Int, i));
        }
      }
      return node;
    }
    return make(JsonType::Int, pick(100));
  }

  std::u16string path(bool overArray) {
    if (overArray && pick(4) == 0)
      return pick(5) == 0 ? u"-1" : text::utf8ToUtf16(std::to_string(pick(4)));
    std::u16string out = pick(8) == 0 ? u"" : name();
    const int pieces = pick(4);
    for (int i = 0; i < pieces; ++i) {
      switch (pick(4)) {
        case 0:
          out += u"[]";
          break;
        case 1:
          out += pick(6) == 0 ? u"[-1]" : u"[" + text::utf8ToUtf16(std::to_string(pick(4))) + u"]";
          break;
        default:
          out += u"." + (pick(8) == 0 ? u"" : name());
          break;
      }
    }
    if (!out.empty() && out[0] == u'[') out.insert(0, u"a");  // '[' would start an array value
    return out;
  }

  int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }

 private:
  std::u16string name() { return std::u16string(1, static_cast<char16_t>(u'a' + pick(3))); }

  std::mt19937 random_;
};

TEST(PathModel, EveryCombinationOfOptionsAgreesWithTheModel) {
  Generator generator(5);
  const std::vector<FindOption> all{FindOption::CreatePath, FindOption::PutValue,
                                    FindOption::Delete, FindOption::CallMethod};
  int evaluations = 0;
  for (int round = 0; round < 400; ++round) {
    const NodeP source = generator.document(0);
    const std::u16string path = generator.path(source->type == JsonType::Array);
    const JsonType dt = generator.pick(2) == 0 ? JsonType::Null : JsonType::Array;
    for (unsigned bits = 0; bits < 16; ++bits) {
      FindOptions options;
      std::vector<FindOption> chosen;
      for (unsigned b = 0; b < 4; ++b) {
        if ((bits & (1U << b)) != 0) chosen.push_back(all[b]);
      }
      switch (chosen.size()) {  // FindOptions takes an initializer list
        case 0:
          break;
        case 1:
          options = {chosen[0]};
          break;
        case 2:
          options = {chosen[0], chosen[1]};
          break;
        case 3:
          options = {chosen[0], chosen[1], chosen[2]};
          break;
        default:
          options = {chosen[0], chosen[1], chosen[2], chosen[3]};
          break;
      }
      const std::u16string sourceText = text(source);
      const JsonRef document = parseDocument(sourceText);
      const JsonRef put = JsonValue::createCurrency(70000);
      const JsonRef result = JsonValue::parseText(path, false, true, document, options, put, dt);

      const NodeP modelDocument = fromLibrary(parseDocument(sourceText));
      const NodeP modelPut = make(JsonType::Currency, 70000);
      Model model(modelDocument, options, modelPut, dt);
      const std::optional<NodeP> expected = model.evaluate(path);

      const std::string where = text::utf16ToUtf8(sourceText) + " path " + text::utf16ToUtf8(path) +
                                " options " + std::to_string(bits) + " dt " +
                                std::to_string(static_cast<int>(dt));
      ASSERT_TRUE(same(fromLibrary(document), modelDocument))
          << where << "\n library " << text::utf16ToUtf8(text(fromLibrary(document)))
          << "\n model   " << text::utf16ToUtf8(text(modelDocument));
      const NodeP expectedValue = expected ? *expected : nullptr;
      ASSERT_TRUE(same(fromLibrary(result), expectedValue)) << where;
      ASSERT_EQ(result == put, expectedValue == modelPut) << where;
      ++evaluations;
    }
  }
  EXPECT_EQ(evaluations, 400 * 16);
}

}  // namespace
}  // namespace json
