#include "app/core/handler_boundary.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "app/core/errors.h"
#include "headless_host.h"

namespace {

using app::testing::HeadlessHost;

TEST(HandlerBoundary, ShowsEscapingErrorsOnceAndSwallowsTheSilentAbort) {
  HeadlessHost host;
  app::runGuarded(host, [] { throw app::ConversionError(u"''x'' is not a valid integer value"); });
  app::runGuarded(host, [] { throw std::runtime_error("plain \xc3\xa1"); });
  app::runGuarded(host, [] { throw app::SilentAbortError(u"not shown"); });
  app::runGuarded(host, [] { throw 42; });
  bool ran = false;
  app::runGuarded(host, [&ran] { ran = true; });

  EXPECT_TRUE(ran);
  ASSERT_EQ(host.errorBoxes.size(), 3U);
  EXPECT_EQ(host.errorBoxes[0], u"''x'' is not a valid integer value");
  EXPECT_EQ(host.errorBoxes[1], u"plain \u00e1");
  EXPECT_EQ(host.errorBoxes[2], u"Unknown exception");
}

TEST(HandlerBoundary, OwnErrorsBelongToTheGeneralFamily) {
  // Handlers that catch the general family must also catch these.
  EXPECT_THROW(throw app::ConversionError(u"a"), http::Error);
  EXPECT_THROW(throw app::ResourceNotFoundError(u"a"), http::Error);
  EXPECT_THROW(throw app::FileError(u"a"), http::Error);
  EXPECT_THROW(throw app::SilentAbortError(), http::Error);
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
