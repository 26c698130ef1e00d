#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace json {
namespace {

constexpr std::int64_t kScale = 10000;

std::u16string version(std::u16string_view document) {
  return parseDocument(document).getPathString(u"globals.ZEDEZVer");
}

TEST(PathRead, TheDeviceVersionAsText) {
  EXPECT_EQ(version(u"{\"globals\":{\"ZEDEZVer\":\"1.0.10\"}}"), u"1.0.10");
  EXPECT_EQ(version(u"{\"globals\":{\"ZEDEZVer\":1010}}"), u"1010");
  EXPECT_EQ(version(u"{\"globals\":{\"ZEDEZVer\":1.5}}"), u"1.5");
  EXPECT_EQ(version(u"{\"globals\":{\"ZEDEZVer\":[1,{\"a\":\"\\\"\"}]}}"), u"[1,{\"a\":\"\\\"\"}]");
  EXPECT_EQ(version(u"{\"globals\":{\"ZEDEZVer\":null}}"), u"");
  EXPECT_EQ(version(u"{\"globals\":{}}"), u"");
  EXPECT_EQ(version(u"{\"globals\":5}"), u"");
  EXPECT_EQ(version(u"{}"), u"");
  EXPECT_EQ(version(u"timeout"), u"");
  EXPECT_EQ(version(u"1010"), u"");
  EXPECT_EQ(version(u"{\"Globals\":{\"ZEDEZVer\":\"1\"}}"), u"");
  EXPECT_EQ(JsonRef().getPathString(u"globals.ZEDEZVer"), u"");
}

TEST(PathRead, OnAnArrayDocumentSegmentsRunTogetherOverTheLastElement) {
  EXPECT_EQ(version(u"[1,{\"globalsZEDEZVer\":\"7\"}]"), u"7");
  EXPECT_EQ(version(u"[{\"globals\":{\"ZEDEZVer\":\"7\"}}]"), u"");
  EXPECT_EQ(version(u"[[1,2]]"), u"[1,2]");
  EXPECT_EQ(version(u"[]"), u"");
  const JsonRef array = parseDocument(u"[10,20,30]");
  EXPECT_EQ(array.getPathValue(u"1")->integer(), 20);
  EXPECT_EQ(array.getPathValue(u"")->integer(), 30);
  EXPECT_FALSE(array.getPathValue(u"-1"));
  EXPECT_FALSE(array.getPathValue(u"7"));
}

TEST(PathRead, IndicesAndMissingSegments) {
  const JsonRef document = parseDocument(u"{\"a\":[5,6,{\"b\":[7]}],\"s\":\"x\"}");
  EXPECT_EQ(document.getPathValue(u"a[1]")->integer(), 6);
  EXPECT_EQ(document.getPathValue(u"a[ 2 ].b[0]")->integer(), 7);
  EXPECT_FALSE(document.getPathValue(u"a[3]"));
  EXPECT_FALSE(document.getPathValue(u"a[-1]"));
  EXPECT_FALSE(document.getPathValue(u"a[1.5]"));
  EXPECT_FALSE(document.getPathValue(u"a[1"));
  EXPECT_FALSE(document.getPathValue(u"s[0]"));
  EXPECT_FALSE(document.getPathValue(u"s.x"));
  EXPECT_FALSE(document.getPathValue(u"missing.b.c"));
  EXPECT_FALSE(document.getPathValue(u"a(1)"));
  EXPECT_EQ(parseDocument(u"{\"a\":[5]}").getPathValue(u"a[1]"), JsonRef());
}

TEST(PathRead, LiteralsAndValuesInPathsEvaluateToThemselves) {
  const JsonRef document = parseDocument(u"{\"null\":1,\"true\":2,\"nullable\":3,\"9\":4}");
  EXPECT_EQ(document.getPathValue(u"null")->type(), JsonType::Null);
  EXPECT_TRUE(document.getPathValue(u"true")->boolean());
  EXPECT_EQ(document.getPathValue(u"nullable")->integer(), 3);
  EXPECT_EQ(document.getPathValue(u"9")->integer(), 4);
  EXPECT_EQ(document.getPathValue(u"\"lit\"")->text(), u"lit");
  EXPECT_EQ(document.getPathValue(u"-3")->integer(), -3);
  EXPECT_EQ(document.getPathString(u" /* c */ nullable "), u"3");
}

TEST(PathPut, CurrencyIntoTheSettingsDocument) {
  const JsonRef settings = parseDocument(u"{\"timeout\":3000,\"mode\":\"a\"}");
  settings.putPathCurrency(u"timeout", 6000 * kScale);
  EXPECT_EQ(settings->members()->memberCount(), 2U);
  const JsonRef timeout = settings.getPathValue(u"timeout");
  ASSERT_EQ(timeout->type(), JsonType::Currency);
  EXPECT_EQ(timeout->currency(), 6000 * kScale);
  EXPECT_EQ(settings.getPathString(u"mode"), u"a");

  const JsonRef without = parseDocument(u"{\"mode\":\"a\"}");
  without.putPathCurrency(u"timeout", 5 * kScale);
  EXPECT_EQ(without.asJson(), u"{\"timeout\":5,\"mode\":\"a\"}");

  const JsonRef array = parseDocument(u"[1]");
  array.putPathCurrency(u"timeout", 5 * kScale);
  EXPECT_EQ(array.asJson(), u"[1,5]");

  for (const char16_t* scalar : {u"timeout", u"12", u"null", u"\"s\""}) {
    const JsonRef value = parseDocument(scalar);
    const std::u16string before = value.asJson();
    value.putPathCurrency(u"timeout", 5 * kScale);
    EXPECT_EQ(value.asJson(), before);
  }
}

TEST(PathPut, CreatesMissingObjectsAndArraysOnTheWay) {
  const JsonRef document = parseDocument(u"{}");
  document.putPathCurrency(u"a.b", 1);
  EXPECT_EQ(document.asJson(), u"{\"a\":{\"b\":0.0001}}");
  document.putPathCurrency(u"a.c[2]", kScale);
  EXPECT_EQ(document.getPathString(u"a.c"), u"[null,null,1]");
  document.putPathCurrency(u"a.c[0].d", kScale);
  EXPECT_EQ(document.getPathString(u"a.c[0]"), u"{\"d\":1}");
  document.putPathCurrency(u"a.b.x", kScale);  // "b" holds a number: nothing changes
  EXPECT_EQ(document.getPathString(u"a.b"), u"0.0001");
  document.putPathCurrency(u"a.c[99999999999]", kScale);  // refused, not allocated
  EXPECT_EQ(document.getPathString(u"a.c"), u"[{\"d\":1},null,1]");
}

TEST(PathDelete, RemovesMembersAndElements) {
  const JsonRef document = parseDocument(u"{\"a\":[1,2,3],\"b\":4}");
  const JsonRef removed = JsonValue::parseText(u"b", false, true, document, {FindOption::Delete});
  EXPECT_EQ(removed->integer(), 4);
  JsonValue::parseText(u"a[0]", false, true, document, {FindOption::Delete});
  EXPECT_EQ(document.asJson(), u"{\"a\":[2,3]}");
  const JsonRef created = JsonValue::parseText(u"c", false, true, document,
                                               {FindOption::CreatePath}, {}, JsonType::Array);
  EXPECT_EQ(created->type(), JsonType::Array);
}

// A put that also deletes stores the put value and gives it, as a put alone does.
TEST(PathDelete, PutAndDeleteTogetherStoreAndGiveThePutValue) {
  const FindOptions both{FindOption::PutValue, FindOption::Delete};
  const JsonRef put = JsonValue::createCurrency(5 * kScale);
  for (const char16_t* text : {u"{\"a\":1}", u"{}"}) {
    const JsonRef document = parseDocument(text);
    EXPECT_EQ(JsonValue::parseText(u"a", false, true, document, both, put), put)
        << utf16ToUtf8(text);
    EXPECT_EQ(document.asJson(), u"{\"a\":5}");
  }
  const JsonRef nested = parseDocument(u"{\"a\":[1,2]}");
  EXPECT_EQ(JsonValue::parseText(u"a[1]", false, true, nested, both, put), put);
  EXPECT_EQ(nested.asJson(), u"{\"a\":[1,5]}");
  const JsonRef array = parseDocument(u"[1,2]");
  EXPECT_EQ(JsonValue::parseText(u"0", false, true, array, both, put), put);
  EXPECT_EQ(array.asJson(), u"[5,2]");
}

TEST(AsString, TextOfEveryType) {
  EXPECT_EQ(parseDocument(u"\"a\\\"b\"").asString(), u"a\"b");
  EXPECT_EQ(parseDocument(u"{\"k\":\"a\\\"b\\u00e9\"}").asString(), u"{\"k\":\"a\\\"b\u00e9\"}");
  EXPECT_EQ(parseDocument(u"null").asString(), u"");
  EXPECT_EQ(parseDocument(u"false").asString(), u"false");
  EXPECT_EQ(parseDocument(u"-0.25").asString(), u"-0.25");
  EXPECT_EQ(parseDocument(u"1e20").asString(), u"1E20");
  EXPECT_EQ(JsonValue::createMethod(nullptr).asString(), u"");
}

}  // namespace
}  // namespace json
