#include "app/core/text_to_int.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "app/core/errors.h"

namespace {

using app::textToInt;

TEST(TextToInt, DecimalWithBlanksAndSign) {
  EXPECT_EQ(textToInt(u"1012"), 1012);
  EXPECT_EQ(textToInt(u"0"), 0);
  EXPECT_EQ(textToInt(u"0009"), 9);
  EXPECT_EQ(textToInt(u"   42"), 42);
  EXPECT_EQ(textToInt(u"+7"), 7);
  EXPECT_EQ(textToInt(u"  -15"), -15);
}

TEST(TextToInt, DecimalRangeIsSigned32Bit) {
  EXPECT_EQ(textToInt(u"2147483647"), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(textToInt(u"-2147483648"), std::numeric_limits<std::int32_t>::min());
  EXPECT_THROW(textToInt(u"2147483648"), app::ConversionError);
  EXPECT_THROW(textToInt(u"-2147483649"), app::ConversionError);
  EXPECT_THROW(textToInt(u"99999999999999999999999"), app::ConversionError);
}

TEST(TextToInt, HexPrefixesTakeA32BitPattern) {
  EXPECT_EQ(textToInt(u"$1F"), 31);
  EXPECT_EQ(textToInt(u"x1f"), 31);
  EXPECT_EQ(textToInt(u"X1F"), 31);
  EXPECT_EQ(textToInt(u"0x10"), 16);
  EXPECT_EQ(textToInt(u"0XaB"), 171);
  EXPECT_EQ(textToInt(u"$FFFFFFFF"), -1);
  EXPECT_EQ(textToInt(u"$80000000"), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(textToInt(u"-$10"), -16);
  EXPECT_EQ(textToInt(u" $00000001"), 1);
  EXPECT_THROW(textToInt(u"$100000000"), app::ConversionError);  // nine digits
  EXPECT_THROW(textToInt(u"$"), app::ConversionError);
  EXPECT_THROW(textToInt(u"0x"), app::ConversionError);
  EXPECT_THROW(textToInt(u"$1G"), app::ConversionError);
}

TEST(TextToInt, RejectsEverythingElse) {
  for (const std::u16string text : {u"", u"   ", u"-", u"+-1", u"1 ", u"1012b", u"V1012", u"1.0",
                                    u" 1 2", u"\t1", u"1e3", u"\u0661\u0662", u"\uff11"}) {
    EXPECT_THROW(textToInt(text), app::ConversionError) << std::string(text.begin(), text.end());
  }
}

TEST(TextToInt, ErrorNamesTheText) {
  try {
    textToInt(u"1012b");
    FAIL() << "no error";
  } catch (const http::Error& error) {
    EXPECT_EQ(error.message(), u"''1012b'' is not a valid integer value");
    EXPECT_STREQ(error.className(), "ConversionError");
  }
}

}  // namespace
