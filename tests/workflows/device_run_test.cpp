// One device run without a window, in process: runs for several devices side by side, and
// the outcome of a check whose state query fails.
#include "app/core/device_run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <vector>

#include "device_simulator.h"
#include "http/http_errors.h"
#include "http/transport/socket_error.h"

namespace {

using app::DeviceOutcome;
using app::RunResult;
using testsupport::DeviceSimulator;

TEST(DeviceRun, DevicesRunInParallelThreadsEachWithItsOwnOutcome) {
  DeviceSimulator current({"--version", "v1.0.12"});
  DeviceSimulator old({"--version", "1.0.9"});
  DeviceSimulator refusing({"--status", "firmware=403"});
  app::DeviceRunOptions options;
  options.answer = [](const std::u16string&, const std::u16string&) {
    return app::DialogResult::Ok;
  };
  std::vector<std::future<DeviceOutcome>> runs;
  for (const DeviceSimulator* device : {&current, &old, &refusing}) {
    runs.push_back(std::async(std::launch::async, [device, &options] {
      return app::runDevice(device->address16(), options);
    }));
  }
  const DeviceOutcome first = runs[0].get();
  const DeviceOutcome second = runs[1].get();
  const DeviceOutcome third = runs[2].get();

  EXPECT_EQ(first.address, current.address16());
  EXPECT_EQ(first.result, RunResult::Uploaded);
  EXPECT_TRUE(first.asked);
  EXPECT_EQ(first.version, 1012);
  EXPECT_EQ(second.result, RunResult::Uploaded);
  EXPECT_FALSE(second.asked);
  EXPECT_EQ(second.bytesSent, static_cast<std::int64_t>(old.records("firmware").at(0).body.size()));
  EXPECT_EQ(third.result, RunResult::Failed);
  ASSERT_TRUE(third.error.has_value());
  EXPECT_EQ(third.error->className, "HttpProtocolError");
  EXPECT_EQ(current.records("firmware").size(), 1U);
  EXPECT_EQ(refusing.records("firmware").size(), 1U);
}

TEST(DeviceRun, ACheckWhoseStateQueryFailsIsAFailureNotAVersion) {
  DeviceSimulator device({"--status", "state=500"});
  app::DeviceRunOptions options;
  options.mode = app::RunMode::Check;
  std::vector<std::u16string> lines;
  options.onDiagnostic = [&lines](const std::u16string& line) { lines.push_back(line); };
  const DeviceOutcome outcome = app::runDevice(device.address16(), options);
  EXPECT_EQ(outcome.result, RunResult::Failed);
  ASSERT_TRUE(outcome.error.has_value());
  EXPECT_EQ(outcome.error->className, "HttpProtocolError");
  EXPECT_EQ(outcome.stateError, outcome.error);
  ASSERT_EQ(lines.size(), 1U);
  EXPECT_EQ(lines[0].rfind(u"state query to " + device.address16() + u":80: HTTP 500", 0), 0U);
  EXPECT_EQ(outcome.status, u"check failed: " + lines[0]);
  EXPECT_TRUE(device.records("firmware").empty());
}

// A reply that is not even lenient JSON fails the check, and says why and at which byte.
TEST(DeviceRun, AStateDocumentThatIsNoJsonNamesItsFaultAndByte) {
  const std::filesystem::path stateFile =
      std::filesystem::temp_directory_path() / ("zedez-no-json-" + std::to_string(::getpid()));
  std::ofstream(stateFile, std::ios::binary)
      << "\xEF\xBB\xBF{\"globals\": {\"ZEDEZVer\" \"1.0.10\"}}";
  DeviceSimulator device({"--state-file", stateFile.string()});
  std::filesystem::remove(stateFile);
  app::DeviceRunOptions options;
  options.mode = app::RunMode::Check;
  std::vector<std::u16string> lines;
  options.onDiagnostic = [&lines](const std::u16string& line) { lines.push_back(line); };
  const DeviceOutcome outcome = app::runDevice(device.address16(), options);
  EXPECT_EQ(outcome.result, RunResult::Failed);
  ASSERT_TRUE(outcome.stateError.has_value());
  EXPECT_EQ(outcome.stateError->className, "ParseError");
  const std::u16string cause = u"state query to " + device.address16() +
                               u":80: the state document is no JSON: ':' expected at byte 27 "
                               u"(ParseError)";
  EXPECT_EQ(lines, std::vector<std::u16string>{cause});
  // An upload goes on with what it got, and tells the same cause.
  options.mode = app::RunMode::Upload;
  lines.clear();
  app::runDevice(device.address16(), options);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], cause);
}

// The library has no text for some numbers; the cause then carries the system's words.
TEST(FailureCause, ASocketErrorWithoutTextGetsTheSystemsWordsAndAnErrorReplyItsBody) {
  const app::FailureCause lookup = app::causeOf(http::SocketError(11002));
  EXPECT_EQ(lookup.message, u"Socket Error # 11002\r\n");
  EXPECT_EQ(app::reasonOf(lookup), u"temporary failure in name resolution (Socket Error # 11002)");
  EXPECT_EQ(app::reasonOf(app::causeOf(http::SocketError(10061))),
            u"connection refused (Socket Error # 10061)");
  const app::FailureCause reply = app::causeOf(
      http::HttpProtocolError(u"HTTP/1.1 403 Forbidden", 403, u"token rejected\r\n\x1b[2Jmore"));
  EXPECT_EQ(app::reasonOf(reply), u"HTTP 403 Forbidden: token rejected");
  EXPECT_EQ(app::withoutLineBreaks(u"Socket Error # 10061\r\nConnection refused."),
            u"Socket Error # 10061 Connection refused.");
}

}  // namespace
