#include "json/detail/path_walk.h"

#include <cstdint>
#include <string>
#include <utility>

#include "json/detail/code_units.h"
#include "json/json_array.h"
#include "json/json_value.h"
#include "json/member_table.h"

namespace json::detail {

namespace {

Step objectSegment(Tokenizer& t, const ParseArguments& args, char16_t v) {
  ParseLevel& l = t.level();
  MemberTable& members = *l.parent->members();
  const std::u16string segment(t.token.text());
  if (!segment.empty()) l.current = members.find(segment);
  if (v == u'.' || v == u'[' || v == u'(') {
    l.state = v == u'.'   ? ParseState::EvalProperty
              : v == u'[' ? ParseState::EvalArray
                          : ParseState::EvalMethod;
    return Step::Consume;
  }
  if (t.indexCounter == 0 && args.options.contains(FindOption::PutValue)) {
    members.store(segment, args.put);
    l.current = args.put;  // the result also when Delete keeps the member from being read again
  } else if (t.indexCounter == 0 && args.options.contains(FindOption::Delete)) {
    l.current = members.remove(segment);
  } else if (!l.current && args.options.contains(FindOption::CreatePath)) {
    members.store(segment, JsonValue::create(args.dt));
  }
  if (!args.options.contains(FindOption::Delete)) l.current = members.find(segment);
  l.state = ParseState::Finish;
  return Step::Redispatch;
}

// Over an array without an index, a segment addresses the last element and a put appends.
Step arraySegment(Tokenizer& t, const ParseArguments& args, char16_t v) {
  ParseLevel& l = t.level();
  JsonArray& elements = *l.parent->elements();
  const auto last = [&elements] {
    return elements.at(static_cast<std::int64_t>(elements.length()) - 1);
  };
  if (v == u'.' || v == u'[') {
    if (args.options.contains(FindOption::PutValue)) {
      l.current = JsonValue::create(v == u'.' ? JsonType::Object : JsonType::Array);
      elements.add(l.current);
    } else {
      l.current = last();
    }
    if (v == u'[') l.state = ParseState::EvalArray;
    return Step::Consume;
  }
  if (v == u'(') return fail(t, ParseError::EvalMethod);
  if (t.indexCounter == 0 && args.options.contains(FindOption::PutValue)) {
    elements.add(args.put);
    l.current = args.put;
  } else if (t.token.used() == 0) {
    l.current = last();
  }
  l.state = ParseState::Finish;
  return Step::Redispatch;
}

// The segment after "[index]": the element at the pending index.
Step indexedSegment(Tokenizer& t, const ParseArguments& args, char16_t v) {
  ParseLevel& l = t.level();
  const JsonRef index = std::move(l.pending);
  l.pending.reset();
  JsonArray* elements = l.parent->elements();
  if (elements == nullptr) return fail(t, ParseError::EvalArray);
  if (!index.isType(JsonType::Int) || index->integer() < 0) return fail(t, ParseError::EvalInt);
  const std::int64_t position = index->integer();
  l.current = elements->at(position);
  if (v == u'.') {
    if (!l.current) {
      if (!args.options.contains(FindOption::CreatePath)) return fail(t, ParseError::EvalObject);
      l.current = JsonValue::create(JsonType::Object);
      if (!elements->store(position, l.current)) return fail(t, ParseError::EvalObject);
    }
    return Step::Consume;
  }
  if (v == u'[') {
    if (!l.current) {
      if (!args.options.contains(FindOption::CreatePath)) return fail(t, ParseError::EvalArray);
      l.current = JsonValue::create(JsonType::Array);
      elements->add(l.current);
    }
    l.state = ParseState::EvalArray;
    return Step::Consume;
  }
  if (v == u'(') return fail(t, ParseError::EvalMethod);
  if (t.indexCounter == 0 && args.options.contains(FindOption::PutValue)) {
    l.current = elements->store(position, args.put) ? args.put : JsonRef();
  } else if (t.indexCounter == 0 && args.options.contains(FindOption::Delete)) {
    l.current = elements->remove(position);
  }
  l.state = ParseState::Finish;
  return Step::Redispatch;
}

}  // namespace

// A path segment ends at a reserved code unit; what follows depends on the container in
// which the segment is looked up.
Step pathSegmentEnd(Tokenizer& t, const ParseArguments& args, char16_t v) {
  if (v >= 256 || !isReserved(v)) {
    t.token.append(v);
    return Step::Consume;
  }
  ParseLevel& l = t.level();
  l.grandParent = l.parent;
  l.parent = l.current ? l.current : args.self;
  if (l.pending) return indexedSegment(t, args, v);
  switch (l.parent->type()) {
    case JsonType::Object:
      return objectSegment(t, args, v);
    case JsonType::Array:
      return arraySegment(t, args, v);
    case JsonType::Method:
      return fail(t, ParseError::EvalMethod);
    default:
      return Step::Consume;  // a scalar has no members: the unit is dropped
  }
}

// After '.' (an object must follow) or '[' (an array must follow).
Step pathContainer(Tokenizer& t, const ParseArguments& args, JsonType type) {
  ParseLevel& l = t.level();
  if (!l.current && args.options.contains(FindOption::CreatePath) && l.parent) {
    l.current = JsonValue::create(type);
    if (MemberTable* members = l.parent->members()) {
      members->store(std::u16string(t.token.text()), l.current);
    } else if (JsonArray* elements = l.parent->elements()) {
      elements->add(l.current);
    }
  } else if (!l.current.isType(type)) {
    return fail(t, type == JsonType::Object ? ParseError::EvalObject : ParseError::EvalArray);
  }
  t.token.reset();
  l.state = type == JsonType::Object ? ParseState::Identifier : ParseState::ParamValue;
  return Step::Redispatch;
}

Step pathIndexStart(Tokenizer& t, char16_t v) {
  if (v == u']') {
    t.level().state = ParseState::Identifier;
    return Step::Consume;
  }
  if (t.depth >= kMaxDepth - 1) return fail(t, ParseError::Depth);
  ++t.indexCounter;
  return descend(t, ParseState::ParamPut);
}

Step pathIndexEnd(Tokenizer& t, JsonRef index, char16_t v) {
  ParseLevel& l = t.level();
  --t.indexCounter;
  l.pending = std::move(index);
  t.token.reset();
  l.savedState = ParseState::Identifier;
  l.state = ParseState::EatWs;
  if (v != u']') return fail(t, ParseError::EvalArray);
  return Step::Consume;
}

bool pathTopIndex(Tokenizer& t, const ParseArguments& args, JsonRef& value) {
  const std::int64_t index = value->integer();
  if (index < 0) {
    fail(t, ParseError::EvalInt);
    return false;
  }
  JsonArray& elements = *args.self->elements();
  if (args.options.contains(FindOption::PutValue)) {
    value = elements.store(index, args.put) ? args.put : JsonRef();
  } else if (args.options.contains(FindOption::Delete)) {
    value = elements.remove(index);
  } else {
    value = elements.at(index);
  }
  return true;
}

}  // namespace json::detail
