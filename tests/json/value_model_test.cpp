#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "json/detail/block_pool.h"
#include "json/detail/text_buffer.h"
#include "test_support.h"

namespace json {
namespace {

std::vector<std::u16string> walkNames(const MemberTable& table) {
  std::vector<std::u16string> names;
  table.forEach([&](const AvlNode& node) { names.push_back(node.name); });
  return names;
}

// Returns the height, and fails the test when a balance factor is off.
int checkedHeight(const AvlNode* node) {
  if (node == nullptr) return 0;
  const int lesser = checkedHeight(node->lesser);
  const int greater = checkedHeight(node->greater);
  EXPECT_EQ(node->balance, greater - lesser);
  EXPECT_LE(std::abs(greater - lesser), 1);
  return std::max(lesser, greater) + 1;
}

TEST(MemberTable, NameHashFollowsTheFixedFormula) {
  EXPECT_EQ(MemberTable::hashName(u"a"), 0x9E370062U);
  EXPECT_EQ(MemberTable::hashName(u"b"), 0x9E370063U);
  EXPECT_EQ(MemberTable::hashName(u"x"), 0x9E370079U);
  EXPECT_EQ(MemberTable::hashName(u"timeout"), 0x7592CB0EU);
  EXPECT_EQ(MemberTable::hashName(u""), 0U);
}

TEST(MemberTable, WalksByDescendingHashThenAscendingName) {
  MemberTable table;
  // "a\u0100" and "b\u007f" share one hash, so the name decides between them.
  ASSERT_EQ(MemberTable::hashName(u"a\u0100"), MemberTable::hashName(u"b\u007f"));
  for (const char16_t* name : {u"b\u007f", u"timeout", u"a", u"x", u"a\u0100", u"b"}) {
    table.store(name, JsonValue::create(1));
  }
  const std::vector<std::u16string> names = walkNames(table);
  std::vector<std::u16string> sorted = names;
  std::sort(sorted.begin(), sorted.end(), [](const auto& l, const auto& r) {
    const auto hl = MemberTable::hashName(l);
    const auto hr = MemberTable::hashName(r);
    return hl != hr ? hl > hr : l < r;
  });
  EXPECT_EQ(names, sorted);
  EXPECT_EQ(table.find(u"a\u0100")->integer(), 1);
  EXPECT_EQ(table.find(u"b\u007f")->integer(), 1);
  EXPECT_FALSE(table.find(u"A"));
}

TEST(MemberTable, StaysBalancedAndOrderFreeUnderInsertsAndRemovals) {
  std::vector<std::u16string> names;
  for (int i = 0; i < 3000; ++i) {
    std::u16string name = u"k";
    for (char c : std::to_string(i * 7919)) name.push_back(static_cast<char16_t>(c));
    names.push_back(name);
  }
  std::mt19937 random(7);
  MemberTable ordered;
  MemberTable shuffled;
  for (const auto& name : names) ordered.store(name, JsonValue::create(1));
  std::shuffle(names.begin(), names.end(), random);
  for (const auto& name : names) shuffled.store(name, JsonValue::create(1));
  EXPECT_EQ(walkNames(ordered), walkNames(shuffled));
  EXPECT_EQ(shuffled.memberCount(), names.size());
  checkedHeight(shuffled.root());

  for (std::size_t i = 0; i < names.size(); i += 2) {
    ASSERT_TRUE(shuffled.remove(names[i])) << i;
  }
  EXPECT_FALSE(shuffled.remove(names[0]));
  EXPECT_EQ(shuffled.memberCount(), names.size() / 2);
  checkedHeight(shuffled.root());
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(shuffled.contains(names[i]), i % 2 == 1) << i;
  }
}

TEST(MemberTable, StoringAnExistingNameReplacesAndReleasesTheOldValue) {
  MemberTable table;
  JsonRef first = JsonValue::create(1);
  table.store(u"timeout", first);
  EXPECT_EQ(first->refCount(), 2);
  table.store(u"timeout", JsonValue::create(2));
  EXPECT_EQ(first->refCount(), 1);
  EXPECT_EQ(table.memberCount(), 1U);
  EXPECT_EQ(table.find(u"timeout")->integer(), 2);
}

// Names are compared whole, so names that differ only after a NUL stay two members.
TEST(MemberTable, NamesThatDifferAfterANulAreDistinct) {
  MemberTable table;
  const std::u16string first(u"a\0b", 3);
  const std::u16string second(u"a\0c", 3);
  table.store(first, JsonValue::create(1));
  table.store(second, JsonValue::create(2));
  EXPECT_EQ(table.memberCount(), 2U);
  EXPECT_EQ(table.find(first)->integer(), 1);
  EXPECT_EQ(table.find(second)->integer(), 2);
}

TEST(JsonArray, GrowsByTheCapacityRuleAndLeavesSkippedSlotsEmpty) {
  JsonArray array;
  EXPECT_EQ(array.capacity(), 32U);
  EXPECT_TRUE(array.store(40, JsonValue::create(1)));
  EXPECT_EQ(array.capacity(), 64U);
  EXPECT_EQ(array.length(), 41U);
  EXPECT_FALSE(array.at(3));
  EXPECT_FALSE(array.at(41));
  EXPECT_FALSE(array.at(-1));
  EXPECT_TRUE(array.store(200, JsonValue::create(2)));
  EXPECT_EQ(array.capacity(), 201U);
  array.add(JsonValue::create(3));
  EXPECT_EQ(array.at(201)->integer(), 3);
}

TEST(JsonArray, RemoveClosesTheGapAndFarStoresAreRefused) {
  JsonArray array;
  for (int i = 0; i < 3; ++i) array.add(JsonValue::create(i));
  EXPECT_EQ(array.remove(1)->integer(), 1);
  EXPECT_EQ(array.length(), 2U);
  EXPECT_EQ(array.at(1)->integer(), 2);
  EXPECT_FALSE(array.remove(5));
  EXPECT_FALSE(array.store(-1, JsonValue::create(0)));
  EXPECT_FALSE(array.store(JsonArray::kMaxGap + 3, JsonValue::create(0)));
  EXPECT_EQ(array.length(), 2U);
}

TEST(TextBuffer, GrowsByTheCapacityRuleAndTrimsOnlySpacesAndLineBreaks) {
  detail::TextBuffer buffer;
  EXPECT_EQ(buffer.capacity(), 32U);
  buffer.append(std::u16string(40, u'x'));
  EXPECT_EQ(buffer.capacity(), 64U);
  buffer.reset();
  buffer.append(u"a\0b");  // a plain literal ends at its NUL
  buffer.reset();
  buffer.append(std::u16string_view(u"c\0d", 3));
  EXPECT_EQ(buffer.used(), 3U);
  EXPECT_EQ(buffer.textToNul(), u"c");
  buffer.reset();
  buffer.append(u"x\t \r\n ");
  buffer.trimRight();
  EXPECT_EQ(buffer.text(), u"x\t");
}

TEST(JsonValue, NoValueIsDistinctFromNullAndCountsFollowReferences) {
  JsonRef none;
  JsonRef null = JsonValue::create(JsonType::Null);
  EXPECT_FALSE(none);
  ASSERT_TRUE(null);
  EXPECT_EQ(null->type(), JsonType::Null);
  EXPECT_EQ(none.asString(), u"");
  EXPECT_EQ(null.asJson(), u"null");
  EXPECT_EQ(none.asJson(), u"");
  JsonRef copy = null;
  EXPECT_EQ(null->refCount(), 2);
  copy.reset();
  EXPECT_EQ(null->refCount(), 1);
  EXPECT_EQ(JsonValue::create(u"a\0b").get()->text().size(), 1U);
  EXPECT_EQ(JsonValue::create(std::u16string(u"a\0b", 3))->text().size(), 3U);
  EXPECT_FALSE(JsonValue::create(5)->members());
}

TEST(JsonValue, AnEmptyReferenceAnswersAsNoValueThroughArrowAndStar) {
  const JsonRef missing = parseDocument(u"{\"a\":1}").getPathValue(u"missing");
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing->type(), JsonType::Null);
  EXPECT_EQ(missing->integer(), 0);
  EXPECT_EQ(missing->text(), u"");
  EXPECT_FALSE(missing->members());
  EXPECT_EQ((*missing).asJson(), u"");
  EXPECT_EQ(missing->asString(), u"");
  EXPECT_FALSE(missing->getPathValue(u"\"lit\""));
  missing->putPathCurrency(u"a", 10000);
  int data = 0;
  missing->setUserData(&data);
  EXPECT_EQ(JsonRef()->userData(), nullptr);
}

TEST(JsonValue, ReleasingAVeryDeepTreeDoesNotExhaustTheStack) {
  JsonRef root = JsonValue::create(JsonType::Array);
  JsonRef inner = root;
  for (int i = 0; i < 200000; ++i) {
    JsonRef next = JsonValue::create(i % 2 == 0 ? JsonType::Object : JsonType::Array);
    if (inner->elements()) {
      inner->elements()->add(next);
    } else {
      inner->members()->store(u"n", next);
    }
    inner = next;
  }
  inner.reset();
  root.reset();
  SUCCEED();
}

// Blocks freed in any order over many chunks are handed out again once each, and a block in
// use is never handed out a second time.
TEST(ValueBlocks, FreedBlocksComeBackOnceAndLiveOnesNever) {
  using Pool = detail::BlockPool<48>;
  std::vector<std::uint64_t*> live;
  for (std::uint64_t i = 0; i < 20000; ++i) {
    live.push_back(static_cast<std::uint64_t*>(Pool::allocate()));
    *live.back() = i;
  }
  std::shuffle(live.begin(), live.end(), std::mt19937(7));
  std::vector<std::uint64_t*> kept(live.begin(), live.begin() + 10000);
  for (std::size_t i = 10000; i < live.size(); ++i) Pool::release(live[i]);
  std::vector<std::uint64_t> marks;
  for (std::uint64_t* block : kept) marks.push_back(*block);
  for (int i = 0; i < 15000; ++i) {
    kept.push_back(static_cast<std::uint64_t*>(Pool::allocate()));
    *kept.back() = ~std::uint64_t{0};
  }
  for (std::size_t i = 0; i < marks.size(); ++i) EXPECT_EQ(*kept[i], marks[i]);
  std::vector<std::uint64_t*> sorted = kept;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
  for (std::uint64_t* block : kept) Pool::release(block);
}

// Blocks return to the chunk of the thread that made them, or, freed on another thread, to
// that thread's own list; documents built from either afterwards must come out whole.
TEST(ValueBlocks, DocumentsBuiltFromFreedBlocksOnAnyThreadAreIntact) {
  std::u16string text = u"[";
  for (int i = 0; i < 20000; ++i) {
    text += u"{\"id\":" + text::utf8ToUtf16(std::to_string(i)) + u",\"s\":\"t" +
            std::u16string(static_cast<std::size_t>(i % 70), u'x') + u"\",\"a\":[true,1.5]},";
  }
  text += u"null]";
  const std::u16string expected = parseDocument(text).asJson();
  std::vector<JsonRef> made;
  for (int i = 0; i < 3; ++i) made.push_back(parseDocument(text));
  std::thread other([&] {
    made[0].reset();  // freed away from its chunks' thread
    const JsonRef there = parseDocument(text);
    EXPECT_EQ(there.asJson(), expected);
  });
  other.join();
  made[1].reset();
  made.push_back(parseDocument(text));
  made[2].reset();
  EXPECT_EQ(made.back().asJson(), expected);
  EXPECT_EQ(parseDocument(text).asJson(), expected);
}

}  // namespace
}  // namespace json
