// The state query: what fetchText returns for a body, an error reply and a dead device, and
// the client it keeps.
#include "app/core/device_interface.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "device_simulator.h"
#include "failing_allocation.h"
#include "http/http_client.h"
#include "text/utf8_codec.h"

namespace {

using testsupport::DeviceSimulator;

TEST(FetchText, ReturnsTheBodyAsUtf8AndKeepsItsClient) {
  const std::filesystem::path stateFile =
      std::filesystem::temp_directory_path() / ("zedez-state-" + std::to_string(::getpid()));
  std::ofstream(stateFile, std::ios::binary) << R"({"globals":{"ZEDEZVer":"1.0.ľ"}})";
  DeviceSimulator device({"--state-file", stateFile.string()});
  std::filesystem::remove(stateFile);
  app::DeviceInterface interface;
  const std::u16string text = interface.fetchText(app::stateUrl(device.address16()));
  EXPECT_NE(text.find(u"\"ZEDEZVer\":\"1.0.ľ\""), std::u16string::npos);
  ASSERT_NE(interface.stateClient(), nullptr);
  EXPECT_EQ(interface.stateClient()->connectTimeout(), 3000);
  EXPECT_EQ(interface.stateClient()->readTimeout(), 10000);

  const auto requests = device.records("state");
  ASSERT_EQ(requests.size(), 1U);
  EXPECT_EQ(requests[0].head,
            "GET /api/state HTTP/1.1\r\nHost: " + device.address() +
                "\r\nAccept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
                "User-Agent: Mozilla/3.0 (compatible; ZEDEZ Updater)\r\n\r\n");
}

TEST(FetchText, GivesTheErrorBodyOnAnErrorStatus) {
  DeviceSimulator device({"--status", "state=500", "--body", R"(state={"error":"busy"})"});
  app::DeviceInterface interface;
  EXPECT_EQ(interface.fetchText(app::stateUrl(device.address16())), u"{\"error\":\"busy\"}");
}

TEST(FetchText, GivesTimeoutForEveryOtherFailure) {
  app::DeviceInterface interface;
  // Nothing listens on this address: the connect is refused at once.
  const std::u16string nobody = text::utf8ToUtf16(testsupport::freshLoopbackAddress());
  EXPECT_EQ(interface.fetchText(app::stateUrl(nobody)), u"timeout");
  EXPECT_EQ(interface.fetchText(u"http://"), u"timeout");
  DeviceSimulator device({"--action", "state=close"});
  EXPECT_EQ(interface.fetchText(app::stateUrl(device.address16())), u"timeout");
}

TEST(FetchText, AnAllocationFailureIsATimeoutToo) {
  const std::filesystem::path stateFile =
      std::filesystem::temp_directory_path() / ("zedez-big-state-" + std::to_string(::getpid()));
  std::ofstream(stateFile, std::ios::binary)
      << R"({"globals":{"ZEDEZVer":")" << std::string(900 << 10, '1') << R"("}})";
  DeviceSimulator device({"--state-file", stateFile.string()});
  std::filesystem::remove(stateFile);
  app::DeviceInterface interface;
  std::u16string text;
  {
    const workflow_test::LargeAllocationsFail failing(1 << 20);
    text = interface.fetchText(app::stateUrl(device.address16()));
  }
  EXPECT_EQ(text, u"timeout");
}

TEST(FetchText, AReplyPastOneMebibyteIsATimeout) {
  const std::filesystem::path stateFile =
      std::filesystem::temp_directory_path() / ("zedez-huge-state-" + std::to_string(::getpid()));
  std::ofstream(stateFile, std::ios::binary) << std::string((1 << 20) + 1, ' ');
  DeviceSimulator device({"--state-file", stateFile.string()});
  std::filesystem::remove(stateFile);
  app::DeviceInterface interface;
  EXPECT_EQ(interface.fetchText(app::stateUrl(device.address16())), u"timeout");
  EXPECT_EQ(interface.stateClient()->replyBodyLimit(), 1 << 20);
  EXPECT_EQ(interface.stateClient()->deadline(), 20000);
}

}  // namespace
