#include <gtest/gtest.h>

#include <stdexcept>

#include "app/core/error_text.h"
#include "app/core/errors.h"

namespace {

TEST(HandlerBoundary, OwnErrorsBelongToTheGeneralFamily) {
  // Handlers that catch the general family must also catch these.
  EXPECT_THROW(throw app::ConversionError(u"a"), http::Error);
  EXPECT_THROW(throw app::ResourceNotFoundError(u"a"), http::Error);
  EXPECT_THROW(throw app::FileError(u"a"), http::Error);
}

TEST(HandlerBoundary, FullStopIsAddedAfterCharactersThatSortAfterIt) {
  EXPECT_EQ(app::errorBoxText(u""), u"");
  EXPECT_EQ(app::errorBoxText(u"value"), u"value.");
  EXPECT_EQ(app::errorBoxText(u"code 7"), u"code 7.");
  EXPECT_EQ(app::errorBoxText(u"/"), u"/.");
  EXPECT_EQ(app::errorBoxText(u"done."), u"done.");
  EXPECT_EQ(app::errorBoxText(u"stop!"), u"stop!");
  EXPECT_EQ(app::errorBoxText(u"a-"), u"a-");
  EXPECT_EQ(app::errorBoxText(u"line\r\n"), u"line\r\n");
  EXPECT_EQ(app::errorBoxText(u"\u010d"), u"\u010d.");
}

}  // namespace
